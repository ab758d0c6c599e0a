// Fly mode's camera rules: the wheel sets the speed within its limits and Shift multiplies it, a diagonal is no
// faster than straight on and a stall does not fling the camera; the pointer turns it, never past looking
// straight up or down, and upside down it still follows the pointer as seen; and what is keyed from it plays back
// onto the scene's camera as exactly the same basis and position (so the keyed picture is the flown one).
#include "app/live/FlyCamera.h"

#include "app/EngineOptions.h"
#include "app/live/timeline/TimelineModel.h"
#include "app/Mouse.h"
#include "scene/FreeCameraNode.h"
#include "scene/Scene3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{
FlyCamera::Pose Level()
{
    return {{0.0f, 2.0f, 0.0f}, 0.0f, 0.0f, 0.0f};
}

float Distance(const Vector3& a, const Vector3& b)
{
    const Vector3 d{a.x - b.x, a.y - b.y, a.z - b.z};
    return std::sqrt(Vector3::Dot(d, d));
}
}

TEST(FlyCamera, TheWheelSetsTheSpeedWithinItsLimitsAndShiftAndDiagonalsMoveAsFarAsTheySay)
{
    FlyCamera fly;
    fly.SetPose(Level());
    EXPECT_EQ(fly.GetSpeed(), FlyCamera::kStartSpeed);

    fly.Update({1.0f, 0.0f, 0.0f}, 0.2f);
    EXPECT_NEAR(fly.GetPose().position.z, FlyCamera::kStartSpeed * 0.2f, 1e-4f) << "W flies along the look axis";
    EXPECT_EQ(fly.GetPose().position.x, 0.0f);

    fly.SetPose(Level());
    FlyCamera::Input fast{1.0f, 0.0f, 0.0f, true};
    fly.Update(fast, 0.2f);
    EXPECT_NEAR(fly.GetPose().position.z, FlyCamera::kStartSpeed * FlyCamera::kFastFactor * 0.2f, 1e-3f);

    fly.SetPose(Level());
    fly.Update({1.0f, 1.0f, 1.0f}, 0.2f);
    EXPECT_NEAR(Distance(fly.GetPose().position, Level().position), FlyCamera::kStartSpeed * 0.2f, 1e-4f)
        << "forward, right and up at once go no faster";
    EXPECT_GT(fly.GetPose().position.x, 0.0f);
    EXPECT_GT(fly.GetPose().position.y, 2.0f);

    fly.SetPose(Level());
    fly.Update({0.0f, 0.0f, -1.0f}, 10.0f);
    EXPECT_NEAR(fly.GetPose().position.y, 2.0f - FlyCamera::kStartSpeed * FlyCamera::kLongestStep, 1e-4f)
        << "Q goes down, and a stall moves no further than the longest step";

    FlyCamera::Input wheel;
    wheel.wheel = 2.0f;
    fly.Update(wheel, 0.0f);
    EXPECT_NEAR(fly.GetSpeed(), FlyCamera::kStartSpeed * 1.5625f, 1e-4f);
    wheel.wheel = -1.0f;
    for (int notch = 0; notch < 100; ++notch)
    {
        fly.Update(wheel, 0.0f);
    }
    EXPECT_EQ(fly.GetSpeed(), FlyCamera::kSlowest);
    wheel.wheel = 1000.0f;
    fly.Update(wheel, 0.0f);
    EXPECT_EQ(fly.GetSpeed(), FlyCamera::kFastest);
    wheel.wheel = NAN;
    fly.Update(wheel, 0.0f);
    EXPECT_EQ(fly.GetSpeed(), FlyCamera::kFastest) << "a wheel that is no number changes nothing";

    // The speed outlives the flight.
    EngineOptions options;
    FreeCameraNode camera(options);
    fly.Enter(camera);
    fly.Leave();
    fly.Enter(camera);
    EXPECT_EQ(fly.GetSpeed(), FlyCamera::kFastest);
}

TEST(FlyCamera, ThePointerTurnsNeverPastStraightUpOrDownAndUpsideDownFollowsThePointerAsSeen)
{
    FlyCamera fly;
    fly.SetPose(Level());
    FlyCamera::Input turn;
    turn.turnX = 100.0f;
    fly.Update(turn, 0.0f);
    EXPECT_EQ(fly.GetPose().yaw, 100.0f * FlyCamera::kDegreesPerPixel);
    EXPECT_GT(FlyCamera::Orientation(fly.GetPose())(2, 0), 0.0f) << "the pointer moved right turns the look right";

    turn = {};
    turn.turnY = 10000.0f;
    fly.Update(turn, 0.0f);
    EXPECT_EQ(fly.GetPose().pitch, FlyCamera::kSteepest);
    EXPECT_LT(FlyCamera::Orientation(fly.GetPose())(2, 1), 0.0f) << "the pointer moved down looks down";
    turn.turnY = -30000.0f;
    fly.Update(turn, 0.0f);
    EXPECT_EQ(fly.GetPose().pitch, -FlyCamera::kSteepest);

    for (int round = 0; round < 10; ++round)   // yaw stays a half turn either way however far it goes
    {
        turn = {};
        turn.turnX = 700.0f;
        fly.Update(turn, 0.0f);
        EXPECT_LE(std::fabs(fly.GetPose().yaw), 180.0f);
    }

    // Upside down, as the presentation starts: the screen's right is the world's left.
    FlyCamera::Pose upsideDown = Level();
    upsideDown.roll = 180.0f;
    fly.SetPose(upsideDown);
    turn = {};
    turn.turnX = 100.0f;
    turn.turnY = 40.0f;
    fly.Update(turn, 0.0f);
    EXPECT_EQ(fly.GetPose().yaw, -100.0f * FlyCamera::kDegreesPerPixel);
    EXPECT_EQ(fly.GetPose().pitch, -40.0f * FlyCamera::kDegreesPerPixel);
}

TEST(FlyCamera, EnteringKeepsTheViewAndWhatIsKeyedPlaysBackAsTheSameCameraBitForBit)
{
    Scene3::ResetTimeline();
    EngineOptions options;
    Scene3 scene(options, nullptr, nullptr, [] { return nullptr; });
    FreeCameraNode& camera = *scene.GetCamera();
    camera.UpdateViewMatrix();

    FlyCamera fly;
    fly.Enter(camera);
    EXPECT_EQ(fly.GetPose().position.y, 2.0f);
    FreeCameraNode flown(options);
    fly.ApplyTo(flown);
    EXPECT_NEAR(flown.GetLook().z, camera.GetLook().z, 1e-5f) << "entering does not turn the view";
    EXPECT_NEAR(flown.GetUp().y, camera.GetUp().y, 1e-5f) << "upside down stays upside down";

    FlyCamera::Input input;
    input.forward = 1.0f;
    input.turnX = 37.0f;
    input.turnY = -13.0f;
    fly.Update(input, 0.3f);
    fly.ApplyTo(flown);
    flown.UpdateViewMatrix();

    // Keyed at 2 s on a half-second grid, played at 2 s from the compiled-in presentation's state there.
    Choreography start = Choreography::Presentation();
    start.beatSeconds = 0.5f;
    ChoreographyEditor editor(start);
    TimelineModel model(editor);
    EXPECT_EQ(model.KeyWhatYouSee(2.1, {{Choreography::Track::kCamera, fly.GetPose().Channels()}}), 2.0f);
    scene.SetChoreography(std::make_shared<const Choreography>(model.Current()), "");
    std::array<unsigned char, 256> keys{};
    Mouse mouse;
    scene.Update(nullptr, keys, mouse, 1.0f / 60.0f, 2.0f);
    camera.UpdateViewMatrix();
    EXPECT_EQ(camera.GetView(), flown.GetView());
    EXPECT_EQ(camera.GetPosition().x, fly.GetPose().position.x);
    EXPECT_EQ(camera.GetPosition().y, fly.GetPose().position.y);
    EXPECT_EQ(camera.GetPosition().z, fly.GetPose().position.z);
}
