// BaseRenderComponent: the colour element, node creation on demand and the two scene announcements.
// Events go through the process-wide event manager; without one nothing is announced and nothing fails.
#include "actors/BaseRenderComponent.h"

#include "actors/Actor.h"
#include "events/EvtData_Modified_Render_Component.h"
#include "events/EvtData_New_Render_Component.h"
#include "events/IEventManager.h"

#include <tinyxml.h>

#include <cstdio>
#include <iostream>

bool BaseRenderComponent::Init(const TiXmlElement* element)
{
    if (element == nullptr)
    {
        return false;
    }
    if (const TiXmlElement* color = element->FirstChildElement("Color"))
    {
        Color4 read{1.0f, 1.0f, 1.0f, 1.0f};
        ReadFloatAttribute(color, "r", read.r);
        ReadFloatAttribute(color, "g", read.g);
        ReadFloatAttribute(color, "b", read.b);
        ReadFloatAttribute(color, "a", read.a);
        m_color = read;
    }
    return InitDerived(element);
}

void BaseRenderComponent::PostInit()
{
    std::shared_ptr<ISceneNode> node = GetSceneNode();
    if (IEventManager* manager = IEventManager::Get())
    {
        const ActorId owner = m_owner ? m_owner->GetId() : kInvalidActorId;
        manager->TriggerEvent(std::make_shared<EvtData_New_Render_Component>(owner, std::move(node)));
    }
}

void BaseRenderComponent::OnChanged()
{
    if (IEventManager* manager = IEventManager::Get())
    {
        const ActorId owner = m_owner ? m_owner->GetId() : kInvalidActorId;
        manager->TriggerEvent(std::make_shared<EvtData_Modified_Render_Component>(owner));
    }
}

std::shared_ptr<ISceneNode> BaseRenderComponent::GetSceneNode()
{
    if (!m_sceneNode)
    {
        m_sceneNode = BuildSceneNode();
    }
    return m_sceneNode;
}

bool BaseRenderComponent::ReadFloatAttribute(const TiXmlElement* element, const char* name, float& out)
{
    const char* text = element->Attribute(name);
    if (text == nullptr)
    {
        return false;
    }
    double value = 0.0;
    if (std::sscanf(text, "%lf", &value) != 1)
    {
        std::cerr << DocumentName(element) << ": attribute \"" << name << "\" of <" << element->Value() << "> on line "
                  << element->Row() << " is not a number (\"" << text << "\"); ignored\n";
        return false;
    }
    out = static_cast<float>(value);
    return true;
}

const char* BaseRenderComponent::DocumentName(const TiXmlElement* element)
{
    const TiXmlDocument* document = element != nullptr ? element->GetDocument() : nullptr;
    const char* name = document != nullptr ? document->Value() : nullptr;
    return name != nullptr && *name != '\0' ? name : "(unnamed document)";
}
