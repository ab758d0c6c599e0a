// Moments between the frames of the fixed step: the path the clock takes to one, a seek that lands on it, and
// a timeline moved on to it and put back (TimelineSnapshot), which must then play on bit for bit as if it had
// never left the step. The compiled-in presentation, with every actor it moves, on the application's update order.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/FixedStep.h"
#include "app/FrameTimer.h"
#include "app/live/timeline/TimelineReplay.h"
#include "app/live/timeline/TimelineSnapshot.h"
#include "app/Mouse.h"
#include "scene/FreeCameraNode.h"
#include "tests/scene/SceneTestSupport.h"

namespace
{
constexpr std::int64_t kSecond = 1'000'000'000;

TEST(FixedStepPath, AFramesOwnMomentIsReachedByTheFramesAlone)
{
    for (const int fps : {60, 7, 24, 1000})
    {
        const FixedStep step{fps};
        for (long long frame = 0; frame < 5000; frame += 37)
        {
            const FixedStep::Path path = step.PathTo(step.Nanoseconds(frame));
            EXPECT_EQ(path.lastFrame, frame) << fps << " fps";
            EXPECT_EQ(path.readingCount, 0) << fps << " fps";
            if (frame > 0)
            {
                EXPECT_EQ(step.FrameAtOrBefore(step.Nanoseconds(frame) - 1), frame - 1) << fps << " fps";
                EXPECT_FALSE(step.OnGrid(step.Nanoseconds(frame) + 1)) << fps << " fps";
            }
        }
    }
}

TEST(FixedStepPath, AMomentBetweenFramesIsReachedByAShorterStepAndThenAWholeOne)
{
    const FixedStep step{60};
    // A beat of 0.671875 s, eleven beats in: between frames 443 (7.3833 s) and 444.
    const std::int64_t beat = 7'390'625'000;
    FixedStep::Path path = step.PathTo(beat);
    ASSERT_EQ(path.readingCount, 2);
    EXPECT_EQ(path.readings[1], beat);
    EXPECT_EQ(beat - path.readings[0], step.Nanoseconds(1)) << "the last step is a whole one";
    EXPECT_EQ(path.lastFrame, 442);
    EXPECT_LT(step.Nanoseconds(path.lastFrame), path.readings[0]);
    EXPECT_LT(path.readings[0], step.Nanoseconds(path.lastFrame + 1));

    // Within the first step there is no whole step before it: one step from the start.
    path = step.PathTo(5'000'000);
    EXPECT_EQ(path.lastFrame, 0);
    ASSERT_EQ(path.readingCount, 1);
    EXPECT_EQ(path.readings[0], 5'000'000);

    // A whole step back lands on a frame: no shorter step at all.
    const FixedStep thirds{3};
    const std::int64_t moment = thirds.Nanoseconds(2) + thirds.Nanoseconds(1);
    ASSERT_FALSE(thirds.OnGrid(moment)) << "999,999,999 ns, one short of frame 3";
    path = thirds.PathTo(moment);
    EXPECT_EQ(path.lastFrame, 2);
    ASSERT_EQ(path.readingCount, 1);
    EXPECT_EQ(path.readings[0], moment);
}

// The presentation's world and timeline, driven the way the application and a seek drive them.
class TimelineMoments : public testing::Test
{
protected:
    // Everything a picture is drawn from, bit for bit.
    struct State
    {
        Scene3::TimelineState scene;
        std::vector<Matrix4x4> transforms;

        bool operator==(const State& other) const
        {
            return std::memcmp(&scene.position, &other.scene.position, sizeof(Vector3)) == 0 &&
                   std::memcmp(&scene.right, &other.scene.right, sizeof(Vector3)) == 0 &&
                   std::memcmp(&scene.up, &other.scene.up, sizeof(Vector3)) == 0 &&
                   std::memcmp(&scene.look, &other.scene.look, sizeof(Vector3)) == 0 &&
                   scene.skySelector == other.scene.skySelector &&
                   std::memcmp(&scene.travelZ, &other.scene.travelZ, sizeof(float)) == 0 &&
                   transforms.size() == other.transforms.size() &&
                   std::memcmp(transforms.data(), other.transforms.data(), transforms.size() * sizeof(Matrix4x4)) == 0;
        }
    };

    void SetUp() override
    {
        world.reset();   // one world at a time: the newest event manager is the process-wide one
        Scene3::ResetTimeline();
        world = std::make_unique<SceneWorld>(SceneWorld::Kind::ScriptedScene);
        for (const ActorId id : {5u, 12u, 13u, 14u, 17u, 19u, 20u})
        {
            world->MakeActor(id, SceneWorld::TransformAt(static_cast<float>(id), -1.0f, id * 10.0f));
        }
        replay.RememberStart(*world->logic);
    }

    void Update(const FrameTimer& timer)
    {
        world->logic->OnUpdate(timer.TotalTime(), timer.DeltaTime());
        world->manager.Update(20.0f);
        world->scene->Update(nullptr, keys, mouse, timer.DeltaTime(), timer.TotalTime());
    }

    // Plays frames first..last on the step, each but the very first after the stand-in for the last one's drawing.
    void PlayFrames(long long first, long long last)
    {
        for (long long frame = first; frame <= last; ++frame)
        {
            if (frame > 0)
            {
                TimelineReplay::StandInForDrawing(*world->scene);
            }
            now = step.Nanoseconds(frame);
            timer.Tick();
            Update(timer);
        }
    }

    State Now() const
    {
        State state{world->scene->GetTimelineState(), {}};
        for (const auto& [id, actor] : world->logic->GetActors())
        {
            state.transforms.push_back(TransformOf(actor)->GetTransform());
        }
        return state;
    }

    std::int64_t Seek(double seconds)
    {
        return replay.Seek(seconds, *world->scene, world->manager, [this](const FrameTimer& t) { Update(t); });
    }

    FixedStep step{60};
    TimelineReplay replay{step};
    std::unique_ptr<SceneWorld> world;
    std::array<unsigned char, 256> keys{};
    Mouse mouse;
    std::int64_t now = 0;
    FrameTimer timer{[this] { return now; }};
};

TEST_F(TimelineMoments, ATimelineMovedOnBetweenFramesAndPutBackPlaysOnAsIfItNeverLeft)
{
    // 20 s in: the flight over the causeway, rings turning, the glider riding along.
    const long long base = 1200;
    timer.Reset();
    PlayFrames(0, base + 8);
    const State untouched = Now();

    SetUp();
    now = 0;
    timer.Reset();
    PlayFrames(0, base);
    const State atBase = Now();
    const TimelineSnapshot snapshot = TimelineSnapshot::Take(*world->scene, *world->logic, world->manager);
    EXPECT_EQ(snapshot.GetActorCount(), 7u);
    for (int visit = 0; visit < 2; ++visit)
    {
        // On to two moments between frames and a draw's stand-in, as a drawing between frames goes.
        FrameTimer between([this] { return now; });
        now = 0;
        between.Reset();
        now = step.Nanoseconds(base);
        between.Tick();
        for (const std::int64_t reading : {step.Nanoseconds(base) + 7'000'000, step.Nanoseconds(base + 1) + 7'000'000})
        {
            TimelineReplay::StandInForDrawing(*world->scene);
            now = reading;
            between.Tick();
            Update(between);
        }
        ASSERT_FALSE(Now() == atBase) << "the moment between frames moved nothing";
        snapshot.Restore(*world->scene, world->manager);
        EXPECT_TRUE(Now() == atBase) << "visit " << visit;
    }
    now = step.Nanoseconds(base);
    PlayFrames(base + 1, base + 8);
    EXPECT_TRUE(Now() == untouched) << "the frames after the visits are not those of a run that stayed";
}

TEST_F(TimelineMoments, ASeekLandsOnTheMomentItselfAndAFramesMomentAsTheFramesLeaveIt)
{
    // A frame's own moment: exactly the state the frames leave.
    timer.Reset();
    PlayFrames(0, 900);
    const State frame900 = Now();
    EXPECT_EQ(Seek(15.0), 15 * kSecond);
    EXPECT_TRUE(Now() == frame900);

    // A moment between two frames: the seek says it landed there, lands there again the same way, and the
    // camera stands between where the two frames have it (the flight moves on along z at a steady speed).
    EXPECT_EQ(Seek(20.0 + 0.4 / 60.0), 20 * kSecond + 6'666'667);
    const State between = Now();
    EXPECT_EQ(Seek(20.0 + 0.4 / 60.0), 20 * kSecond + 6'666'667);
    EXPECT_TRUE(Now() == between) << "two seeks to one moment disagree";
    Seek(20.0);
    const float before = world->scene->GetTimelineState().travelZ;
    Seek(20.0 + 1.0 / 60.0);
    const float after = world->scene->GetTimelineState().travelZ;
    ASSERT_NE(before, after);
    EXPECT_GT((between.scene.travelZ - before) * (after - between.scene.travelZ), 0.0f)
        << before << " " << between.scene.travelZ << " " << after;
}
}
