// DDS header parsing and surface layout on files built in memory: the legacy format table, the extended
// header, cube maps, volumes, mip chains and every way a malformed file must be refused.
#include "graphics/DdsFile.h"
#include "tests/graphics/DdsBuilder.h"

#include <gtest/gtest.h>

namespace {

bool ParseQuietly(const DdsBuilder& builder, DdsFile& file)
{
    testing::internal::CaptureStderr();
    const bool ok = file.Parse(builder.Build(), "test.dds");
    testing::internal::GetCapturedStderr();
    return ok;
}

std::string ParseError(const DdsBuilder& builder)
{
    DdsFile file;
    testing::internal::CaptureStderr();
    const bool ok = file.Parse(builder.Build(), "bad.dds");
    std::string text = testing::internal::GetCapturedStderr();
    return ok ? std::string("(accepted)") : text;
}

struct LegacyRow {
    const char* name;
    DdsBuilder builder;
    DdsFormat expected;
    uint32_t bytesPerTexel;  // 0 for block-compressed rows (one 4x4 block is given instead)
};

DdsBuilder Luminance(uint32_t bits, uint32_t r, uint32_t a)
{
    DdsBuilder d = DdsBuilder::Rgb(bits, r, 0, 0, a);
    d.pfFlags = DdsBuilder::kPfLuminance;
    return d;
}

DdsBuilder AlphaOnly()
{
    DdsBuilder d = DdsBuilder::Rgb(8, 0, 0, 0, 0xFF);
    d.pfFlags = DdsBuilder::kPfAlpha;
    return d;
}

DdsBuilder Code(const char* text) { return DdsBuilder::WithFourCC(DdsBuilder::Code(text)); }

std::vector<LegacyRow> LegacyRows()
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

}  // namespace

TEST(DdsLegacyFormats, EveryTableRowMapsToItsFormatAndNeedsExactlyItsBytes)
{
    for (LegacyRow row : LegacyRows()) {
        SCOPED_TRACE(row.name);
        // A 4x4 image: sixteen texels, or one block for the compressed formats; pairs pack two texels in 4 bytes.
        row.builder.width = 4;
        row.builder.height = 4;
        const bool block = row.bytesPerTexel == 0;
        const bool pair = row.expected == DdsFormat::R8G8_B8G8_UNORM || row.expected == DdsFormat::G8R8_G8B8_UNORM ||
                          row.expected == DdsFormat::YUY2;
        size_t bytes = block ? (row.expected == DdsFormat::BC1_UNORM || row.expected == DdsFormat::BC4_UNORM ||
                                        row.expected == DdsFormat::BC4_SNORM
                                    ? 8
                                    : 16)
                             : pair ? 2 * 4 * 4 : 16 * row.bytesPerTexel;
        DdsBuilder exact = row.builder;
        exact.Fill(bytes);
        DdsFile file;
        ASSERT_TRUE(ParseQuietly(exact, file));
        EXPECT_EQ(row.expected, file.GetFormat());
        EXPECT_EQ(DdsDimension::Texture2D, file.GetDimension());
        EXPECT_FALSE(file.IsCubeMap());

        DdsBuilder shortByOne = row.builder;
        shortByOne.Fill(bytes - 1);
        EXPECT_FALSE(ParseQuietly(shortByOne, file)) << "one byte short must be refused";
    }
}

TEST(DdsLegacyFormats, UnknownMasksAndCodesAreRefusedWithTheFileName)
{
    DdsBuilder rgb24 = DdsBuilder::Rgb(24, 0xFF0000, 0xFF00, 0xFF, 0);
    rgb24.Fill(3);
    const std::string message = ParseError(rgb24);
    EXPECT_NE(std::string::npos, message.find("bad.dds: unsupported legacy pixel format")) << message;

    DdsBuilder swizzled = DdsBuilder::Rgb(32, 0xFF00, 0xFF, 0xFF0000, 0xFF000000);
    swizzled.Fill(4);
    EXPECT_NE("(accepted)", ParseError(swizzled));

    DdsBuilder unknownCode = Code("ABCD");
    unknownCode.Fill(16);
    EXPECT_NE("(accepted)", ParseError(unknownCode));

    DdsBuilder noFlags = DdsBuilder::Rgb(32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    noFlags.pfFlags = 0;
    noFlags.Fill(4);
    EXPECT_NE("(accepted)", ParseError(noFlags));
}

TEST(DdsHeader, MalformedHeadersAreRefused)
{
    DdsBuilder good;
    good.Fill(4);
    DdsFile file;
    ASSERT_TRUE(ParseQuietly(good, file));

    DdsBuilder badMagic = good;
    badMagic.magic = 0x20534443;
    EXPECT_NE(std::string::npos, ParseError(badMagic).find("bad magic"));

    DdsBuilder badSize = good;
    badSize.headerSize = 120;
    EXPECT_NE("(accepted)", ParseError(badSize));

    DdsBuilder badPixelFormatSize = good;
    badPixelFormatSize.pfSize = 24;
    EXPECT_NE("(accepted)", ParseError(badPixelFormatSize));

    std::vector<uint8_t> shortFile = good.Build();
    shortFile.resize(100);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(file.Parse(shortFile, "short.dds"));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("short.dds: file is 100 bytes"));

    testing::internal::CaptureStderr();
    EXPECT_FALSE(file.Parse({}, "empty.dds"));
    testing::internal::GetCapturedStderr();
}

TEST(DdsHeader, ImpossibleSizesAreRefusedBeforeAnyRead)
{
    DdsBuilder zeroWidth;
    zeroWidth.width = 0;
    EXPECT_NE(std::string::npos, ParseError(zeroWidth).find("zero dimension"));

    // 0xFFFFFFFF x 0xFFFFFFFF x 4 bytes overflows 64 bits in a naive product; the side limit catches it first.
    DdsBuilder huge;
    huge.width = 0xFFFFFFFF;
    huge.height = 0xFFFFFFFF;
    huge.Fill(64);
    EXPECT_NE(std::string::npos, ParseError(huge).find("larger than Direct3D 11 allows"));

    // The largest legal 2D size, but the data is not there.
    DdsBuilder largest;
    largest.width = 16384;
    largest.height = 16384;
    largest.Fill(64);
    EXPECT_NE(std::string::npos, ParseError(largest).find("shorter than its header says"));

    DdsBuilder tooManyMips;
    tooManyMips.width = 16384;
    tooManyMips.height = 1;
    tooManyMips.mipCount = 16;
    EXPECT_NE(std::string::npos, ParseError(tooManyMips).find("mip count 16 exceeds 15"));

    DdsBuilder mipsBeyondChain;
    mipsBeyondChain.width = 2;
    mipsBeyondChain.height = 2;
    mipsBeyondChain.mipCount = 3;
    mipsBeyondChain.Fill(64);
    EXPECT_NE(std::string::npos, ParseError(mipsBeyondChain).find("more than the image's size allows"));
}

TEST(DdsHeader, ZeroMipCountMeansOneLevel)
{
    DdsBuilder builder;
    builder.width = 2;
    builder.height = 2;
    builder.mipCount = 0;
    builder.Fill(16);
    DdsFile file;
    ASSERT_TRUE(ParseQuietly(builder, file));
    EXPECT_EQ(1u, file.GetMipCount());
}

TEST(DdsLayout, MipChainSurfacesFollowEachOtherWithTheirPitches)
{
    DdsBuilder builder;
    builder.width = 4;
    builder.height = 2;
    builder.mipCount = 3;               // 4x2, 2x1, 1x1
    builder.Fill(4 * 2 * 4 + 2 * 4 + 4);
    DdsFile file;
    ASSERT_TRUE(ParseQuietly(builder, file));
    DdsLayout layout;
    ASSERT_TRUE(file.LayoutSurfaces(0, layout));
    ASSERT_EQ(3u, layout.surfaces.size());
    EXPECT_EQ(3u, layout.mipCount);
    EXPECT_EQ(128u, layout.surfaces[0].offset);
    EXPECT_EQ(16u, layout.surfaces[0].rowPitch);
    EXPECT_EQ(32u, layout.surfaces[0].slicePitch);
    EXPECT_EQ(160u, layout.surfaces[1].offset);
    EXPECT_EQ(8u, layout.surfaces[1].rowPitch);
    EXPECT_EQ(168u, layout.surfaces[2].offset);
    EXPECT_EQ(4u, layout.surfaces[2].rowPitch);
    // Data really is where the layout says: the fill counts bytes from 0.
    EXPECT_EQ(32, file.Data()[layout.surfaces[1].offset]);
}

TEST(DdsLayout, LevelsAboveTheLimitAreLeftOutOnRetry)
{
    DdsBuilder builder;
    builder.width = 8;
    builder.height = 8;
    builder.mipCount = 4;  // 8, 4, 2, 1
    builder.Fill((64 + 16 + 4 + 1) * 4);
    DdsFile file;
    ASSERT_TRUE(ParseQuietly(builder, file));
    DdsLayout layout;
    ASSERT_TRUE(file.LayoutSurfaces(4, layout));
    EXPECT_EQ(4u, layout.width);
    EXPECT_EQ(4u, layout.height);
    EXPECT_EQ(3u, layout.mipCount);
    ASSERT_EQ(3u, layout.surfaces.size());
    EXPECT_EQ(128u + 256u, layout.surfaces[0].offset);
}

TEST(DdsCubeAndVolume, LegacyCubeNeedsAllSixFaces)
{
    DdsBuilder cube;
    cube.width = 2;
    cube.height = 2;
    cube.caps2 = DdsBuilder::kCaps2CubeMap | DdsBuilder::kCaps2AllFaces;
    cube.Fill(6 * 16);
    DdsFile file;
    ASSERT_TRUE(ParseQuietly(cube, file));
    EXPECT_TRUE(file.IsCubeMap());
    EXPECT_EQ(6u, file.GetArraySize());
    DdsLayout layout;
    ASSERT_TRUE(file.LayoutSurfaces(0, layout));
    ASSERT_EQ(6u, layout.surfaces.size());
    EXPECT_EQ(128u + 5 * 16u, layout.surfaces[5].offset);

    DdsBuilder fiveFaces = cube;
    fiveFaces.caps2 = DdsBuilder::kCaps2CubeMap | (DdsBuilder::kCaps2AllFaces & ~0x8000u);
    EXPECT_NE(std::string::npos, ParseError(fiveFaces).find("all six faces"));

    DdsBuilder missingData = cube;
    missingData.data.resize(5 * 16);
    EXPECT_NE("(accepted)", ParseError(missingData));
}

TEST(DdsCubeAndVolume, LegacyVolumeLaysOutEachLevelAsAllItsSlices)
{
    DdsBuilder volume;
    volume.width = 2;
    volume.height = 2;
    volume.depth = 4;
    volume.flags |= DdsBuilder::kFlagDepth;
    volume.caps2 = DdsBuilder::kCaps2Volume;
    volume.mipCount = 2;  // 2x2x4, then 1x1x2
    volume.Fill(2 * 2 * 4 * 4 + 1 * 1 * 2 * 4);
    DdsFile file;
    ASSERT_TRUE(ParseQuietly(volume, file));
    EXPECT_EQ(DdsDimension::Texture3D, file.GetDimension());
    EXPECT_EQ(4u, file.GetDepth());
    DdsLayout layout;
    ASSERT_TRUE(file.LayoutSurfaces(0, layout));
    ASSERT_EQ(2u, layout.surfaces.size());
    EXPECT_EQ(16u, layout.surfaces[0].slicePitch);
    EXPECT_EQ(128u + 64u, layout.surfaces[1].offset);

    DdsBuilder tooDeep = volume;
    tooDeep.depth = 4096;
    EXPECT_NE(std::string::npos, ParseError(tooDeep).find("larger than Direct3D 11 allows"));
}

TEST(DdsExtendedHeader, FormatDimensionAndArraySizeComeFromIt)
{
    DdsBuilder array = DdsBuilder::Dx10(2 /* R32G32B32A32_FLOAT */, 3, 3);
    array.width = 2;
    array.height = 1;
    array.Fill(3 * 2 * 16);
    DdsFile file;
    ASSERT_TRUE(ParseQuietly(array, file));
    EXPECT_EQ(DdsFormat::R32G32B32A32_FLOAT, file.GetFormat());
    EXPECT_EQ(3u, file.GetArraySize());
    DdsLayout layout;
    ASSERT_TRUE(file.LayoutSurfaces(0, layout));
    EXPECT_EQ(148u, layout.surfaces[0].offset);
    EXPECT_EQ(148u + 64u, layout.surfaces[2].offset);

    DdsBuilder cubes = DdsBuilder::Dx10(28, 3, 2, 0x4);
    cubes.Fill(12 * 4);
    ASSERT_TRUE(ParseQuietly(cubes, file));
    EXPECT_TRUE(file.IsCubeMap());
    EXPECT_EQ(12u, file.GetArraySize());

    DdsBuilder line = DdsBuilder::Dx10(61 /* R8_UNORM */, 2);
    line.width = 8;
    line.height = 5;  // a 1D texture has one row whatever the header says
    line.Fill(8);
    ASSERT_TRUE(ParseQuietly(line, file));
    EXPECT_EQ(DdsDimension::Texture1D, file.GetDimension());
    EXPECT_EQ(1u, file.GetHeight());

    DdsBuilder bc7 = DdsBuilder::Dx10(98 /* BC7_UNORM */);
    bc7.width = 8;
    bc7.height = 4;
    bc7.Fill(32);
    EXPECT_TRUE(ParseQuietly(bc7, file));
}

TEST(DdsExtendedHeader, InconsistentExtendedHeadersAreRefused)
{
    std::vector<uint8_t> truncated = DdsBuilder::Dx10(28).Build();
    truncated.resize(140);
    DdsFile file;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(file.Parse(truncated, "x.dds"));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("DX10 header"));

    DdsBuilder unknownFormat = DdsBuilder::Dx10(0);
    unknownFormat.Fill(4);
    EXPECT_NE(std::string::npos, ParseError(unknownFormat).find("unsupported DXGI format 0"));
    DdsBuilder planar = DdsBuilder::Dx10(103 /* NV12 */);
    planar.Fill(16);
    EXPECT_NE("(accepted)", ParseError(planar));
    DdsBuilder outOfRange = DdsBuilder::Dx10(5000);
    outOfRange.Fill(16);
    EXPECT_NE("(accepted)", ParseError(outOfRange));

    DdsBuilder noArray = DdsBuilder::Dx10(28, 3, 0);
    noArray.Fill(4);
    EXPECT_NE("(accepted)", ParseError(noArray));

    DdsBuilder volumeArray = DdsBuilder::Dx10(28, 4, 2);
    volumeArray.depth = 1;
    volumeArray.Fill(8);
    EXPECT_NE("(accepted)", ParseError(volumeArray));

    DdsBuilder badDimension = DdsBuilder::Dx10(28, 7);
    badDimension.Fill(4);
    EXPECT_NE("(accepted)", ParseError(badDimension));

    // 400 cubes are 2400 slices, more than an array may hold.
    DdsBuilder tooManyCubes = DdsBuilder::Dx10(28, 3, 400, 0x4);
    EXPECT_NE("(accepted)", ParseError(tooManyCubes));
}
