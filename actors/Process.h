// A unit of work the engine logic updates every frame while the world runs. The presentation defines no
// process of its own; the interface exists so that timed behaviour has a place to live.
#pragma once

class Process
{
public:
    virtual ~Process() = default;
    virtual void OnUpdate(float deltaMs) = 0;
};
