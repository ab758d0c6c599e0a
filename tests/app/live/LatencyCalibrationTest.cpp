// The sound calibration's measuring and keeping: taps on the counted beats give the median time from beat to tap
// and its spread, lead-in taps and stray taps do not count, too few taps give nothing, a better track start moves
// every offset; a kept result reads back in a second run, each keep leaves the version before as .bak, and files
// that are not a calibration are refused with a reason. The beats are the track's own drum hits.
#include "app/live/LatencyCalibration.h"
#include "tests/ScratchDirectory.h"
#include "tools/assets/MusicSynth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace
{
constexpr double kStart = 1'796'790'000.25;   // a system clock's seconds since 1970

double Heard(int beat, double latency)
{
    return kStart + LatencyCalibration::BeatSeconds(beat) + latency;
}
}

TEST(LatencyCalibration, TapsOnCountedClicksGiveTheirMedianAndSpread)
{
    LatencyCalibration calibration;
    calibration.Begin(kStart);
    // Lead-in taps, taps at 200 ms +- 10 ms on every counted beat, and a second tap on one beat (the later
    // counts) all give 16 taps.
    for (int beat = 0; beat < LatencyCalibration::kLeadInBeats; ++beat)
    {
        calibration.Tap(Heard(beat, 0.5));
    }
    for (int beat = LatencyCalibration::kLeadInBeats; beat < LatencyCalibration::kBeats; ++beat)
    {
        calibration.Tap(Heard(beat, beat % 2 == 0 ? 0.19 : 0.21));
    }
    calibration.Tap(Heard(LatencyCalibration::kBeats - 1, 0.21) + 0.001);
    const std::optional<LatencyCalibration::Result> result = calibration.Measure();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->taps, LatencyCalibration::kCountedBeats);
    EXPECT_NEAR(result->latencySeconds, 0.2, 0.0006);
    EXPECT_NEAR(result->spreadSeconds, 0.01, 0.001);

    // The track turned out to have started 30 ms earlier: every tap came 30 ms later after its beat.
    calibration.RefineStart(kStart - 0.03);
    EXPECT_NEAR(calibration.Measure()->latencySeconds, 0.23, 0.0006);
    calibration.RefineStart(kStart);   // a later bound is no better
    EXPECT_NEAR(calibration.Measure()->latencySeconds, 0.23, 0.0006);

    // The position fell behind: each counted beat was passed 40 ms later than the track's start says, so the
    // taps came 40 ms less after it; placing them later again changes nothing, earlier does.
    for (int beat = LatencyCalibration::kLeadInBeats; beat < LatencyCalibration::kBeats; ++beat)
    {
        calibration.PlaceBeat(beat, kStart + LatencyCalibration::BeatSeconds(beat) + 0.04);
        calibration.PlaceBeat(beat, kStart + LatencyCalibration::BeatSeconds(beat) + 0.05);
    }
    EXPECT_NEAR(calibration.Measure()->latencySeconds, 0.16, 0.0006);
    calibration.PlaceBeat(LatencyCalibration::kBeats, kStart);   // no such beat
    calibration.PlaceBeat(-1, kStart);
    EXPECT_NEAR(calibration.Measure()->latencySeconds, 0.16, 0.0006);
}

TEST(LatencyCalibration, TooFewTapsOrNoTrackGiveNothing)
{
    LatencyCalibration calibration;
    calibration.Tap(Heard(6, 0.2));   // before the track is placed: nothing to set it against
    EXPECT_EQ(calibration.Taps(), 0);
    calibration.Begin(kStart);
    for (int beat = LatencyCalibration::kLeadInBeats; beat < LatencyCalibration::kLeadInBeats + 7; ++beat)
    {
        calibration.Tap(Heard(beat, 0.2));
    }
    calibration.Tap(Heard(LatencyCalibration::kBeats + 3, 0.2));   // after the last beat
    calibration.Tap(kStart - 5.0);                                 // long before the first
    EXPECT_EQ(calibration.Taps(), 7);
    EXPECT_FALSE(calibration.Measure());
    calibration.Tap(Heard(LatencyCalibration::kLeadInBeats + 7, 0.2));
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

TEST(LatencyCalibration, TheBeatsTappedAreTheDrumHitsOfTheTrack)
{
    // The track as the build renders it: at each beat the calibration asks to tap, the sound is much louder in the
    // 20 ms from the beat than just before it and than at the track's beat between two of them, so a listener
    // hears each one begin where the calibration places it. The passage lies within the track.
    const std::vector<int16_t> samples = MusicSynth::Render(LatencyCalibration::PassageEndSeconds() + 1.0);
    const auto rms = [&samples](double from, double to) {
        const auto first = static_cast<std::size_t>(from * MusicSynth::kSampleRate);
        const auto last = static_cast<std::size_t>(to * MusicSynth::kSampleRate);
        double sum = 0.0;
        for (std::size_t frame = first; frame < last; ++frame)
        {
            const double left = samples[2 * frame];
            sum += left * left;
        }
        return std::sqrt(sum / static_cast<double>(last - first));
    };
    EXPECT_DOUBLE_EQ(LatencyCalibration::kTrackBeatSeconds, MusicSynth::kBeatSeconds);
    EXPECT_GE(LatencyCalibration::PassageStartSeconds(), 0.0);
    for (int beat = 0; beat < LatencyCalibration::kBeats; ++beat)
    {
        const double at = LatencyCalibration::BeatSeconds(beat);
        const double hit = rms(at, at + 0.02);
        EXPECT_GT(hit, 2.5 * rms(at - 0.03, at - 0.01)) << "beat " << beat << " at " << at << " s";
        const double between = at + LatencyCalibration::kTrackBeatSeconds;
        EXPECT_GT(hit, 2.0 * rms(between, between + 0.02)) << "beat " << beat << " at " << at << " s";
    }
}
