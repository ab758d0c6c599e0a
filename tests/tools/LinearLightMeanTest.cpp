// Supersampling and motion blur's one operation: the mean of drawings in linear light. Every byte survives the
// round trip, a mean of identical drawings is the drawing, and black and white average to the sRGB of half the
// light, not to half the byte.
#include <gtest/gtest.h>

#include "tools/capture/LinearLightMean.h"

namespace
{
FrameImage Filled(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    FrameImage image;
    image.width = width;
    image.height = height;
    image.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < image.rgba.size(); i += 4)
    {
        image.rgba[i] = r;
        image.rgba[i + 1] = g;
        image.rgba[i + 2] = b;
        image.rgba[i + 3] = 255;
    }
    return image;
}
}

TEST(LinearLightMean, EveryByteComesBackToItselfAndDarkerStaysDarker)
{
    for (int byte = 0; byte < 256; ++byte)
    {
        const auto value = static_cast<std::uint8_t>(byte);
        EXPECT_EQ(LinearLightMean::Encode(LinearLightMean::Decode(value)), value);
        if (byte > 0)
        {
            EXPECT_LT(LinearLightMean::Decode(static_cast<std::uint8_t>(byte - 1)), LinearLightMean::Decode(value));
        }
    }
    EXPECT_EQ(LinearLightMean::Decode(0), std::uint16_t{0});
    EXPECT_EQ(LinearLightMean::Decode(255), std::uint16_t{65535});
}

TEST(LinearLightMean, TheMeanOfIdenticalDrawingsIsTheDrawingByteForByte)
{
    // A picture with every byte value in it, averaged from five identical drawings, and supersampled from blocks
    // of identical samples.
    FrameImage drawing = Filled(16, 16, 0, 0, 0);
    for (std::size_t pixel = 0; pixel < 256; ++pixel)
    {
        drawing.rgba[pixel * 4] = static_cast<std::uint8_t>(pixel);
        drawing.rgba[pixel * 4 + 1] = static_cast<std::uint8_t>(255 - pixel);
        drawing.rgba[pixel * 4 + 2] = static_cast<std::uint8_t>(pixel * 7);
    }
    LinearLightMean blur(16, 16, 1);
    for (int i = 0; i < 5; ++i)
    {
        ASSERT_TRUE(blur.Add(drawing));
    }
    EXPECT_EQ(blur.Count(), 5);
    EXPECT_EQ(blur.Resolve().rgba, drawing.rgba);

    FrameImage large = Filled(64, 64, 0, 0, 0);
    for (int y = 0; y < 64; ++y)
    {
        for (int x = 0; x < 64; ++x)
        {
            for (int channel = 0; channel < 4; ++channel)
            {
                large.rgba[(y * 64 + x) * 4 + channel] = drawing.rgba[((y / 4) * 16 + x / 4) * 4 + channel];
            }
        }
    }
    LinearLightMean supersampled(16, 16, 4);
    ASSERT_TRUE(supersampled.Add(large));
    EXPECT_EQ(supersampled.Resolve().rgba, drawing.rgba);
}

TEST(LinearLightMean, BlackAndWhiteAverageToHalfTheLightInEachWayOfAveraging)
{
    // A 2 x 2 block of two black and two white samples, and two drawings, one black and one white: half the light
    // is sRGB 188 (0.5 ^ (1 / 2.4) encoded), where averaging the bytes would give 128.
    FrameImage checker = Filled(2, 2, 0, 0, 0);
    for (const int white : {1, 2})
    {
        for (int channel = 0; channel < 3; ++channel)
        {
            checker.rgba[white * 4 + channel] = 255;
        }
    }
    LinearLightMean block(1, 1, 2);
    ASSERT_TRUE(block.Add(checker));
    EXPECT_EQ(block.Resolve().rgba, (std::vector<std::uint8_t>{188, 188, 188, 255}));

    LinearLightMean twoDrawings(3, 2, 1);
    ASSERT_TRUE(twoDrawings.Add(Filled(3, 2, 0, 255, 40)));
    ASSERT_TRUE(twoDrawings.Add(Filled(3, 2, 255, 255, 40)));
    const FrameImage mean = twoDrawings.Resolve();
    EXPECT_EQ(mean.rgba[0], std::uint8_t{188});
    EXPECT_EQ(mean.rgba[1], std::uint8_t{255});
    EXPECT_EQ(mean.rgba[2], std::uint8_t{40});

    // Cleared, it starts again; a drawing of the wrong size is not taken.
    twoDrawings.Clear();
    EXPECT_EQ(twoDrawings.Count(), 0);
    EXPECT_FALSE(twoDrawings.Add(Filled(6, 4, 0, 0, 0)));
    EXPECT_EQ(twoDrawings.Resolve().rgba[0], std::uint8_t{0});
}
