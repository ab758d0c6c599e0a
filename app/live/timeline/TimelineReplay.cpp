// Seeking by replay: see TimelineReplay.h.
#include "app/live/timeline/TimelineReplay.h"

#include <cmath>
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

    // The capture tool's clock: frame n reads exactly n steps, a moment between frames is reached as the capture
    // tool reaches it (FixedStep::PathTo), and the timer turns that into elapsed and total seconds with the same
    // conversions as in every run.
    const std::int64_t moment = seconds > 0.0 ? std::llround(seconds * 1e9) : 0;
    const FixedStep::Path path = m_step.PathTo(moment);
    std::int64_t now = 0;
    FrameTimer timer([&now] { return now; });
    timer.Reset();
    for (long long frame = 0; frame <= path.lastFrame; ++frame)
    {
        if (frame > 0)
        {
            StandInForDrawing(scene);   // in place of drawing the previous frame
        }
        now = m_step.Nanoseconds(frame);
        timer.Tick();
        update(timer);
    }
    for (int reading = 0; reading < path.readingCount; ++reading)
    {
        StandInForDrawing(scene);
        now = path.readings[reading];
        timer.Tick();
        update(timer);
    }
    return moment;
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
