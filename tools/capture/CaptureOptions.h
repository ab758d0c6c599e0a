// Command line of engine-capture.exe: which moments of the presentation to save, at what frame rate and size,
// where to, and whether to record per-frame statistics. Parsing only; nothing here runs the engine.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CaptureOptions
{
    int fps = 60;                       // fixed time step: 1 / fps seconds per frame
    std::vector<double> at;             // presentation times (s) whose frames are saved
    bool every = false;                 // save every frame
    std::optional<double> until;        // stop after this much presentation time; default: the presentation's end
    int width = 0;                      // 0: the options file decides
    int height = 0;
    std::string outDir = ".";
    std::string statsFile;              // empty: no statistics
    bool help = false;

    // The frame whose presentation time is nearest to `seconds`.
    long long FrameAt(double seconds) const;
    // Seconds of presentation time at the start of frame `frame`.
    double TimeOfFrame(long long frame) const { return static_cast<double>(frame) / fps; }
};

// Fills `options` from the arguments (without the program name). Returns an error message for an unknown
// option, a missing or malformed value, or an impossible combination; `options` is then unspecified.
std::optional<std::string> ParseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options);

// The --help text.
std::string CaptureUsage();
