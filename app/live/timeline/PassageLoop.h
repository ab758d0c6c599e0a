// Looping a passage while it is edited: whether looping is on, and when the clock goes back from the loop's out
// point to its in point. The bounds belong to the choreography (its file keeps them); being on is the session's
// own (L), so a run starts without looping. Portable; the live tools move the clock and the music.
#pragma once

#include <optional>

#include "scene/choreography/Choreography.h"

class PassageLoop
{
public:
    bool IsOn() const { return m_on; }
    void SetOn(bool on) { m_on = on; }

    // Where the clock goes back to in a frame that moved it from `before` (the moment the last frame showed) to
    // `now`: the in point, when looping is on and the clock has just reached or passed the out point, playing
    // up to it from before it. A clock sought past the out point plays on. The out point counts as no later than
    // `endSeconds`, so a loop reaching past the presentation's end loops before the run ends.
    std::optional<double> WrapTarget(const std::optional<Choreography::Loop>& loop, double before, double now,
                                     double endSeconds) const;

private:
    bool m_on = false;
};
