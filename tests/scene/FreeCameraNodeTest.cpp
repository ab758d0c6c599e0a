// The free camera: its projection from the options, the view after placing it, pitching by half a turn and
// by small angles, re-orthonormalisation, and that later option changes (a resize) leave the lens alone.
#include "app/EngineOptions.h"
#include "scene/FreeCameraNode.h"
#include "tests/scene/SceneTestSupport.h"

#include <algorithm>
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

TEST(FreeCameraNode, BrokenLensValuesInTheOptionsFileGiveTheDefaultProjection)
{
    ScratchDirectory dir;
    // What the application does with the options file before it builds the camera: a 1280 x 720 window, with
    // `name` set to `value` instead.
    std::string messages;
    const auto cameraWith = [&dir, &messages](const std::string& name, const std::string& value) {
        std::string attributes = name + "=\"" + value + "\"";
        attributes += name == "renderer" ? "" : " renderer=\"Direct3D 11\"";
        attributes += name == "width" ? "" : " width=\"1280\"";
        attributes += name == "height" ? "" : " height=\"720\"";
        const std::string file = dir.Write("EngineOptions.xml", "<O><Graphics " + attributes + "/></O>");
        EngineOptions options;
        options.Load(file);
        testing::internal::CaptureStderr();
        options.ReplaceBrokenLensValues(file);
        messages = testing::internal::GetCapturedStderr();
        return FreeCameraNode(options);
    };
    const Matrix4x4 expected = cameraWith("renderer", "Direct3D 11").GetProj();
    EXPECT_EQ(messages, "");
    ASSERT_NEAR(expected.m[0] * 1280.0f / 720.0f, 1.0f, 1e-6f);
    ASSERT_NEAR(expected.m[10], 1000.0f / 999.9f, 1e-6f);

    // The window falls back to 1280 x 720 for a side that is not positive; text reads as 0. A near plane of
    // 1000 meets the default far plane, a far plane of 0.05 lies before the default near one, and 1e39 is
    // beyond the largest float.
    const std::pair<const char*, const char*> broken[] = {
        {"width", "0"},          {"width", "-1280"},     {"width", "wide"},       {"height", "0"},
        {"height", "-720"},      {"height", "tall"},     {"screenNear", "0"},     {"screenNear", "-0.5"},
        {"screenNear", "near"},  {"screenNear", "nan"},  {"screenNear", "1000"},  {"screenNear", "5000"},
        {"screenDepth", "0"},    {"screenDepth", "-10"}, {"screenDepth", "0.05"}, {"screenDepth", "inf"},
        {"screenDepth", "1e39"}, {"screenDepth", "nan"},
    };
    for (const auto& [name, value] : broken)
    {
        SCOPED_TRACE(std::string(name) + "=" + value);
        EXPECT_EQ(cameraWith(name, value).GetProj(), expected);
        EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
        EXPECT_NE(messages.find("EngineOptions.xml"), std::string::npos) << messages;
    }

    // A near and a far plane of the file's own that make a working lens are kept.
    const Matrix4x4 ownNear = cameraWith("screenNear", "10").GetProj();
    EXPECT_EQ(messages, "");
    EXPECT_NEAR(ownNear.m[14], -10.0f * 1000.0f / 990.0f, 1e-3f);
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
