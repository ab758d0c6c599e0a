// The graph view: see GraphView.h. The value axis spans the track's keys and handles with a margin, so that no
// handle is dragged off the view; time uses the lanes' axis, so zooming and scrolling move both together.
#include "app/live/timeline/GraphView.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>

#include "app/live/timeline/TimeAxis.h"
#include "app/live/timeline/TimelineRuler.h"
#include "scene/choreography/BezierStretch.h"

namespace
{
constexpr float kHeight = 160.0f;
constexpr float kPickPixels = 6.0f;
constexpr float kStepPixels = 2.0f;
constexpr ImU32 kCurveColour = IM_COL32(204, 121, 167, 255);
constexpr ImU32 kKeyColour = IM_COL32(204, 121, 167, 255);
constexpr ImU32 kHandleColour = IM_COL32(240, 228, 66, 255);
constexpr ImU32 kSelectedColour = IM_COL32(255, 255, 255, 255);
}

void GraphView::Draw(const TimeAxis& axis)
{
    const std::optional<TimelineModel::Selection>& selection = m_model.Selected();
    if (!selection || selection->part != TimelineModel::Part::Track ||
        selection->index >= m_model.Current().tracks.size())
    {
        return;
    }
    const std::size_t trackIndex = selection->index;
    const Choreography::Track& track = m_model.Current().tracks[trackIndex];
    ImGui::SetCursorScreenPos(ImVec2(axis.Left(), ImGui::GetCursorScreenPos().y));
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("graph", ImVec2(axis.Width(), kHeight));
    const bool hovered = ImGui::IsItemHovered();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float top = origin.y + 6.0f;
    const float bottom = origin.y + kHeight - 6.0f;
    draw->AddRectFilled(origin, ImVec2(origin.x + axis.Width(), origin.y + kHeight), IM_COL32(0, 0, 0, 110));
    TimelineRuler::DrawBeatGrid(*draw, axis, m_model.Current().beatSeconds, origin.y, origin.y + kHeight);
    if (track.keys.empty())
    {
        return;
    }

    // The value span: every key, and every handle of a Bezier stretch, as the curve plays them.
    float lowest = track.keys.front().value;
    float highest = lowest;
    const auto widen = [&](float value) {
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    };
    for (std::size_t k = 0; k < track.keys.size(); ++k)
    {
        widen(track.keys[k].value);
        if (track.keys[k].ease == Choreography::Ease::Bezier && k + 1 < track.keys.size())
        {
            widen(track.keys[k].value + BezierStretch::OutHandle(track.keys[k], track.keys[k + 1]).dv);
            widen(track.keys[k + 1].value + BezierStretch::InHandle(track.keys[k], track.keys[k + 1]).dv);
        }
    }
    const float margin = std::max((highest - lowest) * 0.1f, 1e-3f);
    lowest -= margin;
    highest += margin;
    const auto y = [&](double value) {
        return static_cast<float>(bottom - (value - lowest) / (static_cast<double>(highest) - lowest) * (bottom - top));
    };
    const auto valueAt = [&](float pixelY) {
        return lowest + (bottom - pixelY) / (bottom - top) * (static_cast<double>(highest) - lowest);
    };

    // The curve, sampled every few pixels across the span shown.
    std::optional<ImVec2> previous;
    for (float x = axis.Left(); x <= axis.Left() + axis.Width(); x += kStepPixels)
    {
        const ImVec2 point(x, y(track.ValueAt(static_cast<float>(axis.Seconds(x)))));
        if (previous)
        {
            draw->AddLine(*previous, point, kCurveColour, 1.5f);
        }
        previous = point;
    }

    // Keys and the handles of Bezier stretches; what lies nearest the pointer is what a click takes.
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    std::optional<Grab> nearest;
    float nearestPixels = kPickPixels;
    const auto consider = [&](ImVec2 point, const Grab& grab) {
        const float pixels = std::hypot(point.x - mouse.x, point.y - mouse.y);
        if (pixels < nearestPixels)
        {
            nearestPixels = pixels;
            nearest = grab;
        }
    };
    for (std::size_t k = 0; k < track.keys.size(); ++k)
    {
        const Choreography::Key& key = track.keys[k];
        const double time = key.time;
        if (time < axis.From() - 1.0 || time > axis.Until() + 1.0)
        {
            continue;
        }
        const ImVec2 point(axis.X(time), y(key.value));
        const bool keySelected = selection->key == k || m_model.SelectedKeys().Contains(trackIndex, k);
        const auto handle = [&](const Choreography::Handle& h, bool out) {
            const ImVec2 end(axis.X(time + h.dt), y(static_cast<double>(key.value) + h.dv));
            draw->AddLine(point, end, kHandleColour);
            draw->AddCircleFilled(end, 3.5f, kHandleColour);
            consider(end, Grab{trackIndex, k, out});
        };
        if (key.ease == Choreography::Ease::Bezier && k + 1 < track.keys.size())
        {
            handle(BezierStretch::OutHandle(key, track.keys[k + 1]), true);
        }
        if (k > 0 && track.keys[k - 1].ease == Choreography::Ease::Bezier)
        {
            handle(BezierStretch::InHandle(track.keys[k - 1], key), false);
        }
        draw->AddRectFilled(ImVec2(point.x - 4.0f, point.y - 4.0f), ImVec2(point.x + 4.0f, point.y + 4.0f),
                            keySelected ? kSelectedColour : kKeyColour);
        consider(point, Grab{trackIndex, k, std::nullopt});
    }

    // From here on the version may be replaced: `track` is not read again.
    const ImGuiIO& io = ImGui::GetIO();
    const KeySelection::Combine combine = KeySelection::CombineFor(io.KeyShift, io.KeyCtrl);
    KeySelection& picked = m_model.SelectedKeys();
    if (hovered && ImGui::IsMouseClicked(0) && nearest && !nearest->outHandle)
    {
        // A key as in the lanes: Shift or Ctrl picks it, a drag moves the whole selection.
        m_model.Select(TimelineModel::Part::Track, trackIndex, nearest->key);
        if (combine == KeySelection::Combine::Replace)
        {
            picked.Grab({trackIndex, nearest->key});
        }
        else
        {
            picked.SelectKey(trackIndex, nearest->key, combine);
        }
    }
    else if (hovered && ImGui::IsMouseClicked(0) && nearest)
    {
        m_grab = nearest;
        m_model.GrabKey(nearest->track, nearest->key);
    }
    else if (hovered && ImGui::IsMouseClicked(0))
    {
        m_box = {axis.Seconds(mouse.x), valueAt(mouse.y)};
    }
    if (m_box)
    {
        const ImVec2 start(axis.X(m_box->first), y(m_box->second));
        draw->AddRect(ImVec2(std::min(start.x, mouse.x), std::min(start.y, mouse.y)),
                      ImVec2(std::max(start.x, mouse.x), std::max(start.y, mouse.y)), kSelectedColour);
        if (!ImGui::IsMouseDown(0))
        {
            picked.SelectBox(trackIndex, trackIndex, m_box->first, axis.Seconds(mouse.x), combine, m_box->second,
                             valueAt(mouse.y));
            m_box.reset();
        }
    }
    if (picked.Dragging() && io.MouseDelta.x != 0.0f)
    {
        picked.DragTo(static_cast<float>(axis.Seconds(mouse.x)));
    }
    if (picked.Dragging() && !ImGui::IsMouseDown(0))
    {
        picked.LetGo();
    }
    if (m_grab && ImGui::IsMouseDown(0))
    {
        const std::vector<Choreography::Key>& keys = m_model.Current().tracks.at(m_grab->track).keys.Items();
        if (m_grab->key < keys.size() && (ImGui::GetIO().MouseDelta.x != 0.0f || ImGui::GetIO().MouseDelta.y != 0.0f))
        {
            // Only handles are grabbed here: keys move with the selection.
            const Choreography::Key& key = keys[m_grab->key];
            const Choreography::Handle pulled{static_cast<float>(axis.Seconds(mouse.x) - key.time),
                                              static_cast<float>(valueAt(mouse.y) - key.value)};
            m_model.SetHandle(m_grab->track, m_grab->key, m_grab->outHandle.value_or(true), pulled, !io.KeyAlt);
        }
    }
    if (m_grab && !ImGui::IsMouseDown(0))
    {
        m_grab.reset();
        m_model.LetGoOfKey();
    }

    // A key's mode and handles from its menu.
    if (hovered && ImGui::IsMouseClicked(1) && nearest && !nearest->outHandle)
    {
        m_menuKey = nearest->key;
        m_model.Select(TimelineModel::Part::Track, trackIndex, nearest->key);
        ImGui::OpenPopup("key menu");
    }
    if (ImGui::BeginPopup("key menu"))
    {
        const auto& keys = m_model.Current().tracks[trackIndex].keys;
        if (m_menuKey && *m_menuKey < keys.size())
        {
            const std::size_t k = *m_menuKey;
            for (std::size_t mode = 0; mode < Choreography::kEaseCount; ++mode)
            {
                const auto ease = static_cast<Choreography::Ease>(mode);
                if (ImGui::MenuItem(Choreography::EaseName(ease), nullptr, keys[k].ease == ease))
                {
                    m_model.Edit([&](Choreography& next) { next.tracks[trackIndex].keys[k].ease = ease; });
                }
            }
            ImGui::Separator();
            if (ImGui::MenuItem("Flat handles (a third of each stretch)", nullptr, false,
                                keys[k].in.has_value() || keys[k].out.has_value()))
            {
                m_model.ClearHandles(trackIndex, k);
            }
        }
        ImGui::EndPopup();
    }
}
