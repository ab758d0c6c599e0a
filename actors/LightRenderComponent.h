// An actor's light: reads the "Light" element into a LightRecord and builds a D3DLightNode11 at the actor's
// transform, in the hidden pass. It lights nothing itself; the scene tree's light manager does the lighting.
#pragma once

#include "actors/BaseRenderComponent.h"
#include "scene/LightRecord.h"

class LightRenderComponent : public BaseRenderComponent
{
public:
    static const std::string s_name;   // "LightRenderComponent"

    const std::string& GetName() const override { return s_name; }
    const LightRecord& GetLight() const { return m_light; }

protected:
    // Reads the first "Light" child: its "type", then "Attenuation", "Ambient", "Diffuse", "Specular" and
    // "Shape". A missing child or attribute leaves its fields as they were (the LightRecord defaults for a new
    // component). Always true.
    bool InitDerived(const TiXmlElement* element) override;
    // Empty when the owner has no TransformComponent: a light needs a place to shine from.
    std::shared_ptr<ISceneNode> BuildSceneNode() override;

private:
    LightRecord m_light;
    bool m_hasReadLight = false;
};
