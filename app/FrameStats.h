// CPU time of each phase of the last frame, in milliseconds, for the capture tool's statistics and the
// benchmarks. Measured with the frame timer's clock; reading it costs far less than any phase.
#pragma once

#include <cstdint>

#include "app/FrameTimer.h"

// Measures one phase: construct before it, read Milliseconds() after it. Always the real clock, never the
// frame timer's replaceable one.
class PhaseStopwatch
{
public:
    PhaseStopwatch() : m_start(FrameTimer::SystemNanoseconds()) {}
    double Milliseconds() const { return static_cast<double>(FrameTimer::SystemNanoseconds() - m_start) / 1e6; }
    // The time so far, and starts the next phase from now.
    double Lap()
    {
        const std::int64_t now = FrameTimer::SystemNanoseconds();
        const double milliseconds = static_cast<double>(now - m_start) / 1e6;
        m_start = now;
        return milliseconds;
    }

private:
    std::int64_t m_start;
};

struct FrameStats
{
    double logicMs = 0.0;          // engine logic OnUpdate
    double eventsMs = 0.0;         // event manager Update
    double sceneUpdateMs = 0.0;    // Scene::Update (timeline and tree)
    double sceneRenderMs = 0.0;    // Scene::Render (submission of the whole frame)
    double overlayMs = 0.0;        // the overlay frame
    double presentMs = 0.0;        // Present
};
