// Seeking by replay: see TimelineReplay.h.
#include "app/live/timeline/TimelineReplay.h"

#include <memory>

#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "actors/ComponentLookup.h"
#include "actors/TransformComponent.h"
#include "app/FrameTimer.h"
#include "events/EvtData_Move_Actor.h"
#include "events/IEventManager.h"
#include "scene/FreeCameraNode.h"

void TimelineReplay::RememberStart(const BaseEngineLogic& logic)
{
    m_start.clear();
    for (const auto& [id, actor] : logic.GetActors())
    {
        const auto transform = FindComponent<TransformComponent>(*actor);
        if (transform)
        {
            m_start.emplace_back(id, transform->GetTransform());
        }
    }
}

std::int64_t TimelineReplay::Seek(double seconds, Scene3& scene, IEventManager& events, const FrameUpdate& update)
{
    // Moves the timeline queued for the frame on screen belong to the old run; delivered after the reset they
    // would carry its angles into the new one.
    events.AbortEvent(EvtData_Move_Actor::s_eventType, true);
    // Back along the ordinary road of a move, so the scene tree's nodes follow the transform components.
    for (const auto& [id, transform] : m_start)
    {
        events.TriggerEvent(std::make_shared<EvtData_Move_Actor>(id, transform));
    }
    scene.SetTimelineState(scene.GetStartState());

    // The capture tool's clock: frame n reads exactly n steps, and the timer turns that into elapsed and total
    // seconds with the same conversions as in every run.
    const long long last = m_step.FrameAt(seconds);
    long long frame = 0;
    FrameTimer timer([this, &frame] { return m_step.Nanoseconds(frame); });
    timer.Reset();
    for (frame = 0; frame <= last; ++frame)
    {
        if (frame > 0)
        {
            StandInForDrawing(scene);   // in place of drawing the previous frame
        }
        timer.Tick();
        update(timer);
    }
    return m_step.Nanoseconds(last);
}

void TimelineReplay::StandInForDrawing(Scene3& scene)
{
    scene.GetCamera()->UpdateViewMatrix();
}

void TimelineReplay::PrepareDraw(Scene3& scene, bool sameMoment)
{
    if (sameMoment && m_drawnFrom)
    {
        scene.SetTimelineState(*m_drawnFrom);
    }
    else
    {
        m_drawnFrom = scene.GetTimelineState();
    }
}
