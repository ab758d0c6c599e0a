// Clicking an actor in the view: the ray through a clicked point passes through what the camera draws there,
// boxes are met where they stand however they are turned, and the nearest actor with a mesh wins, an enclosing
// one last.
#include "app/live/ActorPicker.h"

#include <gtest/gtest.h>

#include <cmath>

#include "actors/ComponentLookup.h"
#include "actors/MeshComponent.h"
#include "app/EngineOptions.h"
#include "scene/FreeCameraNode.h"
#include "tests/scene/SceneTestSupport.h"

namespace
{
constexpr float kPi = 3.14159265f;

ActorPicker::Eye EyeOf(const FreeCameraNode& camera)
{
    return {camera.GetPosition(), camera.GetRight(), camera.GetUp(), camera.GetLook(), camera.GetProj()};
}

// How far `point` lies from the line of `ray`.
float DistanceFromRay(const ActorPicker::Ray& ray, const Vector3& point)
{
    const Vector3 toPoint{point.x - ray.origin.x, point.y - ray.origin.y, point.z - ray.origin.z};
    const Vector3 unit = Vector3::Normalize(ray.direction);
    const Vector3 across = Vector3::Cross(toPoint, unit);
    return std::sqrt(Vector3::Dot(across, across));
}

const ActorPicker::Box kUnitBox{{-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}};
}

TEST(ActorPicker, TheRayThroughAPointOfThePicturePassesThroughWhatTheCameraDrawsThere)
{
    EngineOptions options;
    FreeCameraNode camera(options);
    // A wide lens on a tall picture, turned and standing off the origin, so that no factor can be left out.
    camera.SetLens(1.2f, 0.6f, 0.1f, 1000.0f);
    camera.SetPosition(3.0f, -2.0f, 7.0f);
    const Matrix4x4 turn = Matrix4x4::RotationYawPitchRoll(0.7f, -0.3f, 2.9f);
    camera.SetBasis({turn(0, 0), turn(0, 1), turn(0, 2)}, {turn(1, 0), turn(1, 1), turn(1, 2)},
                    {turn(2, 0), turn(2, 1), turn(2, 2)});
    camera.UpdateViewMatrix();
    const Matrix4x4 viewProjection = camera.GetView() * camera.GetProj();
    for (const Vector3& point : {Vector3{3.0f, -2.0f, 7.0f}, Vector3{10.0f, 4.0f, -5.0f}, Vector3{-6.0f, 1.0f, 2.0f}})
    {
        const auto clip = viewProjection.Transform({point.x, point.y, point.z, 1.0f});
        if (clip[3] <= 0.0f)
        {
            continue;   // behind the camera: not in the picture
        }
        const ActorPicker::Ray ray = ActorPicker::Through(EyeOf(camera), clip[0] / clip[3], clip[1] / clip[3]);
        EXPECT_LT(DistanceFromRay(ray, point), 1e-3f) << point.x << ", " << point.y << ", " << point.z;
        EXPECT_GT(Vector3::Dot(ray.direction, {point.x - 3.0f, point.y + 2.0f, point.z - 7.0f}), 0.0f)
            << "the ray runs towards the point, not away from it";
    }
}

TEST(ActorPicker, ABoxIsMetWhereItStandsTurnedAndNeverBehindTheEye)
{
    const ActorPicker::Ray alongZ{{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    const std::optional<float> straight = ActorPicker::Meets(alongZ, kUnitBox, Matrix4x4::Translation(0, 0, 10));
    ASSERT_TRUE(straight);
    EXPECT_NEAR(*straight, 9.0f, 1e-5f);

    EXPECT_FALSE(ActorPicker::Meets(alongZ, kUnitBox, Matrix4x4::Translation(3, 0, 10))) << "beside the ray";
    EXPECT_FALSE(ActorPicker::Meets(alongZ, kUnitBox, Matrix4x4::Translation(0, 0, -10))) << "behind the eye";
    EXPECT_EQ(ActorPicker::Meets(alongZ, kUnitBox, Matrix4x4::Identity()), 1.0f) << "from inside, where it leaves";

    // A box turned by 45 degrees about y reaches out to sqrt(2) sideways: a ray 1.3 off its centre now enters it.
    const ActorPicker::Ray offset{{1.3f, 0.0f, 0.0f}, {0.0f, 0.0f, 2.0f}};
    EXPECT_FALSE(ActorPicker::Meets(offset, kUnitBox, Matrix4x4::Translation(0, 0, 10)));
    const std::optional<float> turned = ActorPicker::Meets(
        offset, kUnitBox, Matrix4x4::RotationYawPitchRoll(kPi / 4.0f, 0, 0) * Matrix4x4::Translation(0, 0, 10));
    ASSERT_TRUE(turned);
    EXPECT_NEAR(*turned * 2.0f, 10.0f - (std::sqrt(2.0f) - 1.3f), 1e-4f) << "in multiples of the direction given";

    // Parallel to a pair of faces, outside them: never; a transform that flattens everything: nothing to hit.
    EXPECT_FALSE(
        ActorPicker::Meets({{0.0f, 5.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}, kUnitBox, Matrix4x4::Translation(0, 0, 10)));
    Matrix4x4 flat;
    flat(1, 1) = 0.0f;
    EXPECT_FALSE(ActorPicker::Meets(alongZ, kUnitBox, flat));
}

TEST(ActorPicker, TheNearestActorWithAMeshIsPickedAndOneWithoutIsNot)
{
    SceneWorld world;
    world.logic->GetActorFactory()->RegisterComponent<MeshComponent>();
    const std::string cube = world.scratch.Write("cube.obj", "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 1\n"
                                                             "v 5 5 5\n"   // a point no face uses: not bounds
                                                             "f 1 2 3\nf 1 3 4\n");
    const std::string mesh = "<MeshComponent><Obj>" + cube + "</Obj></MeshComponent>";
    ASSERT_TRUE(world.MakeActor(3, SceneWorld::TransformAt(0.0f, 0.0f, 20.0f) + mesh));
    ASSERT_TRUE(world.MakeActor(4, SceneWorld::TransformAt(0.0f, 0.0f, 10.0f) + mesh));
    ASSERT_TRUE(world.MakeActor(5, SceneWorld::TransformAt(0.0f, 0.0f, 5.0f)));   // no mesh
    ASSERT_TRUE(world.MakeActor(6, SceneWorld::TransformAt(0.0f, 6.0f, 30.0f) + mesh));

    const std::optional<ActorPicker::Box> box =
        ActorPicker::BoundsOf(*FindComponent<MeshComponent>(*world.logic->GetActor(3).lock()));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->high.x, 1.0f);
    EXPECT_EQ(box->high.z, 1.0f) << "only corners the faces draw";

    EXPECT_EQ(ActorPicker::Pick(*world.logic, {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}), 4u);
    EXPECT_EQ(ActorPicker::Pick(*world.logic, {{0.0f, 0.0f, 40.0f}, {0.0f, 0.0f, -1.0f}}), 3u) << "from the other side";
    EXPECT_EQ(ActorPicker::Pick(*world.logic, {{0.0f, 0.0f, 0.0f}, {0.0f, 0.2f, 1.0f}}), 6u);
    EXPECT_FALSE(ActorPicker::Pick(*world.logic, {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}}));

    // A hall around the eye, as big as a gallery: what stands inside it is picked, and the hall where nothing is.
    const std::string hall = world.scratch.Write("hall.obj", "v -100 -100 -100\nv 100 -100 -100\nv 100 100 100\n"
                                                             "f 1 2 3\n");
    ASSERT_TRUE(world.MakeActor(8, SceneWorld::TransformAt(0.0f, 0.0f, 0.0f) + "<MeshComponent><Obj>" + hall +
                                       "</Obj></MeshComponent>"));
    EXPECT_EQ(ActorPicker::Pick(*world.logic, {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}), 4u);
    EXPECT_EQ(ActorPicker::Pick(*world.logic, {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}}), 8u);
}
