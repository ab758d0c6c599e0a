// The Targa reader on real files in a scratch folder: pixel order, the 32-bit rule and every short or
// oversized file, each of which must fail with the file named on standard error.
#include "graphics/formats/TargaFile.h"
#include "tests/ScratchDirectory.h"

#include <gtest/gtest.h>

namespace
{

class TargaFileTest : public testing::Test
{
protected:
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        return m_scratch.Write(name, std::string(bytes.begin(), bytes.end()));
    }

    static std::vector<uint8_t> Header(int width, int height, int bits)
    {
        std::vector<uint8_t> h(18, 0);
        h[2] = 2;   // uncompressed true colour, which the reader does not check
        h[12] = static_cast<uint8_t>(width & 0xFF);
        h[13] = static_cast<uint8_t>(width >> 8);
        h[14] = static_cast<uint8_t>(height & 0xFF);
        h[15] = static_cast<uint8_t>(height >> 8);
        h[16] = static_cast<uint8_t>(bits);
        return h;
    }

    // Loads and returns what went to standard error.
    static std::string LoadCapturing(TargaFile& targa, const std::string& path, bool& ok)
    {
        testing::internal::CaptureStderr();
        ok = targa.Load(path);
        return testing::internal::GetCapturedStderr();
    }

    ScratchDirectory m_scratch;
};

}   // namespace

TEST_F(TargaFileTest, TwoPixelsAreReorderedFromBgraToRgba)
{
    std::vector<uint8_t> bytes = Header(2, 1, 32);
    bytes.insert(bytes.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    TargaFile targa;
    ASSERT_TRUE(targa.Load(Write("two.tga", bytes)));
    EXPECT_EQ(2, targa.GetWidth());
    EXPECT_EQ(1, targa.GetHeight());
    EXPECT_EQ((std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}), targa.GetPixels());
}

TEST_F(TargaFileTest, RowsKeepFileOrderAndTrailingBytesAreIgnored)
{
    std::vector<uint8_t> bytes = Header(1, 2, 32);
    bytes.insert(bytes.end(), {10, 20, 30, 40, 50, 60, 70, 80});
    bytes.insert(bytes.end(), 26, 0xEE);   // a Targa 2.0 footer, say
    TargaFile targa;
    ASSERT_TRUE(targa.Load(Write("rows.tga", bytes)));
    EXPECT_EQ((std::vector<uint8_t>{30, 20, 10, 40, 70, 60, 50, 80}), targa.GetPixels());
}

TEST_F(TargaFileTest, NonThirtyTwoBitImagesFailButKeepTheirSize)
{
    std::vector<uint8_t> bytes = Header(3, 5, 24);
    bytes.insert(bytes.end(), 3 * 5 * 3, 0);
    TargaFile targa;
    bool ok = true;
    const std::string error = LoadCapturing(targa, Write("rgb.tga", bytes), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("rgb.tga: 24 bits per pixel")) << error;
    EXPECT_EQ(3, targa.GetWidth());
    EXPECT_EQ(5, targa.GetHeight());
}

TEST_F(TargaFileTest, ShortMissingEmptyAndOversizedFilesFailWithTheirName)
{
    TargaFile targa;
    bool ok = true;

    std::string error = LoadCapturing(targa, m_scratch.File("missing.tga"), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("missing.tga: cannot open")) << error;

    error = LoadCapturing(targa, Write("header.tga", std::vector<uint8_t>(17, 0)), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("shorter than the 18-byte")) << error;

    std::vector<uint8_t> truncated = Header(2, 2, 32);
    truncated.insert(truncated.end(), 15, 0);
    error = LoadCapturing(targa, Write("truncated.tga", truncated), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("truncated.tga: pixel data is truncated (15 of 16 bytes)")) << error;
    EXPECT_TRUE(targa.GetPixels().empty());

    error = LoadCapturing(targa, Write("empty.tga", Header(0, 7, 32)), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("no pixels")) << error;

    // 65535 x 65535 x 4 would be 16 GiB: refused from the header alone, without reading or allocating.
    error = LoadCapturing(targa, Write("huge.tga", Header(65535, 65535, 32)), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("larger than the largest texture")) << error;

    // Legal size, but the file holds only the header: fails after reading what is there.
    error = LoadCapturing(targa, Write("large.tga", Header(16384, 16384, 32)), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("(0 of 1073741824 bytes)")) << error;
}

TEST_F(TargaFileTest, AFailedLoadAfterASuccessfulOneLeavesNoStalePixels)
{
    std::vector<uint8_t> good = Header(1, 1, 32);
    good.insert(good.end(), {1, 2, 3, 4});
    TargaFile targa;
    ASSERT_TRUE(targa.Load(Write("good.tga", good)));
    bool ok = true;
    LoadCapturing(targa, Write("bad.tga", Header(1, 1, 16)), ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(targa.GetPixels().empty());
}
