// Looping a passage: the clock goes back to the in point in the frame that reaches the out point while playing
// through it, never when it was sought past it or when looping is off; the out point counts as no later than the
// presentation's end. And the loop's bounds as the model sets them: on the beat grid, one undo step each, and a
// bound set on the wrong side of the other makes a loop a bar long rather than an empty one.
#include "app/live/timeline/PassageLoop.h"
#include "app/live/timeline/TimelineModel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using Loop = Choreography::Loop;

Choreography OnHalfSecondBeats()
{
    Choreography choreography;
    choreography.beatSeconds = 0.5f;   // a bar of 2 s
    return choreography;
}
}

TEST(PassageLoop, TheClockGoesBackInTheFrameThatReachesTheOutPointOnlyWhenPlayingThroughIt)
{
    PassageLoop looping;
    const std::optional<Loop> loop = Loop{4.0f, 8.0f};
    EXPECT_FALSE(looping.WrapTarget(loop, 7.99, 8.01, 58.0)) << "off at first";
    looping.SetOn(true);
    EXPECT_FALSE(looping.WrapTarget(std::nullopt, 7.99, 8.01, 58.0)) << "on, without a loop";

    EXPECT_FALSE(looping.WrapTarget(loop, 7.9, 7.99, 58.0));
    EXPECT_EQ(looping.WrapTarget(loop, 7.99, 8.0, 58.0), 4.0) << "at the out point exactly";
    EXPECT_EQ(looping.WrapTarget(loop, 7.99, 8.3, 58.0), 4.0) << "a slow frame past it";
    EXPECT_EQ(looping.WrapTarget(loop, 1.0, 9.0, 58.0), 4.0) << "played into from before the in point";
    EXPECT_FALSE(looping.WrapTarget(loop, 8.0, 8.1, 58.0)) << "sought to the out point or past it: plays on";
    EXPECT_FALSE(looping.WrapTarget(loop, 20.0, 20.1, 58.0));

    // Reaching past the end, it loops at the end; beyond the end altogether, never.
    const std::optional<Loop> pastTheEnd = Loop{56.0f, 70.0f};
    EXPECT_EQ(looping.WrapTarget(pastTheEnd, 57.99, 58.01, 58.0), 56.0);
    EXPECT_FALSE(looping.WrapTarget(Loop{60.0f, 70.0f}, 57.99, 58.01, 58.0));
    EXPECT_EQ(looping.WrapTarget(Loop{-3.0f, 1.0f}, 0.9, 1.0, 58.0), 0.0) << "in before 0 goes back to 0";

    looping.SetOn(false);
    EXPECT_FALSE(looping.WrapTarget(loop, 7.99, 8.0, 58.0));
}

TEST(PassageLoop, TheModelSetsTheBoundsOnTheGridOneUndoStepEachAndNeverAnEmptyLoop)
{
    ChoreographyEditor editor(OnHalfSecondBeats());
    TimelineModel model(editor);

    model.SetLoopIn(3.1);
    EXPECT_EQ(model.Current().loop, (Loop{3.0f, 5.0f})) << "a bar from the in point";
    for (int round = 0; round < 2; ++round)   // setting the same bounds again changes nothing
    {
        model.SetLoopOut(7.2);
        EXPECT_EQ(model.Current().loop, (Loop{3.0f, 7.0f}));
        model.SetLoopIn(2.9);
        EXPECT_EQ(model.Current().loop, (Loop{3.0f, 7.0f}));
        EXPECT_EQ(editor.UndoSteps(), 2u);
    }

    model.SetLoopIn(9.0);
    EXPECT_EQ(model.Current().loop, (Loop{9.0f, 11.0f})) << "in past the out point: a bar from there";
    model.SetLoopOut(8.0);
    EXPECT_EQ(model.Current().loop, (Loop{6.0f, 8.0f})) << "out before the in point: a bar up to there";
    model.SetLoopOut(1.0);
    EXPECT_EQ(model.Current().loop, (Loop{0.0f, 1.0f})) << "never before 0";
    model.SetStatus({});
    model.SetLoopOut(0.0);
    EXPECT_EQ(model.Current().loop, (Loop{0.0f, 1.0f})) << "no loop ends at 0 s: nothing changes";
    EXPECT_FALSE(model.Status().empty()) << "but the status says why";

    model.SetLoop(12.9, 9.1);
    EXPECT_EQ(model.Current().loop, (Loop{9.0f, 13.0f})) << "a drag either way, on the grid";
    model.SetStatus({});
    model.SetLoop(NAN, 3.0);
    EXPECT_EQ(model.Current().loop, (Loop{9.0f, 13.0f}));
    EXPECT_FALSE(model.Status().empty());
    const std::size_t steps = editor.UndoSteps();
    for (int round = 0; round < 2; ++round)
    {
        model.SetLoop(9.1, 9.2);
        EXPECT_EQ(model.Current().loop, (Loop{9.0f, 9.5f})) << "a drag that snaps to nothing lasts a beat";
    }
    EXPECT_EQ(editor.UndoSteps(), steps + 1);
    // Without snapping, a loop lasts at least a frame.
    model.SetSnapToBeats(false);
    model.SetLoop(20.0, 20.001);
    ASSERT_TRUE(model.Current().loop);
    const float length = model.Current().loop->out - model.Current().loop->in;
    EXPECT_GE(length, Choreography::kShortestLoop);
    EXPECT_LT(length, Choreography::kShortestLoop * 1.01f);
    EXPECT_TRUE(model.Current().Validate().empty());

    while (model.Undo())
    {
    }
    EXPECT_FALSE(model.Current().loop);
}
