// What a capture draws, and when: the pictures it writes (moments, or frames), each the mean of one drawing or
// of its motion blur's sub-frames, and for every drawing the frame of the fixed step it is drawn from. A drawing
// at a frame's own moment is the run's drawing of that frame; any other (a moment between frames, a sub-frame)
// is drawn after the frame its path leaves the step at (FixedStep::PathTo), by moving the timeline on to it and
// back. So the run plays the frames once, in order, and stops after the last one a drawing needs. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/FixedStep.h"
#include "tools/capture/CaptureOptions.h"

class CapturePlan
{
public:
    struct Picture
    {
        std::optional<double> moment;   // --at: the seconds asked for, which name its file
        long long frame = -1;           // --every, --stream: its frame number
        std::int64_t nanoseconds = 0;   // the moment it shows (the middle of its shutter)
        int samples = 1;                // drawings averaged into it
    };
    struct Drawing
    {
        std::size_t picture = 0;
        FixedStep::Path path;
    };

    explicit CapturePlan(const CaptureOptions& options);

    // In the order they are written: moments as asked, frames in order. A moment past the run's end is left
    // out; MissingMoments() names it.
    const std::vector<Picture>& Pictures() const { return m_pictures; }
    const std::vector<double>& MissingMoments() const { return m_missing; }

    // The pictures that the run's own drawing of `frame` goes into (empty: no picture needs it).
    std::vector<std::size_t> PicturesDrawnBy(long long frame) const;
    // The drawings made from the state `frame` leaves, in order.
    std::vector<Drawing> DrawingsAfter(long long frame) const;

    // The last frame any drawing needs; -1 when there is none.
    long long LastFrame() const { return m_lastFrame; }
    // Whether the run stops before `frame` although the presentation goes on: with --loop past --until; for
    // moments alone with no --until asking for more, or for --frames, past the last frame a drawing needs.
    bool StopsBefore(long long frame) const;
    // How many frames the run plays, drawn or not.
    long long PlayedFrameCount() const;
    // How many drawings it makes: frames the run draws, and the drawings between them.
    long long DrawingCount() const;
    // Whether it shows a progress line: it writes every frame, draws every frame over more than
    // kProgressSeconds of presentation time, or makes more than kProgressMoments drawings of its own.
    bool ShowsProgress() const;

private:
    void Add(Picture picture);

    const CaptureOptions& m_options;
    std::vector<Picture> m_pictures;
    std::vector<double> m_missing;
    // Sorted by frame: the run's own drawings (picture by frame) and the drawings after a frame.
    std::vector<std::pair<long long, std::size_t>> m_onFrame;
    std::vector<std::pair<long long, Drawing>> m_afterFrame;
    long long m_lastFrame = -1;
};
