// The camera's path in the view: see CameraPathView.h.
#include "app/live/CameraPathView.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <vector>

#include "app/live/timeline/TimelineModel.h"
#include "scene/FreeCameraNode.h"

namespace
{
// Bright on the sky and the scenery alike, each with a dark rim, in the overlay's palette.
constexpr ImU32 kLineColour = IM_COL32(255, 196, 0, 255);
constexpr ImU32 kTickColour = IM_COL32(255, 255, 255, 255);
constexpr ImU32 kMarkColour = IM_COL32(0, 220, 255, 255);
constexpr ImU32 kRimColour = IM_COL32(0, 0, 0, 255);
constexpr float kLineThickness = 2.0f;
constexpr float kTickHalfLength = 6.0f;
constexpr float kMarkRadius = 6.0f;

ImVec2 At(const CameraPath::Pixel& pixel)
{
    return {pixel.x, pixel.y};
}

// A tick across the line at `sample` of the line: square to the line's direction on screen there.
void DrawTick(ImDrawList& draw, const ActorPicker::Eye& eye, const CameraPath& path, const CameraPath::Sample& tick,
              ImVec2 size)
{
    const std::optional<CameraPath::Pixel> centre = CameraPath::Project(eye, tick.position, size.x, size.y);
    if (!centre)
    {
        return;
    }
    // The line's direction: towards the next sample that shows somewhere else.
    const auto& line = path.Line();
    auto next = std::lower_bound(line.begin(), line.end(), tick.time,
                                 [](const CameraPath::Sample& sample, float time) { return sample.time < time; });
    float dx = 0.0f;
    float dy = 0.0f;
    for (int tries = 0; next != line.end() && tries < 8 && dx * dx + dy * dy < 1.0f; ++next, ++tries)
    {
        if (const std::optional<CameraPath::Pixel> along = CameraPath::Project(eye, next->position, size.x, size.y))
        {
            dx = along->x - centre->x;
            dy = along->y - centre->y;
        }
    }
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length < 1.0f)
    {
        // Standing still, or running straight at the eye: a dot.
        draw.AddCircleFilled(At(*centre), 2.5f, kTickColour);
        return;
    }
    const float acrossX = -dy / length * kTickHalfLength;
    const float acrossY = dx / length * kTickHalfLength;
    draw.AddLine({centre->x - acrossX, centre->y - acrossY}, {centre->x + acrossX, centre->y + acrossY}, kTickColour,
                 2.0f);
}
}

bool CameraPathView::Draw(TimelineModel& model, double from, double until, const FreeCameraNode& camera)
{
    const ImGuiIO& io = ImGui::GetIO();
    const ImVec2 size = io.DisplaySize;
    if (!(size.x > 0.0f && size.y > 0.0f))
    {
        return false;
    }
    const ActorPicker::Eye eye{camera.GetPosition(), camera.GetRight(), camera.GetUp(), camera.GetLook(),
                               camera.GetProj()};
    const CameraPath::Pixel pointer{io.MousePos.x, io.MousePos.y};

    // The drag first, so that the path drawn below already shows where the key went.
    if (m_grabbed)
    {
        if (!io.MouseDown[0])
        {
            LetGo(model);
        }
        else if (const std::optional<Vector3> point = CameraPath::OnViewPlane(eye, m_anchor, size.x, size.y, pointer))
        {
            const CameraPath::Mark grabbed = *m_grabbed;
            bool moved = true;
            model.Edit([&](Choreography& next) { moved = CameraPath::MoveMark(next, grabbed, *point); });
            if (!moved)
            {
                LetGo(model);   // an undo or a reload took the keys away under the pointer
            }
        }
    }

    const CameraPath path = CameraPath::Of(model.Current(), from, until);
    bool taken = m_grabbed.has_value();
    // The mark under the pointer, or one past the last.
    const std::size_t hovered =
        (io.WantCaptureMouse ? std::nullopt : path.MarkAt(eye, size.x, size.y, pointer, kGrabRadius))
            .value_or(path.Marks().size());
    if (!m_grabbed && hovered < path.Marks().size() && io.MouseClicked[0])
    {
        m_grabbed = path.Marks()[hovered];
        m_anchor = m_grabbed->position;
        model.BeginGesture();
        taken = true;
    }

    ImDrawList& draw = *ImGui::GetBackgroundDrawList();
    for (const auto& run : path.ProjectLine(eye, size.x, size.y))
    {
        std::vector<ImVec2> points;
        points.reserve(run.size());
        for (const CameraPath::Pixel& pixel : run)
        {
            points.push_back(At(pixel));
        }
        draw.AddPolyline(points.data(), static_cast<int>(points.size()), kLineColour, ImDrawFlags_None, kLineThickness);
    }
    for (const CameraPath::Sample& tick : path.Ticks())
    {
        DrawTick(draw, eye, path, tick, size);
    }
    std::optional<CameraPath::Pixel> firstShown;
    std::size_t shown = 0;
    for (std::size_t mark = 0; mark < path.Marks().size(); ++mark)
    {
        const CameraPath::Mark& drawn = path.Marks()[mark];
        const std::optional<CameraPath::Pixel> pixel = CameraPath::Project(eye, drawn.position, size.x, size.y);
        if (!pixel)
        {
            continue;
        }
        const bool lit = (m_grabbed && m_grabbed->time == drawn.time) || (!m_grabbed && hovered == mark);
        draw.AddCircleFilled(At(*pixel), kMarkRadius + 1.5f, lit ? kTickColour : kRimColour);
        draw.AddCircleFilled(At(*pixel), kMarkRadius, kMarkColour);
        if (pixel->x >= 0.0f && pixel->y >= 0.0f && pixel->x < size.x && pixel->y < size.y)
        {
            firstShown = firstShown ? firstShown : pixel;
            ++shown;
        }
    }

    if (!m_told)
    {
        // Once each time it shows: where it is, and where its first mark stands in the picture.
        m_told = true;
        std::cerr << "camera path from " << from << " to " << until << " s: " << path.Marks().size() << " marks, "
                  << shown << " in view";
        if (firstShown)
        {
            std::cerr << ", the first at " << std::lround(firstShown->x) << ", " << std::lround(firstShown->y) << " px";
        }
        std::cerr << std::endl;
    }
    return taken;
}

void CameraPathView::Hidden(TimelineModel& model)
{
    LetGo(model);
    m_told = false;
}

void CameraPathView::LetGo(TimelineModel& model)
{
    if (!m_grabbed)
    {
        return;
    }
    const float time = m_grabbed->time;
    m_grabbed.reset();
    model.EndGesture();
    const CameraPath now = CameraPath::Of(model.Current(), time, time);
    if (!now.Marks().empty())
    {
        const Vector3& at = now.Marks().front().position;
        std::cerr << "the camera's keys at " << time << " s put it at " << at.x << ", " << at.y << ", " << at.z
                  << std::endl;
    }
}
