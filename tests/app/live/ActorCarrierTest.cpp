// Carrying an actor with the flown camera: it keeps its place as seen from the camera however the camera flies
// and turns, and the pose keyed for it plays back as the very matrix it was drawn with.
#include "app/live/ActorCarrier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "actors/ComponentLookup.h"
#include "app/live/timeline/ChoreographyEditor.h"
#include "app/live/timeline/TimelineModel.h"
#include "app/Mouse.h"
#include "tests/scene/SceneTestSupport.h"

namespace
{
// The actor's position in the camera's own axes.
Vector3 SeenFrom(const FlyCamera::Pose& camera, const Vector3& point)
{
    const auto local = ActorCarrier::CameraToWorld(camera).Inverse().Transform({point.x, point.y, point.z, 1.0f});
    return {local[0], local[1], local[2]};
}

void ExpectNear(const Vector3& a, const Vector3& b, float tolerance)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}
}

TEST(ActorCarrier, TheActorKeepsItsPlaceAndTurnAsSeenFromTheCameraWhereverItFlies)
{
    const FlyCamera::Pose start{{1.0f, 2.0f, -16.0f}, 20.0f, -10.0f, 0.0f};
    const FlyCamera::Pose actorPose{{4.0f, 0.5f, -6.0f}, 35.0f, 5.0f, -12.0f};
    ActorCarrier carrier;
    EXPECT_FALSE(carrier.Carried());
    carrier.PickUp(7, ActorCarrier::MatrixOf(actorPose), start);
    ASSERT_EQ(carrier.Carried(), 7u);

    // Not moved: the actor stays where it stood, turned as it was.
    const FlyCamera::Pose still = carrier.PoseUnder(start);
    ExpectNear(still.position, actorPose.position, 1e-4f);
    EXPECT_NEAR(still.yaw, actorPose.yaw, 1e-3f);
    EXPECT_NEAR(still.pitch, actorPose.pitch, 1e-3f);
    EXPECT_NEAR(still.roll, actorPose.roll, 1e-3f);

    // Flown, turned and tilted: the same place in the camera's eyes.
    const FlyCamera::Pose flown{{-8.0f, 6.0f, 30.0f}, 110.0f, 25.0f, 0.0f};
    ExpectNear(SeenFrom(flown, carrier.PoseUnder(flown).position), SeenFrom(start, actorPose.position), 1e-3f);
    // Turned about the world's up: turned with it, as much.
    const FlyCamera::Pose turned{start.position, start.yaw + 90.0f, start.pitch, 0.0f};
    EXPECT_NEAR(carrier.PoseUnder(turned).yaw, actorPose.yaw + 90.0f, 1e-2f);
    EXPECT_NEAR(carrier.PoseUnder(turned).pitch, actorPose.pitch, 1e-2f);

    carrier.PutDown();
    EXPECT_FALSE(carrier.Carried());
}

TEST(ActorCarrier, TheKeyedActorPlaysBackAsTheMatrixItWasDrawnWithBitForBit)
{
    SceneWorld world(SceneWorld::Kind::ScriptedScene);
    ASSERT_TRUE(world.MakeActor(14, SceneWorld::TransformAt(3.0f, 1.0f, 9.0f)));
    const auto transform = FindComponent<TransformComponent>(*world.logic->GetActor(14).lock());

    ActorCarrier carrier;
    const FlyCamera::Pose camera{{0.0f, 2.0f, -16.0f}, 0.0f, 0.0f, 0.0f};
    carrier.PickUp(14, transform->GetTransform(), camera);
    const FlyCamera::Pose flown{{5.0f, 3.0f, -2.0f}, -47.3f, 12.9f, 0.0f};
    const FlyCamera::Pose carried = carrier.PoseUnder(flown);
    const Matrix4x4 drawn = ActorCarrier::MatrixOf(carried);

    // Keyed at 2 s with the camera, as K does while carrying; actor 14 has a row that turns it at 2 s, which its
    // six tracks override.
    Choreography start = Choreography::Presentation();
    start.beatSeconds = 0.5f;
    ChoreographyEditor editor(start);
    TimelineModel model(editor);
    ASSERT_EQ(model.KeyWhatYouSee(2.1, {{Choreography::Track::kCamera, flown.Channels()}, {14, carried.Channels()}}),
              2.0f);
    world.scene->SetChoreography(std::make_shared<const Choreography>(model.Current()), "");
    std::array<unsigned char, 256> keys{};
    Mouse mouse;
    world.scene->Update(nullptr, keys, mouse, 1.0f / 60.0f, 2.0f);
    world.manager.Update(20.0f);
    EXPECT_EQ(transform->GetTransform(), drawn);
}
