// The light node the light component builds. It adds nothing to LightNode but an update that stops at the
// light, so nothing filed below a light is ever updated. Despite its name it makes no Direct3D call.
#pragma once

#include "scene/LightNode.h"

class D3DLightNode11 : public LightNode
{
public:
    using LightNode::LightNode;

    int OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context) override;
};
