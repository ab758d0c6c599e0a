// Directing from the view: see DirectingTools.h.
#include "app/live/DirectingTools.h"

#include <imgui.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/live/ActorPicker.h"
#include "app/live/timeline/ChoreographyDocument.h"
#include "scene/FreeCameraNode.h"
#include "scene/Scene3.h"

void DirectingTools::PickActor()
{
    const ImGuiIO& io = ImGui::GetIO();
    // Whether or not the panel shows: the view is most of the window only with the panel put away.
    if (!io.MouseClicked[0] || io.WantCaptureMouse || !(io.DisplaySize.x > 0.0f && io.DisplaySize.y > 0.0f))
    {
        return;
    }
    const FreeCameraNode& camera = *m_scene.GetCamera();
    const ActorPicker::Ray ray = ActorPicker::Through(
        {camera.GetPosition(), camera.GetRight(), camera.GetUp(), camera.GetLook(), camera.GetProj()},
        2.0f * io.MousePos.x / io.DisplaySize.x - 1.0f, 1.0f - 2.0f * io.MousePos.y / io.DisplaySize.y);
    const std::optional<ActorId> picked = ActorPicker::Pick(m_logic, ray);
    m_document.Model().SelectActor(picked);
    if (picked)
    {
        std::cerr << "selected actor " << *picked << std::endl;
    }
}

void DirectingTools::CarryOrPutDown()
{
    TimelineModel& model = m_document.Model();
    const std::optional<ActorId> before = m_flight.Carried();
    const std::optional<ActorId> after = m_flight.ToggleCarry(model.SelectedActor(), m_logic);
    if (after)
    {
        std::cerr << "carrying actor " << *after << std::endl;
        model.SetStatus("carrying actor " + std::to_string(*after) + ": K keys it, G puts it down");
    }
    else if (before)
    {
        std::cerr << "put actor " << *before << " down" << std::endl;
        model.SetStatus("put actor " + std::to_string(*before) + " down");
    }
    else
    {
        model.SetStatus(m_flight.IsFlying() ? "G carries an actor: click one first"
                                            : "G carries an actor in fly mode (F3)");
    }
}

void DirectingTools::KeyWhatYouSee(double seconds)
{
    const FlyCamera::Pose pose =
        m_flight.IsFlying() ? m_flight.Camera().GetPose() : FlyCamera::PoseOf(*m_scene.GetCamera());
    std::vector<TimelineModel::SeenPose> seen{{Choreography::Track::kCamera, pose.Channels()}};
    const std::optional<ActorId> carried = m_flight.Carried();
    if (carried)
    {
        seen.push_back({*carried, m_flight.CarriedPose()->Channels()});
    }
    const std::optional<float> keyed = m_document.Model().KeyWhatYouSee(seconds, seen);
    if (keyed)
    {
        std::cerr << "keyed the camera at " << *keyed << " s: " << pose.position.x << ", " << pose.position.y << ", "
                  << pose.position.z << ", yaw " << pose.yaw << ", pitch " << pose.pitch << ", roll " << pose.roll
                  << std::endl;
        if (carried)
        {
            std::cerr << "keyed actor " << *carried << " at " << *keyed << " s" << std::endl;
        }
    }
}

DirectingBar::Clicked DirectingTools::DrawBar(bool flying, bool looping)
{
    TimelineModel& model = m_document.Model();
    const Choreography& current = m_document.Editor().Current();
    const DirectingBar::State bar{flying,
                                  m_flight.Camera().GetSpeed(),
                                  model.SelectedActor(),
                                  m_flight.Carried(),
                                  looping,
                                  current.loop,
                                  &current.bookmarks};
    const DirectingBar::Clicked clicked = DirectingBar::Draw(bar);
    if (clicked.rename)
    {
        model.RenameBookmark(clicked.rename->first, clicked.rename->second);
    }
    if (clicked.deleteBookmark)
    {
        model.DeleteBookmark(*clicked.deleteBookmark);
    }
    return clicked;
}
