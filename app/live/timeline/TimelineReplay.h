// The timeline under engine.exe's controls. A seek puts the presentation back to its start (the scene's timeline
// state, every actor's transform, the move events still queued) and replays logic, event queue and timeline on
// the capture tool's fixed step up to the moment sought, drawing nothing: the state it leaves is the one the
// capture tool has right before drawing that moment, so the next picture is the capture's, byte for byte, at any
// moment, between two frames of the step too. A held (paused) moment is drawn again from exactly the state its first drawing started from.
// It reads no input and owns nothing it replays; portable, with the scene (see app/CMakeLists.txt).
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <optional>

#include "app/FixedStep.h"
#include "events/EngineTypes.h"
#include "events/Matrix4x4.h"
#include "scene/Scene3.h"

class BaseEngineLogic;
class FrameTimer;
class IEventManager;

class TimelineReplay
{
public:
    // One frame's update of the whole presentation, given a timer to read elapsed and total time from:
    // the logic, the event queue and the scene, in the application's order.
    using FrameUpdate = std::function<void(const FrameTimer&)>;

    explicit TimelineReplay(FixedStep step = {}) : m_step(step) {}

    // Notes every actor's transform as the world loaded it: where each replay begins. Call once the world has
    // loaded and before the first frame.
    void RememberStart(const BaseEngineLogic& logic);

    // Starts the timeline over and replays it up to `seconds` (0 for anything before), that moment's update
    // included: on the fixed step, and a moment between its frames by the path the capture tool takes there
    // (FixedStep::PathTo). Returns the moment in nanoseconds, for the frame timer to carry on from.
    std::int64_t Seek(double seconds, Scene3& scene, IEventManager& events, const FrameUpdate& update);

    // What drawing a frame does to the timeline, for a frame that is not drawn: the camera's render step
    // re-orthonormalises its basis, and the next frame's pitch starts from that basis. Nothing else a drawing
    // changes is read by a later update: the nodes' pre-render copies the matrices the move events have set
    // already, the binding record is forgotten at the start of every frame, and the sky is chosen by the update.
    static void StandInForDrawing(Scene3& scene);

    // Call right before each frame is drawn. Drawing moves the timeline a little: the camera's render step
    // re-orthonormalises its basis, and rounding can change it by a bit on every call. So the first drawing of
    // a moment notes the state it starts from, and drawing the same moment again (`sameMoment`) starts from
    // that state once more: a paused picture stays exactly the same, and the run carries on afterwards as if
    // the moment had been drawn once.
    void PrepareDraw(Scene3& scene, bool sameMoment);

    const FixedStep& GetStep() const { return m_step; }
    std::size_t GetRememberedActorCount() const { return m_start.size(); }

private:
    FixedStep m_step;
    std::vector<std::pair<ActorId, Matrix4x4>> m_start;
    std::optional<Scene3::TimelineState> m_drawnFrom;
};
