// The free camera: its projection from the options, the view after placing it, pitching by half a turn and
// by small angles, re-orthonormalisation, and that later option changes (a resize) leave the lens alone.
#include "app/EngineOptions.h"
#include "scene/FreeCameraNode.h"
#include "tests/scene/SceneTestSupport.h"

#include <cmath>

namespace
{
constexpr float kPi = 3.14159265358979f;

void ExpectVectorNear(const Vector3& actual, float x, float y, float z, float tolerance = 1e-6f)
{
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

TEST(FreeCameraNode, ProjectionForAQuarterTurnSquareAspectAndTheDefaultPlanes)
{
    EngineOptions options;
    options.m_fieldOfView = kPi / 2.0f;
    options.m_screenAspect = 1.0f;
    options.m_screenNear = 0.1f;
    options.m_screenDepth = 1000.0f;
    const FreeCameraNode camera(options);

    Matrix4x4 expected;
    expected.m[10] = 1000.0f / 999.9f;
    expected.m[11] = 1.0f;
    expected.m[14] = -0.1f * 1000.0f / 999.9f;
    expected.m[15] = 0.0f;
    ExpectMatrixNear(camera.GetProj(), expected, 1e-6f);
    EXPECT_NEAR(camera.GetProj().m[10], 1.0001f, 1e-6f);
    EXPECT_NEAR(camera.GetProj().m[14], -0.10001f, 1e-6f);

    // A point on the near plane maps to depth 0, one on the far plane to depth 1.
    const auto nearPoint = camera.GetProj().Transform({0.0f, 0.0f, 0.1f, 1.0f});
    const auto farPoint = camera.GetProj().Transform({0.0f, 0.0f, 1000.0f, 1.0f});
    EXPECT_NEAR(nearPoint[2] / nearPoint[3], 0.0f, 1e-6f);
    EXPECT_NEAR(farPoint[2] / farPoint[3], 1.0f, 1e-6f);
}

TEST(FreeCameraNode, WideAspectNarrowsTheHorizontalScale)
{
    EngineOptions options;
    options.m_screenAspect = 16.0f / 9.0f;
    const FreeCameraNode camera(options);
    EXPECT_NEAR(camera.GetProj().m[0], 9.0f / 16.0f, 1e-6f);
    EXPECT_NEAR(camera.GetProj().m[5], 1.0f, 1e-6f);
}

TEST(FreeCameraNode, ViewAfterSetPositionInTheInitialBasis)
{
    FreeCameraNode camera{EngineOptions{}};
    camera.SetPosition(0.0f, 2.0f, 0.0f);
    // Placing alone does not rebuild the view.
    EXPECT_EQ(camera.GetView(), Matrix4x4::Identity());

    EXPECT_EQ(camera.Render(nullptr, nullptr), 0);
    EXPECT_EQ(camera.GetView(), Matrix4x4::Translation(0.0f, -2.0f, 0.0f));

    // A point in front of the camera ends up on its +z axis.
    camera.SetPosition(1.0f, 2.0f, 3.0f);
    camera.UpdateViewMatrix();
    const auto seen = camera.GetView().Transform({1.0f, 2.0f, 13.0f, 1.0f});
    EXPECT_NEAR(seen[0], 0.0f, 1e-6f);
    EXPECT_NEAR(seen[1], 0.0f, 1e-6f);
    EXPECT_NEAR(seen[2], 10.0f, 1e-6f);
}

TEST(FreeCameraNode, PitchByMinusPiTurnsTheCameraUpsideDown)
{
    FreeCameraNode camera{EngineOptions{}};
    camera.Pitch(-kPi);
    ExpectVectorNear(camera.GetRight(), 1.0f, 0.0f, 0.0f);
    ExpectVectorNear(camera.GetUp(), 0.0f, -1.0f, 0.0f);
    ExpectVectorNear(camera.GetLook(), 0.0f, 0.0f, -1.0f);

    // Seen from there, a point above the camera is below the view's centre and one behind it is in front.
    camera.UpdateViewMatrix();
    const auto above = camera.GetView().Transform({0.0f, 1.0f, -5.0f, 1.0f});
    EXPECT_NEAR(above[1], -1.0f, 1e-5f);
    EXPECT_NEAR(above[2], 5.0f, 1e-5f);
}

TEST(FreeCameraNode, PitchBySmallAnglesTurnsLookDownAndUpForward)
{
    for (float angle : {0.01f, 0.1f, 0.19634955f})
    {
        FreeCameraNode camera{EngineOptions{}};
        camera.Pitch(angle);
        ExpectVectorNear(camera.GetLook(), 0.0f, -std::sin(angle), std::cos(angle));
        ExpectVectorNear(camera.GetUp(), 0.0f, std::cos(angle), std::sin(angle));
        ExpectVectorNear(camera.GetRight(), 1.0f, 0.0f, 0.0f);
    }
    // Pitches add up.
    FreeCameraNode stepped{EngineOptions{}};
    for (int i = 0; i < 16; ++i)
    {
        stepped.Pitch(kPi / 32.0f);
    }
    ExpectVectorNear(stepped.GetLook(), 0.0f, -1.0f, 0.0f, 1e-5f);
}

TEST(FreeCameraNode, UpdateViewMatrixRestoresAnOrthonormalBasis)
{
    FreeCameraNode camera{EngineOptions{}};
    for (int i = 0; i < 1000; ++i)
    {
        camera.Pitch(0.0123f);
    }
    camera.UpdateViewMatrix();
    const Vector3 r = camera.GetRight(), u = camera.GetUp(), l = camera.GetLook();
    EXPECT_NEAR(Vector3::Dot(r, r), 1.0f, 1e-6f);
    EXPECT_NEAR(Vector3::Dot(u, u), 1.0f, 1e-6f);
    EXPECT_NEAR(Vector3::Dot(l, l), 1.0f, 1e-6f);
    EXPECT_NEAR(Vector3::Dot(r, u), 0.0f, 1e-6f);
    EXPECT_NEAR(Vector3::Dot(u, l), 0.0f, 1e-6f);
    EXPECT_NEAR(Vector3::Dot(r, l), 0.0f, 1e-6f);
}

TEST(FreeCameraNode, ResizingLeavesTheProjection)
{
    EngineOptions options;
    options.m_screenAspect = 4.0f / 3.0f;
    FreeCameraNode camera(options);
    const Matrix4x4 before = camera.GetProj();

    // What a resize does to the options; the camera read them once and keeps its lens.
    options.m_screenWidth = 640;
    options.m_screenHeight = 200;
    options.m_screenAspect = 3.2f;
    camera.SetPosition(5.0f, 5.0f, 5.0f);
    camera.UpdateViewMatrix();
    EXPECT_EQ(camera.GetProj(), before);
}
}
