// Drawing a moment that is not a frame of the run's own: from the state a frame leaves, the timeline is moved on
// by the updates of the moment's path (FixedStep::PathTo), the picture is drawn, and the timeline is put back
// (TimelineSnapshot), so that the run's next frame is the one it would have been. A seek of engine.exe reaches
// the same moment by the same updates, so both draw the same picture.
#pragma once

#include "app/FixedStep.h"

class SystemClass;
struct CaptureOptions;

class BetweenFrames
{
public:
    // Draws the moment `path` leads to from frame `frame` (its last frame), which the run has just played
    // (drawn, or stood in for). The picture goes wherever the graphics object's hooks send it.
    static void Draw(SystemClass& system, const CaptureOptions& options, long long frame, const FixedStep::Path& path);
};
