// baseline.exe's command line: what the benchmark script passes is read, and mistakes are named.
#include "tools/bench/baseline/BaselineOptions.h"

#include <gtest/gtest.h>

namespace
{
std::optional<std::string> Parse(const std::vector<std::string>& args, BaselineOptions& options)
{
    return ParseBaselineOptions(args, options);
}

TEST(BaselineOptions, ReadsEveryOptionInBothForms)
{
    BaselineOptions options;
    EXPECT_EQ(Parse({"--frames", "120", "--fps=30", "--start", "15.5", "--world", "Scale.xml", "--csv=out.csv",
                     "--stats", "frames.csv", "--png", "last.png"},
                    options),
              std::nullopt);
    EXPECT_EQ(options.frames, 120);
    EXPECT_EQ(options.fps, 30);
    EXPECT_DOUBLE_EQ(options.start, 15.5);
    EXPECT_EQ(options.worldFile, "Scale.xml");
    EXPECT_EQ(options.csvFile, "out.csv");
    EXPECT_EQ(options.statsFile, "frames.csv");
    EXPECT_EQ(options.pngFile, "last.png");
    EXPECT_FALSE(options.help);
}

TEST(BaselineOptions, DefaultsDrawTheWorldForTenSecondsAtSixtyFramesPerSecond)
{
    BaselineOptions options;
    EXPECT_EQ(Parse({}, options), std::nullopt);
    EXPECT_EQ(options.frames, 600);
    EXPECT_EQ(options.fps, 60);
    EXPECT_EQ(options.worldFile, "World1.xml");
    EXPECT_TRUE(options.csvFile.empty() && options.statsFile.empty() && options.pngFile.empty());
}

TEST(BaselineOptions, MistakesAreNamed)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--frames"}, "--frames"},
        {{"--frames", "0"}, "--frames"},
        {{"--frames", "12x"}, "--frames"},
        {{"--frames", "2.5"}, "--frames"},
        {{"--fps", "0"}, "--fps"},
        {{"--start", "-1"}, "--start"},
        {{"--csv"}, "--csv"},
        {{"--csv="}, "--csv"},
        {{"--fast"}, "--fast"},
    };
    for (const auto& [args, named] : cases)
    {
        BaselineOptions options;
        const auto error = Parse(args, options);
        ASSERT_TRUE(error.has_value()) << args[0];
        EXPECT_NE(error->find(named), std::string::npos) << *error;
    }
    BaselineOptions options;
    EXPECT_EQ(Parse({"-h"}, options), std::nullopt);
    EXPECT_TRUE(options.help);
    EXPECT_NE(BaselineUsage().find("--frames"), std::string::npos);
}
}
