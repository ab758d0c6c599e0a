// Command line of engine-capture.exe: which moments of the presentation to save, at what frame rate and size,
// where to, and whether to record per-frame statistics. Parsing only; nothing here runs the engine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
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
    int supersample = 1;            // each picture drawn N x N times larger and averaged down in linear light
    int motionBlur = 0;             // sub-frames averaged into each picture; 0: none
    double shutter = 0.5;           // with motionBlur: how much of a frame the sub-frames span
    std::optional<std::pair<long long, long long>> frames;   // --frames A-B: those frames alone, both included
    bool frameCount = false;                                 // print how many frames the run writes, and stop
    bool help = false;
    bool version = false;

    // Length of one pass of the presentation, which --loop repeats.
    static constexpr long long kPresentationNanoseconds = 58'000'000'000LL;
    // The largest side of a texture at the device's feature level, 11_0 (D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION):
    // the picture, supersampled, is one.
    static constexpr int kLargestTexture = 16384;
    static constexpr int kLargestSupersample = 4;
    static constexpr int kLargestMotionBlur = 64;

    // The frame whose presentation time is nearest to `seconds`.
    long long FrameAt(double seconds) const;
    // A moment in seconds as the clock counts it, in whole nanoseconds.
    static std::int64_t Nanoseconds(double seconds);
    // The time the frame timer is given for a run time of `nanoseconds`: itself, or with --loop its place in
    // the pass.
    std::int64_t PresentationNanosecondsAt(std::int64_t nanoseconds) const;
    // Where the run ends, in seconds: --until, or the presentation's end.
    double EndSeconds() const;
    // Drawings averaged into one picture (sub-frames).
    int Samples() const { return motionBlur > 0 ? motionBlur : 1; }
    // How far sub-frame `sample` of a picture lies from the picture's moment, in nanoseconds.
    std::int64_t SampleOffset(int sample) const;
    // The size drawn: the picture's, supersampled (0 when the options file decides).
    int DrawnWidth() const { return width * supersample; }
    int DrawnHeight() const { return height * supersample; }
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
    // Whether the run draws every frame: it writes what drawing them costs (--stats, and --memory or --loop,
    // the soak, which measures the renderer), saves or streams them all unblurred, or saves no moment at all (a
    // play-through, timed from outside). Otherwise it draws only what its pictures need and plays the frames
    // between without drawing, as engine.exe's seek replays them; the pictures are the same, byte for byte.
    bool DrawsEveryFrame() const;
    // How many frames a whole run plays, drawn or not: from 0 s up to the end (--until or the presentation's
    // 58 s), the one at the end included, compared the way the program compares them. --every and --stream
    // write these frames; a run of moments alone, or of --frames, stops earlier (CapturePlan).
    long long RunFrameCount() const;
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
