// A node's link to one component of its actor, looked up through the engine logic (actor map, then the
// actor's components by id) once, and again only when the scene's actors may have changed: a new logic, or a
// new, modified or destroyed render component since the last look-up. Move events change no component, so
// they keep the link. It holds no share of the component: a component that is gone is simply looked up again.
#pragma once

#include "actors/Actor.h"
#include "actors/ActorComponent.h"
#include "actors/BaseEngineLogic.h"
#include "scene/SceneTree.h"

#include <cstdint>
#include <memory>

template <class Component>
class ActorComponentLink
{
public:
    // The actor's component named Component::s_name, or null when the logic, the actor or the component does
    // not exist (a miss is looked up again next time).
    Component* Find(const SceneTree& scene, ActorId actorId)
    {
        BaseEngineLogic* const logic = scene.GetLogic();
        const std::uint64_t generation = scene.GetActorGeneration();
        if (logic == m_logic && generation == m_generation && !m_alive.expired())
        {
            return m_component;
        }
        m_logic = logic;
        m_generation = generation;
        m_component = nullptr;
        m_alive.reset();
        if (logic == nullptr)
        {
            return nullptr;
        }
        const std::shared_ptr<Actor> actor = logic->GetActor(actorId).lock();
        if (!actor)
        {
            return nullptr;
        }
        static const ComponentId componentId = ActorComponent::ComponentIdFromName(Component::s_name);
        const auto component = std::dynamic_pointer_cast<Component>(actor->GetComponent(componentId).lock());
        if (component)
        {
            m_component = component.get();
            m_alive = component;
        }
        return m_component;
    }

private:
    const BaseEngineLogic* m_logic = nullptr;
    std::uint64_t m_generation = 0;
    Component* m_component = nullptr;
    std::weak_ptr<Component> m_alive;
};
