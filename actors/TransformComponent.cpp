// TransformComponent: reading the transform element and building the matrix from it.
// Scale and direction are kept for other parts to read; this component never applies them.
#include "actors/TransformComponent.h"

#include <tinyxml.h>

#include <cstring>

const std::string TransformComponent::s_name = "TransformComponent";

namespace
{
// π/180 as the float the angle conversion has always used.
constexpr float kDegreesToRadians = 0.017453292f;

float ReadNumber(const TiXmlElement* element, const char* attribute)
{
    double value = 0.0;
    if (element->QueryDoubleAttribute(attribute, &value) != TIXML_SUCCESS)
    {
        return 0.0f;
    }
    return static_cast<float>(value);
}
}

bool TransformComponent::Init(const TiXmlElement* element)
{
    const TiXmlElement* position = element ? element->FirstChildElement("Position") : nullptr;
    const TiXmlElement* angles = element ? element->FirstChildElement("YawPitchRoll") : nullptr;
    const TiXmlElement* direction = element ? element->FirstChildElement("Direction") : nullptr;
    const TiXmlElement* scale = element ? element->FirstChildElement("Scale") : nullptr;

    std::array<float, 3> translation = GetPosition();
    if (position != nullptr)
    {
        translation = {ReadNumber(position, "x"), ReadNumber(position, "y"), ReadNumber(position, "z")};
    }

    YawPitchRoll rotation = GetYawPitchRoll();
    if (angles != nullptr)
    {
        rotation.yaw = ReadNumber(angles, "x");
        rotation.pitch = ReadNumber(angles, "y");
        rotation.roll = ReadNumber(angles, "z");
        const char* angleType = angles->Attribute("angleType");
        const bool radians = angleType != nullptr && std::strcmp(angleType, "rad") == 0;
        if (!radians)
        {
            rotation.yaw *= kDegreesToRadians;
            rotation.pitch *= kDegreesToRadians;
            rotation.roll *= kDegreesToRadians;
        }
    }

    m_direction = {0.0f, 0.0f, 1.0f, 0.0f};
    if (direction != nullptr)
    {
        m_direction = {ReadNumber(direction, "x"), ReadNumber(direction, "y"), ReadNumber(direction, "z"), 0.0f};
    }

    m_scale = {1.0f, 1.0f, 1.0f, 1.0f};
    if (scale != nullptr)
    {
        m_scale = {ReadNumber(scale, "x"), ReadNumber(scale, "y"), ReadNumber(scale, "z"), 1.0f};
    }

    m_transform = Matrix4x4::RotationYawPitchRoll(rotation.yaw, rotation.pitch, rotation.roll);
    SetPosition(translation[0], translation[1], translation[2]);
    return true;
}

void TransformComponent::SetPosition(float x, float y, float z)
{
    m_transform.m[12] = x;
    m_transform.m[13] = y;
    m_transform.m[14] = z;
    m_transform.m[15] = 1.0f;
}
