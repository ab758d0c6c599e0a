// The timeline panel: see TimelinePanel.h. Widgets never edit the choreography in place: a change is made on a
// copy only when a widget reports one, so that a frame without edits copies nothing, however long the file.
#include "app/live/timeline/TimelinePanel.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <utility>

#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "actors/ComponentLookup.h"
#include "actors/TransformComponent.h"
#include "scene/FreeCameraNode.h"

namespace
{
using Part = Choreography::Problem::Part;

constexpr float kLabelWidth = 150.0f;
constexpr float kRulerHeight = 24.0f;
constexpr int kLanesShown = 14;
constexpr float kFieldWidth = 110.0f;
constexpr float kKeyPickPixels = 6.0f;
constexpr std::size_t kProblemsShown = 3;

// Okabe-Ito colours, as the overlay's plots use, told apart with most kinds of colour blindness.
constexpr ImU32 kTravelColour = IM_COL32(0, 158, 115, 255);
constexpr ImU32 kCameraColour = IM_COL32(86, 180, 233, 255);
constexpr ImU32 kActorColour = IM_COL32(230, 159, 0, 255);
constexpr ImU32 kTrackColour = IM_COL32(204, 121, 167, 255);
constexpr ImU32 kCurveColour = IM_COL32(204, 121, 167, 150);
constexpr ImU32 kSelectedKeyColour = IM_COL32(255, 255, 255, 255);
constexpr ImU32 kPlayheadColour = IM_COL32(213, 94, 0, 255);
constexpr ImU32 kBarLineColour = IM_COL32(255, 255, 255, 60);
constexpr ImU32 kBeatLineColour = IM_COL32(255, 255, 255, 22);
constexpr ImU32 kProblemColour = IM_COL32(255, 120, 100, 255);

const char* const kSourceNames[] = {"kept", "fixed", "time+", "travel+"};
const char* const kSkyNames[] = {"kept", "0 (dusk)", "1 (night)"};

float BarSeconds(const Choreography& choreography)
{
    return choreography.beatSeconds * static_cast<float>(TimelinePanel::kBeatsPerBar);
}

// A beat shorter than this is no musical grid (a file may give any beat from 0): times are not snapped to it.
constexpr float kShortestBeat = 1e-3f;
// A new window lasts a bar, unless a bar is longer than this (a file may give any beat); then a second.
constexpr float kLongestNewWindow = 60.0f;

float SnappedToBeat(float seconds, float beat)
{
    return beat >= kShortestBeat ? std::round(seconds / beat) * beat : seconds;
}

std::string TrackLabel(const Choreography::Track& track)
{
    const std::string owner =
        track.actor == Choreography::Track::kCamera ? std::string("camera") : "actor " + std::to_string(track.actor);
    return owner + " " + Choreography::ChannelName(track.channel) + " (" + std::to_string(track.keys.size()) + ")";
}

// A combo over the names of an enumeration, the value given and taken as its index.
bool EnumCombo(const char* label, int& index, const char* (*name)(int), int count)
{
    bool changed = false;
    ImGui::SetNextItemWidth(kFieldWidth);
    if (ImGui::BeginCombo(label, name(index)))
    {
        for (int option = 0; option < count; ++option)
        {
            if (ImGui::Selectable(name(option), option == index))
            {
                changed = option != index;
                index = option;
            }
        }
        ImGui::EndCombo();
    }
    return changed;
}

const char* EaseLabel(int index)
{
    return Choreography::EaseName(static_cast<Choreography::Ease>(index));
}

const char* AngleLabel(int index)
{
    return Choreography::AngleName(static_cast<Choreography::Angle>(index));
}

const char* ChannelLabel(int index)
{
    return Choreography::ChannelName(static_cast<Choreography::Channel>(index));
}

const char* SourceLabel(int index)
{
    return kSourceNames[index];
}

const char* SkyLabel(int index)
{
    return kSkyNames[index];
}

// An actor id typed as a whole number; 0 only where it stands for the camera (`allowCamera`).
bool ActorIdField(const char* label, ActorId& id, bool allowCamera)
{
    int value = static_cast<int>(std::min<ActorId>(id, 1'000'000));
    ImGui::SetNextItemWidth(kFieldWidth);
    if (!ImGui::InputInt(label, &value))
    {
        return false;
    }
    value = std::clamp(value, allowCamera ? 0 : 1, 1'000'000);
    const bool changed = static_cast<ActorId>(value) != id;
    id = static_cast<ActorId>(value);
    return changed;
}
}

float TimelinePanel::TimeAxis::X(double seconds) const
{
    return left + static_cast<float>(std::clamp(seconds / endSeconds, 0.0, 1.0)) * width;
}

double TimelinePanel::TimeAxis::Seconds(float x) const
{
    return std::clamp(static_cast<double>((x - left) / width), 0.0, 1.0) * endSeconds;
}

// ---------------------------------------------------------------------------------------------------------------
// Shortcuts and commands

namespace
{
// What `channel` of the camera or an actor reads on screen (angles in degrees, as tracks give them). The camera
// keeps no angles of its own, only its axes: nothing for those.
std::optional<float> ValueOnScreen(const TimelinePanel::View& view, ActorId actor, Choreography::Channel channel)
{
    using Channel = Choreography::Channel;
    const auto axis = static_cast<std::size_t>(channel);
    if (actor == Choreography::Track::kCamera)
    {
        if (view.camera == nullptr || axis > static_cast<std::size_t>(Channel::Z))
        {
            return std::nullopt;
        }
        const Vector3& position = view.camera->GetPosition();
        return axis == 0 ? position.x : axis == 1 ? position.y : position.z;
    }
    if (view.logic == nullptr)
    {
        return std::nullopt;
    }
    const auto found = view.logic->GetActors().find(actor);
    if (found == view.logic->GetActors().end())
    {
        return std::nullopt;
    }
    const auto transform = FindComponent<TransformComponent>(*found->second);
    if (!transform)
    {
        return std::nullopt;
    }
    constexpr float kDegreesPerRadian = 57.2957795f;
    const YawPitchRoll angles = transform->GetYawPitchRoll();
    switch (channel)
    {
    case Channel::X:
    case Channel::Y:
    case Channel::Z: return transform->GetPosition()[axis];
    case Channel::Yaw: return angles.yaw * kDegreesPerRadian;
    case Channel::Pitch: return angles.pitch * kDegreesPerRadian;
    case Channel::Roll: return angles.roll * kDegreesPerRadian;
    }
    return std::nullopt;
}
}

bool TimelinePanel::OnShortcut(unsigned key, bool shift, bool repeated)
{
    switch (key)
    {
    case kSaveKey:
        if (!repeated)   // held down, it would write the file again and again; undo and redo repeat as usual
        {
            Save();
        }
        return true;
    case kUndoKey: shift ? Redo() : Undo(); return true;
    case kRedoKey: Redo(); return true;
    default: return false;
    }
}

void TimelinePanel::RecordReplay(double seconds, double milliseconds)
{
    m_replaySeconds = seconds;
    m_replayMs = milliseconds;
    m_replayReported = false;
}

void TimelinePanel::ReportReplay()
{
    if (m_replayReported || !m_replaySeconds || m_editor.InGesture())
    {
        return;
    }
    m_replayReported = true;
    const std::string& file = m_editor.FileName();
    std::cerr << (file.empty() ? "the timeline panel" : file) << ": edit played, replayed to " << *m_replaySeconds
              << " s in " << static_cast<int>(m_replayMs) << " ms" << std::endl;
}

void TimelinePanel::Save()
{
    m_editor.EndGesture();
    m_status = m_editor.Save() ? "saved to " + m_editor.FileName() : "not saved (see standard error)";
}

void TimelinePanel::Undo()
{
    m_status = m_editor.Undo() ? "undone" : "nothing to undo";
    KeepSelectionValid();
}

void TimelinePanel::Redo()
{
    m_status = m_editor.Redo() ? "redone" : "nothing to redo";
    KeepSelectionValid();
}

template <typename Edit>
void TimelinePanel::Apply(bool changed, Edit edit)
{
    if (ImGui::IsItemActivated())
    {
        m_editor.BeginGesture();
    }
    if (changed)
    {
        Choreography next = m_editor.Current();
        edit(next);
        m_editor.Change(std::move(next));
    }
    if (ImGui::IsItemDeactivated())
    {
        m_editor.EndGesture();
    }
}

template <typename Field>
void TimelinePanel::DragNumber(const char* label, float speed, const char* format, Field field)
{
    float value = *field(m_editor.Current());
    ImGui::SetNextItemWidth(kFieldWidth);
    const bool changed = ImGui::DragFloat(label, &value, speed, 0.0f, 0.0f, format);
    Apply(changed && std::isfinite(value), [&](Choreography& next) { *field(next) = value; });
}

template <typename Field>
void TimelinePanel::DragTime(const char* label, std::optional<float> open, Field field)
{
    ImGui::PushID(label);
    const float beat = m_editor.Current().beatSeconds;
    const float seconds = *field(m_editor.Current());
    if (open)
    {
        // Ticked: the side has a time; not: it is open, since the start or for ever.
        bool bounded = !std::isinf(seconds);
        const bool toggled = ImGui::Checkbox(label, &bounded);
        const float now = PlayheadTime();
        Apply(toggled, [&](Choreography& next) { *field(next) = bounded ? now : *open; });
        ImGui::SameLine();
        if (!bounded)
        {
            ImGui::TextDisabled("%-*s", 24, *open < 0.0f ? "(since the start)" : "(for ever)");
            ImGui::PopID();
            return;
        }
        label = "##time";
    }
    ImGui::SetNextItemWidth(kFieldWidth * 1.6f);
    if (m_snapToBeats && beat >= kShortestBeat)
    {
        // Edited in whole beats: the drag keeps what is left below a beat and moves on once it adds up to one.
        char format[64];
        float beats = seconds / beat;
        // "=" on the grid, "~" off it (a time typed or made without snapping), until the drag moves it on.
        std::snprintf(format, sizeof format, "beat %%.0f %s %.4f s", beats == std::round(beats) ? "=" : "~",
                      static_cast<double>(seconds));
        const bool changed = ImGui::DragFloat(label, &beats, 0.05f, 0.0f, 0.0f, format);
        const float snapped = std::round(beats) * beat;
        Apply(changed && std::isfinite(snapped), [&](Choreography& next) { *field(next) = snapped; });
    }
    else
    {
        float value = seconds;
        const bool changed = ImGui::DragFloat(label, &value, 0.01f, 0.0f, 0.0f, "%.4f s");
        Apply(changed && std::isfinite(value), [&](Choreography& next) { *field(next) = value; });
    }
    ImGui::PopID();
}

template <typename Field>
void TimelinePanel::EditCoordinate(const char* label, Field field)
{
    using Source = Choreography::Coordinate::Source;
    ImGui::PushID(label);
    const Choreography::Coordinate coordinate = *field(m_editor.Current());
    int source = static_cast<int>(coordinate.source);
    const bool sourceChanged = EnumCombo(label, source, SourceLabel, static_cast<int>(std::size(kSourceNames)));
    Apply(sourceChanged, [&](Choreography& next) { field(next)->source = static_cast<Source>(source); });
    if (coordinate.source != Source::Kept)
    {
        ImGui::SameLine();
        DragNumber("##offset", 0.05f, "%.3f", [&field](auto& c) { return &field(c)->offset; });
    }
    ImGui::PopID();
}

template <typename Item>
void TimelinePanel::EditWindowAndPlace(Item item)
{
    DragTime("from", -Choreography::kForever, [&](auto& c) { return &item(c)->window.from; });
    ImGui::SameLine();
    DragTime("until", Choreography::kForever, [&](auto& c) { return &item(c)->window.until; });
    constexpr const char* kAxes[] = {"x", "y", "z"};
    for (std::size_t axis = 0; axis < std::size(kAxes); ++axis)
    {
        if (axis > 0)
        {
            ImGui::SameLine();
        }
        EditCoordinate(kAxes[axis], [&](auto& c) { return &item(c)->place[axis]; });
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The window

float TimelinePanel::PlayheadTime() const
{
    const float shown = static_cast<float>(m_view.shownSeconds);
    return m_snapToBeats ? SnappedToBeat(shown, m_editor.Current().beatSeconds) : shown;
}

std::optional<double> TimelinePanel::Draw(const View& view)
{
    KeepSelectionValid();
    m_view = view;
    std::optional<double> picked;
    ImGui::SetNextWindowPos(ImVec2(10.0f, 10.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(780.0f, 560.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowBgAlpha(0.85f);
    if (ImGui::Begin("Timeline"))
    {
        DrawToolbar();
        DrawProblems();
        TimeAxis axis;
        axis.left = ImGui::GetCursorScreenPos().x + kLabelWidth;
        axis.width = std::max(1.0f, ImGui::GetContentRegionAvail().x - kLabelWidth - ImGui::GetStyle().ScrollbarSize);
        axis.endSeconds = view.endSeconds > 0.0 ? view.endSeconds : 1.0;
        picked = DrawRuler(axis, view.shownSeconds);
        m_waveform.Draw(axis.left, axis.width, axis.endSeconds, view.shownSeconds, m_editor);
        DrawLanes(axis, view.shownSeconds);
        DrawAddButtons();
        ImGui::Separator();
        DrawSelected();
    }
    ImGui::End();
    return picked;
}

void TimelinePanel::DrawToolbar()
{
    // The file and what happened to it last on one line, the commands on the next.
    const std::string& file = m_editor.FileName();
    ImGui::Text("%s%s", file.empty() ? "(compiled-in: Save writes a new file)" : file.c_str(),
                m_editor.HasUnsavedChanges() ? "   * unsaved" : "");
    if (!m_status.empty())
    {
        ImGui::SameLine();
        ImGui::TextDisabled("  %s", m_status.c_str());
    }
    if (m_replaySeconds)
    {
        ImGui::SameLine();
        ImGui::TextDisabled("  edit replayed to %.2f s in %.0f ms", *m_replaySeconds, m_replayMs);
    }
    if (ImGui::Button("Save (Ctrl+S)"))
    {
        Save();
    }
    ImGui::SameLine();
    ImGui::BeginDisabled(!m_editor.CanUndo());
    if (ImGui::Button("Undo (Ctrl+Z)"))
    {
        Undo();
    }
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::BeginDisabled(!m_editor.CanRedo());
    if (ImGui::Button("Redo (Ctrl+Y)"))
    {
        Redo();
    }
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::Checkbox("snap to beats", &m_snapToBeats);
}

void TimelinePanel::DrawProblems() const
{
    const std::vector<Choreography::Problem>& problems = m_editor.Problems();
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

std::optional<double> TimelinePanel::DrawRuler(const TimeAxis& axis, double shownSeconds) const
{
    const Choreography& choreography = m_editor.Current();
    const float bar = BarSeconds(choreography);
    const double barAt = bar > 0.0f ? std::floor(shownSeconds / bar) : 0.0;
    const double beatAt =
        choreography.beatSeconds > 0.0f ? std::floor((shownSeconds - barAt * bar) / choreography.beatSeconds) : 0.0;
    ImGui::Text("%.2f s  bar %.0f.%.0f", shownSeconds, barAt, beatAt + 1.0);
    ImGui::SameLine(kLabelWidth + ImGui::GetStyle().WindowPadding.x);
    const ImVec2 origin(axis.left, ImGui::GetCursorScreenPos().y);
    ImGui::InvisibleButton("ruler", ImVec2(axis.width, kRulerHeight));
    std::optional<double> picked;
    // A seek replays the timeline, so a button held still does not ask for one every frame.
    if (ImGui::IsItemActivated() || (ImGui::IsItemActive() && ImGui::GetIO().MouseDelta.x != 0.0f))
    {
        picked = axis.Seconds(ImGui::GetIO().MousePos.x);
    }

    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float bottom = origin.y + kRulerHeight;
    draw->AddRectFilled(origin, ImVec2(origin.x + axis.width, bottom), IM_COL32(0, 0, 0, 160));
    const float beatPixels = axis.width * choreography.beatSeconds / static_cast<float>(axis.endSeconds);
    const float barPixels = beatPixels * static_cast<float>(kBeatsPerBar);
    // A grid of less than a couple of pixels a bar would be a grey smear (and, for a tiny beat, billions of lines).
    if (choreography.beatSeconds > 0.0f && barPixels >= 2.0f)
    {
        // Bar numbers some 24 pixels apart at least, so that they never run into each other.
        const int labelEvery = std::max(1, static_cast<int>(std::ceil(24.0f / barPixels)));
        const int beats = static_cast<int>(axis.endSeconds / choreography.beatSeconds);
        for (int beat = 0; beat <= beats; ++beat)
        {
            const float x = axis.X(beat * static_cast<double>(choreography.beatSeconds));
            const bool barStart = beat % static_cast<int>(kBeatsPerBar) == 0;
            if (!barStart && beatPixels < 3.0f)
            {
                continue;
            }
            draw->AddLine(ImVec2(x, barStart ? origin.y : bottom - 6.0f), ImVec2(x, bottom),
                          barStart ? IM_COL32(255, 255, 255, 160) : IM_COL32(255, 255, 255, 90));
            const int barNumber = beat / static_cast<int>(kBeatsPerBar);
            if (barStart && barNumber % labelEvery == 0)
            {
                char text[16];
                std::snprintf(text, sizeof text, "%d", barNumber);
                draw->AddText(ImVec2(x + 2.0f, origin.y), IM_COL32(255, 255, 255, 200), text);
            }
        }
    }
    const float playhead = axis.X(shownSeconds);
    draw->AddTriangleFilled(ImVec2(playhead - 5.0f, origin.y), ImVec2(playhead + 5.0f, origin.y),
                            ImVec2(playhead, origin.y + 8.0f), kPlayheadColour);
    draw->AddLine(ImVec2(playhead, origin.y), ImVec2(playhead, bottom), kPlayheadColour, 2.0f);
    return picked;
}

void TimelinePanel::DrawLanes(const TimeAxis& axis, double shownSeconds)
{
    const Choreography& choreography = m_editor.Current();
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
    if (choreography.beatSeconds > 0.0f &&
        axis.width * choreography.beatSeconds / static_cast<float>(axis.endSeconds) >= 3.0f)
    {
        const int beats = static_cast<int>(axis.endSeconds / choreography.beatSeconds);
        for (int beat = 0; beat <= beats; ++beat)
        {
            const float x = axis.X(beat * static_cast<double>(choreography.beatSeconds));
            draw->AddLine(ImVec2(x, top.y), ImVec2(x, bottom),
                          beat % static_cast<int>(kBeatsPerBar) == 0 ? kBarLineColour : kBeatLineColour);
        }
    }

    // In lane order: the travelling value, the camera segments, the actor rows, the tracks.
    const std::size_t firstRow = 1 + choreography.camera.size();
    const std::size_t firstTrack = firstRow + choreography.actors.size();
    if (m_scrollToSelection && m_selection)
    {
        // A lane just added may lie below the ones shown.
        const std::size_t index = m_selection->index + (m_selection->part == Part::CameraSegment ? 1
                                                        : m_selection->part == Part::ActorRow    ? firstRow
                                                        : m_selection->part == Part::Track       ? firstTrack
                                                                                                 : 0);
        ImGui::SetScrollY(std::max(0.0f, static_cast<float>(index) * laneHeight - height * 0.5f));
    }
    m_scrollToSelection = false;
    // Only the lanes in view are submitted, however many rows and tracks there are.
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(lanes), laneHeight);
    while (clipper.Step())
    {
        for (auto lane = static_cast<std::size_t>(clipper.DisplayStart);
             lane < static_cast<std::size_t>(clipper.DisplayEnd); ++lane)
        {
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
                const Choreography::ActorRow& row = choreography.actors[lane - firstRow];
                char label[64];
                std::snprintf(label, sizeof label, "actor %u %s %g", static_cast<unsigned>(row.actor),
                              Choreography::AngleName(row.turns), static_cast<double>(row.rate));
                DrawLane(axis, {Part::ActorRow, lane - firstRow, std::nullopt}, label);
            }
            else
            {
                DrawLane(axis, {Part::Track, lane - firstTrack, std::nullopt},
                         TrackLabel(choreography.tracks[lane - firstTrack]));
            }
        }
    }
    const float playhead = axis.X(shownSeconds);
    draw->AddLine(ImVec2(playhead, top.y), ImVec2(playhead, bottom), kPlayheadColour, 2.0f);
    ImGui::EndChild();
}

void TimelinePanel::DrawLane(const TimeAxis& axis, const Selection& lane, const std::string& label)
{
    const Choreography& choreography = m_editor.Current();
    const bool selected = m_selection && m_selection->part == lane.part && m_selection->index == lane.index;
    const float laneHeight = ImGui::GetFrameHeight();
    ImGui::PushID(static_cast<int>(lane.part));
    ImGui::PushID(static_cast<int>(lane.index));
    if (ImGui::Selectable(label.c_str(), selected, 0, ImVec2(kLabelWidth - 8.0f, laneHeight - 4.0f)))
    {
        m_selection = Selection{lane.part, lane.index, std::nullopt};
    }
    ImGui::SameLine(axis.left - ImGui::GetWindowPos().x);
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("lane", ImVec2(axis.width, laneHeight - 4.0f));
    const bool clicked = ImGui::IsItemClicked();
    const bool doubleClicked = ImGui::IsItemHovered() && ImGui::IsMouseDoubleClicked(0);
    const bool dragged = ImGui::IsItemActive() && ImGui::GetIO().MouseDelta.x != 0.0f;
    const bool released = ImGui::IsItemDeactivated();
    ImGui::PopID();
    ImGui::PopID();

    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float bottom = origin.y + laneHeight - 4.0f;
    draw->AddRectFilled(origin, ImVec2(origin.x + axis.width, bottom),
                        selected ? IM_COL32(255, 255, 255, 40) : IM_COL32(0, 0, 0, 90));
    const auto drawWindow = [&](const Choreography::Window& window, ImU32 colour) {
        const float from = axis.X(std::max<double>(window.from, 0.0));
        const float until = axis.X(std::min<double>(window.until, axis.endSeconds));
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
        DrawTrackCurve(track, axis, origin.y + 2.0f, bottom - 2.0f);
        std::optional<std::size_t> nearest;
        float nearestPixels = kKeyPickPixels;
        float lastDrawn = -1.0f;
        for (std::size_t k = 0; k < track.keys.size(); ++k)
        {
            const float x = axis.X(track.keys[k].time);
            const bool keySelected = selected && m_selection->key == k;
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
        if (clicked)
        {
            m_selection = Selection{lane.part, lane.index, nearest};
            if (nearest)
            {
                m_editor.BeginGesture();   // a key dragged along its lane is one undo step
            }
        }
        if (dragged && m_editor.InGesture() && m_selection->key)
        {
            DragKey(lane.index, *m_selection->key, static_cast<float>(axis.Seconds(mouseX)));
        }
        if (released)
        {
            m_editor.EndGesture();
        }
        if (doubleClicked && !nearest)
        {
            const float at = static_cast<float>(axis.Seconds(mouseX));
            AddKey(lane.index, m_snapToBeats ? SnappedToBeat(at, choreography.beatSeconds) : at);
        }
        return;
    }
    default: break;
    }
    if (clicked)
    {
        m_selection = Selection{lane.part, lane.index, std::nullopt};
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The selection's fields

void TimelinePanel::DrawAddButtons()
{
    const Choreography& choreography = m_editor.Current();
    const float from = PlayheadTime();
    // New windows run one bar from the playhead (a second without a usable beat), where the user looks.
    const float bar = BarSeconds(choreography);
    const Choreography::Window window{from, from + (bar >= kShortestBeat && bar <= kLongestNewWindow ? bar : 1.0f)};
    const auto add = [this](Part part, std::size_t index, auto edit) {
        Choreography next = m_editor.Current();
        edit(next);
        m_editor.Change(std::move(next));
        m_selection = Selection{part, index, std::nullopt};
        m_scrollToSelection = true;
    };
    if (ImGui::Button("+ camera segment"))
    {
        add(Part::CameraSegment, choreography.camera.size(), [&](Choreography& next) {
            next.camera.push_back({window, {}, 0.0f, std::nullopt});
        });
    }
    ImGui::SameLine();
    if (ImGui::Button("+ actor row"))
    {
        // Like the selected row when there is one, which is how a row is usually made: copied and changed.
        Choreography::ActorRow row{1, window, {}, Choreography::Angle::Yaw, 90.0f};
        if (m_selection && m_selection->part == Part::ActorRow)
        {
            row = choreography.actors[m_selection->index];
            row.window = window;
        }
        add(Part::ActorRow, choreography.actors.size(), [&](Choreography& next) { next.actors.push_back(row); });
    }
    ImGui::SameLine();
    if (ImGui::Button("+ camera track"))
    {
        // On the first channel of the camera no track drives yet; without keys it drives nothing until keyed.
        Choreography::Track track;
        for (std::size_t channel = 0; channel < Choreography::kChannelCount; ++channel)
        {
            track.channel = static_cast<Choreography::Channel>(channel);
            if (std::none_of(choreography.tracks.begin(), choreography.tracks.end(), [&](const auto& other) {
                    return other.actor == track.actor && other.channel == track.channel;
                }))
            {
                break;
            }
        }
        add(Part::Track, choreography.tracks.size(), [&](Choreography& next) { next.tracks.push_back(track); });
    }
    ImGui::SameLine();
    ImGui::TextDisabled("double-click a track's lane: a key there");
}

void TimelinePanel::DrawSelected()
{
    if (!m_selection)
    {
        ImGui::TextDisabled("Click a lane to edit it.");
        return;
    }
    const Part part = m_selection->part;
    const std::size_t index = m_selection->index;
    ImGui::PushID("selected");
    switch (part)
    {
    case Part::Travel: DrawTravel(); break;
    case Part::CameraSegment: DrawCameraSegment(index); break;
    case Part::ActorRow: DrawActorRow(index); break;
    case Part::Track: DrawTrack(index); break;
    default: break;
    }
    if (part != Part::Travel && part != Part::Choreography)
    {
        if (part != Part::Track && ImGui::Button("Duplicate"))
        {
            // The copy follows the original, and is what is selected and edited next.
            Choreography next = m_editor.Current();
            if (part == Part::CameraSegment)
            {
                next.camera.insert(next.camera.begin() + static_cast<std::ptrdiff_t>(index), next.camera[index]);
            }
            else
            {
                next.actors.insert(next.actors.begin() + static_cast<std::ptrdiff_t>(index), next.actors[index]);
            }
            m_editor.Change(std::move(next));
            m_selection->index = index + 1;
        }
        if (part != Part::Track)
        {
            ImGui::SameLine();
        }
        const char* const deleteLabel = part == Part::CameraSegment ? "Delete segment"
                                        : part == Part::ActorRow    ? "Delete row"
                                                                    : "Delete track";
        if (ImGui::Button(deleteLabel))
        {
            Choreography next = m_editor.Current();
            const auto at = [index](auto& items) { return items.begin() + static_cast<std::ptrdiff_t>(index); };
            if (part == Part::CameraSegment)
            {
                next.camera.erase(at(next.camera));
            }
            else if (part == Part::ActorRow)
            {
                next.actors.erase(at(next.actors));
            }
            else
            {
                next.tracks.erase(at(next.tracks));
            }
            m_editor.Change(std::move(next));
            m_selection.reset();
        }
    }
    ImGui::PopID();
}

void TimelinePanel::DrawTravel()
{
    ImGui::TextUnformatted("The travelling value (what flights follow):");
    DragNumber("start", 0.1f, "%.3f", [](auto& c) { return &c.travel.start; });
    ImGui::SameLine();
    DragNumber("speed (units/s)", 0.05f, "%.3f", [](auto& c) { return &c.travel.speed; });
    DragTime("from", -Choreography::kForever, [](auto& c) { return &c.travel.window.from; });
    ImGui::SameLine();
    DragTime("until", Choreography::kForever, [](auto& c) { return &c.travel.window.until; });
    bool wraps = m_editor.Current().travel.wrap.has_value();
    const bool toggled = ImGui::Checkbox("wraps", &wraps);
    Apply(toggled, [&](Choreography& next) {
        next.travel.wrap =
            wraps ? std::optional<Choreography::Travel::Wrap>(Choreography::Travel::Wrap{0.0f, 1.0f}) : std::nullopt;
    });
    if (m_editor.Current().travel.wrap)
    {
        ImGui::SameLine();
        DragNumber("at", 0.1f, "%.3f", [](auto& c) { return &c.travel.wrap->at; });
        ImGui::SameLine();
        DragNumber("back by", 0.1f, "%.3f", [](auto& c) { return &c.travel.wrap->by; });
    }
}

void TimelinePanel::DrawCameraSegment(std::size_t i)
{
    ImGui::Text("Camera segment %u", static_cast<unsigned>(i + 1));
    const auto segment = [i](auto& c) { return &c.camera[i]; };
    EditWindowAndPlace(segment);
    DragNumber("pitch rate (rad/s)", 0.005f, "%.5f", [&](auto& c) { return &segment(c)->pitchRate; });
    ImGui::SameLine();
    const std::optional<std::uint32_t> sky = m_editor.Current().camera[i].sky;
    int skyIndex = sky ? static_cast<int>(*sky) + 1 : 0;
    const bool changed = EnumCombo("sky", skyIndex, SkyLabel, static_cast<int>(std::size(kSkyNames)));
    Apply(changed, [&](Choreography& next) {
        next.camera[i].sky =
            skyIndex == 0 ? std::nullopt : std::optional<std::uint32_t>(static_cast<std::uint32_t>(skyIndex - 1));
    });
}

void TimelinePanel::DrawActorRow(std::size_t i)
{
    const auto row = [i](auto& c) { return &c.actors[i]; };
    ActorId actor = m_editor.Current().actors[i].actor;
    const bool actorChanged = ActorIdField("actor", actor, false);
    Apply(actorChanged, [&](Choreography& next) { next.actors[i].actor = actor; });
    ImGui::SameLine();
    int turns = static_cast<int>(m_editor.Current().actors[i].turns);
    const bool turnsChanged = EnumCombo("turns", turns, AngleLabel, static_cast<int>(Choreography::kAngleCount));
    Apply(turnsChanged, [&](Choreography& next) { next.actors[i].turns = static_cast<Choreography::Angle>(turns); });
    ImGui::SameLine();
    DragNumber("rate (deg/s)", 0.5f, "%.2f", [&](auto& c) { return &row(c)->rate; });
    EditWindowAndPlace(row);
}

void TimelinePanel::DrawTrack(std::size_t i)
{
    // Every change replaces the current version, so nothing inside it is held across one: values are read anew.
    const auto track = [this, i]() -> const Choreography::Track& { return m_editor.Current().tracks[i]; };
    ActorId actor = track().actor;
    const bool actorChanged = ActorIdField("actor (0: camera)", actor, true);
    Apply(actorChanged, [&](Choreography& next) { next.tracks[i].actor = actor; });
    ImGui::SameLine();
    int channel = static_cast<int>(track().channel);
    const bool channelChanged =
        EnumCombo("channel", channel, ChannelLabel, static_cast<int>(Choreography::kChannelCount));
    Apply(channelChanged,
          [&](Choreography& next) { next.tracks[i].channel = static_cast<Choreography::Channel>(channel); });

    if (ImGui::Button("+ key at playhead"))
    {
        AddKey(i, PlayheadTime());
    }
    const std::optional<std::size_t> key = m_selection->key;
    if (!key)
    {
        ImGui::SameLine();
        ImGui::TextDisabled("click a key in the lane to edit it");
        return;
    }
    const std::size_t k = *key;
    ImGui::SameLine();
    if (ImGui::Button("Delete key"))
    {
        Choreography next = m_editor.Current();
        next.tracks[i].keys.erase(next.tracks[i].keys.begin() + static_cast<std::ptrdiff_t>(k));
        m_editor.Change(std::move(next));
        m_selection->key.reset();
        return;
    }
    ImGui::Text("Key %u of %u", static_cast<unsigned>(k + 1), static_cast<unsigned>(track().keys.size()));
    ImGui::SameLine();
    DragTime("at", std::nullopt, [i, k](auto& c) { return &c.tracks[i].keys[k].time; });
    ImGui::SameLine();
    DragNumber("value", 0.05f, "%.3f", [i, k](auto& c) { return &c.tracks[i].keys[k].value; });
    ImGui::SameLine();
    int ease = static_cast<int>(track().keys[k].ease);
    const bool easeChanged = EnumCombo("mode", ease, EaseLabel, static_cast<int>(Choreography::kEaseCount));
    Apply(easeChanged,
          [&](Choreography& next) { next.tracks[i].keys[k].ease = static_cast<Choreography::Ease>(ease); });
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

void TimelinePanel::DragKey(std::size_t track, std::size_t key, float time)
{
    const std::vector<Choreography::Key>& keys = m_editor.Current().tracks[track].keys;
    if (key >= keys.size())
    {
        return;
    }
    time = m_snapToBeats ? SnappedToBeat(time, m_editor.Current().beatSeconds) : time;
    // Between its neighbours: a key dragged past one would put the keys out of time order.
    if (key > 0)
    {
        time = std::max(time, keys[key - 1].time);
    }
    if (key + 1 < keys.size())
    {
        time = std::min(time, keys[key + 1].time);
    }
    if (time != keys[key].time)
    {
        Choreography next = m_editor.Current();
        next.tracks[track].keys[key].time = time;
        m_editor.Change(std::move(next));
    }
}

void TimelinePanel::AddKey(std::size_t track, float time)
{
    Choreography next = m_editor.Current();
    Choreography::Track& keyed = next.tracks[track];
    const auto place = std::upper_bound(keyed.keys.begin(), keyed.keys.end(), time,
                                        [](float t, const Choreography::Key& key) { return t < key.time; });
    const std::size_t index = static_cast<std::size_t>(place - keyed.keys.begin());
    const float value =
        keyed.keys.empty() ? ValueOnScreen(m_view, keyed.actor, keyed.channel).value_or(0.0f) : keyed.ValueAt(time);
    // A key goes over to the next one as the key before it does: a new key in a smooth stretch stays smooth.
    const Choreography::Ease ease = index > 0 ? keyed.keys[index - 1].ease : Choreography::Ease::Linear;
    keyed.keys.insert(place, Choreography::Key{time, value, ease});
    m_editor.Change(std::move(next));
    m_selection = Selection{Part::Track, track, index};
}

void TimelinePanel::KeepSelectionValid()
{
    if (!m_selection)
    {
        return;
    }
    const Choreography& choreography = m_editor.Current();
    std::size_t count = 1;
    switch (m_selection->part)
    {
    case Part::CameraSegment: count = choreography.camera.size(); break;
    case Part::ActorRow: count = choreography.actors.size(); break;
    case Part::Track: count = choreography.tracks.size(); break;
    default: break;
    }
    if (m_selection->index >= count)
    {
        m_selection.reset();
        return;
    }
    if (m_selection->part == Part::Track && m_selection->key &&
        *m_selection->key >= choreography.tracks[m_selection->index].keys.size())
    {
        m_selection->key.reset();
    }
}
