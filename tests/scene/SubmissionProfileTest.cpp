// The submission split's arithmetic: ticks become the pass's milliseconds, the walk is what the parts leave, and
// the part timer's own ticks are taken out of the parts and the walk alike; and a profile that is off measures
// nothing.
#include <gtest/gtest.h>

#include "scene/SubmissionProfile.h"

TEST(SubmissionProfile, PartsTakeThePassClockAndTheTimersOwnTicksAreTakenOutOfPartsAndWalk)
{
    // 10,000 ticks in 2 ms: 0.2 µs a tick. Two meshes, one scope of each part per mesh (10 scopes); a scope costs
    // 30 ticks, 10 of them counted inside its part.
    const std::array<std::uint64_t, SubmissionProfile::kTimedParts> ticks = {1020, 2020, 520, 3020, 420};
    const std::array<std::uint64_t, SubmissionProfile::kTimedParts> counts = {2, 2, 2, 2, 2};
    const SubmissionProfile::Frame frame = SubmissionProfile::Resolve(2.0, 10000, ticks, counts, 30.0, 10.0);
    EXPECT_EQ(frame.meshes, 2u);
    EXPECT_DOUBLE_EQ(frame.passMs, 2.0);
    EXPECT_NEAR(frame.partMs[SubmissionProfile::Lookups], 0.2, 1e-12);
    EXPECT_NEAR(frame.partMs[SubmissionProfile::Binds], 0.6, 1e-12);
    EXPECT_NEAR(frame.partMs[SubmissionProfile::Draws], 0.08, 1e-12);
    // 10,000 - 7,000 counted - 10 x 20 outside the parts = 2,800 ticks of walk; the timer 10 x 30 ticks.
    EXPECT_NEAR(frame.walkMs, 0.56, 1e-12);
    EXPECT_NEAR(frame.timerMs, 0.06, 1e-12);
    double sum = frame.walkMs + frame.timerMs;
    for (const double part : frame.partMs)
    {
        sum += part;
    }
    EXPECT_NEAR(sum, frame.passMs, 1e-12) << "the parts, the walk and the timer make up the pass";
}

TEST(SubmissionProfile, AnEmptyPassOrATimerCostlierThanThePassGivesNoNegativeFigures)
{
    const std::array<std::uint64_t, SubmissionProfile::kTimedParts> none = {};
    const SubmissionProfile::Frame empty = SubmissionProfile::Resolve(0.0, 0, none, none, 30.0, 10.0);
    EXPECT_EQ(empty.meshes, 0u);
    EXPECT_EQ(empty.walkMs, 0.0);

    const std::array<std::uint64_t, SubmissionProfile::kTimedParts> ticks = {5, 5, 5, 5, 5};
    const std::array<std::uint64_t, SubmissionProfile::kTimedParts> counts = {1, 1, 1, 1, 1};
    const SubmissionProfile::Frame frame = SubmissionProfile::Resolve(1.0, 40, ticks, counts, 30.0, 10.0);
    EXPECT_EQ(frame.walkMs, 0.0);
    for (const double part : frame.partMs)
    {
        EXPECT_GE(part, 0.0);
    }
}

TEST(SubmissionProfile, MeasuresOnlyBetweenBeginAndEndWhileEnabledAndOffCountsNothing)
{
    SubmissionProfile::Enable(false);
    SubmissionProfile::BeginPass();
    {
        const SubmissionProfile::Scope scope(SubmissionProfile::Draws);
    }
    SubmissionProfile::EndPass();
    EXPECT_EQ(SubmissionProfile::LastPass().meshes, 0u);

    SubmissionProfile::Enable(true);
    {
        const SubmissionProfile::Scope outside(SubmissionProfile::Draws);   // before the pass: not counted
    }
    SubmissionProfile::BeginPass();
    for (int i = 0; i < 3; ++i)
    {
        const SubmissionProfile::Scope scope(SubmissionProfile::Draws);
    }
    SubmissionProfile::EndPass();
    {
        const SubmissionProfile::Scope after(SubmissionProfile::Draws);   // after it: not counted either
    }
    EXPECT_EQ(SubmissionProfile::LastPass().meshes, 3u);
    EXPECT_GE(SubmissionProfile::LastPass().passMs, 0.0);
    SubmissionProfile::Enable(false);
}
