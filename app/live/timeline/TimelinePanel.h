// engine.exe's timeline panel, an ImGui window for editing the choreography while it plays: a ruler of the run
// with the music's bars and beats (a click or a drag seeks), one lane per camera segment, actor row and track
// showing its window or its keys, the playhead, and the fields of what is selected. Every edit goes to its
// ChoreographyEditor, which keeps the undo history and decides what plays; the panel itself only draws and
// reports back a moment picked on the ruler. It does not play, replay or save anything on its own.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "app/live/timeline/ChoreographyEditor.h"
#include "app/live/timeline/WaveformLane.h"

class BaseEngineLogic;
class FreeCameraNode;

class TimelinePanel
{
public:
    // Win32 virtual-key codes of the panel's shortcuts (with Ctrl): S saves, Z undoes (with Shift: redoes), Y
    // redoes.
    static constexpr unsigned kSaveKey = 'S';
    static constexpr unsigned kUndoKey = 'Z';
    static constexpr unsigned kRedoKey = 'Y';
    static constexpr unsigned kBeatsPerBar = 4;

    // What one frame of the panel shows besides the choreography.
    struct View
    {
        double shownSeconds = 0.0;
        double endSeconds = 0.0;
        // Where a track's first key starts from; null when there is nothing of the kind.
        const FreeCameraNode* camera = nullptr;
        const BaseEngineLogic* logic = nullptr;
    };

    TimelinePanel(Choreography start, std::string fileName) : m_editor(std::move(start), std::move(fileName)) {}

    ChoreographyEditor& Editor() { return m_editor; }
    const ChoreographyEditor& Editor() const { return m_editor; }

    // A key went down while Ctrl is held (`repeated`: the keyboard's auto-repeat). True when it was one of the
    // panel's shortcuts, so that it is no other control.
    bool OnShortcut(unsigned key, bool shift, bool repeated);
    // What an edit's replay cost, to show: the moment replayed to and the milliseconds.
    void RecordReplay(double seconds, double milliseconds);
    // Once per frame: the last replay on standard error, once the edit is done (a drag replays every frame and
    // is told once, when it ends).
    void ReportReplay();

    // Submits the window into the ImGui frame being built. Returns the moment picked on the ruler, when the user
    // clicked or dragged it in this frame.
    std::optional<double> Draw(const View& view);

private:
    // What is selected: a part of the choreography (Problem's kinds name them) and, in a track, maybe a key.
    struct Selection
    {
        Choreography::Problem::Part part = Choreography::Problem::Part::Choreography;
        std::size_t index = 0;
        std::optional<std::size_t> key;
    };
    // The strip of the window the lanes and the ruler draw time across.
    struct TimeAxis
    {
        float left = 0.0f;
        float width = 1.0f;
        double endSeconds = 1.0;
        float X(double seconds) const;
        double Seconds(float x) const;
    };

    void Save();
    void Undo();
    void Redo();
    void DrawToolbar();
    void DrawProblems() const;
    std::optional<double> DrawRuler(const TimeAxis& axis, double shownSeconds) const;
    void DrawLanes(const TimeAxis& axis, double shownSeconds);
    // One lane: the label that selects it, then its window or keys; a click selects (a key near it, in a track).
    void DrawLane(const TimeAxis& axis, const Selection& lane, const std::string& label);
    // A track's value from its first key to its last, drawn between `top` (its highest) and `bottom`.
    static void DrawTrackCurve(const Choreography::Track& track, const TimeAxis& axis, float top, float bottom);
    void DrawSelected();
    void DrawTravel();
    void DrawCameraSegment(std::size_t index);
    void DrawActorRow(std::size_t index);
    void DrawTrack(std::size_t index);
    void DrawAddButtons();
    // The moment on screen, on the beat grid while snapping is on: where new windows and keys go.
    float PlayheadTime() const;
    // Adds a key to track `track` at `time`, with the value the track has there, or, as its first key, the value
    // its channel has on screen (so that keying a new track starts where things stand, not with a jump to 0).
    void AddKey(std::size_t track, float time);
    // Moves a key of a track to `time` (on the beat grid while snapping is on), kept between its neighbours.
    void DragKey(std::size_t track, std::size_t key, float time);
    // Drops a selection that an undo, a redo or a deletion left pointing past the end.
    void KeepSelectionValid();

    // The widget just submitted changed the choreography when `changed`: `edit` makes the change on a copy,
    // which goes to the editor. A drag or a typed value is one undo step from activation to deactivation.
    template <typename Edit>
    void Apply(bool changed, Edit edit);
    // A number of the selection: `field(choreography)` points at it, in the current version or in the copy edited.
    template <typename Field>
    void DragNumber(const char* label, float speed, const char* format, Field field);
    // A time of the selection, on the beat grid while snapping is on; with `open`, a checkbox makes it an open
    // side (-infinity or +infinity) or gives it the playhead's time.
    template <typename Field>
    void DragTime(const char* label, std::optional<float> open, Field field);
    template <typename Field>
    void EditCoordinate(const char* label, Field field);
    // The window and the place of a camera segment or an actor row, which `item(choreography)` points at.
    template <typename Item>
    void EditWindowAndPlace(Item item);

    ChoreographyEditor m_editor;
    WaveformLane m_waveform{"DemoTrack01.mp3"};   // the music the presentation plays
    std::optional<Selection> m_selection;
    bool m_snapToBeats = true;
    bool m_scrollToSelection = false;
    View m_view;   // this frame's
    std::string m_status;
    std::optional<double> m_replaySeconds;
    double m_replayMs = 0.0;
    bool m_replayReported = true;
};
