// Command line of baseline.exe: how many frames to draw, on which time step, from which world, and where to
// write the figures. Parsing only; nothing here opens a window or a device.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct BaselineOptions
{
    int frames = 600;     // frames drawn at full speed after start-up
    int fps = 60;         // presentation time advances 1/fps s per frame, as in engine-capture
    double start = 0.0;   // presentation time (s) of the first frame
    std::string worldFile = "World1.xml";
    std::string csvFile;     // empty: no summary file
    std::string statsFile;   // empty: no per-frame file
    std::string pngFile;     // empty: the last frame is not saved
    bool help = false;
};

// Fills `options` from the arguments (without the program name). Returns a message for an unknown option or a
// missing or malformed value; `options` is then unspecified.
std::optional<std::string> ParseBaselineOptions(const std::vector<std::string>& args, BaselineOptions& options);

// The --help text.
std::string BaselineUsage();
