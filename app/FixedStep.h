// The fixed time step on which the capture tool plays the presentation and the seek controls replay it: frame n
// starts at exactly n / fps seconds, computed from n rather than accumulated, so both land on the same times to
// the nanosecond. Portable and header-only.
#pragma once

#include <cmath>

struct FixedStep
{
    // The capture tool's default rate, and the one every seek replays at.
    static constexpr int kDefaultFps = 60;

    int fps = kDefaultFps;

    // The frame whose start is nearest to `seconds`.
    long long FrameAt(double seconds) const { return std::llround(seconds * fps); }
    // The start of frame `frame`, in nanoseconds since the presentation began.
    long long Nanoseconds(long long frame) const { return frame * 1'000'000'000LL / fps; }
    // The same, in seconds.
    double Seconds(long long frame) const { return static_cast<double>(frame) / fps; }
};
