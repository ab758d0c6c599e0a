// Fly mode on the live scene: the flown camera (FlyCamera) fed by the keys, the pointer and the wheel, put on the
// scene's one camera for drawing, and the actor carried with it (ActorCarrier). The choreography keeps the camera
// and the carried actor underneath: the flown poses are put on them only for drawing, and what the choreography
// had comes back at the next frame's start, as if it had been drawn, so that the presentation goes on exactly as
// without fly mode and leaving it finds the camera where the moment on screen has it.
#pragma once

#include <optional>

#include "app/live/ActorCarrier.h"
#include "app/live/FlyCamera.h"
#include "events/EngineTypes.h"
#include "events/Matrix4x4.h"
#include "scene/Scene3.h"

class BaseEngineLogic;

class CameraFlight
{
public:
    const FlyCamera& Camera() const { return m_camera; }
    bool IsFlying() const { return m_camera.IsFlying(); }

    // Right before drawing: with `flying`, the flown camera (taken over where the scene's camera stands, the first
    // time) and the carried actor on the scene; otherwise fly mode ends here, and the actor is put down.
    void PutOn(Scene3& scene, BaseEngineLogic& logic, bool flying);
    // At the next frame's start: the camera and the carried actor as the choreography had them.
    void GiveBack(Scene3& scene, BaseEngineLogic& logic);
    // Moves the flown camera by this overlay frame's keys, pointer and wheel (wall time, paused or not).
    void ReadInput();

    // G: picks `actor` up (it must stand in the world with a transform) or, when one is carried, puts it down.
    // Only while flying. Returns what is carried afterwards.
    std::optional<ActorId> ToggleCarry(std::optional<ActorId> actor, BaseEngineLogic& logic);
    std::optional<ActorId> Carried() const { return m_carrier.Carried(); }
    // The carried actor's pose as it is drawn, as its tracks would key it.
    std::optional<FlyCamera::Pose> CarriedPose() const;

private:
    FlyCamera m_camera;
    ActorCarrier m_carrier;
    std::optional<Scene3::TimelineState> m_cameraUnderneath;
    std::optional<Matrix4x4> m_actorUnderneath;
    bool m_turning = false;
    float m_pointerX = 0.0f;   // where the pointer was in the last frame of a turn, in screen pixels
    float m_pointerY = 0.0f;
};
