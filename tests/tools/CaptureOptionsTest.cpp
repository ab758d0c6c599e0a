// The capture tool's command line: what each option sets, and which mistakes are refused with a message.
#include <gtest/gtest.h>

#include <tuple>

#include "tools/capture/CaptureOptions.h"

namespace
{
std::optional<std::string> Parse(std::vector<std::string> args, CaptureOptions& options)
{
    return ParseCaptureOptions(args, options);
}
}

TEST(CaptureOptions, DefaultsWithoutArguments)
{
    CaptureOptions options;
    EXPECT_FALSE(Parse({}, options));
    EXPECT_EQ(options.fps, 60);
    EXPECT_TRUE(options.at.empty());
    EXPECT_FALSE(options.every);
    EXPECT_FALSE(options.until);
    EXPECT_EQ(options.width, 0);
    EXPECT_EQ(options.outDir, ".");
    EXPECT_TRUE(options.statsFile.empty());
}

TEST(CaptureOptions, ReadsEveryOptionInBothSpellings)
{
    CaptureOptions options;
    EXPECT_FALSE(Parse({"--fps", "30", "--at=1,8.5,50", "--every", "--until", "60", "--size=640x360", "--out", "shots",
                        "--stats=frames.csv"},
                       options));
    EXPECT_EQ(options.fps, 30);
    EXPECT_EQ(options.at, (std::vector<double>{1.0, 8.5, 50.0}));
    EXPECT_TRUE(options.every);
    EXPECT_DOUBLE_EQ(*options.until, 60.0);
    EXPECT_EQ(options.width, 640);
    EXPECT_EQ(options.height, 360);
    EXPECT_EQ(options.outDir, "shots");
    EXPECT_EQ(options.statsFile, "frames.csv");
}

TEST(CaptureOptions, TheDeviceTimerIsOnWithStatisticsUnlessTurnedOffAndTheSubmissionSplitDrawsEveryFrame)
{
    CaptureOptions withTimer;
    EXPECT_FALSE(Parse({"--stats", "frames.csv"}, withTimer));
    EXPECT_TRUE(withTimer.deviceTimer);
    CaptureOptions withoutTimer;
    EXPECT_FALSE(Parse({"--stats", "frames.csv", "--no-device-timer"}, withoutTimer));
    EXPECT_FALSE(withoutTimer.deviceTimer);
    EXPECT_EQ(withoutTimer.statsFile, "frames.csv");

    CaptureOptions split;
    EXPECT_FALSE(Parse({"--at", "1", "--submission=parts.csv"}, split));
    EXPECT_EQ(split.submissionFile, "parts.csv");
    EXPECT_TRUE(split.DrawsEveryFrame()) << "every frame's submission is measured, not the moments' alone";
}

TEST(CaptureOptions, RefusesMalformedValuesWithAMessage)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--fps"},
        {"--fps", "0"},
        {"--fps", "60fps"},
        {"--fps", "99999999999"},
        {"--at"},
        {"--at", "1,,2"},
        {"--at", "-1"},
        {"--at", "nan"},
        {"--at", "1,x"},
        {"--until", "0"},
        {"--until", "soon"},
        {"--size", "640"},
        {"--size", "640x"},
        {"--size", "8x8"},
        {"--size", "9000x100"},
        {"--size", "-5x100"},
        {"--out"},
        {"--out="},
        {"--stats"},
        {"--frobnicate"},
        {"capture"},
        {"--at", "50", "--until", "20"},
        {"--loop"},
        {"--memory"},
        {"--memory-every", "0"},
        {"--memory", "m.csv", "--memory-every", "x"},
        {"--memory-every", "5"},
        {"--submission"},
        {"--no-device-timer"},
        {"--supersample", "0"},
        {"--supersample", "5"},
        {"--supersample", "2"},
        {"--size", "7680x4320", "--supersample", "3"},
        {"--size", "4200x100", "--supersample", "4"},
        {"--motion-blur", "1"},
        {"--motion-blur", "65"},
        {"--shutter", "0.5"},
        {"--motion-blur", "8", "--shutter", "0.01"},
        {"--motion-blur", "8", "--shutter", "1.5"},
        {"--motion-blur", "8", "--shutter", "nan"},
        {"--motion-blur", "8", "--loop", "--until", "9"},
        {"--motion-blur", "8", "--stats", "s.csv"},
        {"--frames", "3-1", "--every"},
        {"--frames", "-2", "--every"},
        {"--frames", "0-9"},
        {"--frames", "0-9", "--every", "--at", "1"},
        {"--frames", "0-121", "--stream", "--size", "320x180", "--until", "2"},
    };
    for (const auto& args : bad)
    {
        CaptureOptions options;
        const auto error = Parse(args, options);
        ASSERT_TRUE(error.has_value()) << args[0];
        EXPECT_FALSE(error->empty());
    }
}

TEST(CaptureOptions, FramesAndTimesFollowTheFixedStep)
{
    CaptureOptions options;
    options.fps = 60;
    EXPECT_EQ(options.FrameAt(0.0), 0);
    EXPECT_EQ(options.FrameAt(8.0), 480);
    EXPECT_EQ(options.FrameAt(0.5 / 60.0 + 1.0), 61);   // nearest frame, halves rounding up
    EXPECT_DOUBLE_EQ(options.TimeOfFrame(90), 1.5);
}

TEST(CaptureOptions, LoopAndMemorySamplingForSoakRuns)
{
    CaptureOptions options;
    EXPECT_FALSE(
        Parse({"--until", "600", "--loop", "--fps=10", "--memory", "soak\\memory.csv", "--memory-every=50"}, options));
    EXPECT_TRUE(options.loop);
    EXPECT_DOUBLE_EQ(*options.until, 600.0);
    EXPECT_EQ(options.memoryFile, "soak\\memory.csv");
    EXPECT_EQ(options.MemorySampleInterval(), 50);

    // Without --memory-every a sample is taken once per second of presentation time.
    CaptureOptions perSecond;
    EXPECT_FALSE(Parse({"--fps", "4", "--memory", "m.csv"}, perSecond));
    EXPECT_EQ(perSecond.MemorySampleInterval(), 4);
    EXPECT_FALSE(perSecond.loop);
}

TEST(CaptureOptions, LoopingTimeFallsBackToZeroAfterEachPassAndStopsAfterUntil)
{
    CaptureOptions options;
    ASSERT_FALSE(Parse({"--fps", "4", "--until", "120", "--loop"}, options));
    EXPECT_EQ(options.PresentationNanoseconds(0), 0);
    EXPECT_EQ(options.PresentationNanoseconds(231), 57'750'000'000LL);
    EXPECT_EQ(options.PresentationNanoseconds(232), 0) << "58 s is the start of the second pass";
    EXPECT_EQ(options.PresentationNanoseconds(233), 250'000'000LL);
    EXPECT_EQ(options.RunNanoseconds(233), 58'250'000'000LL);
    EXPECT_FALSE(options.PastUntil(480)) << "the frame at exactly --until is drawn";
    EXPECT_TRUE(options.PastUntil(481));

    // Without --loop the run time goes on past the presentation's end.
    CaptureOptions straight;
    ASSERT_FALSE(Parse({"--fps", "4", "--until", "120"}, straight));
    EXPECT_EQ(straight.PresentationNanoseconds(233), 58'250'000'000LL);
}

TEST(CaptureOptions, HelpAndVersionAreAskedAndExplained)
{
    CaptureOptions options;
    EXPECT_FALSE(Parse({"--help"}, options));
    EXPECT_TRUE(options.help);
    EXPECT_FALSE(options.version);
    CaptureOptions version;
    EXPECT_FALSE(Parse({"--version"}, version));
    EXPECT_TRUE(version.version);
    const std::string usage = CaptureUsage();
    for (const char* option : {"--fps", "--at", "--every", "--until", "--size", "--out", "--stats", "--loop",
                               "--memory", "--memory-every", "--version"})
    {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

TEST(CaptureOptions, QualityAndChunkSwitchesAndTheLargestPicture)
{
    CaptureOptions options;
    ASSERT_FALSE(Parse({"--size", "3840x2160", "--supersample", "4", "--motion-blur=16", "--shutter", "0.25",
                        "--frames", "60-119", "--stream"},
                       options));
    EXPECT_EQ(options.supersample, 4);
    EXPECT_EQ(options.DrawnWidth(), 15360);
    EXPECT_EQ(options.DrawnHeight(), 8640);
    EXPECT_EQ(options.Samples(), 16);
    EXPECT_DOUBLE_EQ(options.shutter, 0.25);
    EXPECT_EQ(options.frames, std::make_pair(60LL, 119LL));
    EXPECT_FALSE(options.DrawsEveryFrame()) << "a chunk draws its own frames alone";

    // The largest picture the device can draw: 7680 x 4320 twice over is 15360 x 8640, under 16384 a side.
    CaptureOptions eightK;
    EXPECT_FALSE(Parse({"--size", "7680x4320", "--supersample", "2", "--at", "1"}, eightK));

    // The sub-frames spread evenly over the open shutter, about the picture's moment: at 60 fps and a half
    // frame's shutter, 4 sub-frames lie 3/16 and 1/16 of a frame either side.
    CaptureOptions blur;
    ASSERT_FALSE(Parse({"--motion-blur", "4", "--every"}, blur));
    EXPECT_EQ(blur.SampleOffset(0), -3'125'000);
    EXPECT_EQ(blur.SampleOffset(1), -1'041'667);
    EXPECT_EQ(blur.SampleOffset(2), 1'041'667);
    EXPECT_EQ(blur.SampleOffset(3), 3'125'000);
    EXPECT_EQ(options.frameCount, false);
    CaptureOptions count;
    ASSERT_FALSE(Parse({"--frame-count", "--until", "2", "--fps", "30"}, count));
    EXPECT_TRUE(count.frameCount);
    EXPECT_EQ(count.RunFrameCount(), 61);
}
