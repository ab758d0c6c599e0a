// The timeline panel's fields of the selection: see TimelineFields.h. Widgets never edit the choreography in
// place: a change is made on a copy only when a widget reports one, so that a frame without edits copies
// nothing, however long the file.
#include "app/live/timeline/TimelineFields.h"

#include <imgui.h>

#include <cmath>
#include <cstdio>
#include <iterator>

#include "app/live/timeline/TimelineModel.h"

namespace
{
using Part = Choreography::Problem::Part;

constexpr float kFieldWidth = 110.0f;

const char* const kSourceNames[] = {"kept", "fixed", "time+", "travel+"};
const char* const kSkyNames[] = {"kept", "0 (dusk)", "1 (night)"};

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

// An actor id as typed, a whole number; held as a double, which holds every id exactly and shows a negative or
// too large number as typed, for the model to refuse (an unsigned field would wrap "-1" round to the largest id).
bool ActorIdField(const char* label, ActorId id, double& typed)
{
    typed = static_cast<double>(id);
    const double step = 1.0;
    const double fastStep = 100.0;
    ImGui::SetNextItemWidth(kFieldWidth);
    return ImGui::InputScalar(label, ImGuiDataType_Double, &typed, &step, &fastStep, "%.0f") &&
           typed != static_cast<double>(id);
}
}

template <typename Edit>
void TimelineFields::Apply(bool changed, Edit edit)
{
    if (ImGui::IsItemActivated())
    {
        m_model.BeginGesture();
    }
    if (changed)
    {
        edit();
    }
    if (ImGui::IsItemDeactivated())
    {
        m_model.EndGesture();
    }
}

template <typename Field>
void TimelineFields::DragNumber(const char* label, float speed, const char* format, Field field)
{
    float value = *field(m_model.Current());
    ImGui::SetNextItemWidth(kFieldWidth);
    const bool changed = ImGui::DragFloat(label, &value, speed, 0.0f, 0.0f, format);
    Apply(changed && std::isfinite(value), [&] { m_model.Edit([&](Choreography& next) { *field(next) = value; }); });
}

template <typename Field>
void TimelineFields::DragTime(const char* label, std::optional<float> open, Field field)
{
    ImGui::PushID(label);
    const float beat = m_model.Current().beatSeconds;
    const float seconds = *field(m_model.Current());
    if (open)
    {
        // Ticked: the side has a time; not: it is open, since the start or for ever.
        bool bounded = !std::isinf(seconds);
        const bool toggled = ImGui::Checkbox(label, &bounded);
        const float now = m_model.PlayheadTime();
        Apply(toggled, [&] { m_model.Edit([&](Choreography& next) { *field(next) = bounded ? now : *open; }); });
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
    if (m_model.EditsInBeats())
    {
        // Edited in whole beats: the drag keeps what is left below a beat and moves on once it adds up to one.
        char format[64];
        float beats = seconds / beat;
        // "=" on the grid, "~" off it (a time typed or made without snapping), until the drag moves it on.
        std::snprintf(format, sizeof format, "beat %%.0f %s %.4f s", beats == std::round(beats) ? "=" : "~",
                      static_cast<double>(seconds));
        const bool changed = ImGui::DragFloat(label, &beats, 0.05f, 0.0f, 0.0f, format);
        const float snapped = m_model.TimeOfBeat(beats);
        Apply(changed && std::isfinite(snapped),
              [&] { m_model.Edit([&](Choreography& next) { *field(next) = snapped; }); });
    }
    else
    {
        float value = seconds;
        const bool changed = ImGui::DragFloat(label, &value, 0.01f, 0.0f, 0.0f, "%.4f s");
        Apply(changed && std::isfinite(value),
              [&] { m_model.Edit([&](Choreography& next) { *field(next) = value; }); });
    }
    ImGui::PopID();
}

template <typename Field>
void TimelineFields::EditCoordinate(const char* label, Field field)
{
    using Source = Choreography::Coordinate::Source;
    ImGui::PushID(label);
    const Choreography::Coordinate coordinate = *field(m_model.Current());
    int source = static_cast<int>(coordinate.source);
    const bool sourceChanged = EnumCombo(label, source, SourceLabel, static_cast<int>(std::size(kSourceNames)));
    Apply(sourceChanged,
          [&] { m_model.Edit([&](Choreography& next) { field(next)->source = static_cast<Source>(source); }); });
    if (coordinate.source != Source::Kept)
    {
        ImGui::SameLine();
        DragNumber("##offset", 0.05f, "%.3f", [&field](auto& c) { return &field(c)->offset; });
    }
    ImGui::PopID();
}

template <typename Item>
void TimelineFields::EditWindowAndPlace(Item item)
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

void TimelineFields::Draw()
{
    const std::optional<TimelineModel::Selection>& selection = m_model.Selected();
    if (!selection)
    {
        ImGui::TextDisabled("Click a lane to edit it.");
        return;
    }
    ImGui::PushID("selected");
    switch (selection->part)
    {
    case Part::Travel: DrawTravel(); break;
    case Part::CameraSegment: DrawCameraSegment(selection->index); break;
    case Part::ActorRow: DrawActorRow(selection->index); break;
    case Part::Track: DrawTrack(selection->index); break;
    default: break;
    }
    DrawDuplicateAndDelete();
    ImGui::PopID();
}

void TimelineFields::DrawDuplicateAndDelete()
{
    // A field above may have deleted a key; the selection itself stays.
    const std::optional<TimelineModel::Selection> selection = m_model.Selected();
    if (!selection || selection->part == Part::Travel || selection->part == Part::Choreography)
    {
        return;
    }
    const Part part = selection->part;
    if (part != Part::Track)
    {
        if (ImGui::Button("Duplicate"))
        {
            m_model.DuplicateSelected();
        }
        ImGui::SameLine();
    }
    const char* const deleteLabel = part == Part::CameraSegment ? "Delete segment"
                                    : part == Part::ActorRow    ? "Delete row"
                                                                : "Delete track";
    if (ImGui::Button(deleteLabel))
    {
        m_model.DeleteSelected();
    }
}

void TimelineFields::DrawTravel()
{
    ImGui::TextUnformatted("The travelling value (what flights follow):");
    DragNumber("start", 0.1f, "%.3f", [](auto& c) { return &c.travel.start; });
    ImGui::SameLine();
    DragNumber("speed (units/s)", 0.05f, "%.3f", [](auto& c) { return &c.travel.speed; });
    DragTime("from", -Choreography::kForever, [](auto& c) { return &c.travel.window.from; });
    ImGui::SameLine();
    DragTime("until", Choreography::kForever, [](auto& c) { return &c.travel.window.until; });
    bool wraps = m_model.Current().travel.wrap.has_value();
    const bool toggled = ImGui::Checkbox("wraps", &wraps);
    Apply(toggled, [&] {
        m_model.Edit([&](Choreography& next) {
            next.travel.wrap = wraps ? std::optional<Choreography::Travel::Wrap>(Choreography::Travel::Wrap{0.0f, 1.0f})
                                     : std::nullopt;
        });
    });
    if (m_model.Current().travel.wrap)
    {
        ImGui::SameLine();
        DragNumber("at", 0.1f, "%.3f", [](auto& c) { return &c.travel.wrap->at; });
        ImGui::SameLine();
        DragNumber("back by", 0.1f, "%.3f", [](auto& c) { return &c.travel.wrap->by; });
    }
}

void TimelineFields::DrawCameraSegment(std::size_t i)
{
    ImGui::Text("Camera segment %u", static_cast<unsigned>(i + 1));
    const auto segment = [i](auto& c) { return &c.camera[i]; };
    EditWindowAndPlace(segment);
    DragNumber("pitch rate (rad/s)", 0.005f, "%.5f", [&](auto& c) { return &segment(c)->pitchRate; });
    ImGui::SameLine();
    const std::optional<std::uint32_t> sky = m_model.Current().camera[i].sky;
    int skyIndex = sky ? static_cast<int>(*sky) + 1 : 0;
    const bool changed = EnumCombo("sky", skyIndex, SkyLabel, static_cast<int>(std::size(kSkyNames)));
    Apply(changed, [&] {
        m_model.Edit([&](Choreography& next) {
            next.camera[i].sky =
                skyIndex == 0 ? std::nullopt : std::optional<std::uint32_t>(static_cast<std::uint32_t>(skyIndex - 1));
        });
    });
}

void TimelineFields::DrawActorRow(std::size_t i)
{
    const auto row = [i](auto& c) { return &c.actors[i]; };
    double actor = 0.0;
    const bool actorChanged = ActorIdField("actor", m_model.Current().actors[i].actor, actor);
    Apply(actorChanged, [&] { m_model.SetRowActor(i, actor); });
    ImGui::SameLine();
    int turns = static_cast<int>(m_model.Current().actors[i].turns);
    const bool turnsChanged = EnumCombo("turns", turns, AngleLabel, static_cast<int>(Choreography::kAngleCount));
    Apply(turnsChanged, [&] {
        m_model.Edit([&](Choreography& next) { next.actors[i].turns = static_cast<Choreography::Angle>(turns); });
    });
    ImGui::SameLine();
    DragNumber("rate (deg/s)", 0.5f, "%.2f", [&](auto& c) { return &row(c)->rate; });
    EditWindowAndPlace(row);
}

void TimelineFields::DrawTrack(std::size_t i)
{
    // Every change replaces the current version, so nothing inside it is held across one: values are read anew.
    const auto track = [this, i]() -> const Choreography::Track& { return m_model.Current().tracks[i]; };
    double actor = 0.0;
    const bool actorChanged = ActorIdField("actor (0: camera)", track().actor, actor);
    Apply(actorChanged, [&] { m_model.SetTrackActor(i, actor); });
    ImGui::SameLine();
    int channel = static_cast<int>(track().channel);
    const bool channelChanged =
        EnumCombo("channel", channel, ChannelLabel, static_cast<int>(Choreography::kChannelCount));
    Apply(channelChanged, [&] {
        m_model.Edit([&](Choreography& next) { next.tracks[i].channel = static_cast<Choreography::Channel>(channel); });
    });

    if (ImGui::Button("+ key at playhead"))
    {
        m_model.AddKeyAtPlayhead();
    }
    const std::optional<std::size_t> key = m_model.Selected() ? m_model.Selected()->key : std::nullopt;
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
        m_model.DeleteSelectedKey();
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
    Apply(easeChanged, [&] {
        m_model.Edit([&](Choreography& next) { next.tracks[i].keys[k].ease = static_cast<Choreography::Ease>(ease); });
    });
}
