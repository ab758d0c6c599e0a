// Every row of the legacy DDS pixel-format table as a test file builder with its expected DXGI format, shared by
// the parser tests and the device tests. Each row knows how many bytes a 4 x 4 image of it takes.
#pragma once

#include "graphics/formats/DdsFile.h"
#include "tests/graphics/DdsBuilder.h"

#include <vector>

namespace dds_table
{

struct LegacyRow
{
    const char* name;
    DdsBuilder builder;
    DdsFormat expected;
    uint32_t bytesPerTexel;   // 0 for block-compressed rows (one 4x4 block is given instead)
};

inline DdsBuilder Luminance(uint32_t bits, uint32_t r, uint32_t a)
{
    DdsBuilder d = DdsBuilder::Rgb(bits, r, 0, 0, a);
    d.pfFlags = DdsBuilder::kPfLuminance;
    return d;
}

inline DdsBuilder AlphaOnly()
{
    DdsBuilder d = DdsBuilder::Rgb(8, 0, 0, 0, 0xFF);
    d.pfFlags = DdsBuilder::kPfAlpha;
    return d;
}

inline DdsBuilder Code(const char* text)
{
    return DdsBuilder::WithFourCC(DdsBuilder::Code(text));
}

inline std::vector<LegacyRow> LegacyRows()
{
    return {
        {"RGBA8", DdsBuilder::Rgb(32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000), DdsFormat::R8G8B8A8_UNORM, 4},
        {"BGRA8", DdsBuilder::Rgb(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000), DdsFormat::B8G8R8A8_UNORM, 4},
        {"BGRX8", DdsBuilder::Rgb(32, 0xFF0000, 0xFF00, 0xFF, 0), DdsFormat::B8G8R8X8_UNORM, 4},
        {"RGB10A2", DdsBuilder::Rgb(32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000), DdsFormat::R10G10B10A2_UNORM, 4},
        {"RG16", DdsBuilder::Rgb(32, 0xFFFF, 0xFFFF0000, 0, 0), DdsFormat::R16G16_UNORM, 4},
        {"R32F", DdsBuilder::Rgb(32, 0xFFFFFFFF, 0, 0, 0), DdsFormat::R32_FLOAT, 4},
        {"BGR5A1", DdsBuilder::Rgb(16, 0x7C00, 0x3E0, 0x1F, 0x8000), DdsFormat::B5G5R5A1_UNORM, 2},
        {"B5G6R5", DdsBuilder::Rgb(16, 0xF800, 0x7E0, 0x1F, 0), DdsFormat::B5G6R5_UNORM, 2},
        {"BGRA4", DdsBuilder::Rgb(16, 0xF00, 0xF0, 0xF, 0xF000), DdsFormat::B4G4R4A4_UNORM, 2},
        {"L8", Luminance(8, 0xFF, 0), DdsFormat::R8_UNORM, 1},
        {"L16", Luminance(16, 0xFFFF, 0), DdsFormat::R16_UNORM, 2},
        {"L8A8", Luminance(16, 0xFF, 0xFF00), DdsFormat::R8G8_UNORM, 2},
        {"A8", AlphaOnly(), DdsFormat::A8_UNORM, 1},
        {"DXT1", Code("DXT1"), DdsFormat::BC1_UNORM, 0},
        {"DXT2", Code("DXT2"), DdsFormat::BC2_UNORM, 0},
        {"DXT3", Code("DXT3"), DdsFormat::BC2_UNORM, 0},
        {"DXT4", Code("DXT4"), DdsFormat::BC3_UNORM, 0},
        {"DXT5", Code("DXT5"), DdsFormat::BC3_UNORM, 0},
        {"ATI1", Code("ATI1"), DdsFormat::BC4_UNORM, 0},
        {"BC4U", Code("BC4U"), DdsFormat::BC4_UNORM, 0},
        {"BC4S", Code("BC4S"), DdsFormat::BC4_SNORM, 0},
        {"ATI2", Code("ATI2"), DdsFormat::BC5_UNORM, 0},
        {"BC5U", Code("BC5U"), DdsFormat::BC5_UNORM, 0},
        {"BC5S", Code("BC5S"), DdsFormat::BC5_SNORM, 0},
        {"RGBG", Code("RGBG"), DdsFormat::R8G8_B8G8_UNORM, 4},
        {"GRGB", Code("GRGB"), DdsFormat::G8R8_G8B8_UNORM, 4},
        {"YUY2", Code("YUY2"), DdsFormat::YUY2, 4},
        {"code36", DdsBuilder::WithFourCC(36), DdsFormat::R16G16B16A16_UNORM, 8},
        {"code110", DdsBuilder::WithFourCC(110), DdsFormat::R16G16B16A16_SNORM, 8},
        {"code111", DdsBuilder::WithFourCC(111), DdsFormat::R16_FLOAT, 2},
        {"code112", DdsBuilder::WithFourCC(112), DdsFormat::R16G16_FLOAT, 4},
        {"code113", DdsBuilder::WithFourCC(113), DdsFormat::R16G16B16A16_FLOAT, 8},
        {"code114", DdsBuilder::WithFourCC(114), DdsFormat::R32_FLOAT, 4},
        {"code115", DdsBuilder::WithFourCC(115), DdsFormat::R32G32_FLOAT, 8},
        {"code116", DdsBuilder::WithFourCC(116), DdsFormat::R32G32B32A32_FLOAT, 16},
    };
}

// The bytes of a 4 x 4 image: sixteen texels, one 4 x 4 block for the compressed formats, or eight texel
// pairs for the formats that pack two texels in 32 bits.
inline size_t FourByFourBytes(const LegacyRow& row)
{
    if (row.bytesPerTexel == 0)
    {
        const bool eightByteBlock = row.expected == DdsFormat::BC1_UNORM || row.expected == DdsFormat::BC4_UNORM ||
                                    row.expected == DdsFormat::BC4_SNORM;
        return eightByteBlock ? 8 : 16;
    }
    const bool pair = row.expected == DdsFormat::R8G8_B8G8_UNORM || row.expected == DdsFormat::G8R8_G8B8_UNORM ||
                      row.expected == DdsFormat::YUY2;
    return pair ? 2 * 4 * 4 : 16 * row.bytesPerTexel;
}

// A 4 x 4 file of the row with exactly its bytes.
inline DdsBuilder FourByFour(const LegacyRow& row)
{
    DdsBuilder builder = row.builder;
    builder.width = 4;
    builder.height = 4;
    builder.Fill(FourByFourBytes(row));
    return builder;
}

}   // namespace dds_table
