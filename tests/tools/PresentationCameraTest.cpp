// The baseline's camera must fly the presentation's path, or its frames would show other pixels than the
// engine's: start pose upside down, looking down at 8 s, forward and tilted at 15 s, the wrapping flight, the
// last view and the sky switch at 44 s.
#include "tools/bench/baseline/PresentationCamera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr float kPi = 3.14159265f;

// Runs the camera at a steady 60 frames per second from t = 0 up to and including `seconds`.
PresentationCamera FlownTo(double seconds)
{
    PresentationCamera camera(kPi / 2.0f, 16.0f / 9.0f, 0.1f, 1000.0f);
    for (long long frame = 0; frame / 60.0 <= seconds + 1e-9; ++frame)
    {
        camera.Update(frame == 0 ? 0.0f : 1.0f / 60.0f, static_cast<float>(frame / 60.0));
    }
    return camera;
}

void ExpectVector(const PresentationCamera::Vector& actual, float x, float y, float z, float tolerance = 1e-3f)
{
    EXPECT_NEAR(actual[0], x, tolerance);
    EXPECT_NEAR(actual[1], y, tolerance);
    EXPECT_NEAR(actual[2], z, tolerance);
}

TEST(PresentationCamera, StartsUpsideDownLookingBackAtTheFirstSky)
{
    const PresentationCamera camera = FlownTo(0.0);
    ExpectVector(camera.Position(), 0.0f, 2.0f, -16.0f);
    ExpectVector(camera.Look(), 0.0f, 0.0f, -1.0f);
    ExpectVector(camera.Up(), 0.0f, -1.0f, 0.0f);
    EXPECT_EQ(camera.SkySelector(), 0);
}

TEST(PresentationCamera, TurnsToLookStraightDownAtEightSeconds)
{
    const PresentationCamera camera = FlownTo(8.0);
    ExpectVector(camera.Look(), 0.0f, -1.0f, 0.0f, 0.01f);
    ExpectVector(camera.Position(), 0.0f, 2.0f, -8.0f);
}

TEST(PresentationCamera, FliesTheCausewayForwardAndTiltedAndWrapsEvery43Units)
{
    const PresentationCamera atFifteen = FlownTo(15.0);
    ExpectVector(atFifteen.Look(), 0.0f, -std::sin(kPi / 16.0f), std::cos(kPi / 16.0f), 0.01f);
    EXPECT_FLOAT_EQ(atFifteen.Position()[0], 86.0f);

    // From -32 at 16 units per second the flight reaches 10 after 2.625 s and jumps back to -33.
    const PresentationCamera beforeWrap = FlownTo(15.0 + 2.6);
    const PresentationCamera afterWrap = FlownTo(15.0 + 2.65);
    EXPECT_GT(beforeWrap.Position()[2], 9.0f);
    EXPECT_LT(afterWrap.Position()[2], -32.0f);
    EXPECT_EQ(afterWrap.SkySelector(), 0);
    // The orientation no longer changes.
    ExpectVector(afterWrap.Look(), atFifteen.Look()[0], atFifteen.Look()[1], atFifteen.Look()[2], 1e-5f);
}

TEST(PresentationCamera, EndsHighAboveTheWorldWithTheSecondSky)
{
    const PresentationCamera camera = FlownTo(44.0);
    ExpectVector(camera.Position(), 0.0f, 96.0f, 0.0f);
    EXPECT_EQ(camera.SkySelector(), 1);
    EXPECT_EQ(FlownTo(43.9).SkySelector(), 0);
}

TEST(PresentationCamera, ViewAndProjectionAreTheEnginesLeftHandedMatrices)
{
    PresentationCamera camera(kPi / 2.0f, 1.0f, 0.1f, 1000.0f);
    const Matrix4x4& proj = camera.Projection();
    EXPECT_NEAR(proj(0, 0), 1.0f, 1e-6f);
    EXPECT_NEAR(proj(1, 1), 1.0f, 1e-6f);
    EXPECT_NEAR(proj(2, 2), 1.0001f, 1e-6f);
    EXPECT_EQ(proj(2, 3), 1.0f);
    EXPECT_NEAR(proj(3, 2), -0.10001f, 1e-6f);
    EXPECT_EQ(proj(3, 3), 0.0f);

    // A point straight ahead of the camera lands on the view's +z axis at its distance.
    camera.Update(0.0f, 0.0f);
    const auto& p = camera.Position();
    const auto& look = camera.Look();
    const auto ahead =
        camera.View().Transform({p[0] + 5.0f * look[0], p[1] + 5.0f * look[1], p[2] + 5.0f * look[2], 1.0f});
    EXPECT_NEAR(ahead[0], 0.0f, 1e-4f);
    EXPECT_NEAR(ahead[1], 0.0f, 1e-4f);
    EXPECT_NEAR(ahead[2], 5.0f, 1e-4f);
}
}
