// Which lead the music takes over the clock: the options' when they give one, Wine's measured figure under Wine
// (whatever Wine reports), Windows' own report only where it can be believed, and otherwise none until a
// calibration; a calibration replaces any of them. And that what the overlay shows names where the figure came from.
#include "app/MusicLatency.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

namespace
{
MusicLatency::Platform Windows(std::optional<double> reportedSeconds)
{
    return {false, reportedSeconds};
}
}

TEST(MusicLatency, TheOptionsWinOverEveryPlatform)
{
    for (const MusicLatency::Platform& platform : {MusicLatency::Platform{true, 0.02}, Windows(0.012), Windows({})})
    {
        const MusicLatency latency = MusicLatency::Choose(300, platform);
        EXPECT_EQ(latency.Milliseconds(), 300);
        EXPECT_EQ(latency.From(), MusicLatency::Source::Options);
    }
    // An explicit 0 is a choice too, not a missing value.
    EXPECT_EQ(MusicLatency::Choose(0, {true, {}}).From(), MusicLatency::Source::Options);
}

TEST(MusicLatency, UnderWineTheMeasuredFigureNotWhatWineReports)
{
    // Wine answers WASAPI's question with 20 ms; the path the music takes there is far longer.
    const MusicLatency latency = MusicLatency::Choose(std::nullopt, {true, 0.02});
    EXPECT_EQ(latency.Milliseconds(), MusicLatency::kWineMs);
    EXPECT_EQ(latency.From(), MusicLatency::Source::Wine);
}

TEST(MusicLatency, OnWindowsItsOwnReportWhereBelievedOtherwiseNoLead)
{
    const MusicLatency reported = MusicLatency::Choose(std::nullopt, Windows(0.0316));
    EXPECT_EQ(reported.Milliseconds(), 32);
    EXPECT_EQ(reported.From(), MusicLatency::Source::PlatformReport);
    EXPECT_EQ(MusicLatency::Choose(std::nullopt, Windows(0.5)).Milliseconds(), 500);
    // Never Wine's figure on Windows: no answer, or one that is no output latency, gives no lead at all.
    for (const std::optional<double> report :
         {std::optional<double>{}, std::optional<double>{0.0}, std::optional<double>{-0.01},
          std::optional<double>{0.501}, std::optional<double>{std::numeric_limits<double>::quiet_NaN()},
          std::optional<double>{std::numeric_limits<double>::infinity()}})
    {
        const MusicLatency latency = MusicLatency::Choose(std::nullopt, Windows(report));
        EXPECT_EQ(latency.Milliseconds(), 0);
        EXPECT_EQ(latency.From(), MusicLatency::Source::None);
    }
}

TEST(MusicLatency, ACalibrationReplacesWhateverWasChosen)
{
    for (MusicLatency latency :
         {MusicLatency::Choose(300, {}), MusicLatency::Choose(std::nullopt, {true, {}}),
          MusicLatency::Choose(std::nullopt, Windows(0.02)), MusicLatency::Choose(std::nullopt, Windows({}))})
    {
        latency.UseCalibrated(212);
        EXPECT_EQ(latency.Milliseconds(), 212);
        EXPECT_EQ(latency.From(), MusicLatency::Source::Calibrated);
        latency.UseCalibrated(190);   // F4 again
        EXPECT_EQ(latency.Milliseconds(), 190);
    }
}

TEST(MusicLatency, WhatIsShownNamesTheFigureAndWhereItCameFrom)
{
    MusicLatency calibrated = MusicLatency::Choose(std::nullopt, {true, {}});
    calibrated.UseCalibrated(212);
    const MusicLatency shown[] = {
        calibrated, MusicLatency::Choose(300, {}), MusicLatency::Choose(std::nullopt, {true, {}}),
        MusicLatency::Choose(std::nullopt, Windows(0.032)), MusicLatency::Choose(std::nullopt, Windows({}))};
    std::vector<std::string> texts;
    for (const MusicLatency& latency : shown)
    {
        const std::string text = latency.Describe();
        EXPECT_EQ(text.rfind(std::to_string(latency.Milliseconds()) + " ms", 0), 0u) << text;
        texts.push_back(text);
    }
    // Five sources, five different accounts.
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(std::unique(texts.begin(), texts.end()), texts.end());
}
