// Three-component vector maths for building meshes and painting skies in the asset generator.
// Plain value type only; no matrices beyond the few rotations the models need.
#pragma once

#include <cmath>

struct Vec3
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr Vec3() = default;
    constexpr Vec3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    constexpr Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    constexpr Vec3 operator-() const { return {-x, -y, -z}; }
    constexpr Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    constexpr Vec3 operator*(const Vec3& o) const { return {x * o.x, y * o.y, z * o.z}; }
    Vec3& operator+=(const Vec3& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
};

constexpr float Dot(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
constexpr Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(const Vec3& v)
{
    return std::sqrt(Dot(v, v));
}
inline Vec3 Normalize(const Vec3& v)
{
    const float length = Length(v);
    return length > 0.0f ? v * (1.0f / length) : Vec3{};
}
constexpr Vec3 Lerp(const Vec3& a, const Vec3& b, float t)
{
    return a + (b - a) * t;
}

// Rotation about the y axis by `angle` radians, matching the engine's yaw (x turns towards -z for positive angles).
inline Vec3 RotateY(const Vec3& v, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return {v.x * c + v.z * s, v.y, -v.x * s + v.z * c};
}
// Rotation about the x axis, matching the engine's pitch (y turns towards +z for positive angles).
inline Vec3 RotateX(const Vec3& v, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return {v.x, v.y * c - v.z * s, v.y * s + v.z * c};
}
// Rotation about the z axis, matching the engine's roll (x turns towards +y for positive angles).
inline Vec3 RotateZ(const Vec3& v, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return {v.x * c - v.y * s, v.x * s + v.y * c, v.z};
}

inline float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}
inline float Smoothstep(float edge0, float edge1, float v)
{
    const float t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}
inline float Mix(float a, float b, float t)
{
    return a + (b - a) * t;
}

constexpr float kPi = 3.14159265358979f;
