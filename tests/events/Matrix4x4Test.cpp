// Matrix4x4: products, transpose, inverse and the yaw/pitch/roll conversions the transforms rely on.
// Exact formulas are checked through their geometric meaning (where a vector ends up), not re-derived.
#include "events/Matrix4x4.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr float kPi = 3.14159265358979f;
constexpr float kTolerance = 1e-5f;

void ExpectNear(const Matrix4x4& expected, const Matrix4x4& actual, float tolerance = kTolerance)
{
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(expected.m[i], actual.m[i], tolerance) << "element " << i;
    }
}

void ExpectRow(const Matrix4x4& matrix, int row, float a, float b, float c, float d)
{
    EXPECT_NEAR(matrix(row, 0), a, kTolerance) << "row " << row;
    EXPECT_NEAR(matrix(row, 1), b, kTolerance) << "row " << row;
    EXPECT_NEAR(matrix(row, 2), c, kTolerance) << "row " << row;
    EXPECT_NEAR(matrix(row, 3), d, kTolerance) << "row " << row;
}

Matrix4x4 General()
{
    Matrix4x4 m;
    const float values[16] = {2, 1, 0, 3, -1, 4, 2, 0, 0.5f, 0, 3, 1, 1, -2, 1, 5};
    std::copy(std::begin(values), std::end(values), m.m);
    return m;
}
}

TEST(Matrix4x4Basics, DefaultIsIdentityAndLaidOutRowMajor)
{
    const Matrix4x4 m;
    ExpectNear(Matrix4x4::Identity(), m, 0.0f);
    const Matrix4x4 t = Matrix4x4::Translation(1, 2, 3);
    EXPECT_EQ(t.m[12], 1.0f);
    EXPECT_EQ(t.m[13], 2.0f);
    EXPECT_EQ(t.m[14], 3.0f);
    EXPECT_EQ(t(3, 2), 3.0f);
}

TEST(Matrix4x4Basics, ProductAppliesLeftOperandFirstToRowVectors)
{
    // Rotating (1, 0, 0) by yaw 90 degrees gives (0, 0, -1); the translation is applied afterwards.
    const Matrix4x4 world = Matrix4x4::RotationYawPitchRoll(kPi / 2, 0, 0) * Matrix4x4::Translation(10, 0, 0);
    const auto p = world.Transform({1, 0, 0, 1});
    EXPECT_NEAR(p[0], 10.0f, kTolerance);
    EXPECT_NEAR(p[1], 0.0f, kTolerance);
    EXPECT_NEAR(p[2], -1.0f, kTolerance);
    EXPECT_NEAR(p[3], 1.0f, kTolerance);

    const Matrix4x4 a = General();
    ExpectNear(a, a * Matrix4x4::Identity(), 0.0f);
    ExpectNear(a, Matrix4x4::Identity() * a, 0.0f);
    // Element (1, 2) of a * a: row 1 of a dotted with column 2 of a.
    const float expected = -1 * 0 + 4 * 2 + 2 * 3 + 0 * 1;
    EXPECT_FLOAT_EQ((a * a)(1, 2), expected);
}

TEST(Matrix4x4Basics, TransposeSwapsRowsAndColumns)
{
    const Matrix4x4 a = General();
    const Matrix4x4 t = a.Transposed();
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            EXPECT_EQ(t(r, c), a(c, r));
        }
    }
    ExpectNear(a, t.Transposed(), 0.0f);
}

TEST(Matrix4x4Inverse, UndoesGeneralAndAffineMatrices)
{
    const Matrix4x4 a = General();
    float determinant = 0.0f;
    const Matrix4x4 inverse = a.Inverse(&determinant);
    EXPECT_NEAR(determinant, a.Determinant(), 1e-4f);
    EXPECT_NE(determinant, 0.0f);
    ExpectNear(Matrix4x4::Identity(), a * inverse, 1e-5f);
    ExpectNear(Matrix4x4::Identity(), inverse * a, 1e-5f);

    const Matrix4x4 world = Matrix4x4::RotationYawPitchRoll(0.3f, -0.7f, 1.1f) * Matrix4x4::Translation(5, -2, 8);
    ExpectNear(Matrix4x4::Identity(), world * world.Inverse(), 1e-5f);
    // A rigid transform's inverse is its transposed rotation with the translation rotated back.
    const auto back = world.Inverse().Transform(world.Transform({1, 2, 3, 1}));
    EXPECT_NEAR(back[0], 1.0f, 1e-4f);
    EXPECT_NEAR(back[1], 2.0f, 1e-4f);
    EXPECT_NEAR(back[2], 3.0f, 1e-4f);
}

TEST(Matrix4x4Inverse, DeterminantOfScaleAndSingularMatrices)
{
    Matrix4x4 scale;
    scale.m[0] = 2;
    scale.m[5] = 3;
    scale.m[10] = 4;
    EXPECT_FLOAT_EQ(scale.Determinant(), 24.0f);
    const Matrix4x4 inverse = scale.Inverse();
    EXPECT_FLOAT_EQ(inverse.m[0], 0.5f);
    EXPECT_FLOAT_EQ(inverse.m[10], 0.25f);

    // Two equal rows: the formula has nothing to divide by, and says so through the determinant.
    Matrix4x4 singular = General();
    for (int c = 0; c < 4; ++c)
    {
        singular(1, c) = singular(0, c);
    }
    float determinant = 1.0f;
    const Matrix4x4 result = singular.Inverse(&determinant);
    EXPECT_EQ(determinant, 0.0f);
    EXPECT_FALSE(std::isfinite(result.m[0]) && std::isfinite(result.m[5]) && std::isfinite(result.m[15]));
}

TEST(Matrix4x4Rotation, YawOfNinetyDegreesTurnsXTowardsMinusZ)
{
    const Matrix4x4 m = Matrix4x4::RotationYawPitchRoll(kPi / 2, 0, 0);
    ExpectRow(m, 0, 0, 0, -1, 0);
    ExpectRow(m, 1, 0, 1, 0, 0);
    ExpectRow(m, 2, 1, 0, 0, 0);
    ExpectRow(m, 3, 0, 0, 0, 1);
}

TEST(Matrix4x4Rotation, PitchAndRollTurnAboutXAndZ)
{
    // Pitch about x: +y goes to +z (left-handed, positive angles clockwise looking down the axis).
    const auto y = Matrix4x4::RotationYawPitchRoll(0, kPi / 2, 0).Transform({0, 1, 0, 0});
    EXPECT_NEAR(y[0], 0.0f, kTolerance);
    EXPECT_NEAR(y[1], 0.0f, kTolerance);
    EXPECT_NEAR(y[2], 1.0f, kTolerance);
    // Roll about z: +x goes to +y.
    const auto x = Matrix4x4::RotationYawPitchRoll(0, 0, kPi / 2).Transform({1, 0, 0, 0});
    EXPECT_NEAR(x[0], 0.0f, kTolerance);
    EXPECT_NEAR(x[1], 1.0f, kTolerance);
    EXPECT_NEAR(x[2], 0.0f, kTolerance);
}

TEST(Matrix4x4Rotation, CombinedAnglesApplyRollThenPitchThenYaw)
{
    const float yaw = 0.8f, pitch = -0.45f, roll = 2.1f;
    const Matrix4x4 composed = Matrix4x4::RotationYawPitchRoll(0, 0, roll) *
                               Matrix4x4::RotationYawPitchRoll(0, pitch, 0) *
                               Matrix4x4::RotationYawPitchRoll(yaw, 0, 0);
    ExpectNear(composed, Matrix4x4::RotationYawPitchRoll(yaw, pitch, roll));
}

TEST(Matrix4x4Rotation, YawPitchRollRoundTripsForPitchInsideNinetyDegrees)
{
    const float cases[][3] = {{0, 0, 0}, {0.5f, 0.2f, -0.3f}, {-2.5f, 1.4f, 3.0f}, {3.1f, -1.5f, -2.9f}};
    for (const auto& c : cases)
    {
        const YawPitchRoll angles = Matrix4x4::RotationYawPitchRoll(c[0], c[1], c[2]).GetYawPitchRoll();
        EXPECT_NEAR(angles.yaw, c[0], 1e-4f);
        EXPECT_NEAR(angles.pitch, c[1], 1e-4f);
        EXPECT_NEAR(angles.roll, c[2], 1e-4f);
    }
}

TEST(Matrix4x4Rotation, PitchOfExactlyNinetyDegreesStaysFinite)
{
    // Rounding may leave |m21| just above 1 here; the extraction must not turn that into NaN.
    Matrix4x4 m = Matrix4x4::RotationYawPitchRoll(0.3f, kPi / 2, 0.1f);
    m(2, 1) = -1.0000001f;
    const YawPitchRoll angles = m.GetYawPitchRoll();
    EXPECT_TRUE(std::isfinite(angles.yaw));
    EXPECT_NEAR(angles.pitch, kPi / 2, 1e-5f);
    EXPECT_TRUE(std::isfinite(angles.roll));
}
