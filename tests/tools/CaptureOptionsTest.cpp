// The capture tool's command line: what each option sets, and which mistakes are refused with a message.
#include <gtest/gtest.h>

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

TEST(CaptureOptions, RefusesMalformedValuesWithAMessage)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--fps"}, {"--fps", "0"}, {"--fps", "60fps"}, {"--fps", "99999999999"},
        {"--at"}, {"--at", "1,,2"}, {"--at", "-1"}, {"--at", "nan"}, {"--at", "1,x"},
        {"--until", "0"}, {"--until", "soon"},
        {"--size", "640"}, {"--size", "640x"}, {"--size", "8x8"}, {"--size", "9000x100"}, {"--size", "-5x100"},
        {"--out"}, {"--out="}, {"--stats"},
        {"--frobnicate"}, {"capture"},
        {"--at", "50", "--until", "20"},
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

TEST(CaptureOptions, HelpIsAskedAndExplained)
{
    CaptureOptions options;
    EXPECT_FALSE(Parse({"--help"}, options));
    EXPECT_TRUE(options.help);
    const std::string usage = CaptureUsage();
    for (const char* option : {"--fps", "--at", "--every", "--until", "--size", "--out", "--stats"})
    {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}
