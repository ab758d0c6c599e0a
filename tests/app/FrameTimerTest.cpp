// Frame timer behaviour under a clock the test controls.
#include <gtest/gtest.h>

#include "app/FrameTimer.h"
#include "tests/app/FakeClock.h"

namespace
{
class FrameTimerTest : public ::testing::Test
{
protected:
    FakeClock clock;
    FrameTimer timer{clock.Source()};
};
}

TEST_F(FrameTimerTest, TicksMeasureTheIntervalAndTheRunningTotal)
{
    timer.Reset();
    clock.Advance(0.25);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.DeltaTime(), 0.25f);
    EXPECT_FLOAT_EQ(timer.TotalTime(), 0.25f);
    clock.Advance(0.5);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.DeltaTime(), 0.5f);
    EXPECT_FLOAT_EQ(timer.TotalTime(), 0.75f);
}

TEST_F(FrameTimerTest, TimeSpentStoppedIsNotCounted)
{
    timer.Reset();
    clock.Advance(2.0);
    timer.Tick();
    timer.Stop();
    clock.Advance(10.0);
    timer.Start();
    clock.Advance(1.0);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 3.0f);   // 13 s of wall clock, 10 of them stopped
    EXPECT_FLOAT_EQ(timer.DeltaTime(), 1.0f);   // the first tick after a start measures from the start
}

TEST_F(FrameTimerTest, TickWhileStoppedGivesNoDeltaAndFreezesTheTotal)
{
    timer.Reset();
    clock.Advance(1.0);
    timer.Tick();
    clock.Advance(1.0);
    timer.Stop();
    clock.Advance(5.0);
    timer.Tick();
    EXPECT_EQ(timer.DeltaNanoseconds(), 0);
    EXPECT_FLOAT_EQ(timer.TotalTime(), 2.0f);   // frozen at the stop time
}

TEST_F(FrameTimerTest, SecondStopDoesNotMoveTheStopTime)
{
    timer.Reset();
    clock.Advance(1.0);
    timer.Stop();
    clock.Advance(3.0);
    timer.Stop();
    clock.Advance(1.0);
    timer.Start();
    clock.Advance(1.0);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 2.0f);   // paused for 4 s, measured from the first stop
}

TEST_F(FrameTimerTest, StartOnARunningTimerRestartsTheRun)
{
    timer.Reset();
    clock.Advance(1.0);
    timer.Stop();
    clock.Advance(2.0);
    timer.Start();   // paused total is now 2 s
    clock.Advance(4.0);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 5.0f);

    clock.Advance(1.0);
    timer.Start();   // running: the base moves to now, the paused total stays
    // The current time is that of the last tick, before the new base, so the total is negative until a tick.
    EXPECT_FLOAT_EQ(timer.TotalTime(), -3.0f);
    clock.Advance(0.5);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), -1.5f);
    EXPECT_FLOAT_EQ(timer.DeltaTime(), 0.5f);
}

TEST_F(FrameTimerTest, ClockSteppingBackGivesZeroDelta)
{
    timer.Reset();
    clock.Advance(1.0);
    timer.Tick();
    clock.Advance(-0.5);
    timer.Tick();
    EXPECT_EQ(timer.DeltaNanoseconds(), 0);
    clock.Advance(1.0);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.DeltaTime(), 1.0f);   // measured from the stepped-back reading
}

TEST_F(FrameTimerTest, ResetKeepsDeltaAndPausedTotal)
{
    timer.Reset();
    clock.Advance(1.0);
    timer.Tick();
    timer.Stop();
    clock.Advance(3.0);
    timer.Start();
    clock.Advance(2.0);
    timer.Reset();
    EXPECT_FALSE(timer.IsStopped());
    EXPECT_FLOAT_EQ(timer.DeltaTime(), 1.0f);
    clock.Advance(10.0);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 7.0f);   // the 3 s paused before the reset are still subtracted
}

TEST(SystemClock, IsMonotonicInNanoseconds)
{
    const auto first = FrameTimer::SystemNanoseconds();
    const auto second = FrameTimer::SystemNanoseconds();
    EXPECT_LE(first, second);
    FrameTimer timer;
    timer.Reset();
    timer.Tick();
    EXPECT_GE(timer.DeltaNanoseconds(), 0);
    EXPECT_LT(timer.TotalTime(), 1.0f);
}

TEST_F(FrameTimerTest, SeekToSetsTheTotalAndTimeCarriesOnFromThere)
{
    timer.Reset();
    clock.Advance(3.0);
    timer.Stop();   // paused 2 s before the seek: no longer subtracted from the moment sought
    clock.Advance(2.0);
    timer.Start();
    clock.Advance(1.0);
    timer.Tick();
    timer.SeekTo(50 * FakeClock::kSecond);
    EXPECT_EQ(timer.TotalNanoseconds(), 50 * FakeClock::kSecond);
    EXPECT_EQ(timer.DeltaNanoseconds(), 0);
    clock.Advance(0.25);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 50.25f);
    EXPECT_FLOAT_EQ(timer.DeltaTime(), 0.25f);

    // Sought while stopped: the moment holds until the start, and the stop before the seek does not count.
    timer.Stop();
    clock.Advance(4.0);
    timer.SeekTo(8 * FakeClock::kSecond);
    EXPECT_TRUE(timer.IsStopped());
    clock.Advance(6.0);
    timer.Tick();
    EXPECT_EQ(timer.TotalNanoseconds(), 8 * FakeClock::kSecond);
    timer.Start();
    clock.Advance(0.5);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 8.5f);
    EXPECT_FLOAT_EQ(timer.DeltaTime(), 0.5f);
}
