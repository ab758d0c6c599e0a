// engine.exe's timeline panel, an ImGui window for editing the choreography while it plays: the toolbar, the
// problems of the version edited, the ruler (TimelineRuler), one lane per camera segment, actor row and track
// showing its window or its keys, and the fields of what is selected (TimelineFields). It owns no document: it
// draws the ChoreographyDocument it is lent and turns input into calls on it and on its TimelineModel, whose rules
// decide what an edit does; it reports back a moment picked on the ruler. It does not play, replay or save
// anything on its own, and keeps only what it shows: the span of time in view and a drag of it.
#pragma once

#include <optional>
#include <string>

#include "app/live/timeline/ChoreographyDocument.h"
#include "app/live/timeline/GraphView.h"
#include "app/live/timeline/SelectionBar.h"
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

    explicit TimelinePanel(ChoreographyDocument& document)
        : m_document(document), m_model(document.Model()), m_fields(document.Model()), m_graph(document.Model()),
          m_selectionBar(document.Model())
    {
    }
    TimelinePanel(const TimelinePanel&) = delete;
    TimelinePanel& operator=(const TimelinePanel&) = delete;

    // Submits the window into the ImGui frame being built. Returns the moment picked on the ruler, when the user
    // clicked or dragged it in this frame.
    std::optional<double> Draw(const View& view);
    // In each frame the panel is not drawn: a drag it showed can no longer end with the mouse button.
    void Hidden()
    {
        m_model.OnHidden();
        m_focused = false;
        m_box.reset();
    }
    // Whether the panel had the keyboard's focus in the last frame it was drawn: keys bound "in the panel" act then.
    bool HasFocus() const { return m_focused; }
    // The span of time in view (the whole run until the panel is first drawn with its length).
    const TimelineZoom& Zoom() const { return m_zoom; }

private:
    void DrawToolbar();
    void DrawProblems() const;
    void DrawLanes(const TimeAxis& axis, double shownSeconds);
    // One lane: the label that selects it, then its window or keys; a click selects (a key near it, in a track).
    void DrawLane(const TimeAxis& axis, const TimelineModel::Selection& lane, const std::string& label);
    // A track's value from its first key to its last, drawn between `top` (its highest) and `bottom`.
    static void DrawTrackCurve(const Choreography::Track& track, const TimeAxis& axis, float top, float bottom);
    void DrawAddButtons();
    // A box dragged over the tracks' lanes (the first at `firstLaneY` on screen): drawn while the button is held, its keys selected when let go.
    void FollowBox(const TimeAxis& axis, float firstLaneY, std::size_t tracks);
    // The wheel over the ruler or the lanes' time (`overTime`) zooms about the pointer, Shift+wheel scrolls; the
    // right or middle button pressed there starts dragging the span along.
    void ZoomAndDrag(const TimeAxis& axis, bool overTime);
    // Once a frame: the drag moves the span with the pointer until both buttons are let go.
    void FollowDrag(const TimeAxis& axis);

    ChoreographyDocument& m_document;
    TimelineModel& m_model;
    TimelineFields m_fields;
    GraphView m_graph;
    SelectionBar m_selectionBar;
    // Where a box over the lanes started: its track and moment.
    struct Box
    {
        std::size_t track = 0;
        double seconds = 0.0;
    };
    std::optional<Box> m_box;
    WaveformLane m_waveform{"DemoTrack01.mp3"};   // the music the presentation plays
    TimelineZoom m_zoom;
    bool m_dragging = false;   // the span, by the right or middle button
    bool m_focused = false;
};
