// The camera's path in the view (P): the line the choreography flies the camera along over the timeline panel's span,
// with a tick on every beat and a mark on every key of the camera's position tracks, drawn on the overlay's
// background so that it is over the picture and under the overlay's windows, and never in a capture. A mark dragged
// with the mouse moves its keys on the view plane, one undo step from grab to let-go through the document's model,
// so that saving, autosave and undo follow. It keeps only the drag under way; the path is made again each frame from
// the version being edited (a few thousand frames of arithmetic).
#pragma once

#include <optional>

#include "app/live/CameraPath.h"

class FreeCameraNode;
class TimelineModel;

class CameraPathView
{
public:
    // How near the pointer must be to a mark to take it, in pixels.
    static constexpr float kGrabRadius = 9.0f;

    // One frame: draws the path of the model's current version from `from` to `until` seconds as `camera` sees it,
    // and follows the mouse. True when the pointer is the path's in this frame (a mark taken or dragged), so that
    // a click there selects no actor.
    bool Draw(TimelineModel& model, double from, double until, const FreeCameraNode& camera);
    // In each frame the path is not drawn: a drag under way ends, and the next showing is told again.
    void Hidden(TimelineModel& model);

private:
    void LetGo(TimelineModel& model);

    std::optional<CameraPath::Mark> m_grabbed;
    Vector3 m_anchor;   // where the grabbed mark stood: the view plane goes through it
    bool m_told = false;
};
