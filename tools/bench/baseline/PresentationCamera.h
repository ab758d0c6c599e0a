// The presentation's camera path and sky choice, computed the way the scripted scene flies its free camera:
// start pose, the three time segments, the pitch while t < 15 s and the wrapping flight along the causeway.
// It moves no actor and knows no scene; the baseline renderer only reads its matrices.
#pragma once

#include "events/Matrix4x4.h"

#include <array>

class PresentationCamera
{
public:
    using Vector = std::array<float, 3>;

    // Lens as the engine's free camera takes it from the options: vertical field of view (radians), width /
    // height, near and far plane distances. The camera starts at (0, 2, 0), turned upside down (pitch -pi).
    PresentationCamera(float fovY, float aspect, float nearZ, float farZ);

    // One frame: `elapsedSeconds` since the previous frame, `totalSeconds` of presentation time. Places and
    // turns the camera, chooses the sky and rebuilds the view matrix.
    void Update(float elapsedSeconds, float totalSeconds);

    const Matrix4x4& View() const { return m_view; }
    const Matrix4x4& Projection() const { return m_proj; }
    const Vector& Position() const { return m_position; }
    const Vector& Look() const { return m_look; }
    const Vector& Up() const { return m_up; }
    // 0: the first sky ("10.dds"), 1: the second ("11.dds").
    int SkySelector() const { return m_skySelector; }

private:
    void Pitch(float angle);
    void UpdateViewMatrix();

    Vector m_position{0.0f, 0.0f, 0.0f};
    Vector m_right{1.0f, 0.0f, 0.0f};
    Vector m_up{0.0f, 1.0f, 0.0f};
    Vector m_look{0.0f, 0.0f, 1.0f};
    Matrix4x4 m_proj;
    Matrix4x4 m_view;
    // The z of the flight along the causeway; it starts where the scripted scene's does.
    float m_travelZ = -32.0f;
    int m_skySelector = 0;
};
