// Capture command line: see CaptureOptions.h.
#include "tools/capture/CaptureOptions.h"

#include "app/CommandLineReader.h"

#include <algorithm>
#include <cmath>
#include <sstream>

long long CaptureOptions::FrameAt(double seconds) const
{
    return Step().FrameAt(seconds);
}

long long CaptureOptions::PresentationNanoseconds(long long frame) const
{
    const long long run = RunNanoseconds(frame);
    return loop ? run % kPresentationNanoseconds : run;
}

bool CaptureOptions::PastUntil(long long frame) const
{
    return until && static_cast<double>(RunNanoseconds(frame)) > *until * 1e9;
}

bool CaptureOptions::DrawsEveryFrame() const
{
    return every || stream || !statsFile.empty() || !submissionFile.empty() || !memoryFile.empty() || loop ||
           at.empty();
}

std::vector<long long> CaptureOptions::MomentFrames() const
{
    std::vector<long long> frames;
    for (const double seconds : at)
    {
        frames.push_back(FrameAt(seconds));
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

bool CaptureOptions::StopsBefore(long long frame) const
{
    if (loop)
    {
        return PastUntil(frame);
    }
    if (DrawsEveryFrame() || until)
    {
        return false;
    }
    return frame > FrameAt(*std::max_element(at.begin(), at.end()));
}

long long CaptureOptions::FrameCount() const
{
    // A run that stops by itself stops before the first frame it must not play; any other run ends when the
    // frame timer's total (single-precision seconds) exceeds the end, also in single precision.
    const double end = until ? *until : static_cast<double>(kPresentationNanoseconds) / 1e9;
    const auto played = [this, end](long long frame) {
        if (StopsBefore(frame))
        {
            return false;
        }
        const float total = static_cast<float>(PresentationNanoseconds(frame)) / 1000000000.0f;
        return loop || !(total > static_cast<float>(end));
    };
    long long last = static_cast<long long>(std::floor(end * fps)) + 2;
    while (last >= 0 && !played(last))
    {
        --last;
    }
    return last + 1;
}

long long CaptureOptions::DrawnFrameCount() const
{
    const long long played = FrameCount();
    if (DrawsEveryFrame())
    {
        return played;
    }
    const std::vector<long long> moments = MomentFrames();
    return std::count_if(moments.begin(), moments.end(), [played](long long frame) { return frame < played; });
}

bool CaptureOptions::ShowsProgress() const
{
    if (every || stream)
    {
        return true;
    }
    if (!DrawsEveryFrame())
    {
        return DrawnFrameCount() > kProgressMoments;
    }
    const double seconds = until ? *until : static_cast<double>(kPresentationNanoseconds) / 1e9;
    return seconds > kProgressSeconds;
}

std::optional<std::string> ParseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options)
{
    CommandLineReader reader(args);
    while (reader.Next())
    {
        const auto value = [&reader] { return reader.Value(); };

        if (reader.Help())
        {
            options.help = true;
        }
        else if (reader.Flag("--version"))
        {
            options.version = true;
        }
        else if (reader.Flag("--every"))
        {
            options.every = true;
        }
        else if (reader.Flag("--stream"))
        {
            options.stream = true;
        }
        else if (reader.WithValue("--fps"))
        {
            const auto text = value();
            if (!text || !CommandLineReader::ToInt(*text, options.fps) || options.fps < 1 || options.fps > 1000)
            {
                return "--fps needs a whole number of frames per second from 1 to 1000";
            }
        }
        else if (reader.WithValue("--at"))
        {
            const auto text = value();
            if (!text)
            {
                return "--at needs a list of seconds, such as --at 1,8,50";
            }
            std::stringstream list(*text);
            std::string item;
            while (std::getline(list, item, ','))
            {
                double seconds = 0.0;
                if (!CommandLineReader::ToDouble(item, seconds) || seconds < 0.0)
                {
                    return "--at: '" + item + "' is not a time in seconds";
                }
                options.at.push_back(seconds);
            }
            if (options.at.empty())
            {
                return "--at needs at least one time";
            }
        }
        else if (reader.WithValue("--until"))
        {
            const auto text = value();
            double seconds = 0.0;
            if (!text || !CommandLineReader::ToDouble(*text, seconds) || seconds <= 0.0)
            {
                return "--until needs a positive number of seconds";
            }
            options.until = seconds;
        }
        else if (reader.WithValue("--size"))
        {
            const auto text = value();
            const auto x = text ? text->find('x') : std::string::npos;
            if (!text || x == std::string::npos || !CommandLineReader::ToInt(text->substr(0, x), options.width) ||
                !CommandLineReader::ToInt(text->substr(x + 1), options.height) || options.width < 16 ||
                options.height < 16 || options.width > 8192 || options.height > 8192)
            {
                return "--size needs WIDTHxHEIGHT in pixels, each from 16 to 8192, such as --size 1280x720";
            }
        }
        else if (reader.WithValue("--out"))
        {
            const auto text = value();
            if (!text || text->empty())
            {
                return "--out needs a folder";
            }
            options.outDir = *text;
        }
        else if (reader.WithValue("--stats"))
        {
            const auto text = value();
            if (!text || text->empty())
            {
                return "--stats needs a file name";
            }
            options.statsFile = *text;
        }
        else if (reader.Flag("--no-device-timer"))
        {
            options.deviceTimer = false;
        }
        else if (reader.WithValue("--submission"))
        {
            const auto text = value();
            if (!text || text->empty())
            {
                return "--submission needs a file name";
            }
            options.submissionFile = *text;
        }
        else if (reader.Flag("--loop"))
        {
            options.loop = true;
        }
        else if (reader.WithValue("--memory"))
        {
            const auto text = value();
            if (!text || text->empty())
            {
                return "--memory needs a file name";
            }
            options.memoryFile = *text;
        }
        else if (reader.WithValue("--choreography"))
        {
            const auto text = value();
            if (!text || text->empty())
            {
                return "--choreography needs a file name";
            }
            options.choreographyFile = *text;
        }
        else if (reader.WithValue("--memory-every"))
        {
            const auto text = value();
            if (!text || !CommandLineReader::ToInt(*text, options.memoryEvery) || options.memoryEvery < 1 ||
                options.memoryEvery > 1000000)
            {
                return "--memory-every needs a whole number of frames from 1 to 1000000";
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
    if (options.loop && !options.until)
    {
        return "--loop needs --until: how many seconds to keep playing";
    }
    if (options.stream && options.width == 0)
    {
        return "--stream needs --size WxH: whoever reads the frames must know their size";
    }
    if (!options.deviceTimer && options.statsFile.empty())
    {
        return "--no-device-timer needs --stats FILE.csv";
    }
    if (options.memoryEvery > 0 && options.memoryFile.empty())
    {
        return "--memory-every needs --memory FILE.csv";
    }
    if (options.until)
    {
        for (const double seconds : options.at)
        {
            if (seconds > *options.until)
            {
                return "--at asks for a moment after --until";
            }
        }
    }
    return std::nullopt;
}

std::string CaptureUsage()
{
    return R"(engine-capture: plays the presentation exactly as engine.exe does, but on a fixed time step, and saves
frames of the back buffer (after the post pass and the overlay) as PNG files.

Usage: engine-capture.exe [options]   (run it where engine.exe runs: beside the data files)

  --fps N           frames per second of presentation time (default 60); each frame advances 1/N s
  --at T1,T2,...    save the frames nearest to these presentation times, in seconds (e.g. --at 1,8,50).
                    Only these frames are drawn: the ones between are played without drawing, as engine.exe's
                    seek replays them, which gives the same pictures in a fraction of the time; the run ends
                    after the last of them unless --until asks for more. --every, --stream, --stats, --memory
                    and --loop draw every frame, as does a run without --at (a play-through that saves nothing)
  --every           save every frame (frame-000000.png, frame-000001.png, ...)
  --stream          write every frame to standard output as raw RGB, 3 bytes per pixel, rows top to bottom,
                    for an encoder to read (ffmpeg -f rawvideo -pix_fmt rgb24 -s WxH -i -); needs --size.
                    tools/capture/video.sh uses it to make an MP4 with the music
  --until T         stop after T seconds of presentation time (default: the presentation's end, 58 s, or the
                    last moment when only moments are drawn; longer runs keep the timeline going past 58 s,
                    holding the last shot)
  --loop            with --until: after every 58 s the timeline starts again from 0 s, so a long run
                    (a soak, e.g. --until 600 --loop) passes through every shot and both skies again and
                    again; the camera's turn and the actors' spin carry on from where they were, so later
                    passes do not repeat the first exactly. The stats and memory rows count run time.
  --size WxH        picture size in pixels, overriding EngineOptions.xml: the window is made just large
                    enough around it and the camera takes the picture's aspect, W/H. Without --size the
                    window has the options file's size, frame included, and the camera that size's aspect,
                    as in engine.exe. So engine.exe's picture after a seek (F12) is the capture made with
                    the same EngineOptions.xml and no --size. In a framed window the picture is smaller
                    than the window (320x240 leaves 312x213 under Wine), and --size 312x213 shows a wider
                    view than that window does
  --choreography FILE  play the choreography in FILE instead of the compiled-in one (as engine.exe does);
                    a file that cannot be used ends start-up with exit code 1, naming the file and line
  --out DIR         folder for the images and nothing else (default: the current folder; created if missing)
  --stats FILE.csv  one row per frame: presentation time and the CPU milliseconds of logic update, event
                    dispatch, scene update, scene render submission, overlay and Present; then the
                    device's milliseconds for the meshes, the sky, the post pass, the overlay, Present and
                    the whole frame (gpu_*_ms): n/a where the device gives no timestamps, empty where its
                    answer did not come (the last few frames). Rows come out a few frames late, in order
  --no-device-timer with --stats: leave the device timer off (its gpu_* cells stay empty), so that the CPU
                    columns are measured as a program without the timer runs, with no query or flush per pass
  --submission FILE.csv  one row per drawn frame: the mesh pass's submission split into its parts, in ms: the
                    walk with its matrix stack, the component look-ups, the constants put together, their
                    writes into the buffers, the binds with the binding record's checks, the draw calls, and
                    the part timer's own cost (not in the others); with the meshes drawn and the whole pass
  --memory FILE.csv the process's memory every --memory-every frames: private bytes, working set and its
                    peak, video memory in use as the adapter reports it (-1 when it cannot), and the
                    counts of kernel, GDI and USER handles; one row per sample, with run and wall time
  --memory-every N  frames between memory samples (default: the frame rate, once per second)
  --version         print the version and exit
  --help            this text

A value follows its switch or an equals sign alike: --fps 30 or --fps=30. A switch given twice (--at 1 --at 8:
write --at 1,8), a switch without its value and any other argument are refused, with exit code 64.

Frames saved with --at are named t<seconds>.png with three decimals (t8.000.png). The same arguments give the
same images. A long capture (--every, --stream, every frame over more than 10 s of presentation time, or more
than 10 moments) shows a progress line on standard error: frames drawn out of the total and the time left. Exit code: 0 on success, 1 when start-up fails, 2 after an error, 64 for bad arguments.
)";
}
