// When a start of the music's track really happened: see MusicStartCheck.h.
#include "app/MusicStartCheck.h"

#include <algorithm>
#include <cmath>
#include <vector>

double MusicStartCheck::ExpectedDelay() const
{
    if (m_delays.empty())
    {
        return 0.0;
    }
    std::vector<double> sorted(m_delays.begin(), m_delays.end());
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    const double median = n % 2 == 1 ? sorted[n / 2] : 0.5 * (sorted[n / 2 - 1] + sorted[n / 2]);
    return std::clamp(median, 0.0, kLongestDelaySeconds);
}

void MusicStartCheck::Sent(double sentAt, double fromSeconds, double askedDelay, bool again)
{
    m_attempts = again ? m_attempts + 1 : 1;
    m_sentAt = sentAt;
    m_from = fromSeconds;
    m_askedDelay = askedDelay;
    m_watching = true;
    m_lastDelay.reset();
    m_lastMiss = 0.0;
}

MusicStartCheck::Verdict MusicStartCheck::Read(double before, double after, double positionSeconds)
{
    if (!m_watching)
    {
        return Verdict::Kept;
    }
    // The position is whole milliseconds, so a track that stands reads exactly the place asked; half a
    // millisecond past it, it has moved.
    if (positionSeconds < m_from + 0.0005)
    {
        if (after - m_sentAt > kWatchedSeconds)
        {
            m_watching = false;
            return Verdict::NeverMoved;
        }
        return Verdict::Waiting;
    }
    m_watching = false;
    // The answer was made between the asking and the answer; from then the position has run with the wall clock
    // since the track moved.
    const double movedAt = 0.5 * (before + after) - (positionSeconds - m_from);
    const double delay = movedAt - m_sentAt;
    m_lastDelay = delay;
    m_lastMiss = delay - m_askedDelay;
    m_delays.push_back(std::clamp(delay, 0.0, kLongestDelaySeconds));
    while (m_delays.size() > kRemembered)
    {
        m_delays.pop_front();
    }
    if (std::abs(m_lastMiss) <= kToleranceSeconds)
    {
        return Verdict::OnTime;
    }
    return m_attempts < kMostAttempts ? Verdict::Again : Verdict::Kept;
}
