// Three-float vector for the camera's position and basis, with the few operations the camera needs.
// Header-only and scalar; matrices stay in Matrix4x4.
#pragma once

#include <cmath>

struct Vector3
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    static float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

    // Left-handed and right-handed systems share the formula; only the picture of the result differs.
    static Vector3 Cross(const Vector3& a, const Vector3& b)
    {
        return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    }

    // A zero vector stays zero; an infinite one becomes NaN, as dividing by the length gives.
    static Vector3 Normalize(const Vector3& v)
    {
        const float lengthSquared = Dot(v, v);
        if (lengthSquared == 0.0f)
        {
            return {};
        }
        const float length = std::sqrt(lengthSquared);
        return {v.x / length, v.y / length, v.z / length};
    }
};
