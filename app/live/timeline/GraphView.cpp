// The graph view: see GraphView.h. The value axis spans the shown tracks' keys and handles with a margin, so that
// no handle is dragged off the view and tracks of one actor compare at one scale; time uses the lanes' axis, so
// zooming and scrolling move both together.
#include "app/live/timeline/GraphView.h"

#include <imgui.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "app/live/timeline/TimeAxis.h"
#include "app/live/timeline/TimelineRuler.h"
#include "app/live/timeline/WaveformLane.h"
#include "scene/choreography/BezierStretch.h"

namespace
{
constexpr float kHeight = 160.0f;
constexpr float kPickPixels = 6.0f;
constexpr float kStepPixels = 2.0f;
// One colour per curve, told apart also by those who do not see red from green.
constexpr std::array<ImU32, 6> kCurveColours = {
    IM_COL32(204, 121, 167, 255), IM_COL32(86, 180, 233, 255), IM_COL32(230, 159, 0, 255),
    IM_COL32(0, 158, 115, 255),   IM_COL32(213, 94, 0, 255),   IM_COL32(0, 114, 178, 255),
};
constexpr ImU32 kHandleColour = IM_COL32(240, 228, 66, 255);
constexpr ImU32 kSelectedColour = IM_COL32(255, 255, 255, 255);
constexpr ImU32 kWaveColour = IM_COL32(86, 180, 233, 45);
}

std::vector<std::size_t> GraphView::ShownTracks(const std::vector<std::size_t>& kept) const
{
    std::vector<std::size_t> shown;
    const std::size_t tracks = m_model.Current().tracks.size();
    const auto& picked = m_model.SelectedKeys().Keys();
    auto pickedTrack = picked.begin();
    for (std::size_t track = 0; track < tracks && shown.size() < kMostTracks; ++track)
    {
        while (pickedTrack != picked.end() && pickedTrack->track < track)
        {
            ++pickedTrack;
        }
        if (m_model.IsSelected(TimelineModel::Part::Track, track) ||
            (pickedTrack != picked.end() && pickedTrack->track == track) ||
            std::binary_search(kept.begin(), kept.end(), track))
        {
            shown.push_back(track);
        }
    }
    return shown;
}

void GraphView::Draw(const TimeAxis& axis, const WaveformLane& waveform)
{
    // A click in the graph (a key taken, a box) keeps the curves shown, though it may select keys of fewer tracks;
    // a click anywhere else chooses them anew.
    const bool clicked = ImGui::IsMouseClicked(0) || ImGui::IsMouseClicked(1);
    const bool overGraph =
        ImGui::IsMouseHoveringRect(ImVec2(axis.Left(), ImGui::GetCursorScreenPos().y),
                                   ImVec2(axis.Left() + axis.Width(), ImGui::GetCursorScreenPos().y + kHeight));
    if (clicked && !overGraph)
    {
        m_kept.clear();
    }
    const std::vector<std::size_t> shown = ShownTracks(m_kept);
    if (clicked && overGraph)
    {
        m_kept = shown;
    }
    if (shown.empty())
    {
        m_grab.reset();
        return;
    }
    const Choreography& choreography = m_model.Current();
    ImGui::SetCursorScreenPos(ImVec2(axis.Left(), ImGui::GetCursorScreenPos().y));
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("graph", ImVec2(axis.Width(), kHeight));
    const bool hovered = ImGui::IsItemHovered();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float top = origin.y + 6.0f;
    const float bottom = origin.y + kHeight - 6.0f;
    draw->AddRectFilled(origin, ImVec2(origin.x + axis.Width(), origin.y + kHeight), IM_COL32(0, 0, 0, 110));
    waveform.DrawPeaks(*draw, axis.Left(), axis.Width(), axis.From(), axis.Until(), origin.y, origin.y + kHeight,
                       kWaveColour);
    TimelineRuler::DrawBeatGrid(*draw, axis, choreography.beatSeconds, origin.y, origin.y + kHeight);

    // The value span: every key, and every handle of a Bezier stretch, as the curves play them.
    std::optional<std::pair<float, float>> span;
    const auto widen = [&](float value) {
        span = span ? std::pair(std::min(span->first, value), std::max(span->second, value)) : std::pair(value, value);
    };
    for (const std::size_t t : shown)
    {
        const auto& keys = choreography.tracks[t].keys;
        for (std::size_t k = 0; k < keys.size(); ++k)
        {
            widen(keys[k].value);
            if (keys[k].ease == Choreography::Ease::Bezier && k + 1 < keys.size())
            {
                widen(keys[k].value + BezierStretch::OutHandle(keys[k], keys[k + 1]).dv);
                widen(keys[k + 1].value + BezierStretch::InHandle(keys[k], keys[k + 1]).dv);
            }
        }
    }
    if (!span)
    {
        return;   // selected tracks without keys yet: the grid alone
    }
    // While something is held the scale stands still, or dragging a value past the edge would widen the span
    // under the pointer and run away from it.
    const float margin = std::max((span->second - span->first) * 0.1f, 1e-3f);
    if (!m_grab && !m_keyDrag)
    {
        m_scale = {static_cast<double>(span->first) - margin, static_cast<double>(span->second) + margin};
    }
    const auto [lowest, highest] = m_scale;
    const auto y = [&](double value) {
        return static_cast<float>(bottom - (value - lowest) / (highest - lowest) * (bottom - top));
    };
    const auto valueAt = [&](float pixelY) { return lowest + (bottom - pixelY) / (bottom - top) * (highest - lowest); };

    // Curves sampled every few pixels across the span shown, their keys and the handles of their Bezier
    // stretches; what lies nearest the pointer is what a click takes.
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    const std::optional<TimelineModel::Selection>& selection = m_model.Selected();
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
    float labelX = origin.x + 4.0f;
    for (std::size_t n = 0; n < shown.size(); ++n)
    {
        const std::size_t trackIndex = shown[n];
        const Choreography::Track& track = choreography.tracks[trackIndex];
        const ImU32 colour = kCurveColours[n % kCurveColours.size()];
        const std::string name =
            std::string(track.actor == Choreography::Track::kCamera ? "camera"
                                                                    : "actor " + std::to_string(track.actor)) +
            " " + Choreography::ChannelName(track.channel);
        // The names side by side along the top, each in its curve's colour.
        draw->AddText(ImVec2(labelX, origin.y + 2.0f), colour, name.c_str());
        labelX += ImGui::CalcTextSize(name.c_str()).x + 12.0f;
        if (track.keys.empty())
        {
            continue;
        }
        std::optional<ImVec2> previous;
        for (float x = axis.Left(); x <= axis.Left() + axis.Width(); x += kStepPixels)
        {
            const ImVec2 point(x, y(track.ValueAt(static_cast<float>(axis.Seconds(x)))));
            if (previous)
            {
                draw->AddLine(*previous, point, colour, 1.5f);
            }
            previous = point;
        }
        for (std::size_t k = 0; k < track.keys.size(); ++k)
        {
            const Choreography::Key& key = track.keys[k];
            const double time = key.time;
            if (time < axis.From() - 1.0 || time > axis.Until() + 1.0)
            {
                continue;
            }
            const ImVec2 point(axis.X(time), y(key.value));
            const Grab keyGrab{trackIndex, k, std::nullopt, key.time, key.value, mouse.x, mouse.y};
            const auto handle = [&](const Choreography::Handle& h, bool out) {
                const ImVec2 end(axis.X(time + h.dt), y(static_cast<double>(key.value) + h.dv));
                draw->AddLine(point, end, kHandleColour);
                draw->AddCircleFilled(end, 3.5f, kHandleColour);
                Grab handleGrab = keyGrab;
                handleGrab.outHandle = out;
                consider(end, handleGrab);
            };
            if (key.ease == Choreography::Ease::Bezier && k + 1 < track.keys.size())
            {
                handle(BezierStretch::OutHandle(key, track.keys[k + 1]), true);
            }
            if (k > 0 && track.keys[k - 1].ease == Choreography::Ease::Bezier)
            {
                handle(BezierStretch::InHandle(track.keys[k - 1], key), false);
            }
            const bool keySelected = (selection && selection->part == TimelineModel::Part::Track &&
                                      selection->index == trackIndex && selection->key == k) ||
                                     m_model.SelectedKeys().Contains(trackIndex, k);
            draw->AddRectFilled(ImVec2(point.x - 4.0f, point.y - 4.0f), ImVec2(point.x + 4.0f, point.y + 4.0f),
                                keySelected ? kSelectedColour : colour);
            consider(point, keyGrab);
        }
    }

    // From here on the version may be replaced: `choreography` is not read again.
    const ImGuiIO& io = ImGui::GetIO();
    const KeySelection::Combine combine = KeySelection::CombineFor(io.KeyShift, io.KeyCtrl);
    KeySelection& picked = m_model.SelectedKeys();
    if (hovered && ImGui::IsMouseClicked(0) && nearest && !nearest->outHandle)
    {
        // A key as in the lanes: Shift or Ctrl picks it, a drag moves the whole selection, here in value too.
        m_model.Select(TimelineModel::Part::Track, nearest->track, nearest->key);
        if (combine == KeySelection::Combine::Replace)
        {
            picked.Grab({nearest->track, nearest->key});
            m_keyDrag = nearest;
        }
        else
        {
            picked.SelectKey(nearest->track, nearest->key, combine);
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
            // One box over every curve shown: the first track takes the box's way of combining, the rest add to it
            // (or toggle), so that tracks between the shown ones are never touched.
            for (std::size_t n = 0; n < shown.size(); ++n)
            {
                const KeySelection::Combine each =
                    n > 0 && combine == KeySelection::Combine::Replace ? KeySelection::Combine::Add : combine;
                picked.SelectBox(shown[n], shown[n], m_box->first, axis.Seconds(mouse.x), each, m_box->second,
                                 valueAt(mouse.y));
            }
            m_box.reset();
        }
    }
    if (m_keyDrag && picked.Dragging() && (io.MouseDelta.x != 0.0f || io.MouseDelta.y != 0.0f))
    {
        // Shift holds the keys to the axis the pointer has moved furthest along since they were taken; they move
        // as far as the pointer did, wherever on the key the pointer took it.
        const bool alongTime = std::abs(mouse.x - m_keyDrag->mouseX) >= std::abs(mouse.y - m_keyDrag->mouseY);
        const float time =
            io.KeyShift && !alongTime
                ? m_keyDrag->time
                : static_cast<float>(m_keyDrag->time + axis.Seconds(mouse.x) - axis.Seconds(m_keyDrag->mouseX));
        const float valueShift =
            io.KeyShift && alongTime ? 0.0f : static_cast<float>(valueAt(mouse.y) - valueAt(m_keyDrag->mouseY));
        picked.DragTo(time, valueShift);
    }
    if (m_keyDrag && (!picked.Dragging() || !ImGui::IsMouseDown(0)))
    {
        picked.LetGo();
        m_keyDrag.reset();
    }
    if (m_grab && ImGui::IsMouseDown(0) && (io.MouseDelta.x != 0.0f || io.MouseDelta.y != 0.0f) &&
        m_grab->track < m_model.Current().tracks.size() &&
        m_grab->key < m_model.Current().tracks[m_grab->track].keys.size())
    {
        // Only handles are grabbed here: keys move with the selection.
        const Choreography::Key& key = m_model.Current().tracks[m_grab->track].keys[m_grab->key];
        const Choreography::Handle pulled{static_cast<float>(axis.Seconds(mouse.x) - key.time),
                                          static_cast<float>(valueAt(mouse.y) - key.value)};
        m_model.SetHandle(m_grab->track, m_grab->key, m_grab->outHandle.value_or(true), pulled, !io.KeyAlt);
    }
    if (m_grab && !ImGui::IsMouseDown(0))
    {
        m_grab.reset();
        m_model.LetGoOfKey();
    }

    // A key's mode and handles from its menu.
    if (hovered && ImGui::IsMouseClicked(1) && nearest && !nearest->outHandle)
    {
        m_menuKey = std::pair(nearest->track, nearest->key);
        m_model.Select(TimelineModel::Part::Track, nearest->track, nearest->key);
        ImGui::OpenPopup("key menu");
    }
    if (ImGui::BeginPopup("key menu"))
    {
        const auto& tracks = m_model.Current().tracks;
        if (m_menuKey && m_menuKey->first < tracks.size() && m_menuKey->second < tracks[m_menuKey->first].keys.size())
        {
            const auto [t, k] = *m_menuKey;
            const Choreography::Key& key = tracks[t].keys[k];
            for (std::size_t mode = 0; mode < Choreography::kEaseCount; ++mode)
            {
                const auto ease = static_cast<Choreography::Ease>(mode);
                if (ImGui::MenuItem(Choreography::EaseName(ease), nullptr, key.ease == ease))
                {
                    m_model.Edit([&](Choreography& next) { next.tracks[t].keys[k].ease = ease; });
                }
            }
            ImGui::Separator();
            if (ImGui::MenuItem("Flat handles (a third of each stretch)", nullptr, false,
                                key.in.has_value() || key.out.has_value()))
            {
                m_model.ClearHandles(t, k);
            }
        }
        ImGui::EndPopup();
    }
}
