// The --stats rows: a frame's row waits for its device times, which come a few frames late, and rows still go
// out in frame order with the CPU columns as they always were; a figure, "n/a" where the device gave none, and
// an empty cell where its answer never came.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tools/capture/FrameStatsCsv.h"

namespace
{
GpuFrameTimes Times(std::uint64_t frame, GpuFrameTimes::Outcome outcome)
{
    GpuFrameTimes times;
    times.frame = frame;
    times.outcome = outcome;
    if (outcome == GpuFrameTimes::Outcome::Measured)
    {
        times.passMs = {1.5, 0.25, 2.0, 0.0, 0.5};
        times.frameMs = 4.25;
    }
    return times;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
    {
        lines.push_back(line);
    }
    return lines;
}
}

TEST(FrameStatsCsv, RowsWaitForTheirDeviceTimesAndGoOutInFrameOrder)
{
    std::ostringstream out;
    FrameStatsCsv csv(out);
    FrameStats cpu;
    cpu.logicMs = 0.125;
    cpu.presentMs = 3.0;
    // The device timer numbers frames from 10 here: rows are matched by its numbers, not the capture's.
    csv.AddFrame(0, 0.0, cpu, 10);
    csv.AddFrame(1, 0.25, cpu, 11);
    EXPECT_EQ(Lines(out.str()).size(), 1u) << "nothing is written before its device times are known";
    csv.AddGpuTimes({Times(10, GpuFrameTimes::Outcome::Measured)});
    csv.AddFrame(2, 0.5, cpu, 12);
    csv.AddGpuTimes({Times(11, GpuFrameTimes::Outcome::Lost), Times(12, GpuFrameTimes::Outcome::NotMeasured)});
    csv.AddFrame(3, 0.75, cpu, 13);
    csv.AddFrame(4, 1.0, cpu, std::nullopt);
    csv.Finish();

    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "frame,time_s,logic_ms,events_ms,scene_update_ms,scene_render_ms,overlay_ms,present_ms,"
                        "gpu_meshes_ms,gpu_sky_ms,gpu_post_ms,gpu_overlay_ms,gpu_present_ms,gpu_frame_ms");
    EXPECT_EQ(lines[1], "0,0.0000,0.1250,0.0000,0.0000,0.0000,0.0000,3.0000,1.5000,0.2500,2.0000,0.0000,0.5000,4.2500");
    EXPECT_EQ(lines[2], "1,0.2500,0.1250,0.0000,0.0000,0.0000,0.0000,3.0000,,,,,,");
    EXPECT_EQ(lines[3], "2,0.5000,0.1250,0.0000,0.0000,0.0000,0.0000,3.0000,n/a,n/a,n/a,n/a,n/a,n/a");
    EXPECT_EQ(lines[4], "3,0.7500,0.1250,0.0000,0.0000,0.0000,0.0000,3.0000,,,,,,") << "the run ended first";
    EXPECT_EQ(lines[5], "4,1.0000,0.1250,0.0000,0.0000,0.0000,0.0000,3.0000,,,,,,");
}
