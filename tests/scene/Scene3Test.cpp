// The scripted timeline, driven frame by frame in the application's update order with a fixed-step clock:
// camera segments and their boundaries, the sky, the travelling z and its wrap, every actor row's window and
// position, rotation that accumulates through queued moves, scale removal and worlds without the actors.
#include "app/Mouse.h"
#include "events/EvtData_Move_Actor.h"
#include "scene/FreeCameraNode.h"
#include "tests/scene/SceneTestSupport.h"

#include <array>
#include <cmath>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace
{
constexpr float kPi = 3.14159265358979f;
constexpr float kStep = 1.0f / 64.0f;   // exact in binary, so t lands exactly on every boundary
constexpr float kDegrees = kPi / 180.0f;

class TimelineTest : public testing::Test
{
protected:
    void SetUp() override { Scene3::ResetTimeline(); }

    // One frame as the application runs it: logic, queued events, then the scene.
    void Frame(float elapsed, float total)
    {
        world.logic->OnUpdate(total, elapsed);
        world.manager.Update(20.0f);
        world.scene->Update(nullptr, keys, mouse, elapsed, total);
        m_time = total;
    }

    // Fixed steps of kStep up to and including `until`; the very first frame has no elapsed time.
    void RunUntil(float until)
    {
        if (m_frames == 0)
        {
            Frame(0.0f, 0.0f);
            ++m_frames;
        }
        while (static_cast<float>(m_frames) * kStep <= until)
        {
            Frame(kStep, static_cast<float>(m_frames) * kStep);
            ++m_frames;
        }
    }

    // Delivers the moves the last frame queued, as the next frame would before anything else reads them.
    void Deliver() { world.manager.Update(20.0f); }

    SceneTree& Tree() { return world.scene->GetSceneTree(); }
    FreeCameraNode& Camera() { return *world.scene->GetCamera(); }

    std::shared_ptr<Actor> ActorAt(ActorId id, float x, float y, float z, const std::string& extra = "")
    {
        auto actor = world.MakeActor(id, SceneWorld::TransformAt(x, y, z) + extra);
        EXPECT_TRUE(actor);
        return actor;
    }

    // Every actor of the timeline, each at its own recognisable spot.
    void MakeAllActors()
    {
        for (ActorId id : {5u, 12u, 13u, 14u, 17u, 19u, 20u})
        {
            ActorAt(id, static_cast<float>(id), -1.0f, static_cast<float>(id) * 10.0f);
        }
    }

    std::array<float, 3> PositionOf(ActorId id) { return TransformOf(world.logic->GetActor(id).lock())->GetPosition(); }

    void ExpectPosition(ActorId id, float x, float y, float z)
    {
        const auto p = PositionOf(id);
        EXPECT_NEAR(p[0], x, 1e-4f) << "actor " << id << " at t = " << m_time;
        EXPECT_NEAR(p[1], y, 1e-4f) << "actor " << id << " at t = " << m_time;
        EXPECT_NEAR(p[2], z, 1e-4f) << "actor " << id << " at t = " << m_time;
    }

    void ExpectUnmoved(ActorId id)
    {
        ExpectPosition(id, static_cast<float>(id), -1.0f, static_cast<float>(id) * 10.0f);
    }

    void ExpectCameraAt(float x, float y, float z)
    {
        EXPECT_NEAR(Camera().GetPosition().x, x, 1e-5f) << "t = " << m_time;
        EXPECT_NEAR(Camera().GetPosition().y, y, 1e-5f) << "t = " << m_time;
        EXPECT_NEAR(Camera().GetPosition().z, z, 1e-5f) << "t = " << m_time;
    }

    SceneWorld world{SceneWorld::Kind::ScriptedScene};
    std::array<unsigned char, 256> keys{};
    Mouse mouse;

private:
    int m_frames = 0;
    float m_time = 0.0f;
};

TEST_F(TimelineTest, SceneStartsWithItsCameraUpsideDownAtTheOrigin)
{
    EXPECT_EQ(world.scene->GetName(), "First s");
    EXPECT_EQ(Tree().GetCamera(), world.scene->GetCamera());
    ExpectCameraAt(0.0f, 2.0f, 0.0f);
    EXPECT_NEAR(Camera().GetUp().y, -1.0f, 1e-6f);
    EXPECT_NEAR(Camera().GetLook().z, -1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(Scene3::GetTravelZ(), -32.0f);
}

TEST_F(TimelineTest, FirstFrameLooksBackAlongMinusZWithTheFirstSky)
{
    Tree().SetSkySelector(9);
    RunUntil(0.0f);
    ExpectCameraAt(0.0f, 2.0f, -16.0f);
    EXPECT_NEAR(Camera().GetUp().y, -1.0f, 1e-6f);
    EXPECT_NEAR(Camera().GetLook().x, 0.0f, 1e-6f);
    EXPECT_NEAR(Camera().GetLook().y, 0.0f, 1e-6f);
    EXPECT_NEAR(Camera().GetLook().z, -1.0f, 1e-6f);
    EXPECT_EQ(Tree().GetSkySelector(), 0u);
}

TEST_F(TimelineTest, CameraPitchesDownUntilFifteenSecondsThenKeepsItsTilt)
{
    RunUntil(8.0f);
    ExpectCameraAt(0.0f, 2.0f, -8.0f);
    EXPECT_NEAR(Camera().GetLook().x, 0.0f, 1e-4f);
    EXPECT_NEAR(Camera().GetLook().y, -1.0f, 1e-4f);
    EXPECT_NEAR(Camera().GetLook().z, 0.0f, 1e-4f);

    RunUntil(15.0f);
    // Forward along +z, tilted down by about pi/16 (the frame at exactly 15 s no longer pitches).
    const Vector3 look = Camera().GetLook();
    EXPECT_NEAR(look.x, 0.0f, 1e-4f);
    EXPECT_GT(look.z, 0.0f);
    EXPECT_NEAR(std::atan2(-look.y, look.z), 11.25f * kDegrees, 0.5f * kDegrees);
    ExpectCameraAt(86.0f, 2.0f, -32.0f + 16.0f * kStep);

    RunUntil(30.0f);
    EXPECT_NEAR(Camera().GetLook().x, look.x, 1e-6f);
    EXPECT_NEAR(Camera().GetLook().y, look.y, 1e-6f);
    EXPECT_NEAR(Camera().GetLook().z, look.z, 1e-6f);

    // A rendered frame re-orthonormalises without changing the direction.
    Camera().Render(&Tree(), nullptr);
    EXPECT_NEAR(Camera().GetLook().y, look.y, 1e-5f);
}

TEST_F(TimelineTest, SegmentBoundariesAreExactlyFifteenAndFortyFour)
{
    const float justBefore15 = std::nextafter(15.0f, 0.0f);
    const float justBefore44 = std::nextafter(44.0f, 0.0f);

    Frame(0.0f, justBefore15);
    ExpectCameraAt(0.0f, 2.0f, justBefore15 - 16.0f);
    EXPECT_FLOAT_EQ(Scene3::GetTravelZ(), -32.0f);

    Frame(0.0f, 15.0f);
    ExpectCameraAt(86.0f, 2.0f, -32.0f);

    Frame(0.5f, justBefore44);
    ExpectCameraAt(86.0f, 2.0f, -24.0f);
    EXPECT_EQ(Tree().GetSkySelector(), 0u);

    Frame(0.5f, 44.0f);
    ExpectCameraAt(0.0f, 96.0f, 0.0f);
    EXPECT_EQ(Tree().GetSkySelector(), 1u);
    // The last segment leaves the travelling z where it was.
    EXPECT_FLOAT_EQ(Scene3::GetTravelZ(), -24.0f);

    Frame(0.5f, 500.0f);
    ExpectCameraAt(0.0f, 96.0f, 0.0f);
}

TEST_F(TimelineTest, SkySelectorIsLeftAloneDuringTheFlight)
{
    RunUntil(15.0f);
    EXPECT_EQ(Tree().GetSkySelector(), 0u);
    Tree().SetSkySelector(5);
    RunUntil(44.0f - kStep);
    EXPECT_EQ(Tree().GetSkySelector(), 5u);
    RunUntil(44.0f);
    EXPECT_EQ(Tree().GetSkySelector(), 1u);
}

TEST_F(TimelineTest, TravelZWrapsBackByFortyThreeOncePerFrame)
{
    // 2.625 s of flight take -32 to exactly 10, which already wraps.
    Frame(2.625f, 15.0f);
    EXPECT_FLOAT_EQ(Scene3::GetTravelZ(), -33.0f);
    ExpectCameraAt(86.0f, 2.0f, -33.0f);

    // A stall that overshoots by far more than 43 is wrapped only once.
    Scene3::ResetTimeline();
    Frame(10.0f, 20.0f);
    EXPECT_FLOAT_EQ(Scene3::GetTravelZ(), -32.0f + 160.0f - 43.0f);
}

TEST_F(TimelineTest, SteadyFlightStaysInsideTheLoop)
{
    RunUntil(15.0f);
    float previous = Scene3::GetTravelZ();
    int wraps = 0;
    for (float t = 15.0f + kStep; t < 44.0f; t += kStep)
    {
        Frame(kStep, t);
        const float z = Scene3::GetTravelZ();
        EXPECT_GE(z, -33.0f);
        EXPECT_LT(z, 10.0f);
        wraps += z < previous ? 1 : 0;
        previous = z;
    }
    // 29 s at 16 units per second over a loop of 43 units.
    EXPECT_EQ(wraps, static_cast<int>((29.0f * 16.0f - 42.0f) / 43.0f) + 1);
}

TEST_F(TimelineTest, EachActorRowAppliesInItsWindowAtItsPosition)
{
    MakeAllActors();

    RunUntil(10.0f);
    Deliver();
    float z = Scene3::GetTravelZ();
    ASSERT_FLOAT_EQ(z, -32.0f);
    ExpectPosition(5, 5.0f, -1.0f, 50.0f);   // spins where it stands
    ExpectPosition(17, 17.0f, -1.0f, 170.0f);
    ExpectPosition(14, 86.0f, 2.0f, z + 2.0f);
    ExpectPosition(12, 186.0f, 2.0f, z + 2.0f);
    ExpectPosition(13, 186.0f, 2.0f, z + 2.0f);
    ExpectUnmoved(19);
    ExpectUnmoved(20);

    RunUntil(18.0f);
    Deliver();
    z = Scene3::GetTravelZ();
    ExpectPosition(19, 86.9f, 2.0f, z + 3.0f);
    ExpectPosition(14, 86.0f, 2.0f, z + 2.0f);
    ExpectUnmoved(20);

    RunUntil(25.0f);
    Deliver();
    z = Scene3::GetTravelZ();
    ExpectPosition(19, 0.5f, 2.0f, z + 1.5f);
    ExpectPosition(20, 86.9f, 2.0f, z + 3.0f);
    ExpectPosition(12, 186.0f, 2.0f, z + 2.0f);

    RunUntil(30.0f);
    Deliver();
    z = Scene3::GetTravelZ();
    ExpectPosition(20, 0.5f, 2.0f, z + 1.5f);
    ExpectPosition(12, 86.0f, 2.0f, z + 2.0f);
    ExpectPosition(13, 86.0f, 2.0f, z + 2.0f);

    // After the flight the travelling actors stay where the last flight frame left the travelling z.
    RunUntil(50.0f);
    Deliver();
    ExpectPosition(13, 86.0f, 2.0f, Scene3::GetTravelZ() + 2.0f);
    ExpectPosition(5, 5.0f, -1.0f, 50.0f);
}

TEST_F(TimelineTest, RowsChangeExactlyAtTheirBoundaries)
{
    MakeAllActors();
    const auto at = [this](float t) {
        Frame(0.0f, t);
        Deliver();
    };

    at(std::nextafter(0.0f, -1.0f));   // before 0 only the every-frame rows apply
    ExpectUnmoved(12);
    ExpectUnmoved(13);
    ExpectPosition(14, 86.0f, 2.0f, -30.0f);

    at(0.0f);
    ExpectPosition(12, 186.0f, 2.0f, -30.0f);

    at(std::nextafter(15.0f, 0.0f));
    ExpectUnmoved(19);
    at(15.0f);
    ExpectPosition(19, 86.9f, 2.0f, -29.0f);
    at(std::nextafter(21.5f, 0.0f));
    ExpectPosition(19, 86.9f, 2.0f, -29.0f);
    at(21.5f);
    ExpectPosition(19, 0.5f, 2.0f, -30.5f);

    at(std::nextafter(22.0f, 0.0f));
    ExpectUnmoved(20);
    at(22.0f);
    ExpectPosition(20, 86.9f, 2.0f, -29.0f);
    at(std::nextafter(29.0f, 0.0f));
    ExpectPosition(20, 86.9f, 2.0f, -29.0f);
    ExpectPosition(12, 186.0f, 2.0f, -30.0f);
    at(29.0f);
    ExpectPosition(20, 0.5f, 2.0f, -30.5f);
    ExpectPosition(12, 86.0f, 2.0f, -30.0f);
    ExpectPosition(13, 86.0f, 2.0f, -30.0f);
}

TEST_F(TimelineTest, EveryActorRowTurnsItsOwnAngleAtItsOwnRateInItsWindow)
{
    // The choreography's eleven rows as the presentation is meant to move: in [from, until) the actor turns
    // about one axis at `rate` degrees per second, where it stands or at (x, y, travel z + zOffset).
    enum class Angle
    {
        Yaw,
        Roll
    };
    struct Row
    {
        ActorId actor;
        float from;
        float until;
        bool staysPut;
        float x, y, zOffset;
        Angle angle;
        float rate;
    };
    constexpr float kAlways = 1.0e9f;
    const Row rows[] = {
        {5, -kAlways, kAlways, true, 0.0f, 0.0f, 0.0f, Angle::Yaw, 16.0f},
        {17, -kAlways, kAlways, true, 0.0f, 0.0f, 0.0f, Angle::Yaw, 16.0f},
        {14, -kAlways, kAlways, false, 86.0f, 2.0f, 2.0f, Angle::Yaw, 16.0f},
        {20, 22.0f, 29.0f, false, 86.9f, 2.0f, 3.0f, Angle::Roll, 12.0f},
        {20, 29.0f, kAlways, false, 0.5f, 2.0f, 1.5f, Angle::Roll, 16.0f},
        {19, 15.0f, 21.5f, false, 86.9f, 2.0f, 3.0f, Angle::Roll, 12.0f},
        {19, 21.5f, kAlways, false, 0.5f, 2.0f, 1.5f, Angle::Roll, 16.0f},
        {12, 0.0f, 29.0f, false, 186.0f, 2.0f, 2.0f, Angle::Roll, 64.0f},
        {12, 29.0f, kAlways, false, 86.0f, 2.0f, 2.0f, Angle::Roll, 64.0f},
        {13, 0.0f, 29.0f, false, 186.0f, 2.0f, 2.0f, Angle::Roll, 64.0f},
        {13, 29.0f, kAlways, false, 86.0f, 2.0f, 2.0f, Angle::Roll, 64.0f},
    };
    // Three seconds on each side of 21.5 and 22 s, and of 29 s.
    const auto watched = [](float t) { return (t >= 18.5f && t < 25.0f) || (t >= 26.0f && t < 32.0f); };

    MakeAllActors();
    const auto anglesOf = [this](ActorId id) {
        const YawPitchRoll radians = TransformOf(world.logic->GetActor(id).lock())->GetYawPitchRoll();
        return std::array<float, 3>{radians.yaw / kDegrees, radians.pitch / kDegrees, radians.roll / kDegrees};
    };
    const auto turn = [](float before, float after) {   // degrees, across the +-180 seam
        return std::remainder(after - before, 360.0f);
    };

    float turned[std::size(rows)] = {};
    float strayTurn[std::size(rows)] = {};
    int frames[std::size(rows)] = {};
    std::vector<std::string> faults;
    for (int frame = 0; static_cast<float>(frame) * kStep < 32.0f; ++frame)
    {
        const float t = static_cast<float>(frame) * kStep;
        std::map<ActorId, std::pair<std::array<float, 3>, std::array<float, 3>>> before;
        for (const Row& row : rows)
        {
            before[row.actor] = {anglesOf(row.actor), PositionOf(row.actor)};
        }
        Frame(frame == 0 ? 0.0f : kStep, t);
        Deliver();
        if (!watched(t))
        {
            continue;
        }
        for (const auto& [id, was] : before)
        {
            const std::array<float, 3> angles = anglesOf(id);
            const std::array<float, 3> position = PositionOf(id);
            const Row* active = nullptr;
            for (const Row& row : rows)
            {
                active = active == nullptr && row.actor == id && t >= row.from && t < row.until ? &row : active;
            }
            if (active == nullptr)
            {
                if (angles != was.first || position != was.second)
                {
                    faults.push_back("actor " + std::to_string(id) + " moved outside its rows at " + std::to_string(t));
                }
                continue;
            }
            const std::size_t index = static_cast<std::size_t>(active - rows);
            const int advanced = active->angle == Angle::Yaw ? 0 : 2;
            turned[index] += turn(was.first[advanced], angles[advanced]);
            strayTurn[index] += std::fabs(turn(was.first[2 - advanced], angles[2 - advanced])) +
                                std::fabs(turn(was.first[1], angles[1]));
            ++frames[index];
            const std::array<float, 3> expected =
                active->staysPut ? was.second
                                 : std::array<float, 3>{active->x, active->y, Scene3::GetTravelZ() + active->zOffset};
            for (int i = 0; i < 3; ++i)
            {
                if (std::fabs(position[i] - expected[i]) > 1e-4f)
                {
                    faults.push_back("actor " + std::to_string(id) + " off its row's position at " + std::to_string(t));
                    break;
                }
            }
        }
    }
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults, the first: " << faults.front();
    for (std::size_t i = 0; i < std::size(rows); ++i)
    {
        SCOPED_TRACE("row " + std::to_string(i + 1) + ", actor " + std::to_string(rows[i].actor));
        ASSERT_GT(frames[i], 0) << "the watched seconds miss this row";
        EXPECT_NEAR(turned[i], rows[i].rate * static_cast<float>(frames[i]) * kStep, 0.1f);
        EXPECT_LT(strayTurn[i], 0.01f) << "another angle turned too";
    }
}

TEST_F(TimelineTest, RotationAccumulatesOnlyThroughDeliveredMoves)
{
    MakeAllActors();
    RunUntil(5.0f);
    Deliver();
    // 320 frames of 1/64 s at 16 degrees per second.
    EXPECT_NEAR(TransformOf(world.logic->GetActor(5).lock())->GetYawPitchRoll().yaw, 80.0f * kDegrees, 1e-3f);
    EXPECT_NEAR(TransformOf(world.logic->GetActor(17).lock())->GetYawPitchRoll().yaw, 80.0f * kDegrees, 1e-3f);
    EXPECT_NEAR(TransformOf(world.logic->GetActor(14).lock())->GetYawPitchRoll().pitch, 0.0f, 1e-5f);
    // Rolls at 64 degrees per second: 320 degrees, read back as -40.
    EXPECT_NEAR(TransformOf(world.logic->GetActor(12).lock())->GetYawPitchRoll().roll, -40.0f * kDegrees, 1e-3f);

    // Moves of one frame wait in the queue: a frame's update reads what earlier frames delivered, no more.
    const float before = TransformOf(world.logic->GetActor(5).lock())->GetYawPitchRoll().yaw;
    world.scene->Update(nullptr, keys, mouse, 1.0f, 6.0f);
    world.scene->Update(nullptr, keys, mouse, 1.0f, 7.0f);
    EXPECT_FLOAT_EQ(TransformOf(world.logic->GetActor(5).lock())->GetYawPitchRoll().yaw, before);
    EXPECT_EQ(world.manager.GetPendingEventCount(), 10u);   // five live rows, twice
}

TEST_F(TimelineTest, MovesReachTheActorsSceneNodes)
{
    ActorAt(14, 0.0f, 0.0f, 0.0f, "<TestRenderComponent/>");
    RunUntil(1.0f);
    Deliver();
    const auto node = Tree().FindActorNode(14);
    ASSERT_TRUE(node);
    EXPECT_EQ(node->GetProperties().m_toWorld, TransformOf(world.logic->GetActor(14).lock())->GetTransform());
    EXPECT_FLOAT_EQ(node->GetProperties().m_toWorld.m[12], 86.0f);
}

TEST_F(TimelineTest, FirstMoveDropsAnyScale)
{
    auto actor = ActorAt(5, 1.0f, 2.0f, 3.0f);
    Matrix4x4 scaled = Matrix4x4::Translation(1.0f, 2.0f, 3.0f);
    scaled.m[0] = scaled.m[5] = scaled.m[10] = 3.0f;
    TransformOf(actor)->SetTransform(scaled);

    Frame(kStep, 1.0f);
    Deliver();
    const Matrix4x4& moved = TransformOf(actor)->GetTransform();
    for (int row = 0; row < 3; ++row)
    {
        const float* r = &moved.m[row * 4];
        EXPECT_NEAR(r[0] * r[0] + r[1] * r[1] + r[2] * r[2], 1.0f, 1e-5f) << "row " << row;
    }
    ExpectPosition(5, 1.0f, 2.0f, 3.0f);
}

TEST_F(TimelineTest, WorldWithoutTheActorsRunsTheCameraAndSendsNothing)
{
    // An unrelated actor, and one of the timeline's ids without a transform.
    ActorAt(7, 0.0f, 0.0f, 0.0f);
    world.MakeActor(5, "<TestRenderComponent/>");
    for (float t : {0.0f, 10.0f, 20.0f, 30.0f, 50.0f})
    {
        Frame(kStep, t);
        EXPECT_EQ(world.manager.GetPendingEventCount(), 0u) << "t = " << t;
    }
    ExpectCameraAt(0.0f, 96.0f, 0.0f);
    EXPECT_EQ(Tree().GetSkySelector(), 1u);
}

TEST(TimelineWithoutLogic, CameraRunsWhenNoLogicExistsYet)
{
    Scene3::ResetTimeline();
    EventManager manager("no logic");
    EngineOptions options;
    Scene3 scene(options, nullptr, nullptr, [] { return static_cast<BaseEngineLogic*>(nullptr); });
    std::array<unsigned char, 256> keys{};
    Mouse mouse;
    scene.Update(nullptr, keys, mouse, 1.0f, 16.0f);
    EXPECT_FLOAT_EQ(scene.GetCamera()->GetPosition().z, -16.0f);
    EXPECT_EQ(manager.GetPendingEventCount(), 0u);
}
}
