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
    std::string statsFile;          // empty: no statistics
    bool deviceTimer = true;        // with statsFile: the device's time per pass too (--no-device-timer: not)
    std::string submissionFile;     // empty: the mesh pass's submission is not split into its parts
    bool loop = false;              // the timeline starts again from 0 s after every presentation length
    std::string memoryFile;         // empty: no memory samples
    int memoryEvery = 0;            // frames between memory samples; 0: once per second (fps frames)
    std::string choreographyFile;   // empty: the compiled-in choreography
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
    // Whether frame `frame` lies past --until.
    bool PastUntil(long long frame) const;
    // Frames between memory samples.
    int MemorySampleInterval() const { return memoryEvery > 0 ? memoryEvery : fps; }
    // Whether the run draws every frame: it saves or streams them all, writes what drawing them costs (--stats,
    // and --memory or --loop, the soak, which measures the renderer), or saves no moment at all (a play-through,
    // timed from outside). Otherwise it draws the moments' frames alone and plays the frames between them
    // without drawing, as engine.exe's seek replays them; the pictures are the same, byte for byte.
    bool DrawsEveryFrame() const;
    // The frames of the moments asked for, each once, in order.
    std::vector<long long> MomentFrames() const;
    // Whether the run stops before frame `frame` although the presentation goes on: with --loop, past --until;
    // when it draws the moments alone and no --until asks for more, past the last moment.
    bool StopsBefore(long long frame) const;
    // How many frames the run plays, drawn or not: from 0 s up to the end (--until, the presentation's 58 s, or
    // the last moment), the one at the end included, compared the way the program compares them.
    long long FrameCount() const;
    // How many of those it draws.
    long long DrawnFrameCount() const;
    // Whether the run shows a progress line (of the frames it draws): it saves or streams every frame, draws
    // every frame over more than kProgressSeconds of presentation time, or more than kProgressMoments moments.
    bool ShowsProgress() const;
    static constexpr double kProgressSeconds = 10.0;
    static constexpr long long kProgressMoments = 10;
    // The step the frames are made on; a seek in engine.exe replays on the default one.
    FixedStep Step() const { return FixedStep{fps}; }
};

// Fills `options` from the arguments (without the program name). Returns an error message for an unknown
// option, a missing or malformed value, or an impossible combination; `options` is then unspecified.
std::optional<std::string> ParseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options);

// The --help text.
std::string CaptureUsage();
