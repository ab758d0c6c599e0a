// DDS header parsing and surface layout on files built in memory: the legacy format table, the extended
// header, cube maps, volumes, mip chains and every way a malformed file must be refused.
#include "graphics/formats/DdsFile.h"
#include "tests/graphics/DdsBuilder.h"
#include "tests/graphics/DdsLegacyTable.h"

#include <gtest/gtest.h>

namespace
{

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

}   // namespace

TEST(DdsLegacyFormats, EveryTableRowMapsToItsFormatAndNeedsExactlyItsBytes)
{
    for (const dds_table::LegacyRow& row : dds_table::LegacyRows())
    {
        SCOPED_TRACE(row.name);
        const DdsBuilder exact = dds_table::FourByFour(row);
        DdsFile file;
        ASSERT_TRUE(ParseQuietly(exact, file));
        EXPECT_EQ(row.expected, file.GetFormat());
        EXPECT_EQ(DdsDimension::Texture2D, file.GetDimension());
        EXPECT_FALSE(file.IsCubeMap());

        DdsBuilder shortByOne = exact;
        shortByOne.data.pop_back();
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

    DdsBuilder unknownCode = dds_table::Code("ABCD");
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
    builder.mipCount = 3;   // 4x2, 2x1, 1x1
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
    builder.mipCount = 4;   // 8, 4, 2, 1
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
    volume.mipCount = 2;   // 2x2x4, then 1x1x2
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
    line.height = 5;   // a 1D texture has one row whatever the header says
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
