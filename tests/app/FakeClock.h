// A clock the test moves by hand, for driving FrameTimer (and anything built on it) exactly.
#pragma once

#include <cstdint>
#include <memory>

#include "app/FrameTimer.h"

class FakeClock
{
public:
    static constexpr std::int64_t kSecond = 1'000'000'000;

    void Advance(double seconds) { *m_now += static_cast<std::int64_t>(seconds * kSecond); }
    void Set(std::int64_t nanoseconds) { *m_now = nanoseconds; }
    std::int64_t Now() const { return *m_now; }

    // The source shares the clock's state, so the clock may be moved after the timer took it.
    FrameTimer::TimeSource Source() const
    {
        auto now = m_now;
        return [now] { return *now; };
    }

private:
    std::shared_ptr<std::int64_t> m_now = std::make_shared<std::int64_t>(1000 * kSecond);
};
