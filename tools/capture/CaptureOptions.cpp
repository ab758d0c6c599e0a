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

std::int64_t CaptureOptions::Nanoseconds(double seconds)
{
    return seconds > 0.0 ? std::llround(seconds * 1e9) : 0;
}

std::int64_t CaptureOptions::PresentationNanosecondsAt(std::int64_t nanoseconds) const
{
    return loop ? nanoseconds % kPresentationNanoseconds : nanoseconds;
}

double CaptureOptions::EndSeconds() const
{
    return until ? *until : static_cast<double>(kPresentationNanoseconds) / 1e9;
}

std::int64_t CaptureOptions::SampleOffset(int sample) const
{
    if (motionBlur <= 0)
    {
        return 0;
    }
    const double frames = shutter * ((sample + 0.5) / motionBlur - 0.5);
    return std::llround(frames * 1e9 / fps);
}

bool CaptureOptions::DrawsEveryFrame() const
{
    if (!statsFile.empty() || !submissionFile.empty() || !memoryFile.empty() || loop)
    {
        return true;
    }
    if (frames || motionBlur > 0)
    {
        return false;
    }
    return every || stream || at.empty();
}

long long CaptureOptions::RunFrameCount() const
{
    // A looping run stops before the first frame past --until; any other run ends when the frame timer's total
    // (single-precision seconds) exceeds the end, also in single precision.
    const double end = EndSeconds();
    const auto played = [this, end](long long frame) {
        if (loop)
        {
            return !PastUntil(frame);
        }
        const float total = static_cast<float>(PresentationNanoseconds(frame)) / 1000000000.0f;
        return !(total > static_cast<float>(end));
    };
    long long last = static_cast<long long>(std::floor(end * fps)) + 2;
    while (last >= 0 && !played(last))
    {
        --last;
    }
    return last + 1;
}

std::optional<std::string> ParseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options)
{
    CommandLineReader reader(args);
    bool shutterGiven = false;
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
        else if (reader.WithValue("--supersample"))
        {
            const auto text = value();
            if (!text || !CommandLineReader::ToInt(*text, options.supersample) || options.supersample < 1 ||
                options.supersample > CaptureOptions::kLargestSupersample)
            {
                return "--supersample needs a whole number of samples each way from 1 to 4";
            }
        }
        else if (reader.WithValue("--motion-blur"))
        {
            const auto text = value();
            if (!text || !CommandLineReader::ToInt(*text, options.motionBlur) || options.motionBlur < 2 ||
                options.motionBlur > CaptureOptions::kLargestMotionBlur)
            {
                return "--motion-blur needs a whole number of sub-frames from 2 to 64";
            }
        }
        else if (reader.WithValue("--shutter"))
        {
            const auto text = value();
            if (!text || !CommandLineReader::ToDouble(*text, options.shutter) || !(options.shutter >= 0.05) ||
                !(options.shutter <= 1.0))
            {
                return "--shutter needs the fraction of a frame the shutter is open, from 0.05 to 1";
            }
            shutterGiven = true;
        }
        else if (reader.WithValue("--frames"))
        {
            const auto text = value();
            const auto dash = text ? text->find('-') : std::string::npos;
            int first = 0;
            int last = 0;
            if (!text || dash == std::string::npos || !CommandLineReader::ToInt(text->substr(0, dash), first) ||
                !CommandLineReader::ToInt(text->substr(dash + 1), last) || first < 0 || last < first)
            {
                return "--frames needs FIRST-LAST, two frame numbers with FIRST not after LAST, such as --frames 0-59";
            }
            options.frames = std::make_pair(static_cast<long long>(first), static_cast<long long>(last));
        }
        else if (reader.Flag("--frame-count"))
        {
            options.frameCount = true;
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
    if (options.supersample > 1 && options.width == 0)
    {
        return "--supersample needs --size WxH: the size of the picture it averages down to";
    }
    if (options.DrawnWidth() > CaptureOptions::kLargestTexture ||
        options.DrawnHeight() > CaptureOptions::kLargestTexture)
    {
        return "--size " + std::to_string(options.width) + "x" + std::to_string(options.height) +
               " with --supersample " + std::to_string(options.supersample) + " draws " +
               std::to_string(options.DrawnWidth()) + "x" + std::to_string(options.DrawnHeight()) +
               " pixels, more than the device's largest texture, " + std::to_string(CaptureOptions::kLargestTexture) +
               " pixels a side";
    }
    if (shutterGiven && options.motionBlur == 0)
    {
        return "--shutter needs --motion-blur S: the sub-frames it spreads";
    }
    if (options.motionBlur > 0 && (options.loop || !options.statsFile.empty() || !options.submissionFile.empty()))
    {
        return "--motion-blur makes pictures, not measurements: it goes with neither --loop, --stats nor --submission";
    }
    if (options.frames)
    {
        if (!options.every && !options.stream)
        {
            return "--frames needs --every or --stream: what to write of those frames";
        }
        if (!options.at.empty() || options.loop)
        {
            return "--frames goes with neither --at nor --loop";
        }
        const long long count = options.RunFrameCount();
        if (options.frames->second >= count)
        {
            return "--frames " + std::to_string(options.frames->first) + "-" + std::to_string(options.frames->second) +
                   ": the run has frames 0 to " + std::to_string(count - 1) + " (--until and --fps decide)";
        }
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
  --at T1,T2,...    save the pictures of these presentation times, in seconds (e.g. --at 1,8,50): each the
                    moment itself, between two frames too (reached by the frames before it and one shorter
                    step, as engine.exe's seek reaches it). Only these pictures are drawn: the frames between
                    are played without drawing, which gives the same pictures in a fraction of the time; the
                    run ends after the last of them unless --until asks for more. --every, --stream, --stats,
                    --memory and --loop draw every frame, as does a run without --at (a play-through)
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
  --frames A-B      with --every or --stream: write frames A to B alone (both included, at --fps), byte for
                    byte those frames of a whole run with the same switches; the frames before are played
                    without drawing, and the run stops after B (a render farm's chunk)
  --frame-count     print how many frames --every and --stream write with these switches, and stop
  --supersample N   draw each picture N times as large each way (N from 1 to 4) and average every N x N block
                    in linear light (decoded from sRGB, averaged, encoded): anti-aliased pictures. Needs --size;
                    W*N and H*N may not pass the device's largest texture, 16384 pixels a side
  --motion-blur S   each picture is the linear-light mean of S sub-frames (2 to 64), sub-frame i at
                    t + A * ((i + 0.5) / S - 0.5) / fps, each the world exactly at that moment (before 0 s:
                    at 0 s). A still scene blurs to exactly its unblurred picture
  --shutter A       with --motion-blur: the fraction of a frame the shutter is open, from 0.05 to 1 (default 0.5)
  --size WxH        picture size in pixels, overriding EngineOptions.xml: the window is made just large
                    enough around it and the camera takes the picture's aspect, W/H. Without --size the
                    window has the options file's size, frame included, and the camera that size's aspect,
                    as in engine.exe. So engine.exe's picture after a seek (F12) is the capture made with
                    the same EngineOptions.xml and no --size. In a framed window the picture is smaller
                    than the window (320x240 leaves 312x213 under Wine), and --size 312x213 shows a wider
                    view than that window does. With --size the picture keeps its size whatever size the
                    window gets, so it may be larger than the screen
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
than 10 drawings) shows a progress line on standard error: drawings made out of the total and the time left.
Exit code: 0 on success, 1 when start-up fails, 2 after an error, 64 for bad arguments.
)";
}
