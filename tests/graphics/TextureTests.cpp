// Textures on the real device: Targa and bitmap pixels read back from the GPU, every legacy DDS format, the
// extended header, cube maps, volumes, mip chains (from the file or generated), malformed files, and the
// registry's read-once and exact-key rules.
#include "graphics/registries/ImageLibraryGuard.h"
#include "graphics/formats/LoadDdsTexture.h"
#include "graphics/registries/TextureHolder.h"
#include "graphics/AnsiConversion.h"
#include "tests/ScratchDirectory.h"
#include "tests/graphics/DdsBuilder.h"
#include "tests/graphics/DdsLegacyTable.h"
#include "tests/graphics/GpuReadback.h"
#include "tests/graphics/TestWindow.h"

#include <gtest/gtest.h>

#include <filesystem>

using Microsoft::WRL::ComPtr;

namespace
{

class TextureTest : public testing::Test
{
protected:
    ID3D11Device* Device() { return TestDevice().Device(); }
    ID3D11DeviceContext* Context() { return TestDevice().Context(); }

    std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        return m_scratch.Write(name, std::string(bytes.begin(), bytes.end()));
    }
    std::string WriteDds(const std::string& name, const DdsBuilder& builder)
    {
        return WriteBytes(name, builder.Build());
    }

    // Loads through the registry and returns whatever went to standard error.
    std::string LoadCapturing(const std::string& path, bool& ok)
    {
        testing::internal::CaptureStderr();
        ok = m_holder.LoadTexture(Device(), Context(), path);
        return testing::internal::GetCapturedStderr();
    }

    // LoadDdsTexture directly; the result code and the resource.
    HRESULT LoadDds(const std::string& path, ComPtr<ID3D11Resource>& resource, ComPtr<ID3D11ShaderResourceView>& view)
    {
        testing::internal::CaptureStderr();
        const HRESULT hr =
            LoadDdsTexture(Device(), Context(), AnsiToWide(path).c_str(), resource.GetAddressOf(), view.GetAddressOf());
        m_lastError = testing::internal::GetCapturedStderr();
        return hr;
    }

    D3D11_TEXTURE2D_DESC Desc2D(ID3D11Resource* resource)
    {
        ComPtr<ID3D11Texture2D> texture;
        EXPECT_HRESULT_SUCCEEDED(resource->QueryInterface(IID_PPV_ARGS(texture.GetAddressOf())));
        D3D11_TEXTURE2D_DESC desc = {};
        if (texture)
        {
            texture->GetDesc(&desc);
        }
        return desc;
    }

    static std::vector<uint8_t> TargaHeader(int width, int height)
    {
        std::vector<uint8_t> h(18, 0);
        h[2] = 2;
        h[12] = static_cast<uint8_t>(width);
        h[13] = static_cast<uint8_t>(width >> 8);
        h[14] = static_cast<uint8_t>(height);
        h[15] = static_cast<uint8_t>(height >> 8);
        h[16] = 32;
        return h;
    }

    // A 24-bit, bottom-up Windows bitmap; pixels given top row first as R, G, B.
    static std::vector<uint8_t> Bitmap(int width, int height, const std::vector<uint8_t>& rgbTopDown)
    {
        const int rowBytes = (width * 3 + 3) & ~3;
        const int dataBytes = rowBytes * height;
        std::vector<uint8_t> bmp(54 + dataBytes, 0);
        auto put32 = [&bmp](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i)
                bmp[at + i] = static_cast<uint8_t>(v >> (8 * i));
        };
        bmp[0] = 'B';
        bmp[1] = 'M';
        put32(2, static_cast<uint32_t>(bmp.size()));
        put32(10, 54);
        put32(14, 40);
        put32(18, static_cast<uint32_t>(width));
        put32(22, static_cast<uint32_t>(height));
        bmp[26] = 1;    // planes
        bmp[28] = 24;   // bits per pixel
        put32(34, static_cast<uint32_t>(dataBytes));
        for (int y = 0; y < height; ++y)
        {
            const int fileRow = height - 1 - y;
            for (int x = 0; x < width; ++x)
            {
                const uint8_t* rgb = &rgbTopDown[(y * width + x) * 3];
                uint8_t* out = &bmp[54 + fileRow * rowBytes + x * 3];
                out[0] = rgb[2];
                out[1] = rgb[1];
                out[2] = rgb[0];
            }
        }
        return bmp;
    }

    ScratchDirectory m_scratch;
    TextureHolder m_holder;
    std::string m_lastError;
};

}   // namespace

TEST_F(TextureTest, ATargaImageIsSwizzledAndUploadedWithAGeneratedMipChain)
{
    std::vector<uint8_t> tga = TargaHeader(2, 1);
    tga.insert(tga.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    const std::string path = WriteBytes("two.tga", tga);
    bool ok = false;
    LoadCapturing(path, ok);
    ASSERT_TRUE(ok);
    TextureClass& texture = m_holder.Get(path);
    EXPECT_EQ((std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}), texture.GetPixelData());
    EXPECT_TRUE(texture.IsCreated());
    ASSERT_NE(nullptr, texture.GetTexture());

    const D3D11_TEXTURE2D_DESC desc = Desc2D(texture.GetResource());
    EXPECT_EQ(2u, desc.Width);
    EXPECT_EQ(1u, desc.Height);
    EXPECT_EQ(2u, desc.MipLevels);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, desc.Format);
    EXPECT_EQ(static_cast<UINT>(D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET), desc.BindFlags);
    EXPECT_EQ(static_cast<UINT>(D3D11_RESOURCE_MISC_GENERATE_MIPS), desc.MiscFlags);
    EXPECT_EQ((std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}),
              ReadSubresource(Device(), Context(), texture.GetResource(), 0, 8, 1));
}

TEST_F(TextureTest, ABitmapIsTurnedHalfWayRoundSoBlueComesBeforeRed)
{
    ImageLibraryGuard gdiplus;
    const std::string path = WriteBytes("pair.bmp", Bitmap(2, 1, {255, 0, 0, 0, 0, 255}));
    bool ok = false;
    const std::string error = LoadCapturing(path, ok);
    ASSERT_TRUE(ok) << error;
    TextureClass& texture = m_holder.Get(path);
    const std::vector<uint8_t> expected = {0, 0, 255, 255, 255, 0, 0, 255};
    EXPECT_EQ(expected, texture.GetPixelData());
    EXPECT_EQ(expected, ReadSubresource(Device(), Context(), texture.GetResource(), 0, 8, 1));
}

TEST_F(TextureTest, BitmapRowsAreMirroredTooAndExtensionsMatchInAnyCase)
{
    ImageLibraryGuard gdiplus;
    // Top row red, bottom row green (1 x 2); after the turn green is the first row.
    const std::string path = WriteBytes("column.BMP", Bitmap(1, 2, {255, 0, 0, 0, 255, 0}));
    bool ok = false;
    LoadCapturing(path, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ((std::vector<uint8_t>{0, 255, 0, 255, 255, 0, 0, 255}), m_holder.Get(path).GetPixelData());
}

TEST_F(TextureTest, GdiplusRunsWhileAnyGuardLivesAndBitmapsLoadUnderAnOuterOne)
{
    ASSERT_EQ(0, ImageLibraryGuard::ActiveCount());
    {
        ImageLibraryGuard outer;
        {
            ImageLibraryGuard inner;
            EXPECT_EQ(2, ImageLibraryGuard::ActiveCount());
        }
        EXPECT_EQ(1, ImageLibraryGuard::ActiveCount());
        bool ok = false;
        const std::string error = LoadCapturing(WriteBytes("outer.bmp", Bitmap(1, 1, {1, 2, 3})), ok);
        EXPECT_TRUE(ok) << error;
        EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 255}), m_holder.Get(m_scratch.File("outer.bmp")).GetPixelData());
    }
    EXPECT_EQ(0, ImageLibraryGuard::ActiveCount());
}

TEST_F(TextureTest, AFileThatIsNoBitmapFailsAndNamesIt)
{
    ImageLibraryGuard gdiplus;
    bool ok = true;
    const std::string error = LoadCapturing(WriteBytes("text.bmp", {'h', 'e', 'l', 'l', 'o'}), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("text.bmp: cannot open the file as a bitmap")) << error;
}

TEST_F(TextureTest, EveryLegacyDdsFormatBecomesATextureOfItsDxgiFormat)
{
    for (const dds_table::LegacyRow& row : dds_table::LegacyRows())
    {
        SCOPED_TRACE(row.name);
        const DXGI_FORMAT format = static_cast<DXGI_FORMAT>(row.expected);
        UINT support = 0;
        const bool supported = SUCCEEDED(Device()->CheckFormatSupport(format, &support)) &&
                               (support & D3D11_FORMAT_SUPPORT_TEXTURE2D) != 0;
        ComPtr<ID3D11Resource> resource;
        ComPtr<ID3D11ShaderResourceView> view;
        const HRESULT hr =
            LoadDds(WriteDds(std::string(row.name) + ".dds", dds_table::FourByFour(row)), resource, view);
        if (!supported)
        {
            // The device cannot hold this format: a clean failure that names the file.
            EXPECT_LT(hr, 0);
            EXPECT_NE(std::string::npos, m_lastError.find(row.name)) << m_lastError;
            continue;
        }
        ASSERT_HRESULT_SUCCEEDED(hr) << m_lastError;
        const D3D11_TEXTURE2D_DESC desc = Desc2D(resource.Get());
        EXPECT_EQ(format, desc.Format);
        EXPECT_EQ(4u, desc.Width);
        ASSERT_NE(nullptr, view.Get());
        D3D11_SHADER_RESOURCE_VIEW_DESC viewDesc = {};
        view->GetDesc(&viewDesc);
        EXPECT_EQ(format, viewDesc.Format);
        EXPECT_EQ(D3D11_SRV_DIMENSION_TEXTURE2D, viewDesc.ViewDimension);
    }
}

TEST_F(TextureTest, AFileWithMipsKeepsThemAndTheirContents)
{
    DdsBuilder builder;   // R8G8B8A8
    builder.width = 4;
    builder.height = 4;
    builder.mipCount = 3;
    builder.Fill(64 * 4 / 4 * 1, 0).Fill(16, 100).Fill(4, 200);   // 4x4, 2x2, 1x1
    ComPtr<ID3D11Resource> resource;
    ComPtr<ID3D11ShaderResourceView> view;
    ASSERT_HRESULT_SUCCEEDED(LoadDds(WriteDds("mips.dds", builder), resource, view)) << m_lastError;
    const D3D11_TEXTURE2D_DESC desc = Desc2D(resource.Get());
    EXPECT_EQ(3u, desc.MipLevels);
    EXPECT_EQ(static_cast<UINT>(D3D11_BIND_SHADER_RESOURCE), desc.BindFlags);
    EXPECT_EQ(0u, desc.MiscFlags);
    EXPECT_EQ(D3D11_USAGE_DEFAULT, desc.Usage);
    EXPECT_EQ(0u, desc.CPUAccessFlags);
    std::vector<uint8_t> level1(16);
    for (int i = 0; i < 16; ++i)
        level1[i] = static_cast<uint8_t>(100 + i);
    EXPECT_EQ(level1, ReadSubresource(Device(), Context(), resource.Get(), 1, 8, 2));
    EXPECT_EQ((std::vector<uint8_t>{200, 201, 202, 203}),
              ReadSubresource(Device(), Context(), resource.Get(), 2, 4, 1));
}

TEST_F(TextureTest, ASingleLevelFileGetsAGeneratedChainFilledFromItsImage)
{
    DdsBuilder builder;
    builder.width = 4;
    builder.height = 4;
    for (int i = 0; i < 16; ++i)
    {
        builder.data.insert(builder.data.end(), {10, 20, 30, 255});   // one flat colour: every level equals it
    }
    ComPtr<ID3D11Resource> resource;
    ComPtr<ID3D11ShaderResourceView> view;
    ASSERT_HRESULT_SUCCEEDED(LoadDds(WriteDds("flat.dds", builder), resource, view)) << m_lastError;
    const D3D11_TEXTURE2D_DESC desc = Desc2D(resource.Get());
    ASSERT_EQ(3u, desc.MipLevels);
    EXPECT_EQ(static_cast<UINT>(D3D11_RESOURCE_MISC_GENERATE_MIPS), desc.MiscFlags);
    EXPECT_EQ((std::vector<uint8_t>{10, 20, 30, 255}), ReadSubresource(Device(), Context(), resource.Get(), 2, 4, 1));
    EXPECT_EQ(builder.data, ReadSubresource(Device(), Context(), resource.Get(), 0, 16, 4));
}

TEST_F(TextureTest, ExtendedHeaderFilesCreateArraysAndOneDimensionalTextures)
{
    DdsBuilder array = DdsBuilder::Dx10(28, 3, 2);
    array.width = 2;
    array.height = 2;
    array.mipCount = 2;
    array.Fill(2 * (16 + 4), 1);
    ComPtr<ID3D11Resource> resource;
    ComPtr<ID3D11ShaderResourceView> view;
    ASSERT_HRESULT_SUCCEEDED(LoadDds(WriteDds("array.dds", array), resource, view)) << m_lastError;
    const D3D11_TEXTURE2D_DESC desc = Desc2D(resource.Get());
    EXPECT_EQ(2u, desc.ArraySize);
    EXPECT_EQ(2u, desc.MipLevels);
    D3D11_SHADER_RESOURCE_VIEW_DESC viewDesc = {};
    view->GetDesc(&viewDesc);
    EXPECT_EQ(D3D11_SRV_DIMENSION_TEXTURE2DARRAY, viewDesc.ViewDimension);
    // Slice 1, level 0 follows slice 0's two levels in the file.
    std::vector<uint8_t> slice1(16);
    for (int i = 0; i < 16; ++i)
        slice1[i] = static_cast<uint8_t>(1 + 20 + i);
    EXPECT_EQ(slice1, ReadSubresource(Device(), Context(), resource.Get(), D3D11CalcSubresource(0, 1, 2), 8, 2));

    DdsBuilder line = DdsBuilder::Dx10(61 /* R8_UNORM */, 2);
    line.width = 8;
    line.Fill(8, 50);
    ASSERT_HRESULT_SUCCEEDED(LoadDds(WriteDds("line.dds", line), resource, view)) << m_lastError;
    D3D11_RESOURCE_DIMENSION dimension = D3D11_RESOURCE_DIMENSION_UNKNOWN;
    resource->GetType(&dimension);
    EXPECT_EQ(D3D11_RESOURCE_DIMENSION_TEXTURE1D, dimension);
}

TEST_F(TextureTest, ACubeMapHasSixFacesAndACubeView)
{
    DdsBuilder cube;
    cube.width = 2;
    cube.height = 2;
    cube.caps2 = DdsBuilder::kCaps2CubeMap | DdsBuilder::kCaps2AllFaces;
    cube.mipCount = 2;
    for (int face = 0; face < 6; ++face)
    {
        cube.Fill(16, static_cast<uint8_t>(face * 40)).Fill(4, static_cast<uint8_t>(face * 40 + 30));
    }
    ComPtr<ID3D11Resource> resource;
    ComPtr<ID3D11ShaderResourceView> view;
    ASSERT_HRESULT_SUCCEEDED(LoadDds(WriteDds("cube.dds", cube), resource, view)) << m_lastError;
    const D3D11_TEXTURE2D_DESC desc = Desc2D(resource.Get());
    EXPECT_EQ(6u, desc.ArraySize);
    EXPECT_NE(0u, desc.MiscFlags & D3D11_RESOURCE_MISC_TEXTURECUBE);
    D3D11_SHADER_RESOURCE_VIEW_DESC viewDesc = {};
    view->GetDesc(&viewDesc);
    EXPECT_EQ(D3D11_SRV_DIMENSION_TEXTURECUBE, viewDesc.ViewDimension);
    const std::vector<uint8_t> face5 =
        ReadSubresource(Device(), Context(), resource.Get(), D3D11CalcSubresource(0, 5, 2), 8, 2);
    EXPECT_EQ(200, face5[0]);
}

TEST_F(TextureTest, AVolumeTextureKeepsItsDepthSlices)
{
    DdsBuilder volume;
    volume.width = 2;
    volume.height = 1;
    volume.depth = 3;
    volume.flags |= DdsBuilder::kFlagDepth;
    volume.caps2 = DdsBuilder::kCaps2Volume;
    volume.Fill(2 * 1 * 3 * 4, 7);
    ComPtr<ID3D11Resource> resource;
    ComPtr<ID3D11ShaderResourceView> view;
    ASSERT_HRESULT_SUCCEEDED(LoadDds(WriteDds("volume.dds", volume), resource, view)) << m_lastError;
    ComPtr<ID3D11Texture3D> texture;
    ASSERT_HRESULT_SUCCEEDED(resource.As(&texture));
    D3D11_TEXTURE3D_DESC desc = {};
    texture->GetDesc(&desc);
    EXPECT_EQ(3u, desc.Depth);
    EXPECT_EQ(volume.data, ReadSubresource(Device(), Context(), resource.Get(), 0, 8, 1, 3));
}

TEST_F(TextureTest, MalformedDdsFilesFailAndNameTheFile)
{
    DdsBuilder fiveFaces;
    fiveFaces.width = 1;
    fiveFaces.caps2 = DdsBuilder::kCaps2CubeMap | (DdsBuilder::kCaps2AllFaces & ~0x400u);
    fiveFaces.Fill(24);
    DdsBuilder badMagic;
    badMagic.magic = 0x12345678;
    badMagic.Fill(4);
    std::vector<uint8_t> shortFile = DdsBuilder().Build();
    shortFile.resize(60);
    DdsBuilder unknownFormat = DdsBuilder::Rgb(24, 0xFF0000, 0xFF00, 0xFF, 0);
    unknownFormat.Fill(3);
    DdsBuilder truncated;
    truncated.width = 64;
    truncated.height = 64;
    truncated.Fill(100);

    const std::pair<std::string, std::vector<uint8_t>> files[] = {{"faces.dds", fiveFaces.Build()},
                                                                  {"magic.dds", badMagic.Build()},
                                                                  {"short.dds", shortFile},
                                                                  {"format.dds", unknownFormat.Build()},
                                                                  {"truncated.dds", truncated.Build()}};
    for (const auto& [name, bytes] : files)
    {
        SCOPED_TRACE(name);
        bool ok = true;
        const std::string error = LoadCapturing(WriteBytes(name, bytes), ok);
        EXPECT_FALSE(ok);
        EXPECT_NE(std::string::npos, error.find(name + ": ")) << error;
    }
    bool ok = true;
    EXPECT_NE(std::string::npos, LoadCapturing(m_scratch.File("absent.dds"), ok).find("cannot open"));
    EXPECT_FALSE(ok);

    ComPtr<ID3D11Resource> resource;
    EXPECT_EQ(E_INVALIDARG, LoadDdsTexture(nullptr, nullptr, L"x.dds", resource.GetAddressOf(), nullptr));
}

TEST_F(TextureTest, TheRegistryReadsANameOnceAndKeepsFailedEntries)
{
    std::vector<uint8_t> tga = TargaHeader(1, 1);
    tga.insert(tga.end(), {1, 2, 3, 4});
    const std::string path = WriteBytes("once.tga", tga);
    bool ok = false;
    LoadCapturing(path, ok);
    ASSERT_TRUE(ok);
    ID3D11ShaderResourceView* first = m_holder.Get(path).GetTexture();
    std::filesystem::remove(path);
    LoadCapturing(path, ok);
    EXPECT_TRUE(ok) << "the second load must not touch the (now missing) file";
    EXPECT_EQ(first, m_holder.Get(path).GetTexture());

    const std::string later = m_scratch.File("later.tga");
    LoadCapturing(later, ok);
    EXPECT_FALSE(ok);
    WriteBytes("later.tga", tga);
    LoadCapturing(later, ok);
    EXPECT_TRUE(ok) << "a failed entry stays and answers true";
    EXPECT_EQ(nullptr, m_holder.Get(later).GetTexture());
}

TEST_F(TextureTest, KeysKeepTheirLettersAndUnknownExtensionsFail)
{
    std::vector<uint8_t> tga = TargaHeader(1, 1);
    tga.insert(tga.end(), {1, 2, 3, 4});
    const std::string lower = WriteBytes("letters.tga", tga);
    const std::string upper = lower.substr(0, lower.size() - 3) + "TGA";
    bool ok = false;
    LoadCapturing(lower, ok);
    EXPECT_TRUE(ok);
    LoadCapturing(upper, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(2u, m_holder.Size());

    const std::string error = LoadCapturing(WriteBytes("picture.png", tga), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("picture.png: unsupported texture file type")) << error;
    EXPECT_TRUE(m_holder.Contains(m_scratch.File("picture.png")));
}

TEST_F(TextureTest, EmptyAndOversizedImagesFailWithoutReachingTheDevice)
{
    bool ok = true;
    std::string error = LoadCapturing(WriteBytes("empty.tga", TargaHeader(0, 0)), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("empty.tga: image has no pixels")) << error;
    error = LoadCapturing(WriteBytes("wide.tga", TargaHeader(20000, 1)), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("wide.tga: image is 20000 x 1")) << error;
}

TEST_F(TextureTest, LookingUpANameThatWasNeverLoadedNamesIt)
{
    try
    {
        m_holder.Get("nothing.dds");
        FAIL() << "no exception";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_EQ(std::string("nothing.dds: texture was never loaded"), e.what());
    }
}
