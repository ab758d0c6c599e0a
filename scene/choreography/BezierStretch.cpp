// BezierStretch: the value at a time is found by solving the curve's time for the parameter, Newton's method
// from the linear guess kept inside a bracket that bisection narrows whenever a Newton step would leave it. With
// handles inside the stretch the time only grows along the curve, so the bracket always holds the one answer.
#include "scene/choreography/BezierStretch.h"

#include <algorithm>
#include <cmath>

using Handle = Choreography::Handle;

Handle BezierStretch::OutHandle(const Choreography::Key& from, const Choreography::Key& to)
{
    return from.out.value_or(Handle{(to.time - from.time) / 3.0f, 0.0f});
}

Handle BezierStretch::InHandle(const Choreography::Key& from, const Choreography::Key& to)
{
    return to.in.value_or(Handle{-(to.time - from.time) / 3.0f, 0.0f});
}

Handle BezierStretch::ClampedOut(Handle out, float span)
{
    out.dt = std::clamp(out.dt, 0.0f, std::max(span, 0.0f));
    return out;
}

Handle BezierStretch::ClampedIn(Handle in, float span)
{
    in.dt = std::clamp(in.dt, -std::max(span, 0.0f), 0.0f);
    return in;
}

BezierStretch::BezierStretch(const Choreography::Key& from, const Choreography::Key& to)
    : m_time0(from.time), m_value0(from.value), m_span(static_cast<double>(to.time) - from.time),
      m_smooth(!from.out && !to.in), m_valueSpan(static_cast<double>(to.value) - from.value)
{
    // Control points relative to the first key: (0, 0), (a, p), (b, q), (span, valueSpan).
    const double a = m_smooth ? m_span / 3.0 : OutHandle(from, to).dt;
    const double p = m_smooth ? 0.0 : OutHandle(from, to).dv;
    const Handle in = InHandle(from, to);
    const double b = m_smooth ? m_span * 2.0 / 3.0 : m_span + in.dt;
    const double q = m_smooth ? m_valueSpan : m_valueSpan + in.dv;
    m_time1 = 3.0 * a;
    m_time2 = 3.0 * b - 6.0 * a;
    m_time3 = m_span - 3.0 * b + 3.0 * a;
    m_value1 = 3.0 * p;
    m_value2 = 3.0 * q - 6.0 * p;
    m_value3 = m_valueSpan - 3.0 * q + 3.0 * p;
}

double BezierStretch::TimeAt(double s) const
{
    return m_time0 + ((m_time3 * s + m_time2) * s + m_time1) * s;
}

double BezierStretch::ValueAt(double s) const
{
    return m_value0 + ((m_value3 * s + m_value2) * s + m_value1) * s;
}

double BezierStretch::ParameterAt(double t) const
{
    const double local = t - m_time0;
    if (!(m_span > 0.0) || local >= m_span)
    {
        return local >= 0.0 ? 1.0 : 0.0;
    }
    if (local <= 0.0)
    {
        return 0.0;
    }
    const double guess = local / m_span;
    if (m_smooth)
    {
        return guess;
    }
    double low = 0.0;
    double high = 1.0;
    double s = guess;
    // Bisection alone halves the bracket 64 times, far below a double's step; Newton usually ends it in three.
    for (int step = 0; step < 64; ++step)
    {
        const double error = ((m_time3 * s + m_time2) * s + m_time1) * s - local;
        if (std::fabs(error) <= kTimeTolerance)
        {
            break;
        }
        (error > 0.0 ? high : low) = s;
        const double slope = (3.0 * m_time3 * s + 2.0 * m_time2) * s + m_time1;
        const double newton = slope > 0.0 ? s - error / slope : -1.0;
        s = newton > low && newton < high ? newton : 0.5 * (low + high);
        if (high - low <= 0.0)
        {
            break;
        }
    }
    return s;
}

double BezierStretch::ValueAtTime(double t) const
{
    if (m_smooth)
    {
        // Exactly Smooth's arithmetic (Choreography::Track::ValueAt).
        const double u = m_span > 0.0 ? std::clamp((t - m_time0) / m_span, 0.0, 1.0) : 1.0;
        return m_value0 + m_valueSpan * (u * u * (3.0 - 2.0 * u));
    }
    return ValueAt(ParameterAt(t));
}
