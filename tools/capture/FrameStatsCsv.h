// The rows of engine-capture.exe --stats: for every frame, the CPU time of each phase and the device's time of
// each pass. A frame's device times are known only a few frames after it was drawn, so its row waits for them
// and rows go out in frame order: every row holds the figures of the frame it names. Portable; it only formats.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/FrameStats.h"

class FrameStatsCsv
{
public:
    // The CPU columns first, as they have always been; the device columns after them.
    static constexpr const char* kHeader =
        "frame,time_s,logic_ms,events_ms,scene_update_ms,scene_render_ms,overlay_ms,"
        "present_ms,gpu_meshes_ms,gpu_sky_ms,gpu_post_ms,gpu_overlay_ms,gpu_present_ms,gpu_frame_ms";
    // Device cells: a figure; "n/a" where the device gave none (no timestamps, an interval it marked
    // disjoint); empty where its answer never came (too late, or the run ended first).
    static constexpr const char* kNotMeasured = "n/a";

    // Writes the header.
    explicit FrameStatsCsv(std::ostream& out);

    // A drawn frame. `gpuFrame` is the device timer's number for it; without one the device cells stay empty.
    void AddFrame(long long frame, double seconds, const FrameStats& cpu, std::optional<std::uint64_t> gpuFrame);
    // What the device timer reported since the last call; each fills the row of the frame it measured.
    void AddGpuTimes(const std::vector<GpuFrameTimes>& reported);
    // Writes the rows still waiting, with what they have.
    void Finish();

    // One line for the end of a run: the mean device time of each pass over the frames measured, or why there is
    // none.
    std::string Summary() const;

private:
    struct Row
    {
        long long frame = 0;
        double seconds = 0.0;
        FrameStats cpu;
        std::optional<std::uint64_t> gpuFrame;
        std::optional<GpuFrameTimes> gpu;
    };

    void Write(const Row& row);
    void WriteReadyRows();

    std::ostream& m_out;
    std::deque<Row> m_waiting;
    // For the summary: per pass (and the whole frame, last) the sum and count of figures.
    double m_sums[GpuFrameTimes::kPassCount + 1] = {};
    long long m_counts[GpuFrameTimes::kPassCount + 1] = {};
    long long m_measured = 0;
    long long m_notMeasured = 0;
    long long m_lost = 0;
};
