// The timeline panel's graph view: the selected tracks (the one chosen in the lanes, every track of the actor
// clicked in the view, every track holding selected keys) drawn as their values against time, on the lanes' time
// axis and beat grid over the music's waveform, tall enough to shape a curve. Keys are picked as in the lanes (a
// click, Shift, Ctrl, a box over the curves) and the selection drags in time (snapped as in the lanes) and in
// value, Shift holding it to the axis it moved most along; a Bezier key's handles drag freely, aligned (the
// partner turns with them) unless Alt breaks them; a right click on a key sets its mode or drops its handles.
// Drawing and input only: every change is a call on the TimelineModel, one undo step each.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "app/live/timeline/TimelineModel.h"

class TimeAxis;
class WaveformLane;

class GraphView
{
public:
    // More curves than this on one graph are a tangle, not a view: the first ones are drawn.
    static constexpr std::size_t kMostTracks = 8;

    explicit GraphView(TimelineModel& model) : m_model(model) {}

    // Draws the graph of the selected tracks (nothing without one) across `axis`, over `waveform`.
    void Draw(const TimeAxis& axis, const WaveformLane& waveform);

private:
    // What the pointer holds: a key, or one of a key's handles, and where the key stood when it was taken.
    struct Grab
    {
        std::size_t track = 0;
        std::size_t key = 0;
        std::optional<bool> outHandle;   // none: the key itself
        float time = 0.0f;
        float value = 0.0f;
        float mouseX = 0.0f;
        float mouseY = 0.0f;
    };

    // The tracks the model shows selected or that hold selected keys, and those of `kept`, in file order, at most
    // kMostTracks.
    std::vector<std::size_t> ShownTracks(const std::vector<std::size_t>& kept) const;

    TimelineModel& m_model;
    std::optional<Grab> m_grab;      // a handle
    std::optional<Grab> m_keyDrag;   // the key under the pointer while the selection is dragged
    // Where a box in the graph started, in time and value.
    std::optional<std::pair<double, double>> m_box;
    std::pair<double, double> m_scale{0.0, 1.0};   // the values at the foot and the head of the graph
    std::optional<std::pair<std::size_t, std::size_t>> m_menuKey;
    std::vector<std::size_t> m_kept;   // the curves shown when the graph was last clicked   // track, key
};
