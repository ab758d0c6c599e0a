// The loop and the bookmarks of the timeline panel's model: where a loop's bounds go when one is set on the wrong
// side of the other, bookmark names and order. Every change is one undo step through the model; the panel draws
// and the live tools play them. Portable.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "scene/choreography/Choreography.h"

class TimelineModel;

class PassageMarks
{
public:
    explicit PassageMarks(TimelineModel& model) : m_model(model) {}

    // The loop's in or out point at `seconds` (snapped), one undo step each. An in point at or after the out point
    // (or without a loop) makes a loop a bar long from there; an out point at or before the in point, a bar long up
    // to there (from 0 at the earliest); an out point at 0 s or before is refused. A loop is at least ShortestLoop()
    // long: a shorter one is made that long, and the status says so, as it says why anything is refused.
    void SetLoopIn(double seconds);
    void SetLoopOut(double seconds);
    // Both bounds at once, in either order (a drag along the ruler).
    void SetLoop(double from, double until);
    // A beat while times are edited in beats, a frame (Choreography::kShortestLoop) otherwise.
    float ShortestLoop() const;

    // A bookmark at `seconds` (snapped), named "bookmark N" with the first N no bookmark has, in time order; one undo
    // step. At a moment that has one already, that one's index and nothing new. None for a time that is no number.
    std::optional<std::size_t> AddBookmark(double seconds);
    // A name the file can hold (Choreography::IsBookmarkName), or refused with a status saying so: false.
    bool RenameBookmark(std::size_t index, const std::string& name);
    void DeleteBookmark(std::size_t index);
    // The moment of bookmark `index` (from 0), none past the last.
    std::optional<float> BookmarkTime(std::size_t index) const;
    // Where a jump to bookmark `index` (Ctrl+1 is 0) goes; none past the last, and the status says so.
    std::optional<float> JumpToBookmark(std::size_t index);

private:
    void ChangeLoop(Choreography::Loop loop);
    // Whether `seconds` is a moment a loop can start or end at; the status says why not.
    bool IsMoment(double seconds);

    TimelineModel& m_model;
};
