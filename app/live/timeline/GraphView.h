// The timeline panel's graph view: the selected track drawn as its value against time, on the lanes' time axis
// and beat grid, tall enough to shape a curve. Keys drag along time as in the lanes; a Bezier key's handles drag
// freely, aligned (the partner turns with them) unless Alt breaks them; a right click on a key sets its mode or
// drops its handles. Drawing and input only: every change is a call on the TimelineModel, one undo step each.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>

#include "app/live/timeline/TimelineModel.h"

class TimeAxis;

class GraphView
{
public:
    explicit GraphView(TimelineModel& model) : m_model(model) {}

    // Draws the graph of the selected track (nothing without one) across `axis`.
    void Draw(const TimeAxis& axis);

private:
    // What the pointer holds: a key, or one of a key's handles.
    struct Grab
    {
        std::size_t track = 0;
        std::size_t key = 0;
        std::optional<bool> outHandle;   // none: the key itself
    };

    TimelineModel& m_model;
    std::optional<Grab> m_grab;
    std::optional<std::size_t> m_menuKey;
    // Where a box in the graph started, in time and value.
    std::optional<std::pair<double, double>> m_box;
};
