// The progress line of a long capture: done out of the total and the time left, rewritten in place on a
// terminal a few times a second, and in a log written once per tenth of the way, so a log of thousands of
// frames holds about ten lines.
#include <gtest/gtest.h>

#include "tools/capture/CaptureProgress.h"

TEST(CaptureProgress, ALogGetsALineAtEveryTenthAndTheTimeLeftComesFromTheFramesSoFar)
{
    CaptureProgress progress(3481, false);
    std::vector<std::string> lines;
    for (long long done = 1; done <= 3481; ++done)
    {
        if (const auto line = progress.Update(done, static_cast<double>(done - 1) * 0.1))
        {
            lines.push_back(*line);
        }
    }
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_NE(lines[0].find("349/3481"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("5:13 left"), std::string::npos) << lines[0];   // 3132 frames of 0.1 s each
    EXPECT_NE(lines.back().find("3481/3481"), std::string::npos) << lines.back();
    for (const std::string& line : lines)
    {
        EXPECT_EQ(line.back(), '\n');
        EXPECT_EQ(line.find('\r'), std::string::npos);
    }
}

TEST(CaptureProgress, ATerminalLineIsRewrittenAFewTimesASecondAndEndsWithTheLastFrame)
{
    CaptureProgress progress(100, true);
    int shown = 0;
    std::string last;
    for (long long done = 1; done <= 100; ++done)
    {
        // Twenty frames a second: five seconds in all.
        if (const auto line = progress.Update(done, static_cast<double>(done) / 20.0))
        {
            ++shown;
            last = *line;
            EXPECT_EQ(line->front(), '\r');
        }
    }
    EXPECT_GE(shown, 18);
    EXPECT_LE(shown, 22);
    EXPECT_NE(last.find("100/100"), std::string::npos) << last;
    EXPECT_EQ(last.back(), '\n') << "the finished line stays";
    EXPECT_NE(CaptureProgress::Line(5, 10, 3725.0).find("1:02:05"), std::string::npos);
    EXPECT_NE(CaptureProgress::Line(0, 10, -1.0).find("--:--"), std::string::npos) << "nothing to estimate from yet";
}
