// LightRenderComponent: parsing the "Light" element and building the light node.
// Bad numbers are reported and skipped; the light never ends up with uninitialised values.
#include "actors/LightRenderComponent.h"

#include "actors/Actor.h"
#include "actors/ComponentLookup.h"
#include "actors/TransformComponent.h"
#include "scene/D3DLightNode11.h"

#include <tinyxml.h>

#include <cstring>
#include <iostream>

const std::string LightRenderComponent::s_name = "LightRenderComponent";

namespace
{
LightType LightTypeFromName(const char* name)
{
    if (name != nullptr)
    {
        if (std::strcmp(name, "PointLight") == 0)
        {
            return LightType_Point;
        }
        if (std::strcmp(name, "SpotLight") == 0)
        {
            return LightType_Spot;
        }
    }
    return LightType_Directional;
}
}

bool LightRenderComponent::InitDerived(const TiXmlElement* element)
{
    const TiXmlElement* light = element->FirstChildElement("Light");
    if (light == nullptr)
    {
        // An override that changes only the colour legitimately has no "Light"; a definition without one
        // gets the default white light, which is worth a word.
        if (!m_hasReadLight)
        {
            std::cerr << DocumentName(element) << ": <" << element->Value() << "> on line " << element->Row()
                      << " has no <Light> element; a default white directional light is used\n";
        }
        return true;
    }
    m_hasReadLight = true;

    m_light.m_type = LightTypeFromName(light->Attribute("type"));
    if (const TiXmlElement* attenuation = light->FirstChildElement("Attenuation"))
    {
        ReadFloatAttribute(attenuation, "const", m_light.m_attenuation[0]);
        ReadFloatAttribute(attenuation, "linear", m_light.m_attenuation[1]);
        ReadFloatAttribute(attenuation, "exp", m_light.m_attenuation[2]);
    }
    const auto readColor = [light](const char* name, Color4& color) {
        if (const TiXmlElement* child = light->FirstChildElement(name))
        {
            ReadFloatAttribute(child, "r", color.r);
            ReadFloatAttribute(child, "g", color.g);
            ReadFloatAttribute(child, "b", color.b);
            ReadFloatAttribute(child, "a", color.a);
        }
    };
    readColor("Ambient", m_light.m_ambient);
    readColor("Diffuse", m_light.m_diffuse);
    readColor("Specular", m_light.m_specular);
    if (const TiXmlElement* shape = light->FirstChildElement("Shape"))
    {
        ReadFloatAttribute(shape, "range", m_light.m_range);
        ReadFloatAttribute(shape, "spot", m_light.m_spot);
    }
    return true;
}

std::shared_ptr<ISceneNode> LightRenderComponent::BuildSceneNode()
{
    if (!m_owner)
    {
        return nullptr;
    }
    const auto transform = FindComponent<TransformComponent>(*m_owner);
    if (!transform)
    {
        std::cerr << m_owner->GetResource() << ": actor " << m_owner->GetId()
                  << " has a LightRenderComponent but no TransformComponent; the light is left out\n";
        return nullptr;
    }
    return std::make_shared<D3DLightNode11>(this, DrawPass_Hidden, &transform->GetTransform(), m_light);
}
