// Frame and run time of the presentation, in nanoseconds internally and single-precision seconds outside.
// Time spent stopped (window inactive, or being moved or sized) is excluded from the total. The clock is
// replaceable so that tests and capture tools can drive time exactly; the timer itself never sleeps.
#pragma once

#include <cstdint>
#include <functional>

class FrameTimer
{
public:
    // Returns a monotonic time point in nanoseconds.
    using TimeSource = std::function<std::int64_t()>;

    FrameTimer();
    explicit FrameTimer(TimeSource source);

    // The default clock: the performance counter on Windows, the steady clock elsewhere.
    static std::int64_t SystemNanoseconds();

    void Reset();
    void Start();
    void Stop();
    void Tick();
    // Makes the total read `totalNanoseconds` from now on, as if the run had reached that moment just now; the
    // next tick measures from here. Stopped or running, the timer stays so, and earlier pauses stay uncounted.
    // The seek controls use it to carry on from the moment they replayed the timeline to.
    void SeekTo(std::int64_t totalNanoseconds);

    float DeltaTime() const;
    float TotalTime() const;

    bool IsStopped() const { return m_stopped; }
    std::int64_t DeltaNanoseconds() const { return m_delta; }
    std::int64_t TotalNanoseconds() const;

private:
    std::int64_t Now() const { return m_source(); }

    TimeSource m_source;
    std::int64_t m_delta = 0;
    std::int64_t m_baseTime = 0;
    std::int64_t m_pausedTotal = 0;
    std::int64_t m_stopTime = 0;
    std::int64_t m_previousTime = 0;
    std::int64_t m_currentTime = 0;
    bool m_stopped = false;
};
