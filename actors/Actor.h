// An actor: an id, the type and resource names from its definition file, and its components keyed by
// ComponentId. All behaviour lives in the components; the actor only holds and walks them.
#pragma once

#include "events/EngineTypes.h"

#include <map>
#include <memory>
#include <string>

class ActorComponent;
class TiXmlElement;

class Actor
{
public:
    explicit Actor(ActorId id);

    Actor(const Actor&) = delete;
    Actor& operator=(const Actor&) = delete;

    // Copies the root element's "type" and "resource" attributes. Returns false, leaving a missing one at
    // "Unknown", when either is absent (the factory refuses such a definition before building the actor).
    bool Init(const TiXmlElement* root);

    ActorId GetId() const { return m_id; }
    const std::string& GetType() const { return m_type; }
    const std::string& GetResource() const { return m_resource; }

    // Keeps the first component per id: a later one with the same id is not stored. True when stored.
    bool AddComponent(std::shared_ptr<ActorComponent> component);
    // An empty weak reference when the actor has no such component.
    std::weak_ptr<ActorComponent> GetComponent(ComponentId id) const;
    std::weak_ptr<ActorComponent> GetComponent(const char* name) const;
    std::size_t GetComponentCount() const { return m_components.size(); }
    // The components in ascending id order.
    const std::map<ComponentId, std::shared_ptr<ActorComponent>>& GetComponents() const { return m_components; }

    // Both walk the components in ascending id order, whatever order the XML listed them in.
    void PostInit();
    void Update(float deltaMs);

    // Breaks the actor/component ownership cycle: clears every component's owner and releases the
    // components. The actor is empty afterwards.
    void Destroy();

private:
    std::string m_resource;
    ActorId m_id;
    std::string m_type;
    std::map<ComponentId, std::shared_ptr<ActorComponent>> m_components;
};
