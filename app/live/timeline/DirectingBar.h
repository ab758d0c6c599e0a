// The timeline panel's line for directing like a camera operator (ImGui): fly mode, keying what is seen, and the
// loop. It is
// drawn into the panel's window below what the panel itself shows, and reports what was clicked; the live tools
// carry it out. It edits nothing itself.
#pragma once

#include <optional>

#include "scene/choreography/Choreography.h"

class DirectingBar
{
public:
    struct State
    {
        bool flying = false;
        float flySpeed = 0.0f;   // units per second
        bool looping = false;
        std::optional<Choreography::Loop> loop;
    };
    struct Clicked
    {
        bool fly = false;
        bool keyWhatYouSee = false;
        bool looping = false;
        bool loopIn = false;
        bool loopOut = false;
    };

    // Appends the line to the window "Timeline" (the panel), which must have been submitted in this frame.
    static Clicked Draw(const State& state);
};
