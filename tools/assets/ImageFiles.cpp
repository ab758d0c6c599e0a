// DDS: the 124-byte legacy header with an RGB pixel format and masks R 0xFF, G 0xFF00, B 0xFF0000,
// A 0xFF000000, which readers map to R8G8B8A8_UNORM. BMP: BITMAPFILEHEADER + BITMAPINFOHEADER, BI_RGB, rows
// padded to four bytes and stored bottom-up, which every Windows decoder (GDI+ included) accepts.
#include "tools/assets/ImageFiles.h"

#include <cmath>

namespace
{

void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
    {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void PutU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

// Flag values as the DirectDraw Surface format defines them.
constexpr uint32_t kDdsdCaps = 0x1;
constexpr uint32_t kDdsdHeight = 0x2;
constexpr uint32_t kDdsdWidth = 0x4;
constexpr uint32_t kDdsdPitch = 0x8;
constexpr uint32_t kDdsdPixelFormat = 0x1000;
constexpr uint32_t kDdsdMipMapCount = 0x20000;
constexpr uint32_t kDdpfAlphaPixels = 0x1;
constexpr uint32_t kDdpfRgb = 0x40;
constexpr uint32_t kCapsComplex = 0x8;
constexpr uint32_t kCapsTexture = 0x1000;
constexpr uint32_t kCapsMipMap = 0x400000;

}   // namespace

std::vector<uint8_t> ImageFiles::EncodeDds(const Image& image, MipChain mips, bool isNormalMap)
{
    std::vector<Image> levels;
    levels.push_back(image);
    if (mips == MipChain::Full)
    {
        while (levels.back().Width() > 1 || levels.back().Height() > 1)
        {
            levels.push_back(levels.back().Downsampled(isNormalMap));
        }
    }
    const uint32_t width = static_cast<uint32_t>(image.Width());
    const uint32_t height = static_cast<uint32_t>(image.Height());
    const bool chain = levels.size() > 1;

    std::vector<uint8_t> out;
    PutU32(out, 0x20534444);   // "DDS "
    PutU32(out, 124);
    PutU32(out, kDdsdCaps | kDdsdHeight | kDdsdWidth | kDdsdPitch | kDdsdPixelFormat | (chain ? kDdsdMipMapCount : 0));
    PutU32(out, height);
    PutU32(out, width);
    PutU32(out, width * 4);   // pitch of the top level
    PutU32(out, 0);           // depth
    PutU32(out, chain ? static_cast<uint32_t>(levels.size()) : 0);
    for (int i = 0; i < 11; ++i)
    {
        PutU32(out, 0);
    }
    PutU32(out, 32);
    PutU32(out, kDdpfRgb | kDdpfAlphaPixels);
    PutU32(out, 0);
    PutU32(out, 32);
    PutU32(out, 0x000000FF);
    PutU32(out, 0x0000FF00);
    PutU32(out, 0x00FF0000);
    PutU32(out, 0xFF000000);
    PutU32(out, kCapsTexture | (chain ? kCapsComplex | kCapsMipMap : 0));
    for (int i = 0; i < 4; ++i)
    {
        PutU32(out, 0);   // caps2, caps3, caps4, reserved
    }
    for (const Image& level : levels)
    {
        const std::vector<uint8_t> bytes = level.ToRgba8();
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::vector<uint8_t> ImageFiles::EncodeBmp(const Image& image)
{
    const uint32_t width = static_cast<uint32_t>(image.Width());
    const uint32_t height = static_cast<uint32_t>(image.Height());
    const uint32_t rowBytes = (width * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowBytes * height;
    std::vector<uint8_t> out;
    out.reserve(54 + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    PutU32(out, 54 + pixelBytes);
    PutU32(out, 0);
    PutU32(out, 54);
    PutU32(out, 40);
    PutU32(out, width);
    PutU32(out, height);   // positive: rows stored bottom-up
    PutU16(out, 1);
    PutU16(out, 24);
    PutU32(out, 0);   // BI_RGB
    PutU32(out, pixelBytes);
    PutU32(out, 2835);   // 72 dpi
    PutU32(out, 2835);
    PutU32(out, 0);
    PutU32(out, 0);
    auto quantise = [](float v) {
        const float c = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
        return static_cast<uint8_t>(std::lround(c * 255.0f));
    };
    for (uint32_t row = 0; row < height; ++row)
    {
        const int y = static_cast<int>(height - 1 - row);
        for (uint32_t x = 0; x < width; ++x)
        {
            const Rgba& p = image.At(static_cast<int>(x), y);
            out.push_back(quantise(p.b));
            out.push_back(quantise(p.g));
            out.push_back(quantise(p.r));
        }
        for (uint32_t pad = width * 3; pad < rowBytes; ++pad)
        {
            out.push_back(0);
        }
    }
    return out;
}
