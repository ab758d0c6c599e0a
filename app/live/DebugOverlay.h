// engine.exe's on-screen overlay, an ImGui window over the presentation: time with a seek slider, frame rate,
// plots of the last frames' CPU phase times and the device's pass times, the camera and sky, and a table of the
// live actors, closed by a help line naming every control. It only reads: the application hands it what to show, keeps the frame history
// it plots, and applies the one thing it reports back, a moment picked on the slider.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/FrameStats.h"

class BaseEngineLogic;
class FreeCameraNode;

class DebugOverlay
{
public:
    // How many frames the phase plot looks back over.
    static constexpr std::size_t kHistoryFrames = 300;

    // What one frame of the overlay shows; pointers may be null when there is nothing of the kind.
    struct View
    {
        double shownSeconds = 0.0;   // presentation time of the picture on screen
        double endSeconds = 0.0;
        bool paused = false;
        const FreeCameraNode* camera = nullptr;
        std::uint32_t skySelector = 0;
        const BaseEngineLogic* logic = nullptr;
        const char* helpLine = "";
        // What the last reloads could not do (engine.exe --watch): compiler messages, a world file that failed.
        std::string reloadProblems;
        // How far the music runs ahead of the clock and why (MusicLatency::Describe); empty without music.
        std::string musicLatency;
    };

    // Every rendered frame, shown or not, so the plot is full as soon as the overlay opens: the frame's phase
    // times, and the wall time since the previous frame.
    void RecordFrame(const FrameStats& stats, double frameMilliseconds);
    // The device times that arrived with a frame (GpuPassTimer::Reported), each for the frame it measured.
    void RecordGpuFrames(const std::vector<GpuFrameTimes>& reported);
    // A seek that was carried out: where to, and what the replay cost.
    void RecordSeek(double seconds, double milliseconds);

    // Submits the window into the ImGui frame being built. Returns the moment picked on the slider, when the
    // user moved it in this frame.
    std::optional<double> Draw(const View& view);

private:
    struct Sample
    {
        FrameStats stats;
        double frameMs = 0.0;
    };

    const Sample& SampleBack(std::size_t age) const;
    // The device times of the frame `age` frames before the newest one reported, when it was measured.
    const GpuFrameTimes* GpuSampleBack(std::size_t age) const;
    void DrawFrameRate() const;
    void DrawPhasePlot() const;
    void DrawGpuPlot() const;
    static void DrawCamera(const View& view);
    static void DrawActors(const BaseEngineLogic& logic);

    std::array<Sample, kHistoryFrames> m_history{};
    std::size_t m_next = 0;
    std::size_t m_count = 0;
    // By the timer's frame number modulo the history; frames never reported (or lost) are empty.
    std::array<std::optional<GpuFrameTimes>, kHistoryFrames> m_gpuHistory{};
    std::optional<std::uint64_t> m_gpuNewest;
    std::optional<double> m_lastSeekSeconds;
    double m_lastSeekMs = 0.0;
};
