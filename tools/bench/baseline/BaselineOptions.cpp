// baseline.exe command line: see BaselineOptions.h.
#include "tools/bench/baseline/BaselineOptions.h"

#include "app/CommandLineReader.h"

std::optional<std::string> ParseBaselineOptions(const std::vector<std::string>& args, BaselineOptions& options)
{
    CommandLineReader reader(args);
    while (reader.Next())
    {
        const auto takeValue = [&reader] { return reader.Value(); };
        const auto takeFile = [&](std::string& target) -> bool {
            const auto text = takeValue();
            if (!text || text->empty())
            {
                return false;
            }
            target = *text;
            return true;
        };

        if (reader.Help())
        {
            options.help = true;
        }
        else if (reader.WithValue("--frames"))
        {
            const auto text = takeValue();
            // A million frames is hours even on real hardware; beyond that the number is a typing error.
            if (!text || !CommandLineReader::ToInt(*text, options.frames) || options.frames < 1 ||
                options.frames > 1000000)
            {
                return "--frames needs a whole number of frames from 1 to 1000000";
            }
        }
        else if (reader.WithValue("--fps"))
        {
            const auto text = takeValue();
            if (!text || !CommandLineReader::ToInt(*text, options.fps) || options.fps < 1 || options.fps > 1000)
            {
                return "--fps needs a whole number of frames per second from 1 to 1000";
            }
        }
        else if (reader.WithValue("--start"))
        {
            const auto text = takeValue();
            if (!text || !CommandLineReader::ToDouble(*text, options.start) || options.start < 0.0 ||
                options.start > 3600.0)
            {
                return "--start needs a presentation time in seconds from 0 to 3600";
            }
        }
        else if (reader.WithValue("--world"))
        {
            if (!takeFile(options.worldFile))
            {
                return "--world needs a file name";
            }
        }
        else if (reader.WithValue("--csv"))
        {
            if (!takeFile(options.csvFile))
            {
                return "--csv needs a file name";
            }
        }
        else if (reader.WithValue("--stats"))
        {
            if (!takeFile(options.statsFile))
            {
                return "--stats needs a file name";
            }
        }
        else if (reader.WithValue("--png"))
        {
            if (!takeFile(options.pngFile))
            {
                return "--png needs a file name";
            }
        }
        else
        {
            reader.RefuseUnknown();
        }
    }
    if (const auto& refusal = reader.Refusal())
    {
        return *refusal + " (see --help)";
    }
    return std::nullopt;
}

std::string BaselineUsage()
{
    return R"(baseline: the least a renderer must do to show the presentation's world. It draws the meshes of the
world file (with their materials, textures and shaders), the sky and the post pass at the size of
EngineOptions.xml, with every resource made once and, per frame, one pass over the meshes sorted by
shader and texture, one constant-buffer update per mesh, the sky and the post quad. No actors, events or
scene graph; no vertical sync. The camera flies the presentation's path.

Usage: baseline.exe [options]   (run it where engine.exe runs: beside the data files)

  --frames N      frames to draw after start-up (default 600)
  --fps N         presentation time advances 1/N s per frame (default 60), as with engine-capture --fps
  --start T       presentation time of the first frame, in seconds (default 0)
  --world FILE    world file (default World1.xml)
  --csv FILE      write the summary: frames per second, frame, submission and Present times, start-up
                  time and its phases, meshes and draws
  --stats FILE    write one row per frame: presentation time, submission and Present milliseconds
  --png FILE      save the last frame's back buffer as a PNG file
  --help          this text

A value follows its switch or an equals sign alike: --frames 120 or --frames=120. A switch given twice, a
switch without its value and any other argument are refused, with exit code 64.

It prints the same summary on standard output. Exit code: 0 on success, 1 when start-up fails, 2 after an
error, 64 for bad arguments.
)";
}
