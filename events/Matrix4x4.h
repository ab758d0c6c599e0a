// The engine's 4x4 matrix: sixteen floats, row-major, used with row vectors (v' = v * M), translation in
// row 3. Holds only the operations events, actors and the scene need; no SIMD and no Windows headers.
#pragma once

#include <array>
#include <type_traits>

// Euler angles in radians. Applied to a row vector as roll (about z), then pitch (about x), then yaw (about y).
struct YawPitchRoll
{
    float yaw = 0.0f;
    float pitch = 0.0f;
    float roll = 0.0f;
};

struct Matrix4x4
{
    // Element (row r, column c) is m[r * 4 + c]. A default-constructed matrix is the identity.
    float m[16] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};

    static Matrix4x4 Identity() { return Matrix4x4{}; }
    static Matrix4x4 Translation(float x, float y, float z);
    // Rotation built through the unit quaternion of the half angles, for row vectors: roll first, then
    // pitch, then yaw (equal to Rz(roll) * Rx(pitch) * Ry(yaw)).
    static Matrix4x4 RotationYawPitchRoll(float yaw, float pitch, float roll);

    float& operator()(int row, int column) { return m[row * 4 + column]; }
    float operator()(int row, int column) const { return m[row * 4 + column]; }

    // this * rhs: applying the result equals applying this first, then rhs.
    Matrix4x4 operator*(const Matrix4x4& rhs) const;
    bool operator==(const Matrix4x4& rhs) const;

    Matrix4x4 Transposed() const;
    float Determinant() const;
    // The adjugate divided by the determinant. A singular matrix gives non-finite elements, not an error;
    // callers that can meet one pass `determinant` and check it.
    Matrix4x4 Inverse(float* determinant = nullptr) const;

    // Inverts RotationYawPitchRoll for pitch strictly between -90 and +90 degrees:
    // pitch = asin(-m21), yaw = atan2(m20, m22), roll = atan2(m01, m11).
    YawPitchRoll GetYawPitchRoll() const;

    // Row vector times matrix.
    std::array<float, 4> Transform(const std::array<float, 4>& v) const;
};

// Written byte for byte into constant buffers and events.
static_assert(sizeof(Matrix4x4) == 64 && std::is_standard_layout_v<Matrix4x4>);
