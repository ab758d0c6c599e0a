// The one way to reach an actor's component as its own class: found by its ComponentId (the name hash of the
// class's s_name, computed once per class), turned into a shared pointer for one use.
#pragma once

#include "actors/Actor.h"
#include "actors/ActorComponent.h"

#include <memory>

// Null when the actor has no such component, or the one under that id is of another class.
template <class Component>
std::shared_ptr<Component> FindComponent(const Actor& actor)
{
    static const ComponentId id = ActorComponent::ComponentIdFromName(Component::s_name);
    return std::dynamic_pointer_cast<Component>(actor.GetComponent(id).lock());
}
