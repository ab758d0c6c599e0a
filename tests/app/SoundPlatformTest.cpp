// What the platform says about the sound path, asked under Wine as the program asks it: that it is Wine (the test
// runs through tools/winerun, which names the Wine prefix in the environment), that Wine is not asked for a report
// it would answer wrongly, and that asking WASAPI itself comes back, with a time or nothing, twice in a row and
// with or without a sound server.
#include "app/SoundPlatform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

TEST(SoundPlatform, TellsWineFromWindows)
{
    EXPECT_EQ(SoundPlatform::IsWine(), std::getenv("WINEPREFIX") != nullptr);
    const MusicLatency::Platform platform = SoundPlatform::Ask();
    EXPECT_EQ(platform.wine, SoundPlatform::IsWine());
    if (platform.wine)
    {
        EXPECT_FALSE(platform.reportedSeconds.has_value());
    }
}

TEST(SoundPlatform, TheOutputLatencyReportComesBackEachTimeItIsAsked)
{
    for (int ask = 0; ask < 2; ++ask)
    {
        if (const std::optional<double> reported = SoundPlatform::ReportedOutputLatencySeconds())
        {
            EXPECT_TRUE(std::isfinite(*reported));
            EXPECT_GE(*reported, 0.0);
            std::printf("[ report ] %.1f ms\n", *reported * 1000.0);
        }
    }
}
