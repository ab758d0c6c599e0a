// Abstract base of every actor component, and the case-insensitive name hash that turns a component's class
// name into its ComponentId. Components are found by id, never by C++ type; this file knows no concrete kind.
#pragma once

#include "events/EngineTypes.h"

#include <memory>
#include <string>

class Actor;
class TiXmlElement;

class ActorComponent
{
public:
    virtual ~ActorComponent() = default;

    // Reads the component's own XML element. False makes the factory discard the component.
    virtual bool Init(const TiXmlElement* element) = 0;
    // The class's static, process-lifetime name string (also the key the factory registers it under).
    virtual const std::string& GetName() const = 0;
    // Runs once, after every component of the actor exists.
    virtual void PostInit() {}
    // Runs once per frame with the frame's elapsed time in whole milliseconds.
    virtual void Update(float deltaMs) { (void)deltaMs; }
    // Runs after an override element re-initialised the component.
    virtual void OnChanged() {}
    virtual ComponentId GetId() const { return ComponentIdFromName(GetName()); }

    // Adler-32-like sums over the lower-cased bytes, with both sums starting at 0: "abc" gives 0x024A0126.
    // Null or empty gives 0. Bytes outside ASCII A-Z are summed unchanged.
    static ComponentId ComponentIdFromName(const char* name);
    static ComponentId ComponentIdFromName(const std::string& name) { return ComponentIdFromName(name.c_str()); }

    // The owner is an owning pointer, which makes actor and component a cycle: whoever tears the world down
    // clears it (Actor::Destroy does).
    void SetOwner(std::shared_ptr<Actor> owner) { m_owner = std::move(owner); }
    const std::shared_ptr<Actor>& GetOwner() const { return m_owner; }

protected:
    std::shared_ptr<Actor> m_owner;
};
