// The timeline taken and put back: see TimelineSnapshot.h.
#include "app/live/timeline/TimelineSnapshot.h"

#include <memory>
#include <set>

#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "actors/ComponentLookup.h"
#include "actors/TransformComponent.h"
#include "events/EvtData_Move_Actor.h"
#include "events/IEventManager.h"

TimelineSnapshot TimelineSnapshot::Take(const Scene3& scene, const BaseEngineLogic& logic, const IEventManager& events)
{
    TimelineSnapshot snapshot;
    snapshot.m_scene = scene.GetTimelineState();
    for (const auto& [id, actor] : logic.GetActors())
    {
        if (const auto transform = FindComponent<TransformComponent>(*actor))
        {
            snapshot.m_transforms.emplace_back(id, transform->GetTransform());
        }
    }
    snapshot.m_pending = events.GetPendingEvents();
    return snapshot;
}

void TimelineSnapshot::Restore(Scene3& scene, IEventManager& events) const
{
    for (const auto& [id, transform] : m_transforms)
    {
        events.TriggerEvent(std::make_shared<EvtData_Move_Actor>(id, transform));
    }
    std::set<EventType> waiting;
    for (const SharedEventData& event : events.GetPendingEvents())
    {
        waiting.insert(event->GetEventType());
    }
    for (const EventType type : waiting)
    {
        events.AbortEvent(type, true);
    }
    for (const SharedEventData& event : m_pending)
    {
        events.QueueEvent(event);
    }
    scene.SetTimelineState(m_scene);
}
