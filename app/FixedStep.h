// The fixed time step on which the capture tool plays the presentation and the seek controls replay it: frame n
// starts at exactly n / fps seconds, computed from n rather than accumulated, so both land on the same times to
// the nanosecond. A moment between two frames is reached by the same steps and one shorter one (PathTo), so that
// a capture and a seek show any moment, not only the frames' own. Portable and header-only.
#pragma once

#include <cmath>
#include <cstdint>

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

    // The last frame that starts at or before `nanoseconds` (0 for anything before the start). Nanoseconds()
    // rounds down, so this is the largest n with n * 1e9 / fps < nanoseconds + 1.
    long long FrameAtOrBefore(std::int64_t nanoseconds) const
    {
        return nanoseconds <= 0 ? 0 : ((nanoseconds + 1) * fps - 1) / 1'000'000'000LL;
    }
    // Whether a frame starts exactly at `nanoseconds`.
    bool OnGrid(std::int64_t nanoseconds) const
    {
        return nanoseconds >= 0 && Nanoseconds(FrameAtOrBefore(nanoseconds)) == nanoseconds;
    }

    // How the clock reaches a moment: the frames 0 to `lastFrame` on the step, then the clock readings of up to
    // two more updates, the last of which is the moment itself.
    struct Path
    {
        long long lastFrame = 0;
        std::int64_t readings[2] = {0, 0};
        int readingCount = 0;
    };

    // The path to `nanoseconds`. A frame's own moment is reached by the frames alone, exactly as a run that
    // plays every frame reaches it. Any other moment is reached by the frames up to one step before it, a
    // shorter step to that point, and a last whole step: a move made in an update shows in the frame after it,
    // so every picture has its actors where the update one step earlier put them, and a moment between frames
    // keeps that lag exactly as a frame does (an actor riding with the camera stays put beside it). Before the
    // first whole step the last step starts at frame 0.
    Path PathTo(std::int64_t nanoseconds) const
    {
        Path path;
        if (nanoseconds <= 0 || OnGrid(nanoseconds))
        {
            path.lastFrame = FrameAtOrBefore(nanoseconds);
            return path;
        }
        const std::int64_t lead = nanoseconds - Nanoseconds(1);
        path.lastFrame = FrameAtOrBefore(lead);
        if (lead > 0 && !OnGrid(lead))
        {
            path.readings[path.readingCount++] = lead;
        }
        path.readings[path.readingCount++] = nanoseconds;
        return path;
    }
};
