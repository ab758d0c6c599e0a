// ActorFactory: reading actor definition files and assembling actors from registered component creators.
// It reports bad data on standard error and returns an empty pointer; it never throws for bad files.
#include "actors/ActorFactory.h"

#include "actors/Actor.h"
#include "actors/ComponentLookup.h"
#include "actors/TransformComponent.h"
#include "files/XmlFileLoader.h"
#include "events/Matrix4x4.h"

#include <tinyxml.h>

#include <iostream>

namespace
{
const char* ElementName(const TiXmlElement* element)
{
    const char* name = element->Value();
    return name != nullptr ? name : "";
}
}

ActorFactory::ActorFactory()
{
    RegisterComponent<TransformComponent>();
}

bool ActorFactory::RegisterCreator(const std::string& name, ComponentCreator creator)
{
    const ComponentId id = ActorComponent::ComponentIdFromName(name);
    if (creator == nullptr || m_creators.count(id) != 0)
    {
        return false;
    }
    m_creators.emplace(id, creator);
    m_names.emplace(id, name);
    return true;
}

std::shared_ptr<Actor> ActorFactory::CreateActor(const char* resourceFile, const TiXmlElement* overrides,
                                                 const Matrix4x4* initialTransform, ActorId requestedId)
{
    if (resourceFile == nullptr || *resourceFile == '\0')
    {
        std::cerr << "(actor definition): no file name given\n";
        return {};
    }

    TiXmlDocument document;
    // A document that failed to parse can still hold the elements read before the error; none of them is
    // trusted, so a malformed definition builds nothing.
    std::string problem;
    if (!XmlFileLoader::Load(document, resourceFile, &problem))
    {
        std::cerr << resourceFile << ": cannot read actor definition: " << problem << '\n';
        return {};
    }
    const TiXmlElement* root = document.FirstChildElement();
    if (root == nullptr)
    {
        std::cerr << resourceFile << ": no root element\n";
        return {};
    }
    for (const char* required : {"type", "resource"})
    {
        if (root->Attribute(required) == nullptr)
        {
            std::cerr << resourceFile << ": root element <" << ElementName(root) << "> has no \"" << required
                      << "\" attribute\n";
            return {};
        }
    }

    const ActorId id = requestedId != kInvalidActorId ? requestedId : ++m_lastActorId;
    auto actor = std::make_shared<Actor>(id);
    actor->Init(root);

    for (const TiXmlElement* element = root->FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement())
    {
        std::shared_ptr<ActorComponent> component = CreateComponent(element);
        if (!component)
        {
            const ComponentId componentId = ActorComponent::ComponentIdFromName(ElementName(element));
            std::cerr << resourceFile << ": component <" << ElementName(element) << "> on line " << element->Row()
                      << (IsRegistered(componentId) ? " failed to initialise" : " is not a known component")
                      << "; actor not created\n";
            // The components added so far own the actor through their owner pointers; without this the
            // abandoned actor and its components would keep each other alive for ever.
            actor->Destroy();
            return {};
        }
        actor->AddComponent(component);
        component->SetOwner(actor);
    }

    if (overrides != nullptr)
    {
        ModifyActor(actor, overrides);
    }

    if (initialTransform != nullptr)
    {
        const auto transform = FindComponent<TransformComponent>(*actor);
        if (transform)
        {
            transform->SetPosition(initialTransform->m[12], initialTransform->m[13], initialTransform->m[14]);
        }
    }

    actor->PostInit();
    return actor;
}

std::shared_ptr<ActorComponent> ActorFactory::CreateComponent(const TiXmlElement* element)
{
    if (element == nullptr)
    {
        return {};
    }
    const auto creator = m_creators.find(ActorComponent::ComponentIdFromName(ElementName(element)));
    if (creator == m_creators.end())
    {
        return {};
    }
    std::shared_ptr<ActorComponent> component(creator->second());
    if (!component || !component->Init(element))
    {
        return {};
    }
    return component;
}

void ActorFactory::ModifyActor(const std::shared_ptr<Actor>& actor, const TiXmlElement* overrides)
{
    if (!actor || overrides == nullptr)
    {
        return;
    }
    for (const TiXmlElement* element = overrides->FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement())
    {
        const ComponentId id = ActorComponent::ComponentIdFromName(ElementName(element));
        if (const auto existing = actor->GetComponent(id).lock())
        {
            existing->Init(element);
            existing->OnChanged();
            continue;
        }
        std::shared_ptr<ActorComponent> component = CreateComponent(element);
        if (!component)
        {
            std::cerr << actor->GetResource() << ": override <" << ElementName(element) << "> on line "
                      << element->Row() << (IsRegistered(id) ? " failed to initialise" : " is not a known component")
                      << "; skipped\n";
            continue;
        }
        actor->AddComponent(component);
        component->SetOwner(actor);
    }
}
