// The sound calibration's measuring and keeping: taps on the counted clicks give the median time from click to
// tap and its spread, lead-in taps and stray taps do not count, too few taps give nothing, a better track start
// moves every offset; a kept result reads back in a second run, each keep leaves the version before as .bak, and
// files that are not a calibration are refused with a reason.
#include "app/live/LatencyCalibration.h"
#include "tests/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
constexpr double kStart = 1'796'790'000.25;   // a system clock's seconds since 1970

double Heard(int click, double latency)
{
    return kStart + LatencyCalibration::ClickSeconds(click) + latency;
}
}

TEST(LatencyCalibration, TapsOnCountedClicksGiveTheirMedianAndSpread)
{
    LatencyCalibration calibration;
    calibration.Begin(kStart);
    // Lead-in taps, taps at 200 ms +- 10 ms on every counted click, and a second tap on one click (the later
    // counts) all give 16 taps.
    for (int click = 0; click < LatencyCalibration::kLeadInClicks; ++click)
    {
        calibration.Tap(Heard(click, 0.5));
    }
    for (int click = LatencyCalibration::kLeadInClicks; click < LatencyCalibration::kClicks; ++click)
    {
        calibration.Tap(Heard(click, click % 2 == 0 ? 0.19 : 0.21));
    }
    calibration.Tap(Heard(LatencyCalibration::kClicks - 1, 0.21) + 0.001);
    const std::optional<LatencyCalibration::Result> result = calibration.Measure();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->taps, LatencyCalibration::kCountedClicks);
    EXPECT_NEAR(result->latencySeconds, 0.2, 0.0006);
    EXPECT_NEAR(result->spreadSeconds, 0.01, 0.001);

    // The track turned out to have started 30 ms earlier: every tap came 30 ms later after its click.
    calibration.RefineStart(kStart - 0.03);
    EXPECT_NEAR(calibration.Measure()->latencySeconds, 0.23, 0.0006);
    calibration.RefineStart(kStart);   // a later bound is no better
    EXPECT_NEAR(calibration.Measure()->latencySeconds, 0.23, 0.0006);

    // The position fell behind: each counted click was passed 40 ms later than the track's start says, so the
    // taps came 40 ms less after it; placing them later again changes nothing, earlier does.
    for (int click = LatencyCalibration::kLeadInClicks; click < LatencyCalibration::kClicks; ++click)
    {
        calibration.PlaceClick(click, kStart + LatencyCalibration::ClickSeconds(click) + 0.04);
        calibration.PlaceClick(click, kStart + LatencyCalibration::ClickSeconds(click) + 0.05);
    }
    EXPECT_NEAR(calibration.Measure()->latencySeconds, 0.16, 0.0006);
    calibration.PlaceClick(LatencyCalibration::kClicks, kStart);   // no such click
    calibration.PlaceClick(-1, kStart);
    EXPECT_NEAR(calibration.Measure()->latencySeconds, 0.16, 0.0006);
}

TEST(LatencyCalibration, TooFewTapsOrNoTrackGiveNothing)
{
    LatencyCalibration calibration;
    calibration.Tap(Heard(6, 0.2));   // before the track is placed: nothing to set it against
    EXPECT_EQ(calibration.Taps(), 0);
    calibration.Begin(kStart);
    for (int click = LatencyCalibration::kLeadInClicks; click < LatencyCalibration::kLeadInClicks + 7; ++click)
    {
        calibration.Tap(Heard(click, 0.2));
    }
    calibration.Tap(Heard(LatencyCalibration::kClicks + 3, 0.2));   // after the last click
    calibration.Tap(kStart - 5.0);                                  // long before the first
    EXPECT_EQ(calibration.Taps(), 7);
    EXPECT_FALSE(calibration.Measure());
    calibration.Tap(Heard(LatencyCalibration::kLeadInClicks + 7, 0.2));
    EXPECT_TRUE(calibration.Measure());
    calibration.Begin(kStart);   // a new run starts from nothing
    EXPECT_EQ(calibration.Taps(), 0);
}

TEST(LatencyCalibration, AKeptResultReadsBackAndEachKeepLeavesTheOneBefore)
{
    ScratchDirectory dir;
    const std::string file = dir.File(LatencyCalibration::kFileName);
    std::string problem;
    EXPECT_FALSE(LatencyCalibration::LoadKept(file, 2000, &problem)) << "no file yet";
    EXPECT_TRUE(problem.empty());

    ASSERT_TRUE(LatencyCalibration::Keep({0.2124, 0.008, 16}, file, &problem)) << problem;
    ASSERT_TRUE(LatencyCalibration::Keep({0.1876, 0.011, 15}, file, &problem)) << problem;
    EXPECT_EQ(LatencyCalibration::LoadKept(file, 2000, &problem), 188);
    EXPECT_EQ(LatencyCalibration::LoadKept(file + ".bak", 2000, &problem), 212);
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
    // A second run finds what the first kept, and keeping again still works with both files there.
    EXPECT_EQ(LatencyCalibration::LoadKept(file, 2000, &problem), 188);
    ASSERT_TRUE(LatencyCalibration::Keep({0.2, 0.01, 16}, file, &problem)) << problem;
    EXPECT_EQ(LatencyCalibration::LoadKept(file, 2000, &problem), 200);
    EXPECT_EQ(LatencyCalibration::LoadKept(file + ".bak", 2000, &problem), 188);
}

TEST(LatencyCalibration, FilesThatAreNotACalibrationAreRefusedWithAReason)
{
    ScratchDirectory dir;
    for (const char* content : {"", "not xml", "<Options><Sound latency=\"100\"/></Options>", "<MusicCalibration/>",
                                "<MusicCalibration latency=\"abc\"/>", "<MusicCalibration latency=\"-1\"/>",
                                "<MusicCalibration latency=\"2001\"/>", "<MusicCalibration latency=\"150ms\"/>"})
    {
        std::string problem;
        EXPECT_FALSE(LatencyCalibration::LoadKept(dir.Write("c.xml", content), 2000, &problem)) << content;
        EXPECT_FALSE(problem.empty()) << content;
    }
}
