// The timeline panel's line for directing like a camera operator (ImGui): fly mode and keying what is seen. It is
// drawn into the panel's window below what the panel itself shows, and reports what was clicked; the live tools
// carry it out. It edits nothing itself.
#pragma once

class DirectingBar
{
public:
    struct State
    {
        bool flying = false;
        float flySpeed = 0.0f;   // units per second
    };
    struct Clicked
    {
        bool fly = false;
        bool keyWhatYouSee = false;
    };

    // Appends the line to the window "Timeline" (the panel), which must have been submitted in this frame.
    static Clicked Draw(const State& state);
};
