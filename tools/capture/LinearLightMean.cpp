// The mean of drawings in linear light: see LinearLightMean.h.
#include "tools/capture/LinearLightMean.h"

#include <array>
#include <cmath>

namespace
{
constexpr int kLinearMax = 65535;

// The sRGB transfer functions (IEC 61966-2-1), on values from 0 to 1.
double ToLinear(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

double ToEncoded(double linear)
{
    return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

const std::array<std::uint16_t, 256>& DecodeTable()
{
    static const std::array<std::uint16_t, 256> table = [] {
        std::array<std::uint16_t, 256> values{};
        for (int byte = 0; byte < 256; ++byte)
        {
            values[byte] = static_cast<std::uint16_t>(std::lround(ToLinear(byte / 255.0) * kLinearMax));
        }
        return values;
    }();
    return table;
}

const std::vector<std::uint8_t>& EncodeTable()
{
    static const std::vector<std::uint8_t> table = [] {
        std::vector<std::uint8_t> values(kLinearMax + 1);
        for (int linear = 0; linear <= kLinearMax; ++linear)
        {
            values[linear] = static_cast<std::uint8_t>(std::lround(ToEncoded(linear / double(kLinearMax)) * 255.0));
        }
        return values;
    }();
    return table;
}
}

std::uint16_t LinearLightMean::Decode(std::uint8_t encoded)
{
    return DecodeTable()[encoded];
}

std::uint8_t LinearLightMean::Encode(std::uint16_t linear)
{
    return EncodeTable()[linear];
}

LinearLightMean::LinearLightMean(int width, int height, int factor)
    : m_width(width), m_height(height), m_factor(factor),
      m_sums(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0)
{
}

bool LinearLightMean::Add(const FrameImage& drawing)
{
    if (drawing.width != m_width * m_factor || drawing.height != m_height * m_factor ||
        drawing.rgba.size() != static_cast<std::size_t>(drawing.width) * drawing.height * 4)
    {
        return false;
    }
    const std::array<std::uint16_t, 256>& decode = DecodeTable();
    const std::size_t drawingRow = static_cast<std::size_t>(drawing.width) * 4;
    for (int y = 0; y < m_height; ++y)
    {
        std::uint32_t* const sums = m_sums.data() + static_cast<std::size_t>(y) * m_width * 3;
        for (int row = 0; row < m_factor; ++row)
        {
            const std::uint8_t* source =
                drawing.rgba.data() + (static_cast<std::size_t>(y) * m_factor + row) * drawingRow;
            for (int x = 0; x < m_width; ++x)
            {
                std::uint32_t r = 0;
                std::uint32_t g = 0;
                std::uint32_t b = 0;
                for (int column = 0; column < m_factor; ++column, source += 4)
                {
                    r += decode[source[0]];
                    g += decode[source[1]];
                    b += decode[source[2]];
                }
                sums[x * 3] += r;
                sums[x * 3 + 1] += g;
                sums[x * 3 + 2] += b;
            }
        }
    }
    ++m_count;
    return true;
}

FrameImage LinearLightMean::Resolve() const
{
    FrameImage picture;
    picture.width = m_width;
    picture.height = m_height;
    picture.rgba.assign(static_cast<std::size_t>(m_width) * m_height * 4, 255);
    const std::uint64_t samples = static_cast<std::uint64_t>(m_count) * m_factor * m_factor;
    if (samples == 0)
    {
        for (std::size_t i = 0; i < picture.rgba.size(); i += 4)
        {
            picture.rgba[i] = picture.rgba[i + 1] = picture.rgba[i + 2] = 0;
        }
        return picture;
    }
    const std::vector<std::uint8_t>& encode = EncodeTable();
    const std::size_t pixels = static_cast<std::size_t>(m_width) * m_height;
    for (std::size_t pixel = 0; pixel < pixels; ++pixel)
    {
        for (int channel = 0; channel < 3; ++channel)
        {
            // Rounded to nearest, so that identical samples give back exactly their own value.
            const std::uint64_t mean = (m_sums[pixel * 3 + channel] + samples / 2) / samples;
            picture.rgba[pixel * 4 + channel] = encode[mean];
        }
    }
    return picture;
}

void LinearLightMean::Clear()
{
    std::fill(m_sums.begin(), m_sums.end(), 0);
    m_count = 0;
}
