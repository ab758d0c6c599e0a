// Builds actors from XML definition files: hands out ids, creates one component per child element through a
// table of creators keyed by ComponentId, applies per-instance overrides and an initial position, then lets
// the components finish (PostInit). It owns no actor; the engine logic keeps what it returns.
//
// Registering component kinds: the constructor registers TransformComponent. Kinds that live outside the
// portable code (MeshComponent, MeshRenderComponent, LightRenderComponent need Direct3D) are registered by
// the application right after BaseEngineLogic::Init() and before LoadWorld, through
//     logic.GetActorFactory()->RegisterComponent<MeshRenderComponent>();
// in the order MeshRenderComponent, MeshComponent, LightRenderComponent. A kind T qualifies when it derives
// from ActorComponent, is default-constructible and has `static const std::string s_name`.
#pragma once

#include "actors/ActorComponent.h"
#include "events/EngineTypes.h"

#include <map>
#include <memory>
#include <string>

class Actor;
class TiXmlElement;
struct Matrix4x4;

class ActorFactory
{
public:
    // Allocates a component with default contents and no owner.
    using ComponentCreator = ActorComponent* (*)();

    ActorFactory();
    virtual ~ActorFactory() = default;

    // Registers a creator under the hash of `name`. The first registration of an id wins: false, changing
    // nothing, when the id is already taken.
    bool RegisterCreator(const std::string& name, ComponentCreator creator);

    template <class T>
    bool RegisterComponent()
    {
        return RegisterCreator(T::s_name, []() -> ActorComponent* { return new T(); });
    }

    bool IsRegistered(ComponentId id) const { return m_creators.count(id) != 0; }

    // Loads `resourceFile` and builds its actor. `overrides` (child elements re-initialise or add components)
    // and `initialTransform` (only its translation is used) may be null; `requestedId` 0 asks for a fresh
    // id. Empty on failure, with one line on standard error naming the file and the problem. A file that
    // cannot be read or parsed, or whose root lacks "type" or "resource", consumes no id; a definition that
    // fails on a component has already consumed its id.
    std::shared_ptr<Actor> CreateActor(const char* resourceFile, const TiXmlElement* overrides,
                                       const Matrix4x4* initialTransform, ActorId requestedId);

    // A new, initialised component for the element's name; empty for an unknown name or a failed Init.
    virtual std::shared_ptr<ActorComponent> CreateComponent(const TiXmlElement* element);

    // For each child of `overrides`: re-runs Init (then OnChanged) on the actor's component of that name, or
    // adds a new component. Unknown names are skipped with a line on standard error.
    void ModifyActor(const std::shared_ptr<Actor>& actor, const TiXmlElement* overrides);

    ActorId GetLastActorId() const { return m_lastActorId; }

private:
    ActorId m_lastActorId = 0;
    std::map<ComponentId, ComponentCreator> m_creators;
    std::map<ComponentId, std::string> m_names;
};
