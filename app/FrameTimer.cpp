// Frame timer: see FrameTimer.h.
#include "app/FrameTimer.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#endif

namespace
{
// Only the Windows clock converts counter ticks with it; native builds read nanoseconds directly.
[[maybe_unused]] constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
}

std::int64_t FrameTimer::SystemNanoseconds()
{
#ifdef _WIN32
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    const std::int64_t c = counter.QuadPart;
    const std::int64_t f = frequency.QuadPart;
    // Split into whole seconds and remainder so that c * 1e9 cannot overflow after long uptimes.
    return (c / f) * kNanosecondsPerSecond + ((c % f) * kNanosecondsPerSecond) / f;
#else
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
#endif
}

FrameTimer::FrameTimer() : FrameTimer(&FrameTimer::SystemNanoseconds)
{
}

FrameTimer::FrameTimer(TimeSource source) : m_source(std::move(source))
{
    const std::int64_t now = Now();
    m_baseTime = now;
    m_stopTime = now;
    m_previousTime = now;
    m_currentTime = now;
}

void FrameTimer::Reset()
{
    const std::int64_t now = Now();
    m_baseTime = now;
    m_previousTime = now;
    m_stopTime = now;
    m_stopped = false;
}

void FrameTimer::Start()
{
    const std::int64_t now = Now();
    if (m_stopped)
    {
        m_pausedTotal += now - m_stopTime;
    }
    else
    {
        // Starting a running timer restarts the measured run; the event manager relies on this to
        // measure each update from its beginning.
        m_baseTime = now;
    }
    m_previousTime = now;
    m_stopTime = now;
    m_stopped = false;
}

void FrameTimer::Stop()
{
    if (m_stopped)
    {
        return;
    }
    m_stopTime = Now();
    m_stopped = true;
}

void FrameTimer::Tick()
{
    if (m_stopped)
    {
        m_delta = 0;
        return;
    }
    m_currentTime = Now();
    m_delta = m_currentTime - m_previousTime;
    m_previousTime = m_currentTime;
    if (m_delta < 0)
    {
        m_delta = 0;   // a clock stepping back must not run the presentation backwards
    }
}

void FrameTimer::SeekTo(std::int64_t totalNanoseconds)
{
    const std::int64_t now = Now();
    m_baseTime = now - m_pausedTotal - totalNanoseconds;
    m_previousTime = now;
    m_currentTime = now;
    if (m_stopped)
    {
        m_stopTime = now;   // the pause that is running counts from here, so it does not take the moment away
    }
    m_delta = 0;
}

float FrameTimer::DeltaTime() const
{
    return static_cast<float>(m_delta) / 1000000000.0f;
}

std::int64_t FrameTimer::TotalNanoseconds() const
{
    return (m_stopped ? m_stopTime : m_currentTime) - m_baseTime - m_pausedTotal;
}

float FrameTimer::TotalTime() const
{
    return static_cast<float>(TotalNanoseconds()) / 1000000000.0f;
}
