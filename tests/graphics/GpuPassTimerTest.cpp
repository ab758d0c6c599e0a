// The device timer: switched on in the application's graphics object, every frame drawn is reported once and in
// order, a measured one with a figure for every pass that together make up the frame, and not a pixel changes;
// switched off, the scene is left alone; a frame cut short is not counted. And which answers give figures at
// all: a disjoint interval, no frequency or a clock running backwards give none.
#include "app/SystemClass.h"
#include "graphics/BackBufferReader.h"
#include "graphics/GpuPassTimer.h"
#include "graphics/GraphicsClass.h"
#include "scene/Scene3.h"
#include "tests/graphics/GraphicsHarness.h"

#include <gtest/gtest.h>

#include <vector>

using Outcome = GpuFrameTimes::Outcome;

TEST(GpuPassTimer, EveryFrameIsReportedInOrderWithPassesThatMakeUpTheFrameAndNoPixelChanges)
{
    GraphicsClass& graphics = SystemClass::GetGraphics();
    SceneTree& tree = graphics_harness::ApplicationScene().GetSceneTree();
    BackBufferReader reader;
    bool read = true;
    std::vector<uint8_t> picture;
    SystemClass::GetApplication()->Settings().beforePresent = [&] {
        if (read)
        {
            picture =
                reader.Read(graphics_harness::SwapChain(), graphics_harness::Device(), graphics_harness::Context())
                    .rgba;
        }
    };
    ASSERT_TRUE(graphics.Frame());
    const std::vector<uint8_t> untimed = picture;
    ASSERT_FALSE(untimed.empty());

    graphics.SetGpuTiming(true);
    const GpuPassTimer* timer = graphics.GetGpuTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(tree.GetPassListener(), timer);
    constexpr std::size_t kFrames = 40;
    std::vector<GpuFrameTimes> reported;
    for (std::size_t frame = 0; frame < kFrames; ++frame)
    {
        // Only the first and the last picture are read back: a read-back waits for the device, and the frames
        // between must run ahead of it as they do in the engine.
        read = frame == 0 || frame + 1 == kFrames;
        picture.clear();
        ASSERT_TRUE(graphics.Frame());
        if (read)
        {
            EXPECT_EQ(picture, untimed) << "frame " << frame;
        }
        reported.insert(reported.end(), timer->Reported().begin(), timer->Reported().end());
    }
    SystemClass::GetApplication()->Settings().beforePresent = {};

    // Only the last few answers may still be out.
    ASSERT_GE(reported.size(), kFrames - GpuPassTimer::kRingDepth);
    std::size_t measured = 0;
    for (std::size_t frame = 0; frame < reported.size(); ++frame)
    {
        const GpuFrameTimes& times = reported[frame];
        EXPECT_EQ(times.frame, frame);
        if (!timer->HasTimestamps())
        {
            EXPECT_EQ(times.outcome, Outcome::NotMeasured) << "a device without timestamps reads n/a throughout";
        }
        if (times.outcome != Outcome::Measured)
        {
            continue;
        }
        ++measured;
        double passes = 0.0;
        for (int pass = 0; pass < GpuFrameTimes::kPassCount; ++pass)
        {
            ASSERT_TRUE(times.passMs[pass].has_value()) << GpuFrameTimes::kPassNames[pass] << " in frame " << frame;
            EXPECT_GE(*times.passMs[pass], 0.0);
            passes += *times.passMs[pass];
        }
        ASSERT_TRUE(times.frameMs.has_value());
        EXPECT_LE(passes, *times.frameMs * (1.0 + 1e-9)) << "frame " << frame;
        EXPECT_GT(*times.frameMs, 0.0);
    }
    if (timer->HasTimestamps())
    {
        EXPECT_GT(measured, reported.size() / 2);
    }

    graphics.SetGpuTiming(false);
    EXPECT_EQ(graphics.GetGpuTimer(), nullptr);
    EXPECT_EQ(tree.GetPassListener(), nullptr);
    EXPECT_TRUE(graphics.Frame());
}

TEST(GpuPassTimer, AFrameCutShortIsNotCountedAndTheFramesAfterItAre)
{
    GpuPassTimer timer(graphics_harness::Device());
    ID3D11DeviceContext* context = graphics_harness::Context();
    timer.BeginFrame(context);   // its drawing threw: it never ends
    std::vector<GpuFrameTimes> reported;
    for (int frame = 1; frame <= 8; ++frame)
    {
        timer.BeginFrame(context);
        timer.EndFrame(context);
        reported.insert(reported.end(), timer.Reported().begin(), timer.Reported().end());
    }
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported[0].outcome, timer.HasTimestamps() ? Outcome::Lost : Outcome::NotMeasured);
    for (std::size_t frame = 0; frame < reported.size(); ++frame)
    {
        EXPECT_EQ(reported[frame].frame, frame);
    }
}

TEST(GpuPassTimer, OnlyAnswersTheDeviceStandsByGiveFigures)
{
    constexpr std::uint64_t kNanoseconds = 1'000'000'000;
    // Boundaries: frame begin, meshes, sky, post, overlay, frame end (after Present).
    GpuPassTimer::Ticks ticks = {1'000'000, 3'000'000, 3'000'000, 7'500'000, 8'000'000, 9'000'000};
    const GpuFrameTimes times = GpuPassTimer::Resolve(12, kNanoseconds, false, ticks);
    EXPECT_EQ(times.frame, 12u);
    ASSERT_EQ(times.outcome, Outcome::Measured);
    EXPECT_DOUBLE_EQ(*times.passMs[GpuFrameTimes::Meshes], 2.0);
    EXPECT_DOUBLE_EQ(*times.passMs[GpuFrameTimes::Sky], 0.0);
    EXPECT_DOUBLE_EQ(*times.passMs[GpuFrameTimes::Post], 4.5);
    EXPECT_DOUBLE_EQ(*times.passMs[GpuFrameTimes::Overlay], 0.5);
    EXPECT_DOUBLE_EQ(*times.passMs[GpuFrameTimes::Present], 1.0);
    EXPECT_DOUBLE_EQ(*times.frameMs, 8.0);
    EXPECT_DOUBLE_EQ(*GpuPassTimer::Resolve(0, 1000, false, ticks).frameMs, 8'000'000.0) << "ticks of 1 ms";

    // A boundary the frame did not reach: no figure for the pass ending there; the next one takes its time.
    GpuPassTimer::Ticks skipped = ticks;
    skipped[GpuPassTimer::SkyEnd].reset();
    const GpuFrameTimes withoutSky = GpuPassTimer::Resolve(12, kNanoseconds, false, skipped);
    EXPECT_FALSE(withoutSky.passMs[GpuFrameTimes::Sky].has_value());
    EXPECT_DOUBLE_EQ(*withoutSky.passMs[GpuFrameTimes::Post], 4.5);

    GpuPassTimer::Ticks backwards = ticks;
    backwards[GpuPassTimer::PostEnd] = 2'000'000;
    for (const GpuFrameTimes& none :
         {GpuPassTimer::Resolve(12, kNanoseconds, true, ticks), GpuPassTimer::Resolve(12, 0, false, ticks),
          GpuPassTimer::Resolve(12, kNanoseconds, false, backwards)})
    {
        EXPECT_EQ(none.outcome, Outcome::NotMeasured);
        EXPECT_FALSE(none.frameMs.has_value());
        for (const std::optional<double>& pass : none.passMs)
        {
            EXPECT_FALSE(pass.has_value());
        }
    }
}
