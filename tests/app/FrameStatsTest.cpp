// The start-up split's one-line form: every step named with its milliseconds in start-up order, and a total
// that is their sum, in the words the benchmark report reads back.
#include "app/FrameStats.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

TEST(StartupStatsTest, DescribeNamesEveryStepInOrderWithItsTotal)
{
    StartupStats stats;
    stats.optionsMs = 1.5;
    stats.windowMs = 30.0;
    stats.deviceMs = 400.0;
    stats.texturesMs = 12.5;
    stats.shadersMs = 250.0;
    stats.sceneMs = 80.0;
    stats.worldMs = 1500.0;
    stats.firstFrameMs = 95.0;
    EXPECT_DOUBLE_EQ(stats.TotalMs(), 2369.0);

    const std::string line = stats.Describe();
    EXPECT_EQ(line.rfind("start-up: ", 0), 0u) << line;
    const std::vector<std::string> expected = {"options 1.5",   "window 30.0",      "device 400.0",
                                               "textures 12.5", "shaders 250.0",    "scene 80.0",
                                               "world 1500.0",  "first frame 95.0", "total 2369.0"};
    std::size_t from = 0;
    for (const std::string& step : expected)
    {
        const std::size_t at = line.find(step + " ms", from);
        ASSERT_NE(at, std::string::npos) << step << " missing or out of order in: " << line;
        from = at;
    }
}

TEST(StartupStatsTest, AStartUpThatStoppedEarlyLeavesTheLaterStepsAtZero)
{
    StartupStats stats;
    stats.optionsMs = 2.0;
    stats.windowMs = 3.0;
    EXPECT_DOUBLE_EQ(stats.TotalMs(), 5.0);
    EXPECT_TRUE(
        std::regex_search(stats.Describe(), std::regex("world 0\\.0 ms, first frame 0\\.0 ms, total 5\\.0 ms$")));
}
