// CPU time of each phase of the last frame, and of start-up, in milliseconds, for the capture tool's statistics
// and the benchmarks. Measured with the frame timer's clock; reading it costs far less than any phase. Beside
// them, the device's time of each pass of a frame (GpuPassTimer measures it), in the same unit.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "app/FrameTimer.h"

// Measures one phase: construct before it, read Milliseconds() after it. Always the real clock, never the
// frame timer's replaceable one.
class PhaseStopwatch
{
public:
    PhaseStopwatch() : m_start(FrameTimer::SystemNanoseconds()) {}
    double Milliseconds() const { return static_cast<double>(FrameTimer::SystemNanoseconds() - m_start) / 1e6; }
    // The time so far, and starts the next phase from now.
    double Lap()
    {
        const std::int64_t now = FrameTimer::SystemNanoseconds();
        const double milliseconds = static_cast<double>(now - m_start) / 1e6;
        m_start = now;
        return milliseconds;
    }

private:
    std::int64_t m_start;
};

struct FrameStats
{
    double logicMs = 0.0;         // engine logic OnUpdate
    double eventsMs = 0.0;        // event manager Update
    double sceneUpdateMs = 0.0;   // Scene::Update (timeline and tree)
    double sceneRenderMs = 0.0;   // Scene::Render (submission of the whole frame)
    double overlayMs = 0.0;       // the overlay frame
    // Of the overlay frame, what builds its windows (the tools' own work), without the back-end's submission of
    // their vertices: with a software device that submission can wait for the scene's drawing to finish.
    double overlayBuildMs = 0.0;
    double presentMs = 0.0;   // Present
};

// The device's time for one frame, known a few frames after the frame was drawn: from the end of one pass to the
// end of the next (the device's waits for the pass's commands included), and from the frame's first command to
// the end of its Present. The passes follow each other, so together they make the frame.
struct GpuFrameTimes
{
    // In the order a frame submits them.
    enum Pass
    {
        Meshes,    // clearing the offscreen target and the node hierarchy
        Sky,       // the selected sky
        Post,      // clearing the back buffer and the post-processing quad
        Overlay,   // the overlay frame (nothing to draw while it is hidden)
        Present,   // showing the back buffer (and a capture's read-back of it)
        kPassCount
    };
    static constexpr const char* kPassNames[kPassCount] = {"meshes", "sky", "post", "overlay", "present"};

    enum class Outcome
    {
        Measured,      // the device answered; an interval whose ends it did not give still has no figure
        NotMeasured,   // the device has no timestamps, or marked the frame's interval disjoint: no figure at all
        Lost           // the answer did not come in time (the timer's ring went round): nothing to count
    };

    std::uint64_t frame = 0;   // the timer's number for the frame, counting from 0
    Outcome outcome = Outcome::NotMeasured;
    std::array<std::optional<double>, kPassCount> passMs{};
    std::optional<double> frameMs;
};

// Wall time of each start-up step, in start-up order; a step that did not run stays at zero.
struct StartupStats
{
    double optionsMs = 0.0;      // the options file
    double windowMs = 0.0;       // overlay context and window
    double deviceMs = 0.0;       // Direct3D device, swap chain and the overlay's Direct3D back-end
    double texturesMs = 0.0;     // the start-up textures
    double shadersMs = 0.0;      // compiling the start-up shaders
    double sceneMs = 0.0;        // the scene, its render targets and the skies
    double worldMs = 0.0;        // engine logic and the world's actors, meshes and their textures
    double firstFrameMs = 0.0;   // from the end of start-up to the end of the first Present

    double TotalMs() const
    {
        return optionsMs + windowMs + deviceMs + texturesMs + shadersMs + sceneMs + worldMs + firstFrameMs;
    }

    // One line, "start-up: options 1.2 ms, window 30.5 ms, ..., total 812.0 ms", for logs and the benchmarks.
    std::string Describe() const
    {
        char line[320];
        std::snprintf(line, sizeof line,
                      "start-up: options %.1f ms, window %.1f ms, device %.1f ms, textures %.1f ms, shaders %.1f ms, "
                      "scene %.1f ms, world %.1f ms, first frame %.1f ms, total %.1f ms",
                      optionsMs, windowMs, deviceMs, texturesMs, shadersMs, sceneMs, worldMs, firstFrameMs, TotalMs());
        return line;
    }
};
