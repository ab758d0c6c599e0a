// The timeline panel's editing rules: see TimelineModel.h. Every edit copies the current version once, changes
// the copy and hands it to the editor; nothing holds a reference into a version across a change.
#include "app/live/timeline/TimelineModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <utility>

#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "actors/ComponentLookup.h"
#include "actors/TransformComponent.h"
#include "app/live/timeline/TimeAxis.h"

namespace
{
using Part = Choreography::Problem::Part;

template <typename Items>
auto At(Items& items, std::size_t index)
{
    return items.begin() + static_cast<std::ptrdiff_t>(index);
}

// How many parts of a kind there are: one travelling value, and none of a kind with no lanes.
std::size_t CountOf(const Choreography& choreography, Part part)
{
    switch (part)
    {
    case Part::Travel: return 1;
    case Part::CameraSegment: return choreography.camera.size();
    case Part::ActorRow: return choreography.actors.size();
    case Part::Track: return choreography.tracks.size();
    default: return 0;
    }
}
}

// ---------------------------------------------------------------------------------------------------------------
// What stands on screen

std::optional<float> TimelineModel::ValueOnScreen(ActorId actor, Choreography::Channel channel) const
{
    using Channel = Choreography::Channel;
    const auto axis = static_cast<std::size_t>(channel);
    if (actor == Choreography::Track::kCamera)
    {
        if (!m_screen.camera || axis > static_cast<std::size_t>(Channel::Z))
        {
            return std::nullopt;
        }
        const Vector3& position = *m_screen.camera;
        return axis == 0 ? position.x : axis == 1 ? position.y : position.z;
    }
    if (m_screen.logic == nullptr)
    {
        return std::nullopt;
    }
    const auto found = m_screen.logic->GetActors().find(actor);
    if (found == m_screen.logic->GetActors().end())
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

// ---------------------------------------------------------------------------------------------------------------
// Snapping

bool TimelineModel::EditsInBeats() const
{
    return m_snapToBeats && m_editor.Current().beatSeconds >= kShortestBeat;
}

float TimelineModel::Snapped(float seconds) const
{
    const float beat = m_editor.Current().beatSeconds;
    return EditsInBeats() ? std::round(seconds / beat) * beat : seconds;
}

float TimelineModel::TimeOfBeat(float beats) const
{
    return std::round(beats) * m_editor.Current().beatSeconds;
}

float TimelineModel::PlayheadTime() const
{
    return Snapped(static_cast<float>(m_screen.seconds));
}

float TimelineModel::Bar() const
{
    const float bar = m_editor.Current().beatSeconds * static_cast<float>(TimeAxis::kBeatsPerBar);
    return bar >= kShortestBeat && bar <= kLongestNewWindow ? bar : 1.0f;
}

Choreography::Window TimelineModel::NewWindow() const
{
    const float from = PlayheadTime();
    return {from, from + Bar()};
}

// ---------------------------------------------------------------------------------------------------------------
// The selection and the commands

bool TimelineModel::IsSelected(Part part, std::size_t index) const
{
    if (m_selection && m_selection->part == part && m_selection->index == index)
    {
        return true;
    }
    if (!m_clickedActor)
    {
        return false;
    }
    const Choreography& choreography = m_editor.Current();
    if (part == Part::ActorRow && index < choreography.actors.size())
    {
        return choreography.actors[index].actor == *m_clickedActor;
    }
    return part == Part::Track && index < choreography.tracks.size() &&
           choreography.tracks[index].actor == *m_clickedActor;
}

void TimelineModel::Select(Part part, std::size_t index, std::optional<std::size_t> key)
{
    m_selection = Selection{part, index, part == Part::Track ? key : std::nullopt};
    KeepSelectionValid();
    const Choreography& choreography = m_editor.Current();
    const bool ownLane = m_clickedActor && m_selection &&
                         ((part == Part::ActorRow && choreography.actors[index].actor == *m_clickedActor) ||
                          (part == Part::Track && choreography.tracks[index].actor == *m_clickedActor));
    if (!ownLane)
    {
        m_clickedActor.reset();
    }
}

void TimelineModel::SelectActor(std::optional<ActorId> actor)
{
    m_selection.reset();
    const Choreography& choreography = m_editor.Current();
    for (std::size_t row = 0; actor && !m_selection && row < choreography.actors.size(); ++row)
    {
        if (choreography.actors[row].actor == *actor)
        {
            SelectAdded(Part::ActorRow, row);
        }
    }
    for (std::size_t track = 0; actor && !m_selection && track < choreography.tracks.size(); ++track)
    {
        if (choreography.tracks[track].actor == *actor)
        {
            SelectAdded(Part::Track, track);
        }
    }
    m_clickedActor = actor;
}

std::optional<ActorId> TimelineModel::SelectedActor() const
{
    if (m_clickedActor)
    {
        return m_clickedActor;
    }
    if (!m_selection)
    {
        return std::nullopt;
    }
    const Choreography& choreography = m_editor.Current();
    if (m_selection->part == Part::ActorRow && m_selection->index < choreography.actors.size())
    {
        return choreography.actors[m_selection->index].actor;
    }
    if (m_selection->part == Part::Track && m_selection->index < choreography.tracks.size() &&
        choreography.tracks[m_selection->index].actor != Choreography::Track::kCamera)
    {
        return choreography.tracks[m_selection->index].actor;
    }
    return std::nullopt;
}

void TimelineModel::KeepSelectionValid()
{
    m_selectedKeys.Follow();
    if (!m_selection)
    {
        return;
    }
    const Choreography& choreography = m_editor.Current();
    if (m_selection->index >= CountOf(choreography, m_selection->part))
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

void TimelineModel::SelectAdded(Part part, std::size_t index)
{
    m_selection = Selection{part, index, std::nullopt};
    m_clickedActor.reset();
    m_scrollToSelection = true;
}

bool TimelineModel::Undo()
{
    const bool undone = m_editor.Undo();
    m_status = undone ? "undone" : "nothing to undo";
    KeepSelectionValid();   // the keys selected in the version undone to come back with it
    return undone;
}

bool TimelineModel::Redo()
{
    const bool redone = m_editor.Redo();
    m_status = redone ? "redone" : "nothing to redo";
    KeepSelectionValid();
    return redone;
}

// ---------------------------------------------------------------------------------------------------------------
// Adding and deleting lanes

void TimelineModel::AddCameraSegment()
{
    const Choreography::Window window = NewWindow();
    Edit([&](Choreography& next) { next.camera.push_back({window, {}, 0.0f, std::nullopt}); });
    SelectAdded(Part::CameraSegment, m_editor.Current().camera.size() - 1);
}

void TimelineModel::AddActorRow()
{
    Choreography::ActorRow row{1, NewWindow(), {}, Choreography::Angle::Yaw, 90.0f};
    if (m_selection && m_selection->part == Part::ActorRow && m_selection->index < Current().actors.size())
    {
        row = Current().actors[m_selection->index];
        row.window = NewWindow();
    }
    Edit([&](Choreography& next) { next.actors.push_back(row); });
    SelectAdded(Part::ActorRow, m_editor.Current().actors.size() - 1);
}

void TimelineModel::AddCameraTrack()
{
    // Without keys it drives nothing until keyed.
    Choreography::Track track;
    const auto& tracks = m_editor.Current().tracks;
    bool free = false;
    for (std::size_t channel = 0; channel < Choreography::kChannelCount && !free; ++channel)
    {
        track.channel = static_cast<Choreography::Channel>(channel);
        free = std::none_of(tracks.begin(), tracks.end(), [&](const Choreography::Track& other) {
            return other.actor == track.actor && other.channel == track.channel;
        });
    }
    // A second track on a channel would make a version that cannot be played.
    if (!free)
    {
        m_status = "no track added: each of the camera's channels has one already";
        return;
    }
    Edit([&](Choreography& next) { next.tracks.push_back(track); });
    SelectAdded(Part::Track, m_editor.Current().tracks.size() - 1);
}

void TimelineModel::DuplicateSelected()
{
    KeepSelectionValid();
    if (!m_selection || (m_selection->part != Part::CameraSegment && m_selection->part != Part::ActorRow))
    {
        return;
    }
    const std::size_t index = m_selection->index;
    Edit([&](Choreography& next) {
        if (m_selection->part == Part::CameraSegment)
        {
            const Choreography::CameraSegment copy = next.camera[index];
            next.camera.insert(At(next.camera, index + 1), copy);
        }
        else
        {
            const Choreography::ActorRow copy = next.actors[index];
            next.actors.insert(At(next.actors, index + 1), copy);
        }
    });
    m_selection->index = index + 1;
}

void TimelineModel::DeleteSelected()
{
    KeepSelectionValid();
    if (!m_selection)
    {
        return;
    }
    const std::size_t index = m_selection->index;
    switch (m_selection->part)
    {
    case Part::CameraSegment: Edit([&](Choreography& next) { next.camera.erase(At(next.camera, index)); }); break;
    case Part::ActorRow: Edit([&](Choreography& next) { next.actors.erase(At(next.actors, index)); }); break;
    case Part::Track: Edit([&](Choreography& next) { next.tracks.erase(At(next.tracks, index)); }); break;
    default: return;   // the travelling value is always there
    }
    m_selection.reset();
}

// ---------------------------------------------------------------------------------------------------------------
// Actors

std::optional<ActorId> TimelineModel::TypedActorId(double typed, bool allowNone)
{
    constexpr double kLargestId = std::numeric_limits<ActorId>::max();
    if (!(typed >= 0.0 && typed <= kLargestId && typed == std::floor(typed)))
    {
        m_status = "an actor id is a whole number from 0 to " + std::to_string(std::numeric_limits<ActorId>::max());
        return std::nullopt;
    }
    const auto id = static_cast<ActorId>(typed);
    if (id == kInvalidActorId && !allowNone)
    {
        m_status = "an actor row needs an actor: ids start at 1";
        return std::nullopt;
    }
    return id;
}

bool TimelineModel::SetRowActor(std::size_t row, double typed)
{
    if (row >= m_editor.Current().actors.size())
    {
        return false;
    }
    const std::optional<ActorId> actor = TypedActorId(typed, false);
    if (actor && *actor != m_editor.Current().actors[row].actor)
    {
        Edit([&](Choreography& next) { next.actors[row].actor = *actor; });
    }
    return actor.has_value();
}

bool TimelineModel::SetTrackActor(std::size_t track, double typed)
{
    if (track >= m_editor.Current().tracks.size())
    {
        return false;
    }
    const std::optional<ActorId> actor = TypedActorId(typed, true);
    if (actor && *actor != m_editor.Current().tracks[track].actor)
    {
        Edit([&](Choreography& next) { next.tracks[track].actor = *actor; });
    }
    return actor.has_value();
}

void TimelineModel::ClampChangedHandles(Choreography& next) const
{
    const auto& before = m_editor.Current().tracks;
    for (std::size_t i = 0; i < next.tracks.size(); ++i)
    {
        const Choreography::Track& track = std::as_const(next.tracks)[i];
        if (i >= before.size() || track.keys.Identity() != before[i].keys.Identity())
        {
            Choreography::Track clamped = track;
            if (clamped.ClampHandles())
            {
                next.tracks[i] = std::move(clamped);
            }
        }
    }
}
