// The stretch between two keys when the first is a Bezier key: a cubic Bézier curve in (time, value) from one
// key to the next, through the first key's `out` handle and the second key's `in` handle. A missing handle is a
// third of the stretch in time, flat, so a Bezier key without handles plays as Smooth does. It knows nothing of
// files or tracks; a handle whose time leaves the stretch is Validate's to refuse and the editor's to clamp.
#pragma once

#include "scene/choreography/Choreography.h"

class BezierStretch
{
public:
    // How closely the curve's time is solved for the moment asked: far finer than a frame or a sample.
    static constexpr double kTimeTolerance = 1e-9;

    BezierStretch(const Choreography::Key& from, const Choreography::Key& to);

    // The handles as the curve uses them: the keys' own, or a third of the stretch flat.
    static Choreography::Handle OutHandle(const Choreography::Key& from, const Choreography::Key& to);
    static Choreography::Handle InHandle(const Choreography::Key& from, const Choreography::Key& to);
    // The handle with its time brought back within the stretch, so that the curve never runs back in time.
    static Choreography::Handle ClampedOut(Choreography::Handle out, float span);
    static Choreography::Handle ClampedIn(Choreography::Handle in, float span);

    // The curve's parameter (0 to 1) at which its time is `t`, found to kTimeTolerance; 0 before the stretch,
    // 1 after it.
    double ParameterAt(double t) const;
    // The curve's time and value at parameter `s`.
    double TimeAt(double s) const;
    double ValueAt(double s) const;
    // The value at time `t`: ValueAt(ParameterAt(t)).
    double ValueAtTime(double t) const;

private:
    double m_time0;
    double m_value0;
    double m_span;
    // The curve relative to the first key, as polynomials in s: time = ((c3 s + c2) s + c1) s, likewise value.
    double m_time1, m_time2, m_time3;
    double m_value1, m_value2, m_value3;
    // Without handles, the time is linear in s and the value the smoothstep: computed as Smooth computes them,
    // so that the two play bit for bit alike.
    bool m_smooth;
    double m_valueSpan;
};
