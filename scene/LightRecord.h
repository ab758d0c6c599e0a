// A light's settings as read from its component's "Light" element, copied whole into its node. Only the three
// colours reach the shaders; type, attenuation, range and spot are kept for completeness and never drawn with.
#pragma once

#include "scene/NodeProperties.h"

#include <cstdint>

enum LightType : std::int32_t
{
    LightType_Directional = 0,
    LightType_Point = 1,
    LightType_Spot = 2,
};

// The defaults are what a component gets for anything its XML leaves out: a white directional light with the
// same colours as the light the scene uses when it has none, so an incomplete light looks like no light at
// all rather than like garbage.
struct LightRecord
{
    LightType m_type = LightType_Directional;
    Color4 m_ambient{0.2f, 0.2f, 0.2f, 1.0f};
    Color4 m_diffuse{0.9f, 0.9f, 0.9f, 1.0f};
    Color4 m_specular{0.8f, 0.8f, 0.8f, 1.0f};
    // Constant, linear, exponential: (1, 0, 0) is no fall-off.
    float m_attenuation[3] = {1.0f, 0.0f, 0.0f};
    float m_range = 0.0f;
    float m_spot = 0.0f;
};
