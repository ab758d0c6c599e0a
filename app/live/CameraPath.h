// Where the choreography takes the camera over a span of time, as a line to draw over the view: the camera's
// position played frame by frame on the seek's fixed step (the travelling value, the camera segments and the
// camera's x, y and z tracks, as a frame plays them, without the world), a tick on every beat and a mark at every
// key of the camera's position tracks; the path projected into the picture of a camera, and a mark dragged on
// the view plane. Portable: it reads the choreography and the camera as numbers and draws nothing.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "app/FixedStep.h"
#include "app/live/ActorPicker.h"
#include "scene/Vector3.h"
#include "scene/choreography/Choreography.h"

class CameraPath
{
public:
    // Where the presentation's camera stands before its first frame places it.
    static constexpr Vector3 kStartPosition{0.0f, 2.0f, 0.0f};
    // A grid finer than this many ticks in the span draws as a smear: then there are none.
    static constexpr std::size_t kMostTicks = 4096;

    struct Sample
    {
        float time = 0.0f;
        Vector3 position;
        // The camera jumped to it from the sample before (a travelling value wrapped, a segment began or ended, a
        // track jumped, or took over from the segments or handed back to them elsewhere than where they stand):
        // the line breaks there.
        bool jumpedTo = false;
    };
    // Where a key of the camera's position tracks puts the camera: the keys at one time in the x, y and z tracks
    // make one mark, the camera's position there.
    struct Mark
    {
        float time = 0.0f;
        Vector3 position;
        // Per coordinate (x, y, z): the track and the key there that sets it; none where no key stands at this time
        // (the last key at the time, the one that plays, when two make a jump).
        std::array<std::optional<std::pair<std::size_t, std::size_t>>, 3> keys;
    };

    // The path of `choreography` from `from` to `until` seconds (both included), played on `step` from 0.
    static CameraPath Of(const Choreography& choreography, double from, double until, FixedStep step = {});

    // In time order: every frame of the step within the span, the span's ends, the beats and the marks' times.
    const std::vector<Sample>& Line() const { return m_line; }
    // The camera's position on every beat of the span (by the choreography's beat; none without a usable one).
    const std::vector<Sample>& Ticks() const { return m_ticks; }
    const std::vector<Mark>& Marks() const { return m_marks; }

    // A point of the picture in pixels, from its top left corner.
    struct Pixel
    {
        float x = 0.0f;
        float y = 0.0f;
    };
    // Where `point` shows in a picture of `width` x `height` pixels seen through `eye`; none when it lies behind
    // the camera or on its near plane.
    static std::optional<Pixel> Project(const ActorPicker::Eye& eye, const Vector3& point, float width, float height);
    // The line as drawn: runs of pixels, broken where the camera jumps and where it passes behind the eye.
    std::vector<std::vector<Pixel>> ProjectLine(const ActorPicker::Eye& eye, float width, float height) const;
    // The mark nearest to `pointer` within `radius` pixels; none when none is that close.
    std::optional<std::size_t> MarkAt(const ActorPicker::Eye& eye, float width, float height, Pixel pointer,
                                      float radius) const;

    // Dragging a mark: the point under `pointer` on the view plane through `anchor` (the plane facing the camera
    // at the anchor's depth), so that a dragged mark stays under the pointer and keeps its distance ahead; none
    // when the pointer's ray runs along or away from the plane.
    static std::optional<Vector3> OnViewPlane(const ActorPicker::Eye& eye, const Vector3& anchor, float width,
                                              float height, Pixel pointer);
    // `mark`'s keys take the coordinates of `point`: what a drag writes. False, changing nothing, when the
    // choreography no longer has those keys at the mark's time (an edit elsewhere moved them).
    static bool MoveMark(Choreography& choreography, const Mark& mark, const Vector3& point);

private:
    std::vector<Sample> m_line;
    std::vector<Sample> m_ticks;
    std::vector<Mark> m_marks;
};
