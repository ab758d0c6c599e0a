// DDS upload: reads the file whole through the Win32 file API, lets DdsFile check and lay it out, then creates
// the resource and view. A multi-level creation that fails is retried once without the levels above the limit.
#include "graphics/formats/LoadDdsTexture.h"

#include "graphics/AnsiConversion.h"
#include "graphics/formats/DdsFile.h"

#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <iostream>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace
{

// Levels above these are left out on the retry: the sizes every feature-level 10 device supports.
constexpr uint32_t kRetryMaxSize = 8192;
constexpr uint32_t kRetryMaxVolumeSize = 2048;

std::string HexResult(HRESULT result)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

HRESULT Report(const std::string& fileName, const std::string& reason, HRESULT result)
{
    std::cerr << fileName << ": " << reason << '\n';
    return result;
}

HRESULT ReadWholeFile(const wchar_t* fileName, const std::string& name, std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFileW(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return Report(name, "cannot open the file", HRESULT_FROM_WIN32(GetLastError()));
    }
    HRESULT result = S_OK;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size))
    {
        result = Report(name, "cannot read the file size", HRESULT_FROM_WIN32(GetLastError()));
    }
    else if (size.QuadPart >= (LONGLONG{1} << 32))
    {
        result = Report(name, "file is 4 GiB or larger", E_FAIL);
    }
    else
    {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!bytes.empty() &&
            (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()))
        {
            result = Report(name, "cannot read the whole file", E_FAIL);
        }
    }
    CloseHandle(file);
    return result;
}

HRESULT CreateResource(ID3D11Device* device, const DdsFile& dds, const DdsLayout& layout, UINT bindFlags,
                       UINT miscFlags, bool withData, ComPtr<ID3D11Resource>& resource)
{
    std::vector<D3D11_SUBRESOURCE_DATA> initial;
    if (withData)
    {
        for (const DdsSurface& surface : layout.surfaces)
        {
            initial.push_back({dds.Data() + surface.offset, surface.rowPitch, surface.slicePitch});
        }
    }
    const D3D11_SUBRESOURCE_DATA* data = withData ? initial.data() : nullptr;
    const DXGI_FORMAT format = static_cast<DXGI_FORMAT>(dds.GetFormatNumber());
    const UINT mipLevels = withData ? layout.mipCount : 0;
    resource.Reset();
    switch (dds.GetDimension())
    {
    case DdsDimension::Texture1D:
    {
        D3D11_TEXTURE1D_DESC desc = {};
        desc.Width = layout.width;
        desc.MipLevels = mipLevels;
        desc.ArraySize = dds.GetArraySize();
        desc.Format = format;
        desc.Usage = D3D11_USAGE_DEFAULT;
        desc.BindFlags = bindFlags;
        desc.MiscFlags = miscFlags;
        ComPtr<ID3D11Texture1D> texture;
        const HRESULT hr = device->CreateTexture1D(&desc, data, texture.GetAddressOf());
        resource = texture;
        return hr;
    }
    case DdsDimension::Texture3D:
    {
        D3D11_TEXTURE3D_DESC desc = {};
        desc.Width = layout.width;
        desc.Height = layout.height;
        desc.Depth = layout.depth;
        desc.MipLevels = mipLevels;
        desc.Format = format;
        desc.Usage = D3D11_USAGE_DEFAULT;
        desc.BindFlags = bindFlags;
        desc.MiscFlags = miscFlags;
        ComPtr<ID3D11Texture3D> texture;
        const HRESULT hr = device->CreateTexture3D(&desc, data, texture.GetAddressOf());
        resource = texture;
        return hr;
    }
    default:
    {
        D3D11_TEXTURE2D_DESC desc = {};
        desc.Width = layout.width;
        desc.Height = layout.height;
        desc.MipLevels = mipLevels;
        desc.ArraySize = dds.GetArraySize();
        desc.Format = format;
        desc.SampleDesc.Count = 1;
        desc.Usage = D3D11_USAGE_DEFAULT;
        desc.BindFlags = bindFlags;
        desc.MiscFlags = miscFlags | (dds.IsCubeMap() ? static_cast<UINT>(D3D11_RESOURCE_MISC_TEXTURECUBE) : 0u);
        ComPtr<ID3D11Texture2D> texture;
        const HRESULT hr = device->CreateTexture2D(&desc, data, texture.GetAddressOf());
        resource = texture;
        return hr;
    }
    }
}

HRESULT CreateView(ID3D11Device* device, const DdsFile& dds, ID3D11Resource* resource,
                   ComPtr<ID3D11ShaderResourceView>& view)
{
    D3D11_SHADER_RESOURCE_VIEW_DESC desc = {};
    desc.Format = static_cast<DXGI_FORMAT>(dds.GetFormatNumber());
    const UINT allLevels = static_cast<UINT>(-1);
    const UINT arraySize = dds.GetArraySize();
    switch (dds.GetDimension())
    {
    case DdsDimension::Texture1D:
        if (arraySize > 1)
        {
            desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE1DARRAY;
            desc.Texture1DArray.MipLevels = allLevels;
            desc.Texture1DArray.ArraySize = arraySize;
        }
        else
        {
            desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE1D;
            desc.Texture1D.MipLevels = allLevels;
        }
        break;
    case DdsDimension::Texture3D:
        desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE3D;
        desc.Texture3D.MipLevels = allLevels;
        break;
    default:
        if (dds.IsCubeMap())
        {
            if (arraySize > 6)
            {
                desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURECUBEARRAY;
                desc.TextureCubeArray.MipLevels = allLevels;
                desc.TextureCubeArray.NumCubes = arraySize / 6;
            }
            else
            {
                desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURECUBE;
                desc.TextureCube.MipLevels = allLevels;
            }
        }
        else if (arraySize > 1)
        {
            desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2DARRAY;
            desc.Texture2DArray.MipLevels = allLevels;
            desc.Texture2DArray.ArraySize = arraySize;
        }
        else
        {
            desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
            desc.Texture2D.MipLevels = allLevels;
        }
        break;
    }
    return device->CreateShaderResourceView(resource, &desc, view.GetAddressOf());
}

// One level in the file, a 2D format the device can render to and filter down: create the full chain,
// upload level 0 of every slice and let the GPU fill the rest.
bool CanGenerateMips(ID3D11Device* device, ID3D11DeviceContext* context, const DdsFile& dds)
{
    if (!context || dds.GetMipCount() != 1 || dds.GetDimension() != DdsDimension::Texture2D)
    {
        return false;
    }
    UINT support = 0;
    if (FAILED(device->CheckFormatSupport(static_cast<DXGI_FORMAT>(dds.GetFormatNumber()), &support)))
    {
        return false;
    }
    return (support & D3D11_FORMAT_SUPPORT_MIP_AUTOGEN) != 0;
}

HRESULT CreateWithGeneratedMips(ID3D11Device* device, ID3D11DeviceContext* context, const DdsFile& dds,
                                ComPtr<ID3D11Resource>& resource, ComPtr<ID3D11ShaderResourceView>& view)
{
    DdsLayout layout;
    if (!dds.LayoutSurfaces(0, layout))
    {
        return E_FAIL;
    }
    HRESULT hr = CreateResource(device, dds, layout, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET,
                                D3D11_RESOURCE_MISC_GENERATE_MIPS, false, resource);
    if (FAILED(hr))
    {
        return hr;
    }
    hr = CreateView(device, dds, resource.Get(), view);
    if (FAILED(hr))
    {
        return hr;
    }
    ComPtr<ID3D11Texture2D> texture;
    resource.As(&texture);
    D3D11_TEXTURE2D_DESC desc = {};
    texture->GetDesc(&desc);
    for (UINT slice = 0; slice < layout.surfaces.size(); ++slice)
    {
        const DdsSurface& surface = layout.surfaces[slice];
        context->UpdateSubresource(resource.Get(), D3D11CalcSubresource(0, slice, desc.MipLevels), nullptr,
                                   dds.Data() + surface.offset, surface.rowPitch, surface.slicePitch);
    }
    context->GenerateMips(view.Get());
    return S_OK;
}

HRESULT CreateWithFileMips(ID3D11Device* device, const DdsFile& dds, ComPtr<ID3D11Resource>& resource,
                           ComPtr<ID3D11ShaderResourceView>& view)
{
    DdsLayout layout;
    if (!dds.LayoutSurfaces(0, layout))
    {
        return E_FAIL;
    }
    HRESULT hr = CreateResource(device, dds, layout, D3D11_BIND_SHADER_RESOURCE, 0, true, resource);
    if (FAILED(hr) && dds.GetMipCount() > 1)
    {
        const uint32_t limit = dds.GetDimension() == DdsDimension::Texture3D ? kRetryMaxVolumeSize : kRetryMaxSize;
        if (dds.LayoutSurfaces(limit, layout))
        {
            hr = CreateResource(device, dds, layout, D3D11_BIND_SHADER_RESOURCE, 0, true, resource);
        }
    }
    if (FAILED(hr))
    {
        return hr;
    }
    return CreateView(device, dds, resource.Get(), view);
}

}   // namespace

HRESULT LoadDdsTexture(ID3D11Device* device, ID3D11DeviceContext* context, const wchar_t* fileName,
                       ID3D11Resource** texture, ID3D11ShaderResourceView** textureView)
{
    if (texture)
    {
        *texture = nullptr;
    }
    if (textureView)
    {
        *textureView = nullptr;
    }
    if (!device || !fileName || (!texture && !textureView))
    {
        return E_INVALIDARG;
    }
    const std::string name = WideToAnsi(fileName);

    std::vector<uint8_t> bytes;
    HRESULT hr = ReadWholeFile(fileName, name, bytes);
    if (FAILED(hr))
    {
        return hr;
    }
    DdsFile dds;
    if (!dds.Parse(std::move(bytes), name))
    {
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }

    ComPtr<ID3D11Resource> resource;
    ComPtr<ID3D11ShaderResourceView> view;
    if (CanGenerateMips(device, context, dds))
    {
        hr = CreateWithGeneratedMips(device, context, dds, resource, view);
    }
    else
    {
        hr = CreateWithFileMips(device, dds, resource, view);
    }
    if (FAILED(hr))
    {
        return Report(name,
                      "Direct3D could not create the texture (DXGI format " + std::to_string(dds.GetFormatNumber()) +
                          ", result " + HexResult(hr) + ")",
                      hr);
    }
    if (texture)
    {
        *texture = resource.Detach();
    }
    if (textureView)
    {
        *textureView = view.Detach();
    }
    return S_OK;
}
