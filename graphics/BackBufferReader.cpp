// Back-buffer read-back: see BackBufferReader.h.
#include "graphics/BackBufferReader.h"

#include <cassert>
#include <cstring>
#include <stdexcept>
#include <string>

#include "graphics/DxException.h"

namespace
{
bool IsBgra(DXGI_FORMAT format)
{
    return format == DXGI_FORMAT_B8G8R8A8_UNORM || format == DXGI_FORMAT_B8G8R8A8_UNORM_SRGB;
}

bool IsRgba(DXGI_FORMAT format)
{
    return format == DXGI_FORMAT_R8G8B8A8_UNORM || format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
}
}

FrameImage BackBufferReader::Read(IDXGISwapChain* swapChain, ID3D11Device* device, ID3D11DeviceContext* context)
{
    FrameImage image;
    while (!m_waiting.empty())
    {
        TakeOldest(context, image);   // copies started before are not this frame's
    }
    Start(swapChain, device, context);
    TakeOldest(context, image);
    return image;
}

void BackBufferReader::Start(IDXGISwapChain* swapChain, ID3D11Device* device, ID3D11DeviceContext* context)
{
    assert(m_waiting.size() < kSlots && "take the oldest copy before starting another");
    Copy(m_slots[m_next], swapChain, device, context);
    m_waiting.push_back(m_next);
    m_next = (m_next + 1) % kSlots;
}

void BackBufferReader::TakeOldest(ID3D11DeviceContext* context, FrameImage& image)
{
    assert(!m_waiting.empty() && "no copy was started");
    const Slot& slot = m_slots[m_waiting.front()];
    m_waiting.pop_front();
    Map(slot, context, image);
}

void BackBufferReader::Copy(Slot& slot, IDXGISwapChain* swapChain, ID3D11Device* device, ID3D11DeviceContext* context)
{
    Microsoft::WRL::ComPtr<ID3D11Texture2D> backBuffer;
    DX_THROW_IF_FAILED(swapChain->GetBuffer(0, IID_PPV_ARGS(backBuffer.GetAddressOf())));
    D3D11_TEXTURE2D_DESC desc{};
    backBuffer->GetDesc(&desc);
    if (!IsBgra(desc.Format) && !IsRgba(desc.Format))
    {
        throw std::runtime_error("back buffer format " + std::to_string(desc.Format) + " cannot be captured");
    }
    if (!slot.staging || slot.desc.Width != desc.Width || slot.desc.Height != desc.Height ||
        slot.desc.Format != desc.Format)
    {
        slot.desc = desc;
        slot.desc.MipLevels = 1;
        slot.desc.ArraySize = 1;
        slot.desc.SampleDesc = {1, 0};
        slot.desc.Usage = D3D11_USAGE_STAGING;
        slot.desc.BindFlags = 0;
        slot.desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        slot.desc.MiscFlags = 0;
        slot.staging.Reset();
        DX_THROW_IF_FAILED(device->CreateTexture2D(&slot.desc, nullptr, slot.staging.GetAddressOf()));
    }
    context->CopyResource(slot.staging.Get(), backBuffer.Get());
}

void BackBufferReader::Map(const Slot& slot, ID3D11DeviceContext* context, FrameImage& image)
{
    const D3D11_TEXTURE2D_DESC& desc = slot.desc;
    D3D11_MAPPED_SUBRESOURCE mapped{};
    DX_THROW_IF_FAILED(context->Map(slot.staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
    image.width = static_cast<int>(desc.Width);
    image.height = static_cast<int>(desc.Height);
    image.rgba.resize(static_cast<std::size_t>(desc.Width) * desc.Height * 4);
    const bool bgra = IsBgra(desc.Format);
    for (UINT y = 0; y < desc.Height; ++y)
    {
        const auto* source =
            static_cast<const std::uint8_t*>(mapped.pData) + static_cast<std::size_t>(y) * mapped.RowPitch;
        std::uint8_t* target = image.rgba.data() + static_cast<std::size_t>(y) * desc.Width * 4;
        std::memcpy(target, source, static_cast<std::size_t>(desc.Width) * 4);
        if (bgra)
        {
            for (UINT x = 0; x < desc.Width; ++x)
            {
                std::swap(target[x * 4 + 0], target[x * 4 + 2]);
            }
        }
    }
    context->Unmap(slot.staging.Get(), 0);
}
