// The waveform's peaks per pixel: every span of time gets the lowest and highest sample in it, whatever the
// width it is drawn at, silence outside the track, and nothing at all from a track without samples.
#include "app/live/timeline/WaveformPeaks.h"

#include <gtest/gtest.h>

#include <vector>

TEST(WaveformPeaks, EachSpanHoldsItsLowestAndHighestSampleAtAnyWidth)
{
    // One second of stereo at 1000 Hz: quiet, except one loud frame at 0.5 s (left high, right low).
    std::vector<std::int16_t> samples(2000, 100);
    samples[1000] = 32767;
    samples[1001] = -32768;
    const WaveformPeaks peaks(samples, 2, 1000);
    EXPECT_DOUBLE_EQ(peaks.Seconds(), 1.0);
    for (const int pixels : {1, 7, 300, 5000})
    {
        int loud = 0;
        for (int x = 0; x < pixels; ++x)
        {
            const WaveformPeaks::Peak peak = peaks.Between(x / static_cast<double>(pixels), (x + 1.0) / pixels);
            if (peak.high > 0.99f)
            {
                EXPECT_FLOAT_EQ(peak.low, -1.0f) << "both channels count";
                ++loud;
            }
            else
            {
                EXPECT_NEAR(peak.high, 100.0 / 32767.0, 1e-6);
                EXPECT_FLOAT_EQ(peak.low, 0.0f);
            }
        }
        // At least one pixel shows the loud frame, however narrow the pixels get (a block spans 64 ms here).
        EXPECT_GE(loud, 1) << pixels << " pixels";
        EXPECT_LE(loud, std::max(2, pixels / 10)) << pixels << " pixels";
    }
}

TEST(WaveformPeaks, OutsideTheTrackAndWithoutSamplesIsSilence)
{
    const std::vector<std::int16_t> samples(1000, -2000);
    const WaveformPeaks peaks(samples, 1, 1000);
    EXPECT_LT(peaks.Between(0.2, 0.3).low, -0.05f);
    for (const auto& [from, to] : {std::pair{-2.0, -1.0}, std::pair{1.0, 2.0}, std::pair{5.0, 4.0}})
    {
        const WaveformPeaks::Peak peak = peaks.Between(from, to);
        EXPECT_EQ(peak.low, 0.0f) << from << " to " << to;
        EXPECT_EQ(peak.high, 0.0f) << from << " to " << to;
    }
    for (const WaveformPeaks& empty : {WaveformPeaks(), WaveformPeaks(samples, 0, 1000), WaveformPeaks(samples, 1, 0),
                                       WaveformPeaks(std::span<const std::int16_t>(), 2, 44100)})
    {
        EXPECT_TRUE(empty.Empty());
        EXPECT_EQ(empty.Between(0.0, 1.0).high, 0.0f);
    }
}
