// The timeline panel's ruler and beat grid (ImGui): the time and the bar and beat it falls in, the run with the
// music's bars (numbered) and beats, and the playhead; a click on the ruler or a drag along it picks a moment.
// It draws through a TimeAxis, so it shows whatever span the axis is given; it edits nothing.
#pragma once

#include <optional>
#include <utility>

#include "scene/choreography/Choreography.h"

class TimeAxis;
struct ImDrawList;

class TimelineRuler
{
public:
    static constexpr float kHeight = 24.0f;

    // Submits the line above the ruler and the ruler, in the window being built. `labelWidth`: where the ruler
    // starts, after the lanes' labels. Returns the moment picked, when the user clicked or dragged it in this
    // frame.
    // The loop's bounds show as a band over the ruler (bright while `looping`); a drag along the ruler with Shift
    // held sets them instead of seeking: `loopDragged` gets the passage when the drag ends. Bookmarks show as
    // flags with their names; a click within a few pixels of one picks its moment exactly.
    static std::optional<double> Draw(const TimeAxis& axis, double shownSeconds, float beatSeconds, float labelWidth,
                                      const std::optional<Choreography::Loop>& loop = std::nullopt,
                                      bool looping = false,
                                      std::optional<std::pair<double, double>>* loopDragged = nullptr,
                                      const CowVector<Choreography::Bookmark>* bookmarks = nullptr);
    // The bar and beat lines behind the lanes, from `top` to `bottom`, where they are a few pixels apart.
    static void DrawBeatGrid(ImDrawList& draw, const TimeAxis& axis, float beatSeconds, float top, float bottom);
    // The playhead's line over the lanes.
    static void DrawPlayhead(ImDrawList& draw, const TimeAxis& axis, double shownSeconds, float top, float bottom);
};
