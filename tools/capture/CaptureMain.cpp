// engine-capture.exe: starts the presentation exactly as engine.exe does (same start-up, loop and frame), but
// drives the frame timer with a fixed step and saves chosen frames of the back buffer as PNG, optionally with a
// CSV of per-frame CPU timings and one of memory samples, or streams every frame to standard output for an
// encoder (tools/capture/video.sh). Window activation does not pause a capture, so the same arguments always
// give the same frames. Chosen moments alone are drawn: the frames between them are played without drawing
// and the run ends after the last. A long capture shows its progress on standard error.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <io.h>

#include "app/EngineCommandLine.h"
#include "app/EngineVersion.h"
#include "app/guards/ExitReport.h"
#include "app/MessageBox.h"
#include "app/SystemClass.h"
#include "graphics/BackBufferReader.h"
#include "graphics/D3DClass.h"
#include "graphics/GpuPassTimer.h"
#include "app/FrameStats.h"
#include "tools/capture/CaptureOptions.h"
#include "tools/capture/CaptureProgress.h"
#include "scene/SubmissionProfile.h"
#include "tools/capture/FrameStatsCsv.h"
#include "tools/capture/MemorySampler.h"

namespace
{
constexpr int kExitUsage = 64;

std::string MomentFileName(double seconds)
{
    std::ostringstream name;
    name << "t" << std::fixed << std::setprecision(3) << seconds << ".png";
    return name.str();
}

std::string FrameFileName(long long frame)
{
    std::ostringstream name;
    name << "frame-" << std::setw(6) << std::setfill('0') << frame << ".png";
    return name.str();
}

// Writes a frame's pixels to standard output as RGB rows, top to bottom. False when the reader has gone.
bool StreamFrame(const FrameImage& image, std::vector<unsigned char>& rgb)
{
    const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
    rgb.resize(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i)
    {
        rgb[i * 3] = image.rgba[i * 4];
        rgb[i * 3 + 1] = image.rgba[i * 4 + 1];
        rgb[i * 3 + 2] = image.rgba[i * 4 + 2];
    }
    return std::fwrite(rgb.data(), 1, rgb.size(), stdout) == rgb.size();
}
}

int main(int argc, char** argv)
{
    const ExitReport exitReport(argc > 0 ? argv[0] : nullptr);
    CaptureOptions options;
    if (const auto error = ParseCaptureOptions(std::vector<std::string>(argv + 1, argv + argc), options))
    {
        std::cerr << "engine-capture: " << *error << "\n";
        return kExitUsage;
    }
    if (options.help)
    {
        std::cout << CaptureUsage();
        return 0;
    }
    if (options.version)
    {
        std::cout << EngineCommandLine::VersionLine(kEngineVersion) << "\n";
        return 0;
    }

    const std::filesystem::path outDir(options.outDir);
    std::error_code error;
    std::filesystem::create_directories(outDir, error);
    if (error)
    {
        std::cerr << options.outDir << ": cannot create the output folder: " << error.message() << "\n";
        return kExitUsage;
    }

    std::ofstream statsFile;
    std::optional<FrameStatsCsv> stats;
    if (!options.statsFile.empty())
    {
        statsFile.open(options.statsFile, std::ios::trunc);
        if (!statsFile)
        {
            std::cerr << options.statsFile << ": cannot write the statistics file\n";
            return kExitUsage;
        }
        stats.emplace(statsFile);
    }

    std::ofstream submissionFile;
    if (!options.submissionFile.empty())
    {
        submissionFile.open(options.submissionFile, std::ios::trunc);
        if (!submissionFile)
        {
            std::cerr << options.submissionFile << ": cannot write the submission file\n";
            return kExitUsage;
        }
        submissionFile << "frame,time_s,meshes,pass_ms,walk_ms,lookups_ms,constants_ms,writes_ms,binds_ms,draws_ms,"
                          "timer_ms\n";
        SubmissionProfile::Enable(true);
    }

    MemorySampler memory;
    if (!options.memoryFile.empty() && !memory.Open(options.memoryFile))
    {
        return kExitUsage;
    }

    // Several requested moments may fall on one frame; each still gets its own file.
    std::multimap<long long, double> moments;
    for (const double seconds : options.at)
    {
        moments.emplace(options.FrameAt(seconds), seconds);
    }
    std::set<double> saved;
    long long frame = 0;
    std::vector<unsigned char> streamBuffer;
    bool streamFailed = false;
    if (options.stream)
    {
        // Raw frames, byte for byte: no line-end translation on the way to the encoder.
        _setmode(_fileno(stdout), _O_BINARY);
    }
    CaptureProgress progress(options.DrawnFrameCount(), _isatty(_fileno(stderr)) != 0);
    const bool showsProgress = options.ShowsProgress();
    PhaseStopwatch sinceFirstFrame;
    std::uint64_t drawn = 0;          // frames drawn so far
    unsigned long long resizes = 0;   // resizes that reached the scene (the window's size changed)
    std::string startup;              // the start-up split, complete after the first frame
    BackBufferReader reader;
    bool writeFailed = false;

    // Nobody is there to click a dialog: messages go to standard error only.
    SetMessageBoxHandler([](const std::string&, const std::string&) {});

    const int exitCode = SystemClass::RunApplication([&](SystemClass& system) {
        // Presentation time is the frame number times the step, computed exactly rather than accumulated. With
        // --loop it falls back to 0 after each pass; the timer takes the step back as a zero-length frame.
        system.SetTimeSource([&frame, &options] { return options.PresentationNanoseconds(frame); });
        system.Settings().timerFollowsActivation = false;
        // Frames are made on a fixed step, faster or slower than real time, so music could never match them;
        // a capture also must not depend on what the machine's audio stack does.
        system.Settings().music = false;
        // The statistics have the device's time per pass beside the CPU's.
        SystemClass::GetGraphics().SetGpuTiming(stats.has_value() && options.deviceTimer);
        system.Settings().exitDeadlineMs = RunSettings::kProgramExitDeadlineMs;
        if (options.width > 0)
        {
            system.Settings().screenWidth = options.width;
            system.Settings().screenHeight = options.height;
        }
        if (!options.choreographyFile.empty())
        {
            system.Settings().choreographyFile = options.choreographyFile;
        }
        if (options.until && !options.loop)
        {
            system.Settings().presentationSeconds = static_cast<float>(*options.until);
        }
        if (!options.DrawsEveryFrame())
        {
            system.Settings().drawsFrame = [&] { return moments.count(frame) > 0; };
        }
        system.Settings().beforePresent = [&] {
            const auto range = moments.equal_range(frame);
            if (options.every || options.stream || range.first != range.second)
            {
                D3DClass& d3d = *SystemClass::GetGraphics().GetD3D();
                const FrameImage image = reader.Read(d3d.GetSwapChain(), d3d.GetDevice(), d3d.GetDeviceContext());
                if (options.stream && !streamFailed)
                {
                    // The reader was told the size; a picture of another size would scramble everything after.
                    if (image.width != options.width || image.height != options.height)
                    {
                        std::cerr << "engine-capture: the picture is " << image.width << "x" << image.height
                                  << ", not the " << options.width << "x" << options.height
                                  << " asked for (the screen may be too small); stopping\n";
                        streamFailed = true;
                    }
                    else if (!StreamFrame(image, streamBuffer))
                    {
                        std::cerr << "engine-capture: standard output was closed; stopping\n";
                        streamFailed = true;
                    }
                    if (streamFailed)
                    {
                        PostQuitMessage(0);
                    }
                }
                if (options.every)
                {
                    writeFailed |= !image.WritePng((outDir / FrameFileName(frame)).string());
                }
                for (auto moment = range.first; moment != range.second; ++moment)
                {
                    writeFailed |= !image.WritePng((outDir / MomentFileName(moment->second)).string());
                    saved.insert(moment->second);
                }
            }
        };
        system.Settings().frameObserver = [&] {
            if (stats)
            {
                const GpuPassTimer* timer = SystemClass::GetGraphics().GetGpuTimer();
                stats->AddFrame(frame, options.TimeOfFrame(frame), system.GetFrameStats(),
                                timer ? std::optional(timer->CurrentFrame()) : std::nullopt);
                if (timer)
                {
                    stats->AddGpuTimes(timer->Reported());
                }
            }
            if (memory.IsOpen() && frame % options.MemorySampleInterval() == 0)
            {
                memory.Write(frame, options.TimeOfFrame(frame), SystemClass::GetGraphics().GetD3D()->GetDevice());
            }
            resizes = system.GetFrameCounts().resizes;
            const bool drewThisFrame = system.GetFrameCounts().rendered > drawn;
            if (drewThisFrame && submissionFile.is_open())
            {
                const SubmissionProfile::Frame& pass = SubmissionProfile::LastPass();
                submissionFile << frame << ',' << options.TimeOfFrame(frame) << ',' << pass.meshes << ',' << pass.passMs
                               << ',' << pass.walkMs;
                for (const double part : pass.partMs)
                {
                    submissionFile << ',' << part;
                }
                submissionFile << ',' << pass.timerMs << '\n';
            }
            if (drewThisFrame && drawn == 0)
            {
                startup = system.GetStartupStats().Describe();
                sinceFirstFrame = PhaseStopwatch();   // the estimate is about frames, not start-up
            }
            drawn = system.GetFrameCounts().rendered;
            ++frame;
            if (showsProgress && drewThisFrame)
            {
                if (const auto line =
                        progress.Update(static_cast<long long>(drawn), sinceFirstFrame.Milliseconds() / 1000.0))
                {
                    std::cerr << *line << std::flush;
                }
            }
            // A looping run never passes the end by time, nor does one that has drawn its last moment before
            // the end; it stops before the next frame, as the quit message is taken before that frame is ticked.
            if (options.StopsBefore(frame))
            {
                PostQuitMessage(0);
            }
        };
    });

    if (stats)
    {
        stats->Finish();
    }
    if (exitCode != 0)
    {
        return exitCode;
    }
    int missing = 0;
    for (const double seconds : options.at)
    {
        if (!saved.count(seconds))
        {
            std::cerr << "engine-capture: the presentation ended before " << seconds << " s\n";
            ++missing;
        }
    }
    std::cerr << "engine-capture: " << frame << " frames played, " << drawn << " drawn, " << resizes << " resizes\n";
    if (!startup.empty())
    {
        std::cerr << "engine-capture: " << startup << "\n";
    }
    if (stats)
    {
        std::cerr << "engine-capture: " << stats->Summary() << "\n";
    }
    if (options.stream && std::fflush(stdout) != 0)
    {
        streamFailed = true;
    }
    return (missing > 0 || writeFailed || streamFailed) ? SystemClass::kExitError : 0;
}
