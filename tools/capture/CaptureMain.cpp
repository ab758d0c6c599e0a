// engine-capture.exe: starts the presentation exactly as engine.exe does (same start-up, loop and frame), but
// drives the frame timer with a fixed step and saves pictures of the back buffer as PNG, optionally with a CSV
// of per-frame CPU timings and one of memory samples, or streams every frame to standard output for an encoder
// (tools/capture/video.sh, tools/render/render.sh). Window activation does not pause a capture, so the same
// arguments always give the same pictures. A picture may be drawn larger and averaged down (--supersample), be
// the mean of sub-frames (--motion-blur), show any moment (between two frames too), and a run may write a chunk
// of frames alone (--frames). Only what the pictures need is drawn; a long capture shows its progress.
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <io.h>

#include "app/EngineCommandLine.h"
#include "app/EngineVersion.h"
#include "app/FrameStats.h"
#include "app/MessageBox.h"
#include "app/SystemClass.h"
#include "app/guards/ExitReport.h"
#include "graphics/BackBufferReader.h"
#include "graphics/D3DClass.h"
#include "graphics/GpuPassTimer.h"
#include "scene/SubmissionProfile.h"
#include "tools/capture/BetweenFrames.h"
#include "tools/capture/CaptureOptions.h"
#include "tools/capture/CapturePlan.h"
#include "tools/capture/CaptureProgress.h"
#include "tools/capture/FrameStatsCsv.h"
#include "tools/capture/MemorySampler.h"
#include "tools/capture/PictureWriter.h"

namespace
{
constexpr int kExitUsage = 64;
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
    if (options.frameCount)
    {
        std::cout << options.RunFrameCount() << "\n";
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

    if (options.stream)
    {
        // Raw frames, byte for byte: no line-end translation on the way to the encoder.
        _setmode(_fileno(stdout), _O_BINARY);
    }
    const CapturePlan plan(options);
    PictureWriter writer(options, plan, outDir, stdout);
    long long frame = 0;
    // The pictures the drawing in progress goes into: the run's own drawing of a frame, or one between frames.
    std::vector<std::size_t> targets;
    CaptureProgress progress(plan.DrawingCount(), _isatty(_fileno(stderr)) != 0);
    const bool showsProgress = plan.ShowsProgress();
    PhaseStopwatch sinceFirstFrame;
    std::uint64_t drawn = 0;          // frames the run drew so far
    long long drawings = 0;           // every drawing so far, those between frames included
    unsigned long long resizes = 0;   // resizes that reached the scene (the window's size changed)
    std::string startup;              // the start-up split, complete after the first frame
    BackBufferReader reader;
    std::deque<std::vector<std::size_t>> copiedFor;   // the pictures of each copy the reader has started
    bool sizeFailed = false;

    // Nobody is there to click a dialog: messages go to standard error only.
    SetMessageBoxHandler([](const std::string&, const std::string&) {});

    const auto showProgress = [&] {
        ++drawings;
        if (drawings == 1)
        {
            sinceFirstFrame = PhaseStopwatch();   // the estimate is about drawings, not start-up
        }
        if (showsProgress)
        {
            if (const auto line = progress.Update(drawings, sinceFirstFrame.Milliseconds() / 1000.0))
            {
                std::cerr << *line << std::flush;
            }
        }
    };

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
            system.Settings().screenWidth = options.DrawnWidth();
            system.Settings().screenHeight = options.DrawnHeight();
            system.Settings().fixedPictureSize = true;
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
            system.Settings().drawsFrame = [&] { return !plan.PicturesDrawnBy(frame).empty(); };
        }
        // A drawing's copy is read while the next one is drawn: the oldest copy is taken before another starts.
        // The hooks below keep copies of this one; it refers only to what lives in main.
        const auto takeOldestCopy = [&reader, &copiedFor, &options, &sizeFailed, &writer] {
            D3DClass& d3d = *SystemClass::GetGraphics().GetD3D();
            FrameImage image;
            reader.TakeOldest(d3d.GetDeviceContext(), image);
            const std::vector<std::size_t> pictures = std::move(copiedFor.front());
            copiedFor.pop_front();
            if (options.width > 0 && (image.width != options.DrawnWidth() || image.height != options.DrawnHeight()))
            {
                std::cerr << "engine-capture: the picture is " << image.width << "x" << image.height << ", not the "
                          << options.DrawnWidth() << "x" << options.DrawnHeight() << " asked for; stopping\n";
                sizeFailed = true;
                PostQuitMessage(0);
                return;
            }
            for (std::size_t i = 0; i + 1 < pictures.size(); ++i)
            {
                writer.Add(pictures[i], image);
            }
            writer.Add(pictures.back(), std::move(image));
        };
        system.Settings().beforePresent = [&, takeOldestCopy] {
            if (targets.empty())
            {
                return;
            }
            if (reader.Waiting() == BackBufferReader::kSlots)
            {
                takeOldestCopy();
            }
            D3DClass& d3d = *SystemClass::GetGraphics().GetD3D();
            reader.Start(d3d.GetSwapChain(), d3d.GetDevice(), d3d.GetDeviceContext());
            copiedFor.push_back(targets);
        };
        system.Settings().afterLoop = [&reader, takeOldestCopy] {
            while (reader.Waiting() > 0)
            {
                takeOldestCopy();
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
            }
            drawn = system.GetFrameCounts().rendered;
            if (drewThisFrame)
            {
                showProgress();
            }
            // The drawings this frame's state leads to: moments between it and the next, and sub-frames.
            for (const CapturePlan::Drawing& drawing : plan.DrawingsAfter(frame))
            {
                targets = {drawing.picture};
                BetweenFrames::Draw(system, options, frame, drawing.path);
                showProgress();
            }
            ++frame;
            targets = plan.PicturesDrawnBy(frame);
            // A looping run never passes the end by time, nor does one that has drawn its last picture before
            // the end; it stops before the next frame, as the quit message is taken before that frame is ticked.
            if (plan.StopsBefore(frame) || writer.StreamFailed())
            {
                PostQuitMessage(0);
            }
        };
        targets = plan.PicturesDrawnBy(0);
    });
    writer.Finish();

    if (stats)
    {
        stats->Finish();
    }
    if (exitCode != 0)
    {
        return exitCode;
    }
    int missing = 0;
    const std::set<double> saved = writer.SavedMoments();
    for (const double seconds : options.at)
    {
        if (!saved.count(seconds))
        {
            std::cerr << "engine-capture: the presentation ended before " << seconds << " s\n";
            ++missing;
        }
    }
    const long long unwritten = static_cast<long long>(plan.Pictures().size()) - writer.FinishedCount();
    if (missing == 0 && unwritten > 0)
    {
        std::cerr << "engine-capture: " << unwritten << " pictures were not finished\n";
    }
    std::cerr << "engine-capture: " << frame << " frames played, " << drawn << " drawn, " << drawings << " drawings, "
              << resizes << " resizes\n";
    if (!startup.empty())
    {
        std::cerr << "engine-capture: " << startup << "\n";
    }
    if (stats)
    {
        std::cerr << "engine-capture: " << stats->Summary() << "\n";
    }
    bool streamFailed = writer.StreamFailed();
    if (options.stream && std::fflush(stdout) != 0)
    {
        streamFailed = true;
    }
    return (missing > 0 || unwritten > 0 || writer.Failed() || streamFailed || sizeFailed) ? SystemClass::kExitError
                                                                                           : 0;
}
