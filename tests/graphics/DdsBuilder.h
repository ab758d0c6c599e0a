// Writes small DirectDraw Surface files for tests: a header from a few fields, then whatever data the test gives.
// It does no validation of its own, so tests can build inconsistent files on purpose.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

struct DdsBuilder
{
    static constexpr uint32_t kPfAlpha = 0x2;
    static constexpr uint32_t kPfFourCC = 0x4;
    static constexpr uint32_t kPfRgb = 0x40;
    static constexpr uint32_t kPfLuminance = 0x20000;
    static constexpr uint32_t kFlagDepth = 0x800000;
    static constexpr uint32_t kCaps2CubeMap = 0x200;
    static constexpr uint32_t kCaps2AllFaces = 0xFC00;
    static constexpr uint32_t kCaps2Volume = 0x200000;

    uint32_t magic = 0x20534444;
    uint32_t headerSize = 124;
    uint32_t flags = 0x1007;   // caps, height, width, pixel format
    uint32_t height = 1;
    uint32_t width = 1;
    uint32_t depth = 0;
    uint32_t mipCount = 0;
    uint32_t pfSize = 32;
    uint32_t pfFlags = kPfRgb;
    uint32_t fourCC = 0;
    uint32_t bits = 32;
    uint32_t masks[4] = {0xFF, 0xFF00, 0xFF0000, 0xFF000000};
    uint32_t caps2 = 0;

    bool dx10 = false;
    uint32_t dxgiFormat = 28;
    uint32_t dimension = 3;
    uint32_t misc = 0;
    uint32_t arraySize = 1;

    std::vector<uint8_t> data;

    static uint32_t Code(const char* text)
    {
        return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
               (static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8) |
               (static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16) |
               (static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24);
    }

    // A legacy RGB file with the given masks.
    static DdsBuilder Rgb(uint32_t bitCount, uint32_t r, uint32_t g, uint32_t b, uint32_t a)
    {
        DdsBuilder d;
        d.pfFlags = kPfRgb;
        d.bits = bitCount;
        d.masks[0] = r;
        d.masks[1] = g;
        d.masks[2] = b;
        d.masks[3] = a;
        return d;
    }

    // A legacy file named by a four-character code or a numeric format code.
    static DdsBuilder WithFourCC(uint32_t code)
    {
        DdsBuilder d;
        d.pfFlags = kPfFourCC;
        d.fourCC = code;
        d.bits = 0;
        d.masks[0] = d.masks[1] = d.masks[2] = d.masks[3] = 0;
        return d;
    }

    static DdsBuilder Dx10(uint32_t format, uint32_t dim = 3, uint32_t array = 1, uint32_t miscFlags = 0)
    {
        DdsBuilder d = WithFourCC(Code("DX10"));
        d.dx10 = true;
        d.dxgiFormat = format;
        d.dimension = dim;
        d.arraySize = array;
        d.misc = miscFlags;
        return d;
    }

    // Appends `count` bytes counting up from `first`, so that surfaces are told apart by their contents.
    DdsBuilder& Fill(size_t count, uint8_t first = 0)
    {
        for (size_t i = 0; i < count; ++i)
        {
            data.push_back(static_cast<uint8_t>(first + i));
        }
        return *this;
    }

    std::vector<uint8_t> Build() const
    {
        std::vector<uint8_t> out;
        auto put = [&out](uint32_t v) {
            for (int i = 0; i < 4; ++i)
            {
                out.push_back(static_cast<uint8_t>(v >> (8 * i)));
            }
        };
        put(magic);
        put(headerSize);
        put(flags);
        put(height);
        put(width);
        put(0);   // pitch or linear size: readers compute it
        put(depth);
        put(mipCount);
        for (int i = 0; i < 11; ++i)
        {
            put(0);
        }
        put(pfSize);
        put(pfFlags);
        put(fourCC);
        put(bits);
        for (uint32_t m : masks)
        {
            put(m);
        }
        put(0x1000);   // caps: texture
        put(caps2);
        put(0);
        put(0);
        put(0);
        if (dx10)
        {
            put(dxgiFormat);
            put(dimension);
            put(misc);
            put(arraySize);
            put(0);
        }
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }

    void Write(const std::string& path) const
    {
        const std::vector<uint8_t> bytes = Build();
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};
