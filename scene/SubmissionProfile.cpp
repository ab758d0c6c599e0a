// SubmissionProfile: the pass's clock against its tick counts, and the timer's own cost taken out of the figures.
#include "scene/SubmissionProfile.h"

#include <algorithm>
#include <chrono>

namespace
{
SubmissionProfile::Frame g_last;

std::int64_t Nanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}

void SubmissionProfile::Enable(bool enabled)
{
    s_enabled = enabled;
    s_measuring = false;
    if (!enabled || s_timerTicksPerScope > 0.0)
    {
        return;
    }
    // An empty scope's whole cost, less what it counts inside itself: that share lands in the enclosing pass
    // (the walk), the counted share in the part. Best of a few rounds, so that a neighbour's burst does not
    // inflate it.
    constexpr int kScopes = 4096;
    double best = 0.0;
    double bestInside = 0.0;
    for (int round = 0; round < 8; ++round)
    {
        s_ticks = {};
        s_counts = {};
        s_measuring = true;
        const std::uint64_t start = __rdtsc();
        for (int i = 0; i < kScopes; ++i)
        {
            const Scope scope(Draws);
        }
        const std::uint64_t whole = __rdtsc() - start;
        s_measuring = false;
        const double perScope = static_cast<double>(whole) / kScopes;
        if (round == 0 || perScope < best)
        {
            best = perScope;
            bestInside = static_cast<double>(s_ticks[Draws]) / kScopes;
        }
    }
    s_ticks = {};
    s_counts = {};
    s_timerTicksPerScope = best;
    s_timerTicksInside = std::min(bestInside, best);
}

void SubmissionProfile::BeginPass()
{
    if (!s_enabled)
    {
        return;
    }
    s_ticks = {};
    s_counts = {};
    s_passStartNs = Nanoseconds();
    s_passStartTicks = __rdtsc();
    s_measuring = true;
}

void SubmissionProfile::EndPass()
{
    if (!s_measuring)
    {
        return;
    }
    s_measuring = false;
    const std::uint64_t passTicks = __rdtsc() - s_passStartTicks;
    const double passMs = static_cast<double>(Nanoseconds() - s_passStartNs) / 1e6;
    g_last = Resolve(passMs, passTicks, s_ticks, s_counts, s_timerTicksPerScope, s_timerTicksInside);
}

const SubmissionProfile::Frame& SubmissionProfile::LastPass()
{
    return g_last;
}

SubmissionProfile::Frame SubmissionProfile::Resolve(double passMs, std::uint64_t passTicks,
                                                    const std::array<std::uint64_t, kTimedParts>& ticks,
                                                    const std::array<std::uint64_t, kTimedParts>& counts,
                                                    double timerTicksPerScope, double timerTicksInside)
{
    Frame frame;
    frame.meshes = counts[Draws];
    frame.passMs = passMs;
    if (passTicks == 0)
    {
        return frame;
    }
    const double msPerTick = passMs / static_cast<double>(passTicks);
    // Each scope costs timerTicksPerScope in all, timerTicksInside of it counted in its part and the rest in
    // the pass around it: both shares are taken out, the part's from the part and the rest from the walk.
    double timed = 0.0;
    double outside = 0.0;
    double whole = 0.0;
    for (int part = 0; part < kTimedParts; ++part)
    {
        const double scopes = static_cast<double>(counts[part]);
        const double own = std::max(0.0, static_cast<double>(ticks[part]) - timerTicksInside * scopes);
        frame.partMs[part] = own * msPerTick;
        timed += static_cast<double>(ticks[part]);
        outside += (timerTicksPerScope - timerTicksInside) * scopes;
        whole += timerTicksPerScope * scopes;
    }
    frame.walkMs = std::max(0.0, static_cast<double>(passTicks) - timed - outside) * msPerTick;
    frame.timerMs = whole * msPerTick;
    return frame;
}
