// LightManager: the light block of cbPerFrame from the first light node and the camera.
// Every light acts as a directional light along its node's z axis; type, range and the like are ignored.
#include "scene/LightManager.h"

#include "graphics/bindables/ConstantBufferLayouts.h"
#include "scene/FreeCameraNode.h"
#include "scene/LightNode.h"
#include "scene/SceneTree.h"

namespace
{
void Store(float (&out)[4], const Color4& color)
{
    out[0] = color.r;
    out[1] = color.g;
    out[2] = color.b;
    out[3] = color.a;
}

void Store(float (&out)[4], float x, float y, float z, float w)
{
    out[0] = x;
    out[1] = y;
    out[2] = z;
    out[3] = w;
}
}

void LightManager::PrepareFrame(SceneTree* scene)
{
    m_camera = scene != nullptr ? scene->GetCamera() : nullptr;
}

void LightManager::FillLightConstants(cbPerFrame& out) const
{
    // Called for every mesh of a pass: no share of the node is taken (the list holds it).
    const LightNode* light = m_lights.empty() ? nullptr : m_lights.front().get();
    if (!light)
    {
        Store(out.lightAmbient, 0.2f, 0.2f, 0.2f, 1.0f);
        Store(out.lightDiffuse, 0.9f, 0.9f, 0.9f, 1.0f);
        Store(out.lightSpecular, 0.8f, 0.8f, 0.8f, 1.0f);
        Store(out.lightDirection, 0.0f, -1.0f, 0.0f, 1.0f);
        out.eyePosition[0] = out.eyePosition[1] = out.eyePosition[2] = 0.0f;
        return;
    }

    const LightRecord* record = light->GetLight();
    Store(out.lightAmbient, record->m_ambient);
    Store(out.lightDiffuse, record->m_diffuse);
    Store(out.lightSpecular, record->m_specular);
    // Row 2 is where the node's local +z axis lands in world space.
    const float* toWorld = light->GetProperties().m_toWorld.m;
    Store(out.lightDirection, toWorld[8], toWorld[9], toWorld[10], 1.0f);
    // Before the first frame there is no camera yet; the eye then stays at the origin.
    const Vector3 eye = m_camera ? m_camera->GetPosition() : Vector3{};
    out.eyePosition[0] = eye.x;
    out.eyePosition[1] = eye.y;
    out.eyePosition[2] = eye.z;
}
