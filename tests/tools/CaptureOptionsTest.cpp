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

TEST(CaptureOptions, TheRunPlaysUpToItsEndAndDrawsEveryFrameOrTheMomentsAlone)
{
    // Frames played, frames drawn, progress shown. Every frame from 0 s up to and including the end: a stream of
    // 2 s at 60 fps is 121 frames.
    const auto count = [](std::vector<std::string> args) {
        CaptureOptions options;
        EXPECT_FALSE(Parse(args, options));
        return std::make_tuple(options.FrameCount(), options.DrawnFrameCount(), options.ShowsProgress());
    };
    EXPECT_EQ(count({"--stream", "--size", "320x180", "--until", "2"}), std::make_tuple(121LL, 121LL, true));
    EXPECT_EQ(count({}), std::make_tuple(3481LL, 3481LL, true));
    EXPECT_EQ(count({"--fps", "2", "--until", "60", "--loop", "--at", "50"}), std::make_tuple(121LL, 121LL, true));
    EXPECT_EQ(count({"--every", "--until", "0.5"}), std::make_tuple(31LL, 31LL, true));
    EXPECT_EQ(count({"--at", "1", "--until", "2", "--stats=s.csv"}), std::make_tuple(121LL, 121LL, false));
    EXPECT_EQ(count({"--at", "1", "--memory=m.csv"}), std::make_tuple(3481LL, 3481LL, true));

    // Moments alone: only their frames are drawn (two moments on one frame draw it once), and the run ends after
    // the last unless --until asks for more. A moment past the end is never reached.
    EXPECT_EQ(count({"--at", "1,8,50"}), std::make_tuple(3001LL, 3LL, false));
    EXPECT_EQ(count({"--fps", "4", "--at", "1,1.01,50", "--until", "50.1"}), std::make_tuple(201LL, 2LL, false));
    EXPECT_EQ(count({"--at", "1", "--until", "1"}), std::make_tuple(61LL, 1LL, false));
    EXPECT_EQ(count({"--at", "8,59"}), std::make_tuple(3481LL, 1LL, false));
    EXPECT_EQ(count({"--fps", "1", "--at", "0,1,2,3,4,5,6,7,8,9,10"}), std::make_tuple(11LL, 11LL, true));

    CaptureOptions options;
    EXPECT_TRUE(Parse({"--stream"}, options)) << "a stream's reader must know the frame size";
}
