// Texture loading by extension and the upload of decoded pixels. Bitmaps are decoded through GDI+, which the
// application's ImageLibraryGuard must have started; this file never starts or stops GDI+ itself.
#include "graphics/registries/TextureClass.h"

#include "graphics/AnsiConversion.h"
#include "graphics/DxException.h"
#include "graphics/formats/LoadDdsTexture.h"
#include "graphics/formats/TargaFile.h"

#include <windows.h>
// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out of windows.h.
#include <objidl.h>
#include <gdiplus.h>

#include <cctype>
#include <iostream>

namespace
{

std::string UpperExtension(const std::string& fileName)
{
    const size_t dot = fileName.find_last_of('.');
    std::string extension = dot == std::string::npos ? fileName : fileName.substr(dot + 1);
    for (char& c : extension)
    {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return extension;
}

}   // namespace

bool TextureClass::LoadFromFile(const std::string& fileName, ID3D11Device* device, ID3D11DeviceContext* context)
{
    const std::string extension = UpperExtension(fileName);
    bool loaded = false;
    if (extension == "TGA")
    {
        loaded = LoadTarga(fileName);
        m_created = false;
    }
    else if (extension == "BMP")
    {
        loaded = LoadBitmap(fileName);
        m_created = false;
    }
    else if (extension == "DDS")
    {
        loaded = LoadDds(fileName, device, context);
        m_created = true;
    }
    else
    {
        std::cerr << fileName << ": unsupported texture file type (expected .tga, .bmp or .dds)\n";
    }
    return loaded;
}

bool TextureClass::LoadTarga(const std::string& fileName)
{
    TargaFile targa;
    const bool loaded = targa.Load(fileName);
    m_width = targa.GetWidth();
    m_height = targa.GetHeight();
    if (loaded)
    {
        m_pixelData = std::move(targa.GetPixels());
    }
    return loaded;
}

bool TextureClass::LoadBitmap(const std::string& fileName)
{
    namespace gdi = Gdiplus::DllExports;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gdi::GdipCreateBitmapFromFile(AnsiToWide(fileName).c_str(), &bitmap) != Gdiplus::Ok || !bitmap)
    {
        std::cerr << fileName << ": cannot open the file as a bitmap\n";
        return false;
    }
    // Turning the image half way round mirrors it both ways, which is how these textures are laid out.
    gdi::GdipImageRotateFlip(bitmap, Gdiplus::Rotate180FlipNone);
    UINT width = 0;
    UINT height = 0;
    gdi::GdipGetImageWidth(bitmap, &width);
    gdi::GdipGetImageHeight(bitmap, &height);
    // Direct3D 11's largest 2D texture; a bigger image could not be uploaded anyway.
    constexpr UINT kMaxSide = 16384;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
    {
        gdi::GdipDisposeImage(bitmap);
        std::cerr << fileName << ": bitmap is " << width << " x " << height << ", outside 1 to " << kMaxSide
                  << " per side\n";
        return false;
    }
    m_width = static_cast<int>(width);
    m_height = static_cast<int>(height);
    m_pixelData.assign(static_cast<size_t>(width) * height * 4, 0);
    size_t at = 0;
    for (UINT y = 0; y < height; ++y)
    {
        for (UINT x = 0; x < width; ++x)
        {
            Gdiplus::ARGB color = 0;
            if (gdi::GdipBitmapGetPixel(bitmap, static_cast<INT>(x), static_cast<INT>(y), &color) != Gdiplus::Ok)
            {
                color = 0xFF000000;   // unreadable pixels count as opaque black
            }
            m_pixelData[at++] = static_cast<uint8_t>(color >> 16);
            m_pixelData[at++] = static_cast<uint8_t>(color >> 8);
            m_pixelData[at++] = static_cast<uint8_t>(color);
            m_pixelData[at++] = static_cast<uint8_t>(color >> 24);
        }
    }
    gdi::GdipDisposeImage(bitmap);
    return true;
}

bool TextureClass::LoadDds(const std::string& fileName, ID3D11Device* device, ID3D11DeviceContext* context)
{
    const HRESULT result = LoadDdsTexture(device, context, AnsiToWide(fileName).c_str(),
                                          m_texture.ReleaseAndGetAddressOf(), m_textureView.ReleaseAndGetAddressOf());
    return SUCCEEDED(result);
}

bool TextureClass::CreateOnDevice(ID3D11Device* device, ID3D11DeviceContext* context)
{
    D3D11_TEXTURE2D_DESC textureDesc = {};
    textureDesc.Width = static_cast<UINT>(m_width);
    textureDesc.Height = static_cast<UINT>(m_height);
    textureDesc.MipLevels = 0;
    textureDesc.ArraySize = 1;
    textureDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    textureDesc.SampleDesc.Count = 1;
    textureDesc.SampleDesc.Quality = 0;
    textureDesc.Usage = D3D11_USAGE_DEFAULT;
    textureDesc.BindFlags = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET;
    textureDesc.CPUAccessFlags = 0;
    textureDesc.MiscFlags = D3D11_RESOURCE_MISC_GENERATE_MIPS;
    DX_THROW_IF_FAILED(
        device->CreateTexture2D(&textureDesc, NULL, reinterpret_cast<ID3D11Texture2D**>(m_texture.GetAddressOf())));

    const UINT rowPitch = static_cast<UINT>(m_width) * 4;
    context->UpdateSubresource(m_texture.Get(), 0, nullptr, m_pixelData.data(), rowPitch, 0);

    D3D11_SHADER_RESOURCE_VIEW_DESC viewDesc = {};
    viewDesc.Format = textureDesc.Format;
    viewDesc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
    viewDesc.Texture2D.MostDetailedMip = 0;
    viewDesc.Texture2D.MipLevels = static_cast<UINT>(-1);
    if (FAILED(device->CreateShaderResourceView(m_texture.Get(), &viewDesc, m_textureView.ReleaseAndGetAddressOf())))
    {
        return false;
    }
    context->GenerateMips(m_textureView.Get());
    m_created = true;
    return true;
}
