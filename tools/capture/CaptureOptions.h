// Command line of engine-capture.exe: which moments of the presentation to save, at what frame rate and size,
// where to, and whether to record per-frame statistics. Parsing only; nothing here runs the engine.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/FixedStep.h"

struct CaptureOptions
{
    int fps = FixedStep::kDefaultFps;   // fixed time step: 1 / fps seconds per frame
    std::vector<double> at;             // presentation times (s) whose frames are saved
    bool every = false;                 // save every frame
    bool stream = false;                // write every frame as raw RGB to standard output (for an encoder)
    std::optional<double> until;        // stop after this much presentation time; default: the presentation's end
    int width = 0;                      // 0: the options file decides
    int height = 0;
    std::string outDir = ".";
    std::string statsFile;              // empty: no statistics
    bool loop = false;                  // the timeline starts again from 0 s after every presentation length
    std::string memoryFile;             // empty: no memory samples
    int memoryEvery = 0;                // frames between memory samples; 0: once per second (fps frames)
    bool help = false;
    bool version = false;

    // Length of one pass of the presentation, which --loop repeats.
    static constexpr long long kPresentationNanoseconds = 58'000'000'000LL;

    // The frame whose presentation time is nearest to `seconds`.
    long long FrameAt(double seconds) const;
    // Seconds of presentation time at the start of frame `frame`.
    double TimeOfFrame(long long frame) const { return Step().Seconds(frame); }
    // Run time at the start of frame `frame` in nanoseconds, computed exactly rather than accumulated.
    long long RunNanoseconds(long long frame) const { return Step().Nanoseconds(frame); }
    // The time the frame timer is given for frame `frame`: the run time, or with --loop its place in the pass.
    long long PresentationNanoseconds(long long frame) const;
    // With --loop: whether frame `frame` lies past --until, so the run must stop before it.
    bool PastUntil(long long frame) const;
    // Frames between memory samples.
    int MemorySampleInterval() const { return memoryEvery > 0 ? memoryEvery : fps; }
    // How many frames the run draws: every frame whose time is within --until (or the presentation's 58 s),
    // the first at 0 s and the one at the end included, compared the way the program compares them.
    long long FrameCount() const;
    // Whether the run shows a progress line: it saves or streams every frame, or plays more than
    // kProgressSeconds of presentation time.
    bool ShowsProgress() const;
    static constexpr double kProgressSeconds = 10.0;
    // The step the frames are made on; a seek in engine.exe replays on the default one.
    FixedStep Step() const { return FixedStep{fps}; }
};

// Fills `options` from the arguments (without the program name). Returns an error message for an unknown
// option, a missing or malformed value, or an impossible combination; `options` is then unspecified.
std::optional<std::string> ParseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options);

// The --help text.
std::string CaptureUsage();
