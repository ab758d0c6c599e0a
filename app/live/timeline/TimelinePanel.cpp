// The timeline panel: see TimelinePanel.h. Layout and drawing only; every edit is a call on the TimelineModel.
#include "app/live/timeline/TimelinePanel.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "app/live/KeyMap.h"
#include "app/live/timeline/TimeAxis.h"
#include "app/live/timeline/TimelineRuler.h"
#include "scene/FreeCameraNode.h"

namespace
{
using Part = Choreography::Problem::Part;
using Selection = TimelineModel::Selection;

constexpr float kLabelWidth = 150.0f;
constexpr int kLanesShown = 14;
constexpr float kKeyPickPixels = 6.0f;
constexpr std::size_t kProblemsShown = 3;

// Okabe-Ito colours, as the overlay's plots use, told apart with most kinds of colour blindness.
constexpr ImU32 kTravelColour = IM_COL32(0, 158, 115, 255);
constexpr ImU32 kCameraColour = IM_COL32(86, 180, 233, 255);
constexpr ImU32 kActorColour = IM_COL32(230, 159, 0, 255);
constexpr ImU32 kTrackColour = IM_COL32(204, 121, 167, 255);
constexpr ImU32 kCurveColour = IM_COL32(204, 121, 167, 150);
constexpr ImU32 kSelectedKeyColour = IM_COL32(255, 255, 255, 255);
constexpr ImU32 kProblemColour = IM_COL32(255, 120, 100, 255);

std::string TrackLabel(const Choreography::Track& track)
{
    const std::string owner =
        track.actor == Choreography::Track::kCamera ? std::string("camera") : "actor " + std::to_string(track.actor);
    return owner + " " + Choreography::ChannelName(track.channel) + " (" + std::to_string(track.keys.size()) + ")";
}
}

// ---------------------------------------------------------------------------------------------------------------
// The window

std::optional<double> TimelinePanel::Draw(const View& view)
{
    // A file changed on disk may have taken away what was selected.
    m_model.KeepSelectionValid();
    TimelineModel::Screen screen;
    screen.seconds = view.shownSeconds;
    if (view.camera != nullptr)
    {
        screen.camera = view.camera->GetPosition();
    }
    screen.logic = view.logic;
    m_model.SetScreen(screen);
    std::optional<double> picked;
    ImGui::SetNextWindowPos(ImVec2(10.0f, 10.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(780.0f, 560.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowBgAlpha(0.85f);
    if (ImGui::Begin("Timeline"))
    {
        m_focused = ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows);
        DrawToolbar();
        DrawProblems();
        const float left = ImGui::GetCursorScreenPos().x + kLabelWidth;
        const float width = ImGui::GetContentRegionAvail().x - kLabelWidth - ImGui::GetStyle().ScrollbarSize;
        const float bar = m_model.Current().beatSeconds * static_cast<float>(TimeAxis::kBeatsPerBar);
        m_zoom.SetLimits(view.endSeconds > 0.0 ? view.endSeconds : 1.0,
                         bar >= TimelineModel::kShortestBeat ? bar : 1.0);
        const TimeAxis axis(left, width, m_zoom.From(), m_zoom.Until());
        std::optional<std::pair<double, double>> loopDragged;
        picked = TimelineRuler::Draw(axis, view.shownSeconds, m_model.Current().beatSeconds, kLabelWidth,
                                     m_model.Current().loop, view.looping, &loopDragged, &m_model.Current().bookmarks);
        // The ruler and the waveform under it take the wheel from the window, which would scroll instead.
        ImGui::SetItemUsingMouseWheel();
        bool overTime = ImGui::IsItemHovered();
        if (loopDragged)
        {
            m_model.SetLoop(loopDragged->first, loopDragged->second);
        }
        m_waveform.Draw(axis.Left(), axis.Width(), axis.From(), axis.Until(), view.shownSeconds, m_document.Editor());
        ImGui::SetItemUsingMouseWheel();
        overTime = overTime || (ImGui::IsItemHovered() && ImGui::GetIO().MousePos.x >= axis.Left());
        ZoomAndDrag(axis, overTime);
        DrawLanes(axis, view.shownSeconds);
        m_graph.Draw(axis, m_waveform);
        FollowDrag(axis);
        // Under the graph, with it: the lines below stay where they are while no keys are at hand.
        const std::optional<Selection>& lane = m_model.Selected();
        if ((lane && lane->part == Part::Track) || !m_model.SelectedKeys().Empty())
        {
            m_selectionBar.Draw();
        }
        DrawAddButtons();
        ImGui::Separator();
        m_fields.Draw();
    }
    else
    {
        m_model.OnHidden();   // collapsed: nothing in it can be let go
        m_focused = false;
    }
    ImGui::End();
    return picked;
}

void TimelinePanel::DrawToolbar()
{
    // Edits ended programs left unsaved come first, newest first: they are the maker's work, and each stays on
    // the disk until the maker opens and saves it or discards it.
    const std::vector<ChoreographyRecovery::Version>& recovered = m_document.Recovered();
    if (!recovered.empty())
    {
        ImGui::TextColored(ImVec4(1.0f, 0.8f, 0.3f, 1.0f),
                           "Unsaved edits of runs that have ended (%zu):", recovered.size());
        ImGui::SameLine();
        if (ImGui::SmallButton("Not now"))
        {
            m_document.DismissRecovery();
        }
        // A few rows at a time: a file edited in many crashed runs must not push the timeline out of the panel.
        const float rowHeight = ImGui::GetFrameHeightWithSpacing();
        const float height = rowHeight * static_cast<float>(std::min<std::size_t>(recovered.size(), 4));
        if (ImGui::BeginChild("##recovered", ImVec2(0.0f, height), false))
        {
            for (std::size_t index = 0; index < m_document.Recovered().size(); ++index)
            {
                const ChoreographyRecovery::Version& version = m_document.Recovered()[index];
                ImGui::PushID(static_cast<int>(index));
                std::string problem;
                const bool open = ImGui::SmallButton("Open");
                ImGui::SameLine();
                const bool discard = ImGui::SmallButton("Discard");
                ImGui::SameLine();
                ImGui::Text("%s  %s", version.time.c_str(), version.file.c_str());
                ImGui::PopID();
                if ((open && !m_document.OpenRecovery(index, &problem)) ||
                    (discard && !m_document.DiscardRecovery(index, &problem)))
                {
                    std::cerr << problem << std::endl;
                }
                if (open || discard)
                {
                    break;   // the list changed under the loop
                }
            }
        }
        ImGui::EndChild();
    }
    // The file and what happened to it last on one line, the commands on the next.
    const std::string& file = m_document.FileName();
    ImGui::Text("%s%s", file.empty() ? "(compiled-in: Save writes a new file)" : file.c_str(),
                m_document.HasUnsavedChanges() ? "   * unsaved" : "");
    if (!m_model.Status().empty())
    {
        ImGui::SameLine();
        ImGui::TextDisabled("  %s", m_model.Status().c_str());
    }
    if (const std::optional<ChoreographyDocument::Replay>& replay = m_document.LastReplay())
    {
        ImGui::SameLine();
        ImGui::TextDisabled("  edit replayed to %.2f s in %.0f ms", replay->seconds, replay->milliseconds);
    }
    // The buttons name their keys as the key map binds them.
    static const std::string save = KeyMap::Label("Save", KeyAction::Save);
    static const std::string undo = KeyMap::Label("Undo", KeyAction::Undo);
    static const std::string redo = KeyMap::Label("Redo", KeyAction::Redo);
    const ChoreographyEditor& editor = m_document.Editor();
    if (ImGui::Button(save.c_str()))
    {
        m_document.Save();
    }
    ImGui::SameLine();
    ImGui::BeginDisabled(!editor.CanUndo());
    if (ImGui::Button(undo.c_str()))
    {
        m_model.Undo();
    }
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::BeginDisabled(!editor.CanRedo());
    if (ImGui::Button(redo.c_str()))
    {
        m_model.Redo();
    }
    ImGui::EndDisabled();
    ImGui::SameLine();
    // The history is bounded by steps and by memory, so how far back it reaches is worth seeing.
    ImGui::TextDisabled("%zu undo steps", editor.UndoSteps());
    ImGui::SameLine();
    bool snap = m_model.SnapsToBeats();
    if (ImGui::Checkbox("snap to beats", &snap))
    {
        m_model.SetSnapToBeats(snap);
    }
}

void TimelinePanel::DrawProblems() const
{
    const std::vector<Choreography::Problem>& problems = m_document.Editor().Problems();
    if (problems.empty())
    {
        return;
    }
    ImGui::PushStyleColor(ImGuiCol_Text, kProblemColour);
    ImGui::TextUnformatted("Not played (the last valid version plays on):");
    for (std::size_t i = 0; i < std::min(problems.size(), kProblemsShown); ++i)
    {
        ImGui::BulletText("%s: %s", problems[i].Where().c_str(), problems[i].what.c_str());
    }
    ImGui::PopStyleColor();
}

// ---------------------------------------------------------------------------------------------------------------
// The lanes

void TimelinePanel::DrawLanes(const TimeAxis& axis, double shownSeconds)
{
    const Choreography& choreography = m_model.Current();
    const std::size_t lanes = 1 + choreography.camera.size() + choreography.actors.size() + choreography.tracks.size();
    const float laneHeight = ImGui::GetFrameHeight();
    const float height = laneHeight * static_cast<float>(std::min<std::size_t>(lanes, kLanesShown)) + 2.0f;
    if (!ImGui::BeginChild("lanes", ImVec2(0.0f, height)))
    {
        ImGui::EndChild();
        return;
    }
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 top = ImGui::GetWindowPos();
    const float bottom = top.y + ImGui::GetWindowHeight();
    // The beat grid behind the lanes, then the lanes, then the playhead over them.
    TimelineRuler::DrawBeatGrid(*draw, axis, choreography.beatSeconds, top.y, bottom);

    // In lane order: the travelling value, the camera segments, the actor rows, the tracks.
    const std::size_t firstRow = 1 + choreography.camera.size();
    const std::size_t firstTrack = firstRow + choreography.actors.size();
    const std::optional<Selection>& selection = m_model.Selected();
    if (m_model.TakeScrollRequest() && selection)
    {
        // A lane just added may lie below the ones shown.
        const std::size_t index = selection->index + (selection->part == Part::CameraSegment ? 1
                                                      : selection->part == Part::ActorRow    ? firstRow
                                                      : selection->part == Part::Track       ? firstTrack
                                                                                             : 0);
        ImGui::SetScrollY(std::max(0.0f, static_cast<float>(index) * laneHeight - height * 0.5f));
    }
    // Only the lanes in view are submitted, however many rows and tracks there are.
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(lanes), laneHeight);
    while (clipper.Step())
    {
        for (auto lane = static_cast<std::size_t>(clipper.DisplayStart);
             lane < static_cast<std::size_t>(clipper.DisplayEnd); ++lane)
        {
            // An edit in an earlier lane (a key added) replaces the version: read the lanes anew each time.
            const Choreography& current = m_model.Current();
            if (lane == 0)
            {
                DrawLane(axis, {Part::Travel, 0, std::nullopt}, "travel");
            }
            else if (lane < firstRow)
            {
                DrawLane(axis, {Part::CameraSegment, lane - 1, std::nullopt}, "camera " + std::to_string(lane));
            }
            else if (lane < firstTrack)
            {
                const Choreography::ActorRow& row = current.actors[lane - firstRow];
                char label[64];
                std::snprintf(label, sizeof label, "actor %u %s %g", static_cast<unsigned>(row.actor),
                              Choreography::AngleName(row.turns), static_cast<double>(row.rate));
                DrawLane(axis, {Part::ActorRow, lane - firstRow, std::nullopt}, label);
            }
            else
            {
                DrawLane(axis, {Part::Track, lane - firstTrack, std::nullopt},
                         TrackLabel(current.tracks[lane - firstTrack]));
            }
        }
    }
    // A drag of the selected keys ends wherever the pointer is let go, its lane in view or not.
    KeySelection& keys = m_model.SelectedKeys();
    if (keys.Dragging() && ImGui::GetIO().MouseDelta.x != 0.0f)
    {
        keys.DragTo(static_cast<float>(axis.Seconds(ImGui::GetIO().MousePos.x)));
    }
    if (keys.Dragging() && !ImGui::IsMouseDown(ImGuiMouseButton_Left))
    {
        keys.LetGo();
    }
    FollowBox(axis,
              top.y + ImGui::GetCursorStartPos().y - ImGui::GetScrollY() + static_cast<float>(firstTrack) * laneHeight,
              m_model.Current().tracks.size());
    TimelineRuler::DrawPlayhead(*draw, axis, shownSeconds, top.y, bottom);
    // Over the labels the wheel scrolls the lanes up and down (each lane's time claims it for zooming).
    ZoomAndDrag(axis, ImGui::IsWindowHovered() && ImGui::GetIO().MousePos.x >= axis.Left());
    ImGui::EndChild();
}

void TimelinePanel::ZoomAndDrag(const TimeAxis& axis, bool overTime)
{
    const ImGuiIO& io = ImGui::GetIO();
    if (overTime && io.MouseWheel != 0.0f)
    {
        m_zoom.Wheel(axis.Seconds(io.MousePos.x), io.MouseWheel, io.KeyShift);
    }
    if (overTime && (ImGui::IsMouseClicked(ImGuiMouseButton_Right) || ImGui::IsMouseClicked(ImGuiMouseButton_Middle)))
    {
        m_dragging = true;
    }
}

void TimelinePanel::FollowDrag(const TimeAxis& axis)
{
    if (m_dragging && !ImGui::IsMouseDown(ImGuiMouseButton_Right) && !ImGui::IsMouseDown(ImGuiMouseButton_Middle))
    {
        m_dragging = false;
    }
    if (m_dragging)
    {
        m_zoom.DragBy(ImGui::GetIO().MouseDelta.x, axis.Width());
    }
}

void TimelinePanel::DrawLane(const TimeAxis& axis, const Selection& lane, const std::string& label)
{
    const bool selected = m_model.IsSelected(lane.part, lane.index);
    const float laneHeight = ImGui::GetFrameHeight();
    ImGui::PushID(static_cast<int>(lane.part));
    ImGui::PushID(static_cast<int>(lane.index));
    if (ImGui::Selectable(label.c_str(), selected, 0, ImVec2(kLabelWidth - 8.0f, laneHeight - 4.0f)))
    {
        m_model.Select(lane.part, lane.index);
    }
    ImGui::SameLine(axis.Left() - ImGui::GetWindowPos().x);
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("lane", ImVec2(axis.Width(), laneHeight - 4.0f));
    ImGui::SetItemUsingMouseWheel();
    const bool clicked = ImGui::IsItemClicked();
    const bool doubleClicked = ImGui::IsItemHovered() && ImGui::IsMouseDoubleClicked(0);
    ImGui::PopID();
    ImGui::PopID();

    const Choreography& choreography = m_model.Current();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float bottom = origin.y + laneHeight - 4.0f;
    draw->AddRectFilled(origin, ImVec2(origin.x + axis.Width(), bottom),
                        selected ? IM_COL32(255, 255, 255, 40) : IM_COL32(0, 0, 0, 90));
    const auto drawWindow = [&](const Choreography::Window& window, ImU32 colour) {
        const float from = axis.X(std::max<double>(window.from, axis.From()));
        const float until = axis.X(std::min<double>(window.until, axis.Until()));
        draw->AddRectFilled(ImVec2(from, origin.y + 2.0f), ImVec2(std::max(until, from + 1.0f), bottom - 2.0f), colour,
                            3.0f);
    };
    const float mouseX = ImGui::GetIO().MousePos.x;
    switch (lane.part)
    {
    case Part::Travel: drawWindow(choreography.travel.window, kTravelColour); break;
    case Part::CameraSegment: drawWindow(choreography.camera[lane.index].window, kCameraColour); break;
    case Part::ActorRow: drawWindow(choreography.actors[lane.index].window, kActorColour); break;
    case Part::Track:
    {
        const Choreography::Track& track = choreography.tracks[lane.index];
        const KeySelection& picked = m_model.SelectedKeys();
        const bool anyPicked = !picked.Empty();
        DrawTrackCurve(track, axis, origin.y + 2.0f, bottom - 2.0f);
        std::optional<std::size_t> nearest;
        float nearestPixels = kKeyPickPixels;
        float lastDrawn = -1.0f;
        for (std::size_t k = 0; k < track.keys.size(); ++k)
        {
            const float x = axis.X(track.keys[k].time);
            const bool keySelected =
                (selected && m_model.Selected()->key == k) || (anyPicked && picked.Contains(lane.index, k));
            if (std::fabs(x - mouseX) < nearestPixels)
            {
                nearestPixels = std::fabs(x - mouseX);
                nearest = k;
            }
            // Keys closer than a pixel look like one: a long track costs a tick per pixel, not per key.
            if (x - lastDrawn < 1.0f && !keySelected)
            {
                continue;
            }
            lastDrawn = x;
            const float middle = (origin.y + bottom) * 0.5f;
            const float size = keySelected ? 6.0f : 4.0f;
            draw->AddQuadFilled(ImVec2(x, middle - size), ImVec2(x + size, middle), ImVec2(x, middle + size),
                                ImVec2(x - size, middle), keySelected ? kSelectedKeyColour : kTrackColour);
        }
        // From here on the version may be replaced: `track` is not read again.
        // A key clicked is selected (Shift adds it, Ctrl toggles it) and a drag moves the whole selection; a
        // drag where there is no key draws a box.
        if (clicked)
        {
            const ImGuiIO& io = ImGui::GetIO();
            const KeySelection::Combine combine = KeySelection::CombineFor(io.KeyShift, io.KeyCtrl);
            m_model.Select(Part::Track, lane.index, nearest);
            if (nearest && combine == KeySelection::Combine::Replace)
            {
                m_model.SelectedKeys().Grab({lane.index, *nearest});
            }
            else if (nearest)
            {
                m_model.SelectedKeys().SelectKey(lane.index, *nearest, combine);
            }
            else
            {
                m_box = Box{lane.index, axis.Seconds(mouseX)};
            }
        }
        if (doubleClicked && !nearest)
        {
            m_model.AddKey(lane.index, static_cast<float>(axis.Seconds(mouseX)));
        }
        return;
    }
    default: break;
    }
    if (clicked)
    {
        m_model.Select(lane.part, lane.index);
    }
}

void TimelinePanel::FollowBox(const TimeAxis& axis, float firstLaneY, std::size_t tracks)
{
    if (!m_box || tracks == 0)
    {
        m_box.reset();
        return;
    }
    const ImGuiIO& io = ImGui::GetIO();
    const float laneHeight = ImGui::GetFrameHeight();
    const double lane = std::floor((io.MousePos.y - firstLaneY) / laneHeight);
    const auto track = static_cast<std::size_t>(std::clamp(lane, 0.0, static_cast<double>(tracks - 1)));
    const float startY = firstLaneY + static_cast<float>(m_box->track) * laneHeight;
    const float endY = firstLaneY + static_cast<float>(track) * laneHeight;
    const float startX = axis.X(m_box->seconds);
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(ImVec2(std::min(startX, io.MousePos.x), std::min(startY, endY)),
                        ImVec2(std::max(startX, io.MousePos.x), std::max(startY, endY) + laneHeight),
                        IM_COL32(255, 255, 255, 30));
    draw->AddRect(ImVec2(std::min(startX, io.MousePos.x), std::min(startY, endY)),
                  ImVec2(std::max(startX, io.MousePos.x), std::max(startY, endY) + laneHeight), kSelectedKeyColour);
    if (!ImGui::IsMouseDown(ImGuiMouseButton_Left))
    {
        m_model.SelectedKeys().SelectBox(m_box->track, track, m_box->seconds, axis.Seconds(io.MousePos.x),
                                         KeySelection::CombineFor(io.KeyShift, io.KeyCtrl));
        m_box.reset();
    }
}

void TimelinePanel::DrawTrackCurve(const Choreography::Track& track, const TimeAxis& axis, float top, float bottom)
{
    if (track.keys.size() < 2)
    {
        return;
    }
    const auto [lowest, highest] = std::minmax_element(track.keys.begin(), track.keys.end(),
                                                       [](const auto& a, const auto& b) { return a.value < b.value; });
    const float range = highest->value - lowest->value;
    if (!(range > 0.0f))
    {
        return;   // a flat track is a flat line: the keys say it all
    }
    // Sampled every few pixels between the first and the last key, where the track drives, scaled to the lane.
    constexpr float kStepPixels = 3.0f;
    const float from = axis.X(track.keys.front().time);
    const float until = axis.X(track.keys.back().time);
    ImDrawList* draw = ImGui::GetWindowDrawList();
    std::optional<ImVec2> previous;
    for (float x = from;; x = std::min(x + kStepPixels, until))
    {
        const float value = track.ValueAt(static_cast<float>(axis.Seconds(x)));
        const ImVec2 point(x, bottom - (value - lowest->value) / range * (bottom - top));
        if (previous)
        {
            draw->AddLine(*previous, point, kCurveColour);
        }
        previous = point;
        if (x >= until)
        {
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Adding

void TimelinePanel::DrawAddButtons()
{
    // New windows run one bar from the playhead, where the user looks; a new row copies the selected one.
    if (ImGui::Button("+ camera segment"))
    {
        m_model.AddCameraSegment();
    }
    ImGui::SameLine();
    if (ImGui::Button("+ actor row"))
    {
        m_model.AddActorRow();
    }
    ImGui::SameLine();
    if (ImGui::Button("+ camera track"))
    {
        m_model.AddCameraTrack();
    }
    ImGui::SameLine();
    ImGui::TextDisabled("double-click a track's lane: a key there");
}
