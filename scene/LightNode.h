// A scene node that carries a light: the LightRecord copied from its LightRenderComponent. It draws nothing
// and lives in the hidden pass; the scene tree's light manager reads its colours and its z axis.
#pragma once

#include "scene/LightRecord.h"
#include "scene/SceneNode.h"

class LightNode : public SceneNode
{
public:
    LightNode(BaseRenderComponent* renderComponent, DrawPass renderPass, const Matrix4x4* toWorld,
              const LightRecord& light);

    // Copies the light record from the owner actor's LightRenderComponent again, then does what every node's
    // Refresh does (material colour, children).
    int Refresh(SceneTree* scene) override;

    virtual const LightRecord* GetLight() const { return &m_light; }

protected:
    LightRecord m_light;
};
