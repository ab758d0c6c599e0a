// Matrix4x4: products, transpose, cofactor inverse and the Euler-angle conversions used by transforms.
// Plain scalar float code; speed is not a concern at the handful of matrices per actor per frame.
#include "events/Matrix4x4.h"

#include <algorithm>
#include <cmath>

Matrix4x4 Matrix4x4::Translation(float x, float y, float z)
{
    Matrix4x4 result;
    result.m[12] = x;
    result.m[13] = y;
    result.m[14] = z;
    return result;
}

Matrix4x4 Matrix4x4::RotationYawPitchRoll(float yaw, float pitch, float roll)
{
    const float p = pitch * 0.5f;
    const float h = yaw * 0.5f;
    const float r = roll * 0.5f;
    const float sp = std::sin(p), cp = std::cos(p);
    const float sh = std::sin(h), ch = std::cos(h);
    const float sr = std::sin(r), cr = std::cos(r);

    const float qx = ch * sp * cr + sh * cp * sr;
    const float qy = sh * cp * cr - ch * sp * sr;
    const float qz = ch * cp * sr - sh * sp * cr;
    const float qw = ch * cp * cr + sh * sp * sr;

    Matrix4x4 result;
    result.m[0] = 1.0f - 2.0f * (qy * qy + qz * qz);
    result.m[1] = 2.0f * (qx * qy + qz * qw);
    result.m[2] = 2.0f * (qx * qz - qy * qw);
    result.m[4] = 2.0f * (qx * qy - qz * qw);
    result.m[5] = 1.0f - 2.0f * (qx * qx + qz * qz);
    result.m[6] = 2.0f * (qy * qz + qx * qw);
    result.m[8] = 2.0f * (qx * qz + qy * qw);
    result.m[9] = 2.0f * (qy * qz - qx * qw);
    result.m[10] = 1.0f - 2.0f * (qx * qx + qy * qy);
    return result;
}

Matrix4x4 Matrix4x4::operator*(const Matrix4x4& rhs) const
{
    Matrix4x4 result;
    for (int row = 0; row < 4; ++row)
    {
        for (int column = 0; column < 4; ++column)
        {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
            {
                sum += (*this)(row, k) * rhs(k, column);
            }
            result(row, column) = sum;
        }
    }
    return result;
}

bool Matrix4x4::operator==(const Matrix4x4& rhs) const
{
    return std::equal(std::begin(m), std::end(m), std::begin(rhs.m));
}

Matrix4x4 Matrix4x4::Transposed() const
{
    Matrix4x4 result;
    for (int row = 0; row < 4; ++row)
    {
        for (int column = 0; column < 4; ++column)
        {
            result(row, column) = (*this)(column, row);
        }
    }
    return result;
}

namespace
{
// The determinant and every cofactor of the inverse are built from these twelve 2x2 minors (Laplace
// expansion over the row pairs 0-1 and 2-3), so each is computed once.
struct Minors
{
    float s0, s1, s2, s3, s4, s5;   // 2x2 minors of rows 0 and 1
    float c0, c1, c2, c3, c4, c5;   // 2x2 minors of rows 2 and 3
};

Minors ComputeMinors(const float* a)
{
    Minors n;
    n.s0 = a[0] * a[5] - a[4] * a[1];
    n.s1 = a[0] * a[6] - a[4] * a[2];
    n.s2 = a[0] * a[7] - a[4] * a[3];
    n.s3 = a[1] * a[6] - a[5] * a[2];
    n.s4 = a[1] * a[7] - a[5] * a[3];
    n.s5 = a[2] * a[7] - a[6] * a[3];
    n.c5 = a[10] * a[15] - a[14] * a[11];
    n.c4 = a[9] * a[15] - a[13] * a[11];
    n.c3 = a[9] * a[14] - a[13] * a[10];
    n.c2 = a[8] * a[15] - a[12] * a[11];
    n.c1 = a[8] * a[14] - a[12] * a[10];
    n.c0 = a[8] * a[13] - a[12] * a[9];
    return n;
}

float DeterminantOf(const Minors& n)
{
    return n.s0 * n.c5 - n.s1 * n.c4 + n.s2 * n.c3 + n.s3 * n.c2 - n.s4 * n.c1 + n.s5 * n.c0;
}
}

float Matrix4x4::Determinant() const
{
    return DeterminantOf(ComputeMinors(m));
}

Matrix4x4 Matrix4x4::Inverse(float* determinant) const
{
    const float* a = m;
    const Minors n = ComputeMinors(a);
    const float det = DeterminantOf(n);
    if (determinant != nullptr)
    {
        *determinant = det;
    }
    const float inv = 1.0f / det;

    Matrix4x4 r;
    r.m[0] = (a[5] * n.c5 - a[6] * n.c4 + a[7] * n.c3) * inv;
    r.m[1] = (-a[1] * n.c5 + a[2] * n.c4 - a[3] * n.c3) * inv;
    r.m[2] = (a[13] * n.s5 - a[14] * n.s4 + a[15] * n.s3) * inv;
    r.m[3] = (-a[9] * n.s5 + a[10] * n.s4 - a[11] * n.s3) * inv;

    r.m[4] = (-a[4] * n.c5 + a[6] * n.c2 - a[7] * n.c1) * inv;
    r.m[5] = (a[0] * n.c5 - a[2] * n.c2 + a[3] * n.c1) * inv;
    r.m[6] = (-a[12] * n.s5 + a[14] * n.s2 - a[15] * n.s1) * inv;
    r.m[7] = (a[8] * n.s5 - a[10] * n.s2 + a[11] * n.s1) * inv;

    r.m[8] = (a[4] * n.c4 - a[5] * n.c2 + a[7] * n.c0) * inv;
    r.m[9] = (-a[0] * n.c4 + a[1] * n.c2 - a[3] * n.c0) * inv;
    r.m[10] = (a[12] * n.s4 - a[13] * n.s2 + a[15] * n.s0) * inv;
    r.m[11] = (-a[8] * n.s4 + a[9] * n.s2 - a[11] * n.s0) * inv;

    r.m[12] = (-a[4] * n.c3 + a[5] * n.c1 - a[6] * n.c0) * inv;
    r.m[13] = (a[0] * n.c3 - a[1] * n.c1 + a[2] * n.c0) * inv;
    r.m[14] = (-a[12] * n.s3 + a[13] * n.s1 - a[14] * n.s0) * inv;
    r.m[15] = (a[8] * n.s3 - a[9] * n.s1 + a[10] * n.s0) * inv;
    return r;
}

YawPitchRoll Matrix4x4::GetYawPitchRoll() const
{
    YawPitchRoll angles;
    // Rounding can push |m21| a hair past 1 at +-90 degrees of pitch; asin would then give NaN.
    angles.pitch = std::asin(std::clamp(-(*this)(2, 1), -1.0f, 1.0f));
    angles.yaw = std::atan2((*this)(2, 0), (*this)(2, 2));
    angles.roll = std::atan2((*this)(0, 1), (*this)(1, 1));
    return angles;
}

std::array<float, 4> Matrix4x4::Transform(const std::array<float, 4>& v) const
{
    std::array<float, 4> result{};
    for (int column = 0; column < 4; ++column)
    {
        result[column] = v[0] * (*this)(0, column) + v[1] * (*this)(1, column) + v[2] * (*this)(2, column) +
                         v[3] * (*this)(3, column);
    }
    return result;
}
