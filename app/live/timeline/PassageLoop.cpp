// Looping a passage: see PassageLoop.h.
#include "app/live/timeline/PassageLoop.h"

#include <algorithm>

std::optional<double> PassageLoop::WrapTarget(const std::optional<Choreography::Loop>& loop, double before, double now,
                                              double endSeconds) const
{
    if (!m_on || !loop)
    {
        return std::nullopt;
    }
    const double in = std::max(0.0, static_cast<double>(loop->in));
    const double out = std::min(static_cast<double>(loop->out), endSeconds);
    if (!(in < out) || !(before < out) || !(now >= out))
    {
        return std::nullopt;
    }
    return in;
}
