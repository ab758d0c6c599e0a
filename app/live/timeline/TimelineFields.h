// The timeline panel's fields of the selection (ImGui): times, coordinates, rates, the sky, the turned angle,
// the actor, a track's channel, a key's time, value and mode, and the buttons that add, duplicate or delete it.
// Every change goes to the TimelineModel, which makes it on a copy; a drag or a typed number is one gesture
// from the moment it is taken to the moment it is let go. It draws; it keeps no state of its own.
#pragma once

#include <cstddef>
#include <optional>

class TimelineModel;

class TimelineFields
{
public:
    explicit TimelineFields(TimelineModel& model) : m_model(model) {}

    // Submits the fields of what is selected (or a hint when nothing is) into the window being built.
    void Draw();

private:
    void DrawTravel();
    void DrawCameraSegment(std::size_t index);
    void DrawActorRow(std::size_t index);
    void DrawTrack(std::size_t index);
    void DrawDuplicateAndDelete();

    // The widget just submitted changed the choreography when `changed`: `edit` makes the change on a copy.
    // A drag or a typed value is one undo step from activation to deactivation.
    template <typename Edit>
    void Apply(bool changed, Edit edit);
    // A number of the selection: `field(choreography)` points at it, in the current version or in the copy edited.
    template <typename Field>
    void DragNumber(const char* label, float speed, const char* format, Field field);
    // A time of the selection, in whole beats while the model snaps; with `open`, a checkbox makes it an open
    // side (-infinity or +infinity) or gives it the playhead's time.
    template <typename Field>
    void DragTime(const char* label, std::optional<float> open, Field field);
    template <typename Field>
    void EditCoordinate(const char* label, Field field);
    // The window and the place of a camera segment or an actor row, which `item(choreography)` points at.
    template <typename Item>
    void EditWindowAndPlace(Item item);

    TimelineModel& m_model;
};
