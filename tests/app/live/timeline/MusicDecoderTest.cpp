// The music decoded by Windows' own decoder (Media Foundation) under Wine, as the timeline panel's waveform and
// beat estimate get it: the project's track whole and exact to the frame, its beat found to within a millisecond
// and its grid from 0 s; no beat in the time-coded track (tools/music/timecode.py, made beside the test by the
// fixture); files that are not music give a reason and no samples, twice in a row. Prints the decode time.
#include "app/live/timeline/BeatEstimator.h"
#include "app/live/timeline/MusicDecoder.h"
#include "app/live/timeline/WaveformLane.h"
#include "tests/ScratchDirectory.h"
#include "tools/assets/MusicSynth.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace
{
std::string Contents(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
}

TEST(MusicDecoder, DecodesTheProjectsTrackWholeAndFindsItsBeat)
{
    ASSERT_TRUE(std::filesystem::exists("DemoTrack01.mp3")) << "the build makes it in bin/, where the test runs";
    for (int run = 0; run < 2; ++run)
    {
        const MusicDecoder::Decoded decoded = MusicDecoder::Decode("DemoTrack01.mp3");
        ASSERT_TRUE(decoded.Ok()) << decoded.problem;
        EXPECT_EQ(decoded.channels, 2);
        EXPECT_EQ(decoded.sampleRate, MusicSynth::kSampleRate);
        // The encoder's padding trimmed: the frames the generator rendered, to within one MP3 frame.
        EXPECT_NEAR(decoded.Seconds(), 60.0, 1152.0 / MusicSynth::kSampleRate);
        const BeatEstimator::Result beat =
            BeatEstimator::Estimate(decoded.samples, decoded.channels, decoded.sampleRate);
        ASSERT_TRUE(beat.found) << beat.why;
        EXPECT_NEAR(beat.beatSeconds, MusicSynth::kBeatSeconds, 0.001);
        EXPECT_NEAR(beat.firstBeatSeconds, 0.0, 0.010);
        std::printf("[decode] DemoTrack01.mp3: %.3f s decoded in %.1f ms; beat %.5f s, first beat %+.4f s, "
                    "%d onsets, %.1f ms spread\n",
                    decoded.Seconds(), decoded.milliseconds, beat.beatSeconds, beat.firstBeatSeconds, beat.beats,
                    beat.spreadSeconds * 1000.0);
    }
}

TEST(MusicDecoder, FindsNoBeatInTheTimeCodedTrack)
{
    if (!std::filesystem::exists("TimeCode.mp3"))
    {
        GTEST_SKIP() << "TimeCode.mp3 is made by the music_timecode fixture (python3 and lame)";
    }
    const MusicDecoder::Decoded decoded = MusicDecoder::Decode("TimeCode.mp3");
    ASSERT_TRUE(decoded.Ok()) << decoded.problem;
    EXPECT_NEAR(decoded.Seconds(), 60.0, 0.05);
    const BeatEstimator::Result beat = BeatEstimator::Estimate(decoded.samples, decoded.channels, decoded.sampleRate);
    EXPECT_FALSE(beat.found) << "a beat of " << beat.beatSeconds << " s";
    EXPECT_FALSE(beat.why.empty());
}

TEST(MusicDecoder, FilesThatAreNotMusicGiveAReasonAndNoSamples)
{
    ScratchDirectory dir;
    const std::string track = Contents("DemoTrack01.mp3");
    ASSERT_GT(track.size(), 4096u);
    const std::string files[] = {
        dir.File("missing.mp3"),
        dir.Write("empty.mp3", ""),
        dir.Write("text.mp3", "this is not music at all\n"),
        dir.Write("noise.mp3", std::string(20000, '\x5a')),
        dir.Write("truncated.mp3", track.substr(0, 600)),
    };
    for (int run = 0; run < 2; ++run)
    {
        for (const std::string& file : files)
        {
            const MusicDecoder::Decoded decoded = MusicDecoder::Decode(file);
            // A few frames of a cut-off file may still decode; what decodes is whole frames of real sound.
            if (decoded.Ok())
            {
                EXPECT_EQ(decoded.samples.size() % static_cast<std::size_t>(decoded.channels), 0u) << file;
                EXPECT_LT(decoded.Seconds(), 1.0) << file;
            }
            else
            {
                EXPECT_TRUE(decoded.samples.empty()) << file;
            }
        }
        EXPECT_FALSE(MusicDecoder::Decode(files[0]).Ok());
        EXPECT_FALSE(MusicDecoder::Decode(files[1]).Ok());
        EXPECT_FALSE(MusicDecoder::Decode(files[2]).Ok());
    }
}

TEST(WaveformLane, AnalysesOnItsThreadAndSaysWhyWithoutAFile)
{
    WaveformLane shipped("DemoTrack01.mp3");
    const WaveformLane::Analysis& analysis = shipped.WaitForAnalysis();
    EXPECT_TRUE(analysis.problem.empty()) << analysis.problem;
    EXPECT_FALSE(analysis.peaks.Empty());
    EXPECT_TRUE(analysis.beat.found);

    WaveformLane missing("no-such-track.mp3");
    EXPECT_FALSE(missing.WaitForAnalysis().problem.empty());
    EXPECT_TRUE(missing.WaitForAnalysis().peaks.Empty());
}
