// PresentationCamera: see PresentationCamera.h. The constants are the scripted scene's timeline.
#include "tools/bench/baseline/PresentationCamera.h"

#include <cmath>

namespace
{
using Vector = PresentationCamera::Vector;

constexpr float kPi = 3.14159265358979f;
constexpr float kPitchPerSecond = -0.19634955f;   // -pi/16: straight down at 8 s, forward again at 15 s
constexpr float kFirstSegmentEnd = 15.0f;
constexpr float kSecondSegmentEnd = 44.0f;
constexpr float kFlightSpeed = 16.0f;   // units per second along the causeway
constexpr float kFlightWrapAt = 10.0f;
constexpr float kFlightRepeat = 43.0f;   // one causeway segment: the jump back shows nothing

Vector Cross(const Vector& a, const Vector& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float Dot(const Vector& a, const Vector& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Vector Normalised(const Vector& v)
{
    const float lengthSquared = Dot(v, v);
    if (lengthSquared == 0.0f)
    {
        return v;
    }
    const float inverse = 1.0f / std::sqrt(lengthSquared);
    return {v[0] * inverse, v[1] * inverse, v[2] * inverse};
}
}

PresentationCamera::PresentationCamera(float fovY, float aspect, float nearZ, float farZ)
{
    // Left-handed perspective for row vectors, depth 0..1.
    const float yScale = std::cos(fovY * 0.5f) / std::sin(fovY * 0.5f);
    const float range = farZ / (farZ - nearZ);
    m_proj = Matrix4x4{};
    m_proj.m[0] = yScale / aspect;
    m_proj.m[5] = yScale;
    m_proj.m[10] = range;
    m_proj.m[11] = 1.0f;
    m_proj.m[14] = -range * nearZ;
    m_proj.m[15] = 0.0f;

    m_position = {0.0f, 2.0f, 0.0f};
    Pitch(-kPi);
    UpdateViewMatrix();
}

void PresentationCamera::Update(float elapsedSeconds, float totalSeconds)
{
    // Three independent tests, as the scripted scene makes them.
    if (totalSeconds < kFirstSegmentEnd)
    {
        m_skySelector = 0;
        m_position = {0.0f, 2.0f, totalSeconds - 16.0f};
        Pitch(elapsedSeconds * kPitchPerSecond);
    }
    if (totalSeconds >= kFirstSegmentEnd && totalSeconds < kSecondSegmentEnd)
    {
        m_travelZ += elapsedSeconds * kFlightSpeed;
        if (m_travelZ >= kFlightWrapAt)
        {
            m_travelZ -= kFlightRepeat;
        }
        m_position = {86.0f, 2.0f, m_travelZ};
    }
    if (totalSeconds >= kSecondSegmentEnd)
    {
        m_skySelector = 1;
        m_position = {0.0f, 96.0f, 0.0f};
    }
    UpdateViewMatrix();
}

void PresentationCamera::Pitch(float angle)
{
    // Rotation about the camera's own right axis, applied to up and look as direction vectors.
    const Vector n = Normalised(m_right);
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1.0f - c;
    const float rotation[3][3] = {
        {t * n[0] * n[0] + c, t * n[0] * n[1] + s * n[2], t * n[0] * n[2] - s * n[1]},
        {t * n[0] * n[1] - s * n[2], t * n[1] * n[1] + c, t * n[1] * n[2] + s * n[0]},
        {t * n[0] * n[2] + s * n[1], t * n[1] * n[2] - s * n[0], t * n[2] * n[2] + c},
    };
    const auto rotate = [&rotation](const Vector& v) {
        Vector out{};
        for (int column = 0; column < 3; ++column)
        {
            out[column] = v[0] * rotation[0][column] + v[1] * rotation[1][column] + v[2] * rotation[2][column];
        }
        return out;
    };
    m_up = rotate(m_up);
    m_look = rotate(m_look);
}

void PresentationCamera::UpdateViewMatrix()
{
    const Vector look = Normalised(m_look);
    const Vector up = Normalised(Cross(look, m_right));
    const Vector right = Cross(up, look);
    m_right = right;
    m_up = up;
    m_look = look;

    m_view = Matrix4x4{};
    for (int row = 0; row < 3; ++row)
    {
        m_view.m[row * 4 + 0] = right[row];
        m_view.m[row * 4 + 1] = up[row];
        m_view.m[row * 4 + 2] = look[row];
        m_view.m[row * 4 + 3] = 0.0f;
    }
    m_view.m[12] = -Dot(m_position, right);
    m_view.m[13] = -Dot(m_position, up);
    m_view.m[14] = -Dot(m_position, look);
    m_view.m[15] = 1.0f;
}
