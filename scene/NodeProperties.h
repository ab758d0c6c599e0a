// The property record every scene node carries (actor id, name, matrices, radius, pass, material) and the
// small value types it is made of. Plain data: nodes fill it, everything else only reads it.
#pragma once

#include "events/EngineTypes.h"
#include "events/Matrix4x4.h"

#include <cstdint>
#include <string>

// Also the index of the root's group for that pass; the groups are walked in this order.
enum DrawPass : std::int32_t
{
    DrawPass_Main = 0,
    DrawPass_Extra1 = 1,
    DrawPass_Extra2 = 2,
    DrawPass_Hidden = 3,   // stored in the hierarchy so it can be found and removed, never drawn
    DrawPass_Count = 4,
};

struct Color4
{
    float r = 1.0f;
    float g = 1.0f;
    float b = 1.0f;
    float a = 1.0f;

    bool operator==(const Color4&) const = default;
};

// Only the diffuse colour is kept: meshes draw with their mesh component's material, not with this one.
struct NodeMaterial
{
    Color4 m_diffuse;
};

struct NodeProperties
{
    ActorId m_actorId = kInvalidActorId;
    std::string m_name;
    Matrix4x4 m_toWorld;
    Matrix4x4 m_fromWorld;
    // Grows as children are added; nothing culls with it yet.
    float m_radius = 0.0f;
    DrawPass m_renderPass = DrawPass_Main;
    NodeMaterial m_material;
};
