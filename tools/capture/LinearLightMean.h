// The mean of drawings in linear light, which both supersampling and motion blur come down to: each picture
// pixel is the mean, over every drawing added, of the factor x factor block of the drawing's pixels that lands
// on it. The back buffer holds sRGB-encoded values, and light adds up linearly, so each sample is decoded
// first (to 16 bits, enough that every byte comes back to itself), summed, and the mean encoded again. A mean
// of one drawing, or of identical ones, is that drawing, byte for byte. Portable.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/formats/FrameImage.h"

class LinearLightMean
{
public:
    // The picture's size: each drawing added is `factor` times as large each way.
    LinearLightMean(int width, int height, int factor);

    // Adds one drawing; false (nothing added) when it is not the size this mean takes.
    bool Add(const FrameImage& drawing);
    // Drawings added so far.
    int Count() const { return m_count; }
    // The mean of the drawings so far as an opaque picture; all black before the first.
    FrameImage Resolve() const;
    // Back to no drawing, keeping the memory.
    void Clear();

    // The 16-bit linear value of an sRGB byte, and the sRGB byte nearest to a 16-bit linear value.
    static std::uint16_t Decode(std::uint8_t encoded);
    static std::uint8_t Encode(std::uint16_t linear);

private:
    int m_width;
    int m_height;
    int m_factor;
    int m_count = 0;
    // Sums of the decoded samples, three per picture pixel: at most 64 sub-frames of 4 x 4 samples of 65535.
    std::vector<std::uint32_t> m_sums;
};
