// The camera's path in the view: the line follows the camera as the frames place it and breaks where it jumps,
// ticks fall on every beat of the span and marks on the position keys within it, edges included; points behind the
// camera are left out of the picture; and a dragged mark stays under the pointer at its depth, writing its keys.
#include "app/live/CameraPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/EngineOptions.h"
#include "scene/FreeCameraNode.h"

namespace
{
using Key = Choreography::Key;
using Coordinate = Choreography::Coordinate;
using Source = Coordinate::Source;

// The camera walks along z with the time, x and y keyed: x at 1, 2 and 3 s, y at 2 and 4 s, on a half-second beat.
Choreography Walk()
{
    Choreography walk;
    walk.beatSeconds = 0.5f;
    walk.camera = {{{},
                    {Coordinate{Source::Fixed, 0.0f}, Coordinate{Source::Fixed, 2.0f}, Coordinate{Source::Time, 0.0f}},
                    0.0f,
                    std::nullopt}};
    Choreography::Track x;
    x.channel = Choreography::Channel::X;
    x.keys = {Key{1.0f, 5.0f}, Key{2.0f, 7.0f}, Key{3.0f, 6.0f}};
    Choreography::Track y;
    y.channel = Choreography::Channel::Y;
    y.keys = {Key{2.0f, 4.0f}, Key{4.0f, 8.0f}};
    walk.tracks = {x, y};
    return walk;
}

ActorPicker::Eye EyeOf(const FreeCameraNode& camera)
{
    return {camera.GetPosition(), camera.GetRight(), camera.GetUp(), camera.GetLook(), camera.GetProj()};
}

// A camera off the origin, turned, with a lens of its own, so that no factor of the projection can be left out.
void Turn(FreeCameraNode& camera)
{
    camera.SetLens(1.1f, 1.6f, 0.1f, 1000.0f);
    camera.SetPosition(2.0f, 3.0f, -9.0f);
    const Matrix4x4 turn = Matrix4x4::RotationYawPitchRoll(0.4f, 0.2f, -0.3f);
    camera.SetBasis({turn(0, 0), turn(0, 1), turn(0, 2)}, {turn(1, 0), turn(1, 1), turn(1, 2)},
                    {turn(2, 0), turn(2, 1), turn(2, 2)});
    camera.UpdateViewMatrix();
}

std::size_t Jumps(const CameraPath& path)
{
    return static_cast<std::size_t>(std::count_if(path.Line().begin(), path.Line().end(),
                                                  [](const CameraPath::Sample& sample) { return sample.jumpedTo; }));
}
}

TEST(CameraPath, TheLineIsWhereTheFramesPlaceTheCameraAndBreaksWhereItJumps)
{
    // The presentation: z = t - 16 until 15 s, then along x = 86 with the travelling value, which wraps at 17.625 s.
    const CameraPath early = CameraPath::Of(Choreography::Presentation(), 10.0, 14.0);
    ASSERT_FALSE(early.Line().empty());
    EXPECT_EQ(early.Line().front().time, 10.0f);
    EXPECT_EQ(early.Line().back().time, 14.0f);
    for (const CameraPath::Sample& sample : early.Line())
    {
        EXPECT_EQ(sample.position.x, 0.0f);
        EXPECT_EQ(sample.position.y, 2.0f);
        EXPECT_NEAR(sample.position.z, sample.time - 16.0f, 1e-4f) << sample.time;
    }
    EXPECT_EQ(Jumps(early), 0u);
    EXPECT_GE(early.Line().size(), 4u * 60u) << "a sample on every frame";

    const CameraPath across = CameraPath::Of(Choreography::Presentation(), 14.5, 16.0);
    EXPECT_EQ(Jumps(across), 1u) << "the second segment begins at 15 s";
    const CameraPath wrapping = CameraPath::Of(Choreography::Presentation(), 17.0, 18.0);
    ASSERT_EQ(Jumps(wrapping), 1u);
    const auto jump = std::find_if(wrapping.Line().begin(), wrapping.Line().end(),
                                   [](const CameraPath::Sample& sample) { return sample.jumpedTo; });
    EXPECT_NEAR(jump->time, 17.625f, 1.0f / 60.0f);
    EXPECT_LT(jump->position.z, (jump - 1)->position.z - 40.0f);

    // Tracks that take over from the segments elsewhere than where they stand jump there, and where they hand back:
    // x at 1 s (from 0 to 5) and 3 s (6 to 0), y at 2 s (2 to 4) and 4 s (8 to 2). Starting where a segment
    // stands, and moving on from there, is no jump.
    Choreography walk = Walk();
    EXPECT_EQ(Jumps(CameraPath::Of(walk, 0.0, 5.0)), 4u);
    walk.tracks[1].keys = {Key{2.0f, 2.0f}, Key{4.0f, 3.0f}};
    EXPECT_EQ(Jumps(CameraPath::Of(walk, 0.0, 3.5)), 2u);

    // The same moment is the same place whatever the span around it: every span replays from the start.
    const CameraPath wide = CameraPath::Of(Choreography::Presentation(), 16.0, 30.0);
    const CameraPath narrow = CameraPath::Of(Choreography::Presentation(), 20.0, 20.5);
    const auto at20 = std::find_if(wide.Line().begin(), wide.Line().end(),
                                   [](const CameraPath::Sample& sample) { return sample.time >= 20.0f; });
    EXPECT_EQ(at20->position.z, narrow.Line().front().position.z);
}

TEST(CameraPath, TicksFallOnEveryBeatOfTheSpanItsEdgesIncluded)
{
    // 16.125 s and 18.8125 s are beats 24 and 28 of the presentation's 0.671875 s beat.
    const CameraPath onBeats = CameraPath::Of(Choreography::Presentation(), 16.125, 18.8125);
    ASSERT_EQ(onBeats.Ticks().size(), 5u);
    EXPECT_EQ(onBeats.Ticks().front().time, 16.125f);
    EXPECT_EQ(onBeats.Ticks().back().time, 18.8125f);
    const CameraPath between = CameraPath::Of(Choreography::Presentation(), 16.2, 18.8);
    ASSERT_EQ(between.Ticks().size(), 3u);
    EXPECT_EQ(between.Ticks().front().time, 16.796875f);

    // Each tick is on the line, at the place of the line's sample at its time.
    for (const CameraPath::Sample& tick : onBeats.Ticks())
    {
        const auto on = std::find_if(onBeats.Line().begin(), onBeats.Line().end(),
                                     [&tick](const CameraPath::Sample& sample) { return sample.time == tick.time; });
        ASSERT_NE(on, onBeats.Line().end()) << tick.time;
        EXPECT_EQ(on->position.z, tick.position.z);
    }

    Choreography noGrid = Choreography::Presentation();
    noGrid.beatSeconds = 0.0f;
    EXPECT_TRUE(CameraPath::Of(noGrid, 16.0, 20.0).Ticks().empty());
    noGrid.beatSeconds = 1e-3f;   // 20,000 ticks in 20 s: a smear, not a grid
    EXPECT_TRUE(CameraPath::Of(noGrid, 0.0, 20.0).Ticks().empty());
}

TEST(CameraPath, MarksStandOnlyOnTheKeysInTheSpanOneForTheKeysOfOneTime)
{
    const Choreography walk = Walk();
    const CameraPath inside = CameraPath::Of(walk, 1.5, 3.0);
    ASSERT_EQ(inside.Marks().size(), 2u) << "x at 2 and 3 s, y at 2 s; x at 1 s and y at 4 s lie outside";
    const CameraPath::Mark& both = inside.Marks()[0];
    EXPECT_EQ(both.time, 2.0f);
    EXPECT_EQ(both.keys[0], std::make_pair(std::size_t{0}, std::size_t{1}));
    EXPECT_EQ(both.keys[1], std::make_pair(std::size_t{1}, std::size_t{0}));
    EXPECT_FALSE(both.keys[2]);
    EXPECT_EQ(both.position.x, 7.0f);
    EXPECT_EQ(both.position.y, 4.0f);
    EXPECT_NEAR(both.position.z, 2.0f, 1e-5f);
    EXPECT_EQ(inside.Marks()[1].time, 3.0f);
    EXPECT_FALSE(inside.Marks()[1].keys[1]);

    // The span's edges are in it.
    EXPECT_EQ(CameraPath::Of(walk, 1.0, 4.0).Marks().size(), 4u);
    EXPECT_TRUE(CameraPath::Of(walk, 3.25, 3.75).Marks().empty());

    // Two keys at one time (a jump): the mark is the later one's, which plays there, and the line breaks there.
    Choreography jumping = walk;
    jumping.tracks[0].keys = {Key{1.0f, 5.0f}, Key{2.0f, 7.0f}, Key{2.0f, 9.0f}, Key{3.0f, 6.0f}};
    const CameraPath jumped = CameraPath::Of(jumping, 1.5, 2.5);
    ASSERT_EQ(jumped.Marks().size(), 1u);
    EXPECT_EQ(jumped.Marks()[0].keys[0], std::make_pair(std::size_t{0}, std::size_t{2}));
    EXPECT_EQ(jumped.Marks()[0].position.x, 9.0f);
    EXPECT_EQ(Jumps(jumped), 1u);
}

TEST(CameraPath, PointsBehindTheCameraAreLeftOutAndTheRestLandWhereTheProjectionDrawsThem)
{
    const EngineOptions options;
    FreeCameraNode camera(options);
    Turn(camera);
    const ActorPicker::Eye eye = EyeOf(camera);
    const Matrix4x4 viewProjection = camera.GetView() * camera.GetProj();
    const float width = 1280.0f;
    const float height = 800.0f;
    for (const Vector3& point : {Vector3{4.0f, 1.0f, 3.0f}, Vector3{-1.0f, 6.0f, 8.0f}, Vector3{2.0f, 3.0f, -20.0f}})
    {
        const auto clip = viewProjection.Transform({point.x, point.y, point.z, 1.0f});
        const std::optional<CameraPath::Pixel> pixel = CameraPath::Project(eye, point, width, height);
        if (clip[3] <= 0.1f)
        {
            EXPECT_FALSE(pixel) << "behind the camera: " << point.z;
            continue;
        }
        ASSERT_TRUE(pixel);
        EXPECT_NEAR(pixel->x, (clip[0] / clip[3] + 1.0f) * 0.5f * width, 0.05f);
        EXPECT_NEAR(pixel->y, (1.0f - clip[1] / clip[3]) * 0.5f * height, 0.05f);
    }
    EXPECT_FALSE(CameraPath::Project(eye, camera.GetPosition(), width, height)) << "the eye itself";

    // A path that runs from ahead of a camera to behind it and ahead again breaks into two runs.
    FreeCameraNode straight(options);
    straight.SetLens(1.1f, 1.6f, 0.1f, 1000.0f);
    straight.SetPosition(0.0f, 0.0f, 0.0f);
    straight.SetBasis({1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    straight.UpdateViewMatrix();
    Choreography through;
    through.camera = {
        {{}, {Coordinate{Source::Fixed, 0.5f}, Coordinate{Source::Fixed, 0.0f}, Coordinate{}}, 0.0f, std::nullopt}};
    Choreography::Track z;
    z.channel = Choreography::Channel::Z;
    z.keys = {Key{0.0f, 5.0f}, Key{5.0f, -5.0f}, Key{10.0f, 5.0f}};
    through.tracks = {z};
    const CameraPath path = CameraPath::Of(through, 0.0, 10.0);
    EXPECT_EQ(Jumps(path), 0u);
    const auto runs = path.ProjectLine(EyeOf(straight), width, height);
    ASSERT_EQ(runs.size(), 2u);
    for (const auto& run : runs)
    {
        EXPECT_GT(run.size(), 100u);
        for (const CameraPath::Pixel& pixel : run)
        {
            EXPECT_GT(pixel.x, width / 2.0f) << "right of the middle, as x = 0.5 is";
        }
    }
}

TEST(CameraPath, ADraggedMarkStaysUnderThePointerAtItsDepthAndItsKeysTakeThePoint)
{
    const EngineOptions options;
    FreeCameraNode camera(options);
    Turn(camera);
    const ActorPicker::Eye eye = EyeOf(camera);
    const float width = 1280.0f;
    const float height = 800.0f;
    const Vector3 anchor{3.0f, 4.0f, 2.0f};
    const float depth =
        Vector3::Dot({anchor.x - eye.position.x, anchor.y - eye.position.y, anchor.z - eye.position.z}, eye.look);
    const std::optional<CameraPath::Pixel> under = CameraPath::Project(eye, anchor, width, height);
    ASSERT_TRUE(under);
    const std::optional<Vector3> same = CameraPath::OnViewPlane(eye, anchor, width, height, *under);
    ASSERT_TRUE(same);
    EXPECT_NEAR(same->x, anchor.x, 1e-3f);
    EXPECT_NEAR(same->y, anchor.y, 1e-3f);
    EXPECT_NEAR(same->z, anchor.z, 1e-3f);

    for (const CameraPath::Pixel pointer : {CameraPath::Pixel{100.0f, 700.0f}, CameraPath::Pixel{1000.0f, 50.0f}})
    {
        const std::optional<Vector3> moved = CameraPath::OnViewPlane(eye, anchor, width, height, pointer);
        ASSERT_TRUE(moved);
        const std::optional<CameraPath::Pixel> shown = CameraPath::Project(eye, *moved, width, height);
        ASSERT_TRUE(shown);
        EXPECT_NEAR(shown->x, pointer.x, 0.05f);
        EXPECT_NEAR(shown->y, pointer.y, 0.05f);
        const float movedDepth =
            Vector3::Dot({moved->x - eye.position.x, moved->y - eye.position.y, moved->z - eye.position.z}, eye.look);
        EXPECT_NEAR(movedDepth, depth, 1e-3f);
    }
    const Vector3 behind{eye.position.x - eye.look.x, eye.position.y - eye.look.y, eye.position.z - eye.look.z};
    EXPECT_FALSE(CameraPath::OnViewPlane(eye, behind, width, height, *under)) << "a plane behind the eye";

    // The mark's keys take the point's coordinates, only those it has; the point's own z stays the segment's.
    Choreography walk = Walk();
    const CameraPath::Mark mark = CameraPath::Of(walk, 2.0, 2.0).Marks().at(0);
    ASSERT_TRUE(CameraPath::MoveMark(walk, mark, {-3.0f, 9.5f, 40.0f}));
    EXPECT_EQ(walk.tracks[0].keys[1].value, -3.0f);
    EXPECT_EQ(walk.tracks[1].keys[0].value, 9.5f);
    EXPECT_EQ(walk.tracks[0].keys[0].value, 5.0f);
    const CameraPath::Mark movedMark = CameraPath::Of(walk, 2.0, 2.0).Marks().at(0);
    EXPECT_EQ(movedMark.position.x, -3.0f);
    EXPECT_EQ(movedMark.position.y, 9.5f);

    // Keys that an edit elsewhere moved are not written through a stale mark.
    walk.tracks[0].keys[1].time = 2.5f;
    const Choreography before = walk;
    EXPECT_FALSE(CameraPath::MoveMark(walk, mark, {0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(walk, before);
    walk.tracks = {};
    EXPECT_FALSE(CameraPath::MoveMark(walk, mark, {0.0f, 0.0f, 0.0f}));
}
