// engine.exe's timeline panel, an ImGui window for editing the choreography while it plays: the toolbar, the
// problems of the version edited, the ruler (TimelineRuler), one lane per camera segment, actor row and track
// showing its window or its keys, and the fields of what is selected (TimelineFields). It only draws and turns
// input into calls on its TimelineModel, whose rules decide what an edit does, on top of the ChoreographyEditor
// that keeps the undo history and decides what plays; the panel itself reports back a moment picked on the
// ruler. It does not play, replay or save anything on its own.
#pragma once

#include <optional>
#include <string>

#include "app/live/timeline/ChoreographyEditor.h"
#include "app/live/timeline/TimelineFields.h"
#include "app/live/timeline/TimelineModel.h"
#include "app/live/timeline/WaveformLane.h"
#include "app/live/timeline/TimelineZoom.h"

class BaseEngineLogic;
class FreeCameraNode;
class TimeAxis;

class TimelinePanel
{
public:
    // Win32 virtual-key codes of the panel's shortcuts (with Ctrl): S saves, Z undoes (with Shift: redoes), Y
    // redoes.
    static constexpr unsigned kSaveKey = 'S';
    static constexpr unsigned kUndoKey = 'Z';
    static constexpr unsigned kRedoKey = 'Y';

    // What one frame of the panel shows besides the choreography.
    struct View
    {
        double shownSeconds = 0.0;
        double endSeconds = 0.0;
        // Where a track's first key starts from; null when there is nothing of the kind.
        const FreeCameraNode* camera = nullptr;
        const BaseEngineLogic* logic = nullptr;
        // Whether the loop (the choreography's) is on, for the ruler to show.
        bool looping = false;
    };

    TimelinePanel(Choreography start, std::string fileName) : m_editor(std::move(start), std::move(fileName)) {}
    TimelinePanel(const TimelinePanel&) = delete;
    TimelinePanel& operator=(const TimelinePanel&) = delete;

    ChoreographyEditor& Editor() { return m_editor; }
    const ChoreographyEditor& Editor() const { return m_editor; }
    // The editing rules, for commands given outside the panel (keying what is seen).
    TimelineModel& Model() { return m_model; }

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
    // In each frame the panel is not drawn: a drag it showed can no longer end with the mouse button.
    void Hidden() { m_model.OnHidden(); }

private:
    void DrawToolbar();
    void DrawProblems() const;
    void DrawLanes(const TimeAxis& axis, double shownSeconds);
    // One lane: the label that selects it, then its window or keys; a click selects (a key near it, in a track).
    void DrawLane(const TimeAxis& axis, const TimelineModel::Selection& lane, const std::string& label);
    // A track's value from its first key to its last, drawn between `top` (its highest) and `bottom`.
    static void DrawTrackCurve(const Choreography::Track& track, const TimeAxis& axis, float top, float bottom);
    void DrawAddButtons();
    // The wheel over the ruler or the lanes' time (`overTime`) zooms about the pointer, Shift+wheel scrolls; the
    // right or middle button pressed there starts dragging the span along.
    void ZoomAndDrag(const TimeAxis& axis, bool overTime);
    // Once a frame: the drag moves the span with the pointer until both buttons are let go.
    void FollowDrag(const TimeAxis& axis);

    ChoreographyEditor m_editor;
    TimelineModel m_model{m_editor};
    TimelineFields m_fields{m_model};
    WaveformLane m_waveform{"DemoTrack01.mp3"};   // the music the presentation plays
    TimelineZoom m_zoom;
    bool m_dragging = false;   // the span, by the right or middle button
    std::optional<double> m_replaySeconds;
    double m_replayMs = 0.0;
    bool m_replayReported = true;
};
