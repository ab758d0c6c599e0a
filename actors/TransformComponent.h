// An actor's world transform: one matrix built from a position and yaw/pitch/roll read from XML, plus a
// direction and a scale that are stored but never enter the matrix. It draws nothing and sends no events.
#pragma once

#include "actors/ActorComponent.h"
#include "events/Matrix4x4.h"

#include <array>

class TransformComponent : public ActorComponent
{
public:
    static const std::string s_name;   // "TransformComponent"

    TransformComponent() = default;

    // Children, each optional: "Position" (x, y, z), "YawPitchRoll" (x = yaw, y = pitch, z = roll, in
    // degrees unless angleType="rad"), "Direction" and "Scale" (x, y, z). A missing or unreadable attribute
    // counts as 0. Without "Position" or "YawPitchRoll" the current position or orientation stays; without
    // "Direction" or "Scale" those go back to (0, 0, 1, 0) and (1, 1, 1, 1). Always true.
    bool Init(const TiXmlElement* element) override;
    const std::string& GetName() const override { return s_name; }

    YawPitchRoll GetYawPitchRoll() const { return m_transform.GetYawPitchRoll(); }
    const Matrix4x4& GetTransform() const { return m_transform; }
    void SetTransform(const Matrix4x4& transform) { m_transform = transform; }
    // Row 3 of the matrix.
    std::array<float, 3> GetPosition() const { return {m_transform.m[12], m_transform.m[13], m_transform.m[14]}; }
    // Moves the actor without touching its orientation (row 3 becomes (x, y, z, 1)).
    void SetPosition(float x, float y, float z);
    const std::array<float, 4>& GetDirection() const { return m_direction; }
    const std::array<float, 4>& GetScale() const { return m_scale; }

private:
    Matrix4x4 m_transform;
    std::array<float, 4> m_direction{0.0f, 0.0f, 1.0f, 0.0f};
    std::array<float, 4> m_scale{1.0f, 1.0f, 1.0f, 1.0f};
};
