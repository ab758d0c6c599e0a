// The capture's writer thread: frames reach the stream once each and in order whatever order their drawings
// finish in, a blurred picture is written once its last sub-frame arrives, and files get their names.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "tests/ScratchDirectory.h"
#include "tools/capture/PictureWriter.h"

namespace
{
CaptureOptions Parsed(std::vector<std::string> args)
{
    CaptureOptions options;
    const auto error = ParseCaptureOptions(args, options);
    EXPECT_FALSE(error) << *error;
    return options;
}

FrameImage Grey(int width, int height, std::uint8_t value)
{
    FrameImage image;
    image.width = width;
    image.height = height;
    image.rgba.assign(static_cast<std::size_t>(width) * height * 4, value);
    return image;
}

std::vector<std::uint8_t> ReadAll(std::FILE* file)
{
    std::rewind(file);
    std::vector<std::uint8_t> bytes;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
    {
        bytes.push_back(static_cast<std::uint8_t>(c));
    }
    return bytes;
}
}

TEST(PictureWriter, TheStreamHasEachFrameOnceAndInOrderHoweverTheirDrawingsArrive)
{
    ScratchDirectory scratch;
    const CaptureOptions options = Parsed({"--stream", "--size", "16x16", "--fps", "4", "--until", "1"});
    const CapturePlan plan(options);
    ASSERT_EQ(plan.Pictures().size(), 5u);
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    {
        PictureWriter writer(options, plan, scratch.Path(), stream);
        for (const std::size_t frame : {1u, 0u, 3u, 2u, 4u})
        {
            writer.Add(frame, Grey(16, 16, static_cast<std::uint8_t>(10 * frame)));
        }
        writer.Finish();
        EXPECT_EQ(writer.FinishedCount(), 5);
        EXPECT_FALSE(writer.Failed());
        EXPECT_FALSE(writer.StreamFailed());
    }
    const std::vector<std::uint8_t> bytes = ReadAll(stream);
    std::fclose(stream);
    ASSERT_EQ(bytes.size(), 5u * 16 * 16 * 3);
    for (std::size_t frame = 0; frame < 5; ++frame)
    {
        EXPECT_EQ(bytes[frame * 16 * 16 * 3], static_cast<std::uint8_t>(10 * frame));
        EXPECT_EQ(bytes[(frame + 1) * 16 * 16 * 3 - 1], static_cast<std::uint8_t>(10 * frame));
    }
}

TEST(PictureWriter, ABlurredSupersampledPictureIsWrittenOnceWithItsLastSubFrame)
{
    ScratchDirectory scratch;
    const CaptureOptions options = Parsed({"--every", "--stream", "--size", "16x16", "--supersample", "2",
                                           "--motion-blur", "2", "--fps", "4", "--until", "0.25", "--at", "0.1"});
    const CapturePlan plan(options);
    ASSERT_EQ(plan.Pictures().size(), 3u);   // frames 0 and 1, then the moment
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    PictureWriter writer(options, plan, scratch.Path(), stream);
    writer.Add(1, Grey(32, 32, 0));
    writer.Add(0, Grey(32, 32, 90));
    writer.Add(2, Grey(32, 32, 200));
    writer.Finish();
    EXPECT_EQ(writer.FinishedCount(), 0) << "nothing is finished before its last sub-frame";
    EXPECT_TRUE(ReadAll(stream).empty());
    writer.Add(0, Grey(32, 32, 90));
    writer.Add(1, Grey(32, 32, 255));
    writer.Add(2, Grey(32, 32, 200));
    writer.Finish();
    EXPECT_EQ(writer.FinishedCount(), 3);
    EXPECT_EQ(writer.SavedMoments(), std::set<double>{0.1});
    EXPECT_TRUE(std::filesystem::exists(scratch.Path() / "frame-000000.png"));
    EXPECT_TRUE(std::filesystem::exists(scratch.Path() / "frame-000001.png"));
    EXPECT_TRUE(std::filesystem::exists(scratch.Path() / "t0.100.png"));
    const std::vector<std::uint8_t> bytes = ReadAll(stream);
    ASSERT_EQ(bytes.size(), 2u * 16 * 16 * 3) << "the moment is not a frame of the stream";
    EXPECT_EQ(bytes.front(), std::uint8_t{90});
    EXPECT_EQ(bytes.back(), std::uint8_t{188}) << "black and white sub-frames make half the light";
    std::fclose(stream);

    // A drawing of a size that does not fit fails the run instead of scrambling the pictures.
    writer.Add(0, Grey(30, 32, 0));
    writer.Finish();
    EXPECT_TRUE(writer.Failed());
}
