// The beat found in the music: on the project's own track (as the asset generator renders it) the beat it was made
// with and its grid from 0 s; none on a track of steady tones that change pitch every second (tools/music/
// timecode.py's time-coded track), nor in silence or in too little sound; a click track's beat and first beat
// wherever they stand.
#include "app/live/timeline/BeatEstimator.h"
#include "tools/assets/MusicSynth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
constexpr int kRate = 44100;

// Like timecode.py's track: second k is a tone of 200 + 50 k Hz, with continuous phase, in both channels.
std::vector<std::int16_t> TimeCodeTrack(int seconds)
{
    std::vector<std::int16_t> samples;
    double phase = 0.0;
    for (int second = 0; second < seconds; ++second)
    {
        const double step = 2.0 * 3.141592653589793 * (200.0 + 50.0 * second) / kRate;
        for (int i = 0; i < kRate; ++i)
        {
            phase += step;
            const auto value = static_cast<std::int16_t>(12000.0 * std::sin(phase));
            samples.push_back(value);
            samples.push_back(value);
        }
    }
    return samples;
}

// Mono decaying noise bursts every `beat` seconds from `first`, over a faint steady hum.
std::vector<std::int16_t> ClickTrack(double seconds, double beat, double first)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * kRate));
    unsigned noise = 12345;
    for (std::size_t i = 0; i < samples.size(); ++i)
    {
        const double t = static_cast<double>(i) / kRate;
        const double sinceBeat = t >= first ? std::fmod(t - first, beat) : 1e9;
        noise = noise * 1664525u + 1013904223u;
        const double white = static_cast<double>(noise >> 8) / 8388608.0 - 1.0;
        const double value = 300.0 * std::sin(2.0 * 3.141592653589793 * 110.0 * t) +
                             (sinceBeat < 0.1 ? 12000.0 * white * std::exp(-sinceBeat * 40.0) : 0.0);
        samples[i] = static_cast<std::int16_t>(value);
    }
    return samples;
}
}

TEST(BeatEstimator, FindsTheBeatTheProjectsTrackWasMadeWith)
{
    const std::vector<std::int16_t> track = MusicSynth::Render(58.0);
    const BeatEstimator::Result found = BeatEstimator::Estimate(track, 2, MusicSynth::kSampleRate);
    ASSERT_TRUE(found.found) << found.why;
    EXPECT_NEAR(found.beatSeconds, MusicSynth::kBeatSeconds, 0.001);
    EXPECT_NEAR(found.firstBeatSeconds, 0.0, 0.010);
    EXPECT_GE(found.beats, BeatEstimator::kFewestBeats);
    std::printf("[beat] track: beat %.5f s, first beat %.4f s, %d onsets, spread %.1f ms\n", found.beatSeconds,
                found.firstBeatSeconds, found.beats, found.spreadSeconds * 1000.0);
}

TEST(BeatEstimator, FindsNoneInSteadyTonesSilenceOrTooLittleSound)
{
    const std::vector<std::int16_t> timeCode = TimeCodeTrack(60);
    const BeatEstimator::Result tones = BeatEstimator::Estimate(timeCode, 2, kRate);
    EXPECT_FALSE(tones.found) << "a beat of " << tones.beatSeconds << " s";
    EXPECT_FALSE(tones.why.empty());

    const std::vector<std::int16_t> silence(static_cast<std::size_t>(kRate) * 2 * 20, 0);
    const BeatEstimator::Result quiet = BeatEstimator::Estimate(silence, 2, kRate);
    EXPECT_FALSE(quiet.found);
    EXPECT_FALSE(quiet.why.empty());

    // Fewer samples than a beat's worth, an odd sample left over, no channels, no rate.
    const std::vector<std::int16_t> clicks = ClickTrack(2.0, 0.5, 0.1);
    for (const auto& [count, channels, rate] :
         {std::tuple{clicks.size(), 1, kRate}, std::tuple{std::size_t{3}, 2, kRate},
          std::tuple{std::size_t{0}, 2, kRate}, std::tuple{clicks.size(), 0, kRate}, std::tuple{clicks.size(), 1, 0}})
    {
        const BeatEstimator::Result none =
            BeatEstimator::Estimate(std::span<const std::int16_t>(clicks.data(), count), channels, rate);
        EXPECT_FALSE(none.found) << count << " samples, " << channels << " channels at " << rate << " Hz";
    }
}

TEST(BeatEstimator, PlacesAClickTracksBeatAndFirstBeat)
{
    for (const auto& [beat, first] : {std::pair{0.5, 0.123}, std::pair{0.8, 0.79}, std::pair{1.2, 3.1}})
    {
        const std::vector<std::int16_t> clicks = ClickTrack(30.0, beat, first);
        const BeatEstimator::Result found = BeatEstimator::Estimate(clicks, 1, kRate);
        ASSERT_TRUE(found.found) << found.why;
        EXPECT_NEAR(found.beatSeconds, beat, 0.001);
        // The grid's beat nearest to the track's start, wherever the clicks begin.
        const double expected = first - std::round(first / beat) * beat;
        EXPECT_NEAR(found.firstBeatSeconds, expected, 0.005) << "clicks every " << beat << " s from " << first;
    }
}
