// The numeric ids shared by events, actors and the scene: actor ids, component ids and event type ids.
// Only the aliases live here; the hash behind component ids belongs to ActorComponent.
#pragma once

#include <cstdint>

// 0 means "no actor"; the actor factory hands out 1, 2, 3, ...
using ActorId = std::uint32_t;
// The case-insensitive name hash of a component's class name.
using ComponentId = std::uint32_t;
// One fixed constant per event class.
using EventType = std::uint32_t;

constexpr ActorId kInvalidActorId = 0;
