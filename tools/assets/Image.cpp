// Image storage, sampling, normal-map derivation and mip reduction for the texture painters.
#include "tools/assets/Image.h"

#include <cmath>

Image::Image(int width, int height)
    : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width) * static_cast<size_t>(height))
{
}

Rgba Image::Sample(float u, float v) const
{
    const float x = u * static_cast<float>(m_width) - 0.5f;
    const float y = v * static_cast<float>(m_height) - 0.5f;
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const float tx = x - fx;
    const float ty = y - fy;
    auto wrap = [](int value, int size) {
        const int r = value % size;
        return r < 0 ? r + size : r;
    };
    const int x0 = wrap(static_cast<int>(fx), m_width);
    const int y0 = wrap(static_cast<int>(fy), m_height);
    const int x1 = (x0 + 1) % m_width;
    const int y1 = (y0 + 1) % m_height;
    const Rgba& a = At(x0, y0);
    const Rgba& b = At(x1, y0);
    const Rgba& c = At(x0, y1);
    const Rgba& d = At(x1, y1);
    auto blend = [&](float pa, float pb, float pc, float pd) {
        return (pa * (1.0f - tx) + pb * tx) * (1.0f - ty) + (pc * (1.0f - tx) + pd * tx) * ty;
    };
    return {blend(a.r, b.r, c.r, d.r), blend(a.g, b.g, c.g, d.g), blend(a.b, b.b, c.b, d.b), blend(a.a, b.a, c.a, d.a)};
}

Image Image::Downsampled(bool isNormalMap) const
{
    const int width = m_width > 1 ? m_width / 2 : 1;
    const int height = m_height > 1 ? m_height / 2 : 1;
    Image out(width, height);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const int sx0 = m_width > 1 ? 2 * x : 0;
            const int sy0 = m_height > 1 ? 2 * y : 0;
            const int sx1 = m_width > 1 ? sx0 + 1 : 0;
            const int sy1 = m_height > 1 ? sy0 + 1 : 0;
            const Rgba& a = At(sx0, sy0);
            const Rgba& b = At(sx1, sy0);
            const Rgba& c = At(sx0, sy1);
            const Rgba& d = At(sx1, sy1);
            Rgba sum{(a.r + b.r + c.r + d.r) * 0.25f, (a.g + b.g + c.g + d.g) * 0.25f, (a.b + b.b + c.b + d.b) * 0.25f,
                     (a.a + b.a + c.a + d.a) * 0.25f};
            if (isNormalMap)
            {
                Vec3 n = Normalize(Vec3{sum.r * 2.0f - 1.0f, sum.g * 2.0f - 1.0f, sum.b * 2.0f - 1.0f});
                if (n.z <= 0.0f)
                {
                    n = {0.0f, 0.0f, 1.0f};
                }
                sum = Rgba{n.x * 0.5f + 0.5f, n.y * 0.5f + 0.5f, n.z * 0.5f + 0.5f, 1.0f};
            }
            out.At(x, y) = sum;
        }
    }
    return out;
}

Image Image::NormalsFromHeight(const std::vector<float>& height, int width, int height_, float strength)
{
    Image out(width, height_);
    auto h = [&](int x, int y) {
        x = (x % width + width) % width;
        y = (y % height_ + height_) % height_;
        return height[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    };
    for (int y = 0; y < height_; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            // Sobel slopes; +x is the tangent (increasing u), +y the bitangent (increasing v, down the image).
            const float dx = (h(x + 1, y - 1) + 2.0f * h(x + 1, y) + h(x + 1, y + 1)) -
                             (h(x - 1, y - 1) + 2.0f * h(x - 1, y) + h(x - 1, y + 1));
            const float dy = (h(x - 1, y + 1) + 2.0f * h(x, y + 1) + h(x + 1, y + 1)) -
                             (h(x - 1, y - 1) + 2.0f * h(x, y - 1) + h(x + 1, y - 1));
            const Vec3 n = Normalize(Vec3{-dx * strength * 0.125f, -dy * strength * 0.125f, 1.0f});
            out.At(x, y) = Rgba{n.x * 0.5f + 0.5f, n.y * 0.5f + 0.5f, n.z * 0.5f + 0.5f, 1.0f};
        }
    }
    return out;
}

std::vector<uint8_t> Image::ToRgba8() const
{
    std::vector<uint8_t> bytes;
    bytes.reserve(m_pixels.size() * 4);
    auto quantise = [](float v) {
        const float c = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
        return static_cast<uint8_t>(std::lround(c * 255.0f));
    };
    for (const Rgba& p : m_pixels)
    {
        bytes.push_back(quantise(p.r));
        bytes.push_back(quantise(p.g));
        bytes.push_back(quantise(p.b));
        bytes.push_back(quantise(p.a));
    }
    return bytes;
}
