// Fly mode on the live scene: see CameraFlight.h.
#include "app/live/CameraFlight.h"

#include <imgui.h>
#include <windows.h>

#include <algorithm>
#include <array>

#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "actors/ComponentLookup.h"
#include "actors/TransformComponent.h"
#include "app/live/KeyMap.h"
#include "app/live/timeline/TimelineReplay.h"

namespace
{
std::shared_ptr<TransformComponent> TransformOf(BaseEngineLogic& logic, ActorId actor)
{
    const std::shared_ptr<Actor> found = logic.GetActor(actor).lock();
    return found ? FindComponent<TransformComponent>(*found) : nullptr;
}
}

void CameraFlight::PutOn(Scene3& scene, BaseEngineLogic& logic, bool flying)
{
    if (!flying)
    {
        m_camera.Leave();
        m_carrier.PutDown();
        return;
    }
    if (!m_camera.IsFlying())
    {
        m_camera.Enter(*scene.GetCamera());
    }
    m_cameraUnderneath = scene.GetTimelineState();
    m_camera.ApplyTo(*scene.GetCamera());
    if (const std::optional<ActorId> carried = m_carrier.Carried())
    {
        // A world reloaded without it drops it.
        const std::shared_ptr<TransformComponent> transform = TransformOf(logic, *carried);
        if (transform == nullptr)
        {
            m_carrier.PutDown();
            return;
        }
        m_actorUnderneath = transform->GetTransform();
        transform->SetTransform(ActorCarrier::MatrixOf(*CarriedPose()));
    }
}

void CameraFlight::GiveBack(Scene3& scene, BaseEngineLogic& logic)
{
    if (m_actorUnderneath)
    {
        if (const std::optional<ActorId> carried = m_carrier.Carried())
        {
            if (const std::shared_ptr<TransformComponent> transform = TransformOf(logic, *carried))
            {
                transform->SetTransform(*m_actorUnderneath);
            }
        }
        m_actorUnderneath.reset();
    }
    if (!m_cameraUnderneath)
    {
        return;
    }
    scene.SetTimelineState(*m_cameraUnderneath);
    m_cameraUnderneath.reset();
    // The choreography's camera was not drawn, the flown one was: its basis is made orthonormal as a drawing
    // would have made it, so that the presentation goes on exactly as without fly mode.
    TimelineReplay::StandInForDrawing(scene);
}

std::optional<ActorId> CameraFlight::ToggleCarry(std::optional<ActorId> actor, BaseEngineLogic& logic)
{
    if (m_carrier.Carried())
    {
        m_carrier.PutDown();
        return std::nullopt;
    }
    if (!m_camera.IsFlying() || !actor)
    {
        return std::nullopt;
    }
    if (const std::shared_ptr<TransformComponent> transform = TransformOf(logic, *actor))
    {
        m_carrier.PickUp(*actor, transform->GetTransform(), m_camera.GetPose());
    }
    return m_carrier.Carried();
}

std::optional<FlyCamera::Pose> CameraFlight::CarriedPose() const
{
    if (!m_carrier.Carried())
    {
        return std::nullopt;
    }
    return m_carrier.PoseUnder(m_camera.GetPose());
}

void CameraFlight::ReadInput()
{
    if (!m_camera.IsFlying())
    {
        return;
    }
    const ImGuiIO& io = ImGui::GetIO();
    // The keys and the pointer as they are now, not as the message queue has got to them: the queue hands out a
    // message per frame, so a held key's auto-repeat would hold back its release for seconds. Each asking costs
    // (under Wine, some 9 us a key, 30 us for the active window and 180 us for the pointer, a round trip to the X
    // server), so the modifiers, the window and the pointer are asked only once a key or the button is held.
    const auto down = [](unsigned key) { return (GetAsyncKeyState(static_cast<int>(key)) & 0x8000) != 0; };
    // The keys (and the button that turns) as the key map binds them.
    const auto bound = [&down](KeyAction action) { return down(KeyMap::Of(action).chord.key); };
    const std::array<bool, 7> held{bound(KeyAction::FlyForward), bound(KeyAction::FlyBack), bound(KeyAction::FlyRight),
                                   bound(KeyAction::FlyLeft),    bound(KeyAction::FlyUp),   bound(KeyAction::FlyDown),
                                   bound(KeyAction::FlyTurn)};
    const bool any = std::find(held.begin(), held.end(), true) != held.end();
    // Only while this program's window is the active one.
    const bool active = any && GetActiveWindow() != nullptr;
    FlyCamera::Input input;
    // Keys typed into a field are the field's, and Ctrl+S saves rather than flies back.
    if (active && !io.WantTextInput && !down(VK_CONTROL))
    {
        const auto axis = [](bool plus, bool minus) { return (plus ? 1.0f : 0.0f) - (minus ? 1.0f : 0.0f); };
        input.forward = axis(held[0], held[1]);
        input.right = axis(held[2], held[3]);
        input.up = axis(held[4], held[5]);
        input.fast = bound(KeyAction::FlyFaster);
    }
    // A turn starts with the right button pressed over the view (over the panel or the overlay it is theirs) and
    // lasts while the button is held.
    POINT pointer{};
    const bool rightHeld = active && held[6] && GetCursorPos(&pointer) != 0;
    const float x = static_cast<float>(pointer.x);
    const float y = static_cast<float>(pointer.y);
    if (rightHeld && !m_turning && !io.WantCaptureMouse)
    {
        m_turning = true;
        m_pointerX = x;
        m_pointerY = y;
    }
    if (!rightHeld)
    {
        m_turning = false;
    }
    if (m_turning)
    {
        input.turnX = x - m_pointerX;
        input.turnY = y - m_pointerY;
        m_pointerX = x;
        m_pointerY = y;
    }
    if (!io.WantCaptureMouse)
    {
        input.wheel = io.MouseWheel;
    }
    m_camera.Update(input, io.DeltaTime);
}
