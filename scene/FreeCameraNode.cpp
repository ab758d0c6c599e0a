// FreeCameraNode: lens, pitch and view-matrix maths in the row-vector, left-handed convention of Matrix4x4.
// No Direct3D: the drawables transpose these matrices when they upload them.
#include "scene/FreeCameraNode.h"

#include "app/EngineOptions.h"

#include <cmath>

FreeCameraNode::FreeCameraNode(const EngineOptions& options) : SceneNode(nullptr, DrawPass_Main, nullptr)
{
    SetLens(options.m_fieldOfView, options.m_screenAspect, options.m_screenNear, options.m_screenDepth);
}

void FreeCameraNode::SetLens(float fovY, float aspect, float nearZ, float farZ)
{
    m_fovY = fovY;
    m_aspect = aspect;
    m_nearZ = nearZ;
    m_farZ = farZ;

    const float yScale = std::cos(fovY * 0.5f) / std::sin(fovY * 0.5f);
    const float xScale = yScale / aspect;
    const float range = farZ / (farZ - nearZ);
    m_proj = Matrix4x4{};
    m_proj.m[0] = xScale;
    m_proj.m[5] = yScale;
    m_proj.m[10] = range;
    m_proj.m[11] = 1.0f;
    m_proj.m[14] = -range * nearZ;
    m_proj.m[15] = 0.0f;
    m_projTransposed = m_proj.Transposed();
}

void FreeCameraNode::SetPosition(float x, float y, float z)
{
    m_position = {x, y, z};
}

void FreeCameraNode::Pitch(float angle)
{
    const Vector3 n = Vector3::Normalize(m_right);
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1.0f - c;

    // Rotation about the unit axis n, for row vectors (v' = v * R).
    const float r[3][3] = {
        {t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y},
        {t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x},
        {t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c},
    };
    const auto rotate = [&r](const Vector3& v) {
        return Vector3{v.x * r[0][0] + v.y * r[1][0] + v.z * r[2][0], v.x * r[0][1] + v.y * r[1][1] + v.z * r[2][1],
                       v.x * r[0][2] + v.y * r[1][2] + v.z * r[2][2]};
    };
    m_up = rotate(m_up);
    m_look = rotate(m_look);
}

void FreeCameraNode::SetBasis(const Vector3& right, const Vector3& up, const Vector3& look)
{
    m_right = right;
    m_up = up;
    m_look = look;
}

void FreeCameraNode::UpdateViewMatrix()
{
    // Small rounding errors of many pitches would otherwise skew the basis over a run.
    const Vector3 look = Vector3::Normalize(m_look);
    const Vector3 up = Vector3::Normalize(Vector3::Cross(look, m_right));
    const Vector3 right = Vector3::Cross(up, look);
    m_right = right;
    m_up = up;
    m_look = look;

    m_view = Matrix4x4{};
    m_view.m[0] = right.x;
    m_view.m[1] = up.x;
    m_view.m[2] = look.x;
    m_view.m[4] = right.y;
    m_view.m[5] = up.y;
    m_view.m[6] = look.y;
    m_view.m[8] = right.z;
    m_view.m[9] = up.z;
    m_view.m[10] = look.z;
    m_view.m[12] = -Vector3::Dot(m_position, right);
    m_view.m[13] = -Vector3::Dot(m_position, up);
    m_view.m[14] = -Vector3::Dot(m_position, look);
    m_view.m[15] = 1.0f;
    m_viewTransposed = m_view.Transposed();
}

int FreeCameraNode::Render(SceneTree* scene, ID3D11DeviceContext* context)
{
    (void)scene;
    (void)context;
    UpdateViewMatrix();
    return 0;
}
