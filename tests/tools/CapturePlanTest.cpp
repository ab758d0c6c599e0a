// What a capture draws and when: the frames it plays, the pictures it writes, which drawings the run makes of its
// own frames and which it makes between them, for moments, sub-frames and chunks of frames.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <set>
#include <tuple>

#include "tools/capture/CapturePlan.h"

namespace
{
CaptureOptions Parsed(std::vector<std::string> args)
{
    CaptureOptions options;
    const auto error = ParseCaptureOptions(args, options);
    EXPECT_FALSE(error) << *error;
    return options;
}

// Every drawing of a run: picture -> how many of its drawings the run's own frames make, and how many are made
// between frames.
std::map<std::size_t, std::pair<int, int>> DrawingsPerPicture(const CapturePlan& plan)
{
    std::map<std::size_t, std::pair<int, int>> drawings;
    for (long long frame = 0; frame <= plan.LastFrame(); ++frame)
    {
        for (const std::size_t picture : plan.PicturesDrawnBy(frame))
        {
            ++drawings[picture].first;
        }
        for (const CapturePlan::Drawing& drawing : plan.DrawingsAfter(frame))
        {
            ++drawings[drawing.picture].second;
            EXPECT_EQ(drawing.path.lastFrame, frame);
        }
    }
    return drawings;
}
}

TEST(CapturePlan, TheRunPlaysUpToItsEndAndDrawsEveryFrameOrWhatItsPicturesNeed)
{
    // Frames played, drawings made, progress shown. Every frame from 0 s up to and including the end: a stream of
    // 2 s at 60 fps is 121 frames.
    const auto count = [](std::vector<std::string> args) {
        const CaptureOptions options = Parsed(args);
        const CapturePlan plan(options);
        return std::make_tuple(plan.PlayedFrameCount(), plan.DrawingCount(), plan.ShowsProgress());
    };
    EXPECT_EQ(count({"--stream", "--size", "320x180", "--until", "2"}), std::make_tuple(121LL, 121LL, true));
    EXPECT_EQ(count({}), std::make_tuple(3481LL, 3481LL, true));
    EXPECT_EQ(count({"--fps", "2", "--until", "60", "--loop", "--at", "50"}), std::make_tuple(121LL, 121LL, true));
    EXPECT_EQ(count({"--every", "--until", "0.5"}), std::make_tuple(31LL, 31LL, true));
    EXPECT_EQ(count({"--at", "1", "--until", "2", "--stats=s.csv"}), std::make_tuple(121LL, 121LL, false));
    EXPECT_EQ(count({"--at", "1", "--memory=m.csv"}), std::make_tuple(3481LL, 3481LL, true));

    // Moments alone: only what they need is drawn (two moments on one frame draw it once), and the run ends after
    // the last unless --until asks for more. A moment past the end is never reached, and the run plays to the end.
    EXPECT_EQ(count({"--at", "1,8,50"}), std::make_tuple(3001LL, 3LL, false));
    EXPECT_EQ(count({"--fps", "4", "--at", "1,1,50", "--until", "50.1"}), std::make_tuple(201LL, 2LL, false));
    EXPECT_EQ(count({"--at", "1", "--until", "1"}), std::make_tuple(61LL, 1LL, false));
    EXPECT_EQ(count({"--at", "8,59"}), std::make_tuple(3481LL, 1LL, false));
    EXPECT_EQ(count({"--fps", "1", "--at", "0,1,2,3,4,5,6,7,8,9,10"}), std::make_tuple(11LL, 11LL, true));

    // A moment between two frames is drawn after the frame its path leaves the step at; the run stops there.
    EXPECT_EQ(count({"--fps", "4", "--at", "1.01"}), std::make_tuple(4LL, 1LL, false));

    // Sub-frames: 8 drawings a picture, none of them on a frame of the step; the run's own frames draw nothing.
    // Frame 0's four sub-frames before the start are one drawing of the start.
    EXPECT_EQ(count({"--every", "--until", "1", "--motion-blur", "8"}), std::make_tuple(61LL, 61LL * 8 - 3, true));
    // A chunk plays the frames before it without drawing them, and stops after its last.
    EXPECT_EQ(count({"--every", "--frames", "100-159"}), std::make_tuple(160LL, 60LL, true));
    EXPECT_EQ(count({"--every", "--frames", "100-159", "--motion-blur", "3"}), std::make_tuple(160LL, 180LL, true));
}

TEST(CapturePlan, AMomentBetweenFramesIsDrawnFromTheFrameItsPathLeavesAndAFramesMomentByTheFrame)
{
    const CaptureOptions options = Parsed({"--at", "7.390625,8"});
    const CapturePlan plan(options);
    ASSERT_EQ(plan.Pictures().size(), 2u);
    EXPECT_EQ(plan.Pictures()[0].nanoseconds, 7'390'625'000);
    EXPECT_EQ(plan.PicturesDrawnBy(480), std::vector<std::size_t>{1});
    const std::vector<CapturePlan::Drawing> between = plan.DrawingsAfter(442);
    ASSERT_EQ(between.size(), 1u);
    EXPECT_EQ(between[0].picture, 0u);
    EXPECT_EQ(between[0].path.readings[between[0].path.readingCount - 1], 7'390'625'000);
    EXPECT_TRUE(plan.PicturesDrawnBy(443).empty()) << "the frame nearest the moment is not its picture";
    EXPECT_EQ(plan.LastFrame(), 480);
}

TEST(CapturePlan, ABlurredFrameIsTheMeanOfItsSubFramesAroundItsMomentAndThoseBeforeTheStartAreTheStart)
{
    // Odd counts put the middle sub-frame on the frame's own moment, which the run's drawing of that frame makes.
    const CaptureOptions odd = Parsed({"--every", "--until", "1", "--motion-blur", "5", "--shutter", "1"});
    const CapturePlan oddPlan(odd);
    const auto oddDrawings = DrawingsPerPicture(oddPlan);
    ASSERT_EQ(oddDrawings.size(), 61u);
    for (const auto& [picture, drawings] : oddDrawings)
    {
        EXPECT_EQ(drawings.first + drawings.second, 5) << "frame " << picture;
        if (picture > 0)
        {
            EXPECT_EQ(drawings.first, 1) << "frame " << picture;
        }
    }
    // Frame 0's sub-frames before the start are all the start: five drawings of frame 0, no shorter steps.
    EXPECT_EQ(oddDrawings.at(0), std::make_pair(3, 2));
    EXPECT_EQ(oddPlan.PicturesDrawnBy(0), (std::vector<std::size_t>{0, 0, 0}));

    // Sub-frames never stray past half a frame either side, so a frame's drawings come from the two frames
    // before it, and the pictures are finished in order: the stream never waits on a later frame.
    const CaptureOptions even = Parsed({"--every", "--until", "2", "--motion-blur", "64", "--shutter", "1"});
    const CapturePlan evenPlan(even);
    std::map<std::size_t, long long> finishedAfter;
    for (long long frame = 0; frame <= evenPlan.LastFrame(); ++frame)
    {
        for (const CapturePlan::Drawing& drawing : evenPlan.DrawingsAfter(frame))
        {
            const long long pictureFrame = evenPlan.Pictures()[drawing.picture].frame;
            EXPECT_GE(frame, pictureFrame - 2);
            EXPECT_LT(frame, std::max(pictureFrame, 1LL));
            finishedAfter[drawing.picture] = frame;
        }
    }
    ASSERT_EQ(finishedAfter.size(), 121u);
    for (auto picture = std::next(finishedAfter.begin()); picture != finishedAfter.end(); ++picture)
    {
        EXPECT_GE(picture->second, std::prev(picture)->second) << "picture " << picture->first;
    }
}

TEST(CapturePlan, AChunkDrawsExactlyWhatTheWholeRunDrawsForItsFrames)
{
    const CaptureOptions whole = Parsed({"--every", "--until", "4", "--motion-blur", "6", "--shutter", "0.8"});
    const CaptureOptions chunk =
        Parsed({"--every", "--until", "4", "--motion-blur", "6", "--shutter", "0.8", "--frames", "120-179"});
    const CapturePlan wholePlan(whole);
    const CapturePlan chunkPlan(chunk);
    ASSERT_EQ(chunkPlan.Pictures().size(), 60u);
    EXPECT_EQ(chunkPlan.Pictures().front().frame, 120);
    // Its last frame's sub-frames are all drawn from the two frames before it: the run need not play it.
    EXPECT_EQ(chunkPlan.LastFrame(), 178);
    // Each of the chunk's drawings is one the whole run makes for the same frame, from the same frame, by the
    // same path.
    for (long long frame = 100; frame <= 179; ++frame)
    {
        std::multiset<std::tuple<long long, int, std::int64_t, std::int64_t>> wholeDrawings;
        for (const CapturePlan::Drawing& drawing : wholePlan.DrawingsAfter(frame))
        {
            const long long pictureFrame = wholePlan.Pictures()[drawing.picture].frame;
            if (pictureFrame >= 120 && pictureFrame <= 179)
            {
                wholeDrawings.emplace(pictureFrame, drawing.path.readingCount, drawing.path.readings[0],
                                      drawing.path.readings[1]);
            }
        }
        std::multiset<std::tuple<long long, int, std::int64_t, std::int64_t>> chunkDrawings;
        for (const CapturePlan::Drawing& drawing : chunkPlan.DrawingsAfter(frame))
        {
            chunkDrawings.emplace(chunkPlan.Pictures()[drawing.picture].frame, drawing.path.readingCount,
                                  drawing.path.readings[0], drawing.path.readings[1]);
        }
        EXPECT_EQ(chunkDrawings, wholeDrawings) << "frame " << frame;
    }
    EXPECT_TRUE(chunkPlan.StopsBefore(179));
    EXPECT_FALSE(chunkPlan.StopsBefore(178));
}
