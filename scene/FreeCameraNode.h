// The scene's only camera: a position, an orthonormal right/up/look basis, a left-handed perspective
// projection fixed at construction and a view matrix rebuilt once per rendered frame. It is not part of the
// node hierarchy and never changes its base transform; resizing the window does not touch its projection.
#pragma once

#include "scene/SceneNode.h"
#include "scene/Vector3.h"

struct EngineOptions;

class FreeCameraNode : public SceneNode
{
public:
    // The lens comes from the options' field of view, aspect, near and far values, read once here.
    explicit FreeCameraNode(const EngineOptions& options);

    void SetLens(float fovY, float aspect, float nearZ, float farZ);
    // Leaves the view matrix alone until the next UpdateViewMatrix.
    void SetPosition(float x, float y, float z);
    // Turns up and look about the right axis by `angle` radians; right stays, nothing is renormalised.
    void Pitch(float angle);
    // Replaces the basis as given, without normalising it (for putting a saved camera back exactly).
    void SetBasis(const Vector3& right, const Vector3& up, const Vector3& look);
    // Re-orthonormalises the basis and rebuilds the view matrix.
    void UpdateViewMatrix();
    // The camera's render step is rebuilding its view; it draws nothing.
    int Render(SceneTree* scene, ID3D11DeviceContext* context) override;

    const Matrix4x4& GetView() const { return m_view; }
    const Matrix4x4& GetProj() const { return m_proj; }
    // Both transposed, as the shaders read them: made when the matrices are, not by each of thousands of meshes.
    const Matrix4x4& GetViewTransposed() const { return m_viewTransposed; }
    const Matrix4x4& GetProjTransposed() const { return m_projTransposed; }
    const Vector3& GetPosition() const { return m_position; }
    const Vector3& GetRight() const { return m_right; }
    const Vector3& GetUp() const { return m_up; }
    const Vector3& GetLook() const { return m_look; }

private:
    Vector3 m_position{0.0f, 0.0f, 0.0f};
    Vector3 m_right{1.0f, 0.0f, 0.0f};
    Vector3 m_up{0.0f, 1.0f, 0.0f};
    Vector3 m_look{0.0f, 0.0f, 1.0f};
    float m_nearZ = 0.0f;
    float m_farZ = 0.0f;
    float m_aspect = 0.0f;
    float m_fovY = 0.0f;
    Matrix4x4 m_proj;
    Matrix4x4 m_view;
    Matrix4x4 m_projTransposed;
    Matrix4x4 m_viewTransposed;
};
