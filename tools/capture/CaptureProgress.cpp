// Capture progress: see CaptureProgress.h.
#include "tools/capture/CaptureProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::optional<std::string> CaptureProgress::Update(long long done, double wallSeconds)
{
    done = std::clamp(done, 0LL, m_total);
    const bool last = done == m_total;
    // The frames after the first took `wallSeconds`; with none of them there is nothing to estimate from.
    const double left =
        done > 1 ? wallSeconds / static_cast<double>(done - 1) * static_cast<double>(m_total - done) : -1.0;
    if (m_terminal)
    {
        if (!last && m_lastShown >= 0.0 && wallSeconds - m_lastShown < kTerminalInterval)
        {
            return std::nullopt;
        }
        m_lastShown = wallSeconds;
        // Padded, so that a shorter line covers what a longer one left.
        return "\r" + Line(done, m_total, left) + (last ? "\n" : "   ");
    }
    const int tenth = static_cast<int>(done * 10 / m_total);
    if (tenth <= m_lastTenth && !(last && m_lastTenth < 10))
    {
        return std::nullopt;
    }
    m_lastTenth = tenth;
    return Line(done, m_total, left) + "\n";
}

std::string CaptureProgress::Line(long long done, long long total, double secondsLeft)
{
    char left[32] = "--:--";
    if (secondsLeft >= 0.0 && std::isfinite(secondsLeft))
    {
        const long long seconds = std::llround(secondsLeft);
        if (seconds >= 3600)
        {
            std::snprintf(left, sizeof left, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
        }
        else
        {
            std::snprintf(left, sizeof left, "%lld:%02lld", seconds / 60, seconds % 60);
        }
    }
    char line[128];
    std::snprintf(line, sizeof line, "engine-capture: frame %lld/%lld (%lld%%), %s left", done, total,
                  total > 0 ? done * 100 / total : 0LL, left);
    return line;
}
