// The presentation's timeline at one moment, taken and put back bit for bit: the scene's timeline state (camera,
// sky, the flight's z), every actor's transform and the events waiting for the next update (the moves the last
// update made). The capture tool draws a moment between two frames, or a sub-frame of a blurred frame, by moving
// the timeline on from a frame and back again, so that the frames after it are those of a run that never left
// the step. It owns nothing it notes; portable, with the scene (see app/CMakeLists.txt).
#pragma once

#include <utility>
#include <vector>

#include "events/EngineTypes.h"
#include "events/IEventData.h"
#include "events/Matrix4x4.h"
#include "scene/Scene3.h"

class BaseEngineLogic;
class IEventManager;

class TimelineSnapshot
{
public:
    // Notes the state as it is now: between two updates, after the first one's drawing (or its stand-in).
    static TimelineSnapshot Take(const Scene3& scene, const BaseEngineLogic& logic, const IEventManager& events);

    // Puts the noted state back: the transforms along the ordinary road of a move (triggered, so the scene tree's
    // nodes follow their transform components at once), the waiting events as they were, then the scene's
    // state. Actors that came or went since are not the snapshot's business; the timeline does not make any.
    void Restore(Scene3& scene, IEventManager& events) const;

    std::size_t GetActorCount() const { return m_transforms.size(); }

private:
    Scene3::TimelineState m_scene;
    std::vector<std::pair<ActorId, Matrix4x4>> m_transforms;
    std::vector<SharedEventData> m_pending;
};
