// An RGBA image of floats (0..1 per channel) that the texture painters fill, with the helpers they share:
// bilinear sampling with wrap-around, tangent-space normal maps from height fields and box-filtered mip levels.
// It writes no files itself (DdsWriter and BmpWriter do) and knows nothing about what it depicts.
#pragma once

#include "tools/assets/Vec3.h"

#include <cstdint>
#include <vector>

struct Rgba
{
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;

    constexpr Rgba() = default;
    constexpr Rgba(float ar, float ag, float ab, float aa = 1.0f) : r(ar), g(ag), b(ab), a(aa) {}
    constexpr Rgba(const Vec3& v, float aa = 1.0f) : r(v.x), g(v.y), b(v.z), a(aa) {}
    constexpr Vec3 Rgb() const { return {r, g, b}; }
};

class Image
{
public:
    Image() = default;
    Image(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Rgba& At(int x, int y)
    {
        return m_pixels[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
    }
    const Rgba& At(int x, int y) const
    {
        return m_pixels[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
    }
    // Bilinear, with both coordinates wrapping; u and v in texture units (0..1 spans the image once).
    Rgba Sample(float u, float v) const;

    // Half-size copy: 2x2 box filter (odd sizes keep their last row or column). Normal maps are renormalised.
    Image Downsampled(bool isNormalMap) const;

    // A tangent-space normal map (rgb = normal * 0.5 + 0.5) from a wrapping height field of the same size.
    // `strength` scales the slopes: heights are in texels of this size times `strength`. The green channel
    // follows the engine's tangent frame, whose bitangent points down the image (towards increasing v).
    static Image NormalsFromHeight(const std::vector<float>& height, int width, int height_, float strength);

    // 8-bit RGBA bytes, rounded and clamped, rows from the top.
    std::vector<uint8_t> ToRgba8() const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<Rgba> m_pixels;
};
