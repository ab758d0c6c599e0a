// The timeline panel's time axis: see TimeAxis.h.
#include "app/live/timeline/TimeAxis.h"

#include <algorithm>
#include <cmath>

TimeAxis::TimeAxis(float left, float width, double fromSeconds, double untilSeconds)
    : m_left(left), m_width(std::max(1.0f, width)), m_from(fromSeconds),
      m_until(untilSeconds > fromSeconds ? untilSeconds : fromSeconds + 1.0)
{
}

float TimeAxis::X(double seconds) const
{
    return m_left + static_cast<float>(std::clamp((seconds - m_from) / (m_until - m_from), 0.0, 1.0)) * m_width;
}

double TimeAxis::Seconds(float x) const
{
    return m_from + std::clamp(static_cast<double>((x - m_left) / m_width), 0.0, 1.0) * (m_until - m_from);
}

float TimeAxis::Pixels(double seconds) const
{
    return static_cast<float>(seconds / (m_until - m_from)) * m_width;
}

std::pair<long long, long long> TimeAxis::BeatsShown(float beatSeconds) const
{
    if (!(beatSeconds > 0.0f))
    {
        return {0, -1};
    }
    // A grid is drawn only where it is a few pixels apart, so the count stays near the strip's pixels; the
    // bounds are only there for a span or a beat that no screen shows.
    constexpr double kMostBeats = 1e9;
    const double beat = beatSeconds;
    const double first = std::clamp(std::ceil(m_from / beat), -kMostBeats, kMostBeats);
    const double last = std::clamp(std::floor(m_until / beat), -kMostBeats, kMostBeats);
    return {static_cast<long long>(first), static_cast<long long>(last)};
}

TimeAxis::BarAndBeat TimeAxis::At(double seconds, float beatSeconds)
{
    if (!(beatSeconds > 0.0f))
    {
        return {};
    }
    const double bar = static_cast<double>(beatSeconds * static_cast<float>(kBeatsPerBar));
    const double barAt = std::floor(seconds / bar);
    return {barAt, std::floor((seconds - barAt * bar) / beatSeconds)};
}
