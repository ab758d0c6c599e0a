// Staging copies and the offscreen target used by the device tests. Failures throw std::runtime_error so that
// a broken read-back fails the test that asked for it instead of comparing garbage.
#include "tests/graphics/GpuReadback.h"

#include <cstring>
#include <stdexcept>

using Microsoft::WRL::ComPtr;

std::vector<uint8_t> ReadBuffer(ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Buffer* buffer)
{
    D3D11_BUFFER_DESC desc = {};
    buffer->GetDesc(&desc);
    desc.Usage = D3D11_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    desc.MiscFlags = 0;
    desc.StructureByteStride = 0;
    ComPtr<ID3D11Buffer> staging;
    if (FAILED(device->CreateBuffer(&desc, nullptr, staging.GetAddressOf())))
    {
        throw std::runtime_error("cannot create a staging buffer");
    }
    context->CopyResource(staging.Get(), buffer);
    D3D11_MAPPED_SUBRESOURCE mapped = {};
    if (FAILED(context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped)))
    {
        throw std::runtime_error("cannot map the staging buffer");
    }
    std::vector<uint8_t> bytes(desc.ByteWidth);
    std::memcpy(bytes.data(), mapped.pData, bytes.size());
    context->Unmap(staging.Get(), 0);
    return bytes;
}

std::vector<uint8_t> ReadSubresource(ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Resource* texture,
                                     UINT subresource, UINT rowBytes, UINT rows, UINT depth)
{
    D3D11_RESOURCE_DIMENSION dimension = D3D11_RESOURCE_DIMENSION_UNKNOWN;
    texture->GetType(&dimension);
    ComPtr<ID3D11Resource> staging;
    HRESULT hr = E_FAIL;
    if (dimension == D3D11_RESOURCE_DIMENSION_TEXTURE2D)
    {
        ComPtr<ID3D11Texture2D> source;
        texture->QueryInterface(IID_PPV_ARGS(source.GetAddressOf()));
        D3D11_TEXTURE2D_DESC desc = {};
        source->GetDesc(&desc);
        desc.Usage = D3D11_USAGE_STAGING;
        desc.BindFlags = 0;
        desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        desc.MiscFlags &= D3D11_RESOURCE_MISC_TEXTURECUBE;
        ComPtr<ID3D11Texture2D> copy;
        hr = device->CreateTexture2D(&desc, nullptr, copy.GetAddressOf());
        staging = copy;
    }
    else if (dimension == D3D11_RESOURCE_DIMENSION_TEXTURE3D)
    {
        ComPtr<ID3D11Texture3D> source;
        texture->QueryInterface(IID_PPV_ARGS(source.GetAddressOf()));
        D3D11_TEXTURE3D_DESC desc = {};
        source->GetDesc(&desc);
        desc.Usage = D3D11_USAGE_STAGING;
        desc.BindFlags = 0;
        desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        desc.MiscFlags = 0;
        ComPtr<ID3D11Texture3D> copy;
        hr = device->CreateTexture3D(&desc, nullptr, copy.GetAddressOf());
        staging = copy;
    }
    else if (dimension == D3D11_RESOURCE_DIMENSION_TEXTURE1D)
    {
        ComPtr<ID3D11Texture1D> source;
        texture->QueryInterface(IID_PPV_ARGS(source.GetAddressOf()));
        D3D11_TEXTURE1D_DESC desc = {};
        source->GetDesc(&desc);
        desc.Usage = D3D11_USAGE_STAGING;
        desc.BindFlags = 0;
        desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        desc.MiscFlags = 0;
        ComPtr<ID3D11Texture1D> copy;
        hr = device->CreateTexture1D(&desc, nullptr, copy.GetAddressOf());
        staging = copy;
    }
    if (FAILED(hr))
    {
        throw std::runtime_error("cannot create a staging texture");
    }
    context->CopyResource(staging.Get(), texture);
    D3D11_MAPPED_SUBRESOURCE mapped = {};
    if (FAILED(context->Map(staging.Get(), subresource, D3D11_MAP_READ, 0, &mapped)))
    {
        throw std::runtime_error("cannot map the staging texture");
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(rowBytes) * rows * depth);
    for (UINT z = 0; z < depth; ++z)
    {
        for (UINT y = 0; y < rows; ++y)
        {
            std::memcpy(bytes.data() + (static_cast<size_t>(z) * rows + y) * rowBytes,
                        static_cast<const uint8_t*>(mapped.pData) + z * mapped.DepthPitch + y * mapped.RowPitch,
                        rowBytes);
        }
    }
    context->Unmap(staging.Get(), subresource);
    return bytes;
}

OffscreenTarget::OffscreenTarget(ID3D11Device* device_, ID3D11DeviceContext* context_, UINT width_, UINT height_)
    : device(device_), context(context_), width(width_), height(height_)
{
    D3D11_TEXTURE2D_DESC desc = {};
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_RENDER_TARGET;
    if (FAILED(device->CreateTexture2D(&desc, nullptr, texture.GetAddressOf())) ||
        FAILED(device->CreateRenderTargetView(texture.Get(), nullptr, view.GetAddressOf())))
    {
        throw std::runtime_error("cannot create the offscreen target");
    }
    ID3D11RenderTargetView* views[] = {view.Get()};
    context->OMSetRenderTargets(1, views, nullptr);
    D3D11_VIEWPORT viewport = {0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f};
    context->RSSetViewports(1, &viewport);
}

void OffscreenTarget::Clear(float r, float g, float b, float a)
{
    const float color[4] = {r, g, b, a};
    context->ClearRenderTargetView(view.Get(), color);
}

std::vector<uint8_t> OffscreenTarget::Pixel(UINT x, UINT y)
{
    const std::vector<uint8_t> all = ReadSubresource(device, context, texture.Get(), 0, width * 4, height);
    const size_t at = (static_cast<size_t>(y) * width + x) * 4;
    return {all[at], all[at + 1], all[at + 2], all[at + 3]};
}
