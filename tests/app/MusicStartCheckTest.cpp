// The check on each start of the music's track: when the track moved (from a position reading on any later frame),
// whether that was on time, how many attempts a start gets, and the delay the next start asks ahead by (the median
// of the last few, within its bounds).
#include "app/MusicStartCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kSent = 1'796'790'000.5;   // a system clock's seconds since 1970
constexpr double kFrom = 17.043;            // the place asked, in the track's seconds

// A reading taken `after` seconds after the command from a track that moved `delay` seconds after it: the answer
// comes 0.2 ms after the asking, and the position is in whole milliseconds, as the device gives it.
MusicStartCheck::Verdict ReadAt(MusicStartCheck& check, double after, double delay, double from = kFrom)
{
    const double asked = kSent + after - 0.0002;
    const double moved = std::max(0.0, after - 0.0001 - delay);
    return check.Read(asked, kSent + after, std::round((from + moved) * 1000.0) / 1000.0);
}
}

TEST(MusicStartCheck, AStartIsJudgedWhenTheTrackHasMoved)
{
    MusicStartCheck check;
    EXPECT_DOUBLE_EQ(check.ExpectedDelay(), 0.0);   // nothing learned yet
    check.Sent(kSent, kFrom, 0.0, false);
    EXPECT_TRUE(check.IsWatching());
    // Frames before the track moves read the place asked.
    EXPECT_EQ(ReadAt(check, 0.016, 0.040), MusicStartCheck::Verdict::Waiting);
    EXPECT_EQ(ReadAt(check, 0.033, 0.040), MusicStartCheck::Verdict::Waiting);
    // A frame 30 ms after it moved places the move at 40 ms, to the millisecond the position gives: late by more
    // than the tolerance, so the start is sought again.
    EXPECT_EQ(ReadAt(check, 0.070, 0.040), MusicStartCheck::Verdict::Again);
    ASSERT_TRUE(check.LastDelay());
    EXPECT_NEAR(*check.LastDelay(), 0.040, 0.001);
    EXPECT_NEAR(check.LastMiss(), 0.040, 0.001);
    EXPECT_FALSE(check.IsWatching());
    EXPECT_NEAR(check.ExpectedDelay(), 0.040, 0.001);

    // Asked 40 ms ahead, the next attempt moves after 45 ms: within the tolerance.
    check.Sent(kSent, kFrom, 0.040, true);
    EXPECT_EQ(check.Attempts(), 2);
    EXPECT_EQ(ReadAt(check, 0.100, 0.045), MusicStartCheck::Verdict::OnTime);
    EXPECT_NEAR(check.LastMiss(), 0.005, 0.001);
    // Read once more after the verdict: nothing more to do.
    EXPECT_EQ(ReadAt(check, 0.200, 0.045), MusicStartCheck::Verdict::Kept);
}

TEST(MusicStartCheck, AStartGetsThreeAttemptsAndEarlyCountsAsMissed)
{
    MusicStartCheck check;
    // Asked 60 ms ahead, the track moved after 2 ms: it runs 58 ms ahead of the clock, which is sought again too.
    check.Sent(kSent, kFrom, 0.060, false);
    EXPECT_EQ(ReadAt(check, 0.050, 0.002), MusicStartCheck::Verdict::Again);
    EXPECT_NEAR(check.LastMiss(), -0.058, 0.001);
    check.Sent(kSent, kFrom, 0.0, true);
    EXPECT_EQ(ReadAt(check, 0.120, 0.090), MusicStartCheck::Verdict::Again);
    check.Sent(kSent, kFrom, 0.0, true);
    EXPECT_EQ(check.Attempts(), MusicStartCheck::kMostAttempts);
    // The third miss is kept: a machine that busy is not sought forever.
    EXPECT_EQ(ReadAt(check, 0.120, 0.090), MusicStartCheck::Verdict::Kept);
    // A new start (after a pause or a seek) counts from one again.
    check.Sent(kSent, kFrom, 0.0, false);
    EXPECT_EQ(check.Attempts(), 1);
    EXPECT_EQ(ReadAt(check, 0.120, 0.090), MusicStartCheck::Verdict::Again);
}

TEST(MusicStartCheck, TheDelayAskedIsTheMedianOfTheLastFiveWithinItsBounds)
{
    MusicStartCheck check;
    const auto start = [&check](double delay) {
        check.Sent(kSent, kFrom, check.ExpectedDelay(), false);
        ReadAt(check, delay + 0.05, delay);
    };
    // One stall of the machine among quick starts does not move the median.
    for (const double delay : {0.002, 0.003, 0.176, 0.002, 0.004})
    {
        start(delay);
    }
    EXPECT_NEAR(check.ExpectedDelay(), 0.003, 0.0011);
    // Only the last five count: five slow starts take over entirely, and the longest is bounded.
    for (int i = 0; i < 5; ++i)
    {
        start(0.4);
    }
    EXPECT_DOUBLE_EQ(check.ExpectedDelay(), MusicStartCheck::kLongestDelaySeconds);
    // A track that moved "before" the command (the millisecond rounding) learns no negative delay.
    for (int i = 0; i < 5; ++i)
    {
        check.Sent(kSent, kFrom, 0.0, false);
        check.Read(kSent + 0.0300, kSent + 0.0302, kFrom + 0.031);
    }
    EXPECT_DOUBLE_EQ(check.ExpectedDelay(), 0.0);
}

TEST(MusicStartCheck, ATrackThatNeverMovesOrIsStoppedIsNoLongerWatched)
{
    MusicStartCheck check;
    check.Sent(kSent, kFrom, 0.0, false);
    EXPECT_EQ(ReadAt(check, 0.9, 5.0), MusicStartCheck::Verdict::Waiting);
    EXPECT_EQ(ReadAt(check, MusicStartCheck::kWatchedSeconds + 0.01, 5.0), MusicStartCheck::Verdict::NeverMoved);
    EXPECT_FALSE(check.IsWatching());
    EXPECT_FALSE(check.LastDelay());
    EXPECT_DOUBLE_EQ(check.ExpectedDelay(), 0.0);   // nothing learned from it

    check.Sent(kSent, kFrom, 0.0, false);
    check.Stop();   // the clock stopped before the track moved
    EXPECT_FALSE(check.IsWatching());
    EXPECT_EQ(ReadAt(check, 0.05, 0.001), MusicStartCheck::Verdict::Kept);
    EXPECT_DOUBLE_EQ(check.ExpectedDelay(), 0.0);
}
