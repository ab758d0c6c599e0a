// Actor: component storage and the ordered walks over it.
// It does not create components (ActorFactory does) and never removes one while the world runs.
#include "actors/Actor.h"

#include "actors/ActorComponent.h"

#include <tinyxml.h>

namespace
{
const char* const kUnknown = "Unknown";
}

Actor::Actor(ActorId id) : m_resource(kUnknown), m_id(id), m_type(kUnknown)
{
}

bool Actor::Init(const TiXmlElement* root)
{
    if (root == nullptr)
    {
        return false;
    }
    const char* type = root->Attribute("type");
    const char* resource = root->Attribute("resource");
    if (type != nullptr)
    {
        m_type = type;
    }
    if (resource != nullptr)
    {
        m_resource = resource;
    }
    return type != nullptr && resource != nullptr;
}

bool Actor::AddComponent(std::shared_ptr<ActorComponent> component)
{
    if (!component)
    {
        return false;
    }
    const ComponentId id = component->GetId();
    return m_components.emplace(id, std::move(component)).second;
}

std::weak_ptr<ActorComponent> Actor::GetComponent(ComponentId id) const
{
    const auto found = m_components.find(id);
    if (found == m_components.end())
    {
        return {};
    }
    return found->second;
}

std::weak_ptr<ActorComponent> Actor::GetComponent(const char* name) const
{
    return GetComponent(ActorComponent::ComponentIdFromName(name));
}

void Actor::PostInit()
{
    for (auto& entry : m_components)
    {
        entry.second->PostInit();
    }
}

void Actor::Update(float deltaMs)
{
    for (auto& entry : m_components)
    {
        entry.second->Update(deltaMs);
    }
}

void Actor::Destroy()
{
    // The components may hold the last references to this actor, so they are moved out first: clearing
    // their owners can destroy `this`, and nothing below touches a member.
    const auto components = std::move(m_components);
    m_components.clear();
    for (const auto& entry : components)
    {
        entry.second->SetOwner(nullptr);
    }
}
