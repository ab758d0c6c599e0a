// Back-buffer read-back: see BackBufferReader.h.
#include "graphics/BackBufferReader.h"

#include <cstring>
#include <stdexcept>

#include "graphics/DxException.h"

FrameImage BackBufferReader::Read(IDXGISwapChain* swapChain, ID3D11Device* device, ID3D11DeviceContext* context)
{
    Microsoft::WRL::ComPtr<ID3D11Texture2D> backBuffer;
    DX_THROW_IF_FAILED(swapChain->GetBuffer(0, IID_PPV_ARGS(backBuffer.GetAddressOf())));
    D3D11_TEXTURE2D_DESC desc{};
    backBuffer->GetDesc(&desc);
    const bool bgra = desc.Format == DXGI_FORMAT_B8G8R8A8_UNORM || desc.Format == DXGI_FORMAT_B8G8R8A8_UNORM_SRGB;
    const bool rgba = desc.Format == DXGI_FORMAT_R8G8B8A8_UNORM || desc.Format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
    if (!bgra && !rgba)
    {
        throw std::runtime_error("back buffer format " + std::to_string(desc.Format) + " cannot be captured");
    }

    if (!m_staging || m_stagingDesc.Width != desc.Width || m_stagingDesc.Height != desc.Height ||
        m_stagingDesc.Format != desc.Format)
    {
        m_stagingDesc = desc;
        m_stagingDesc.MipLevels = 1;
        m_stagingDesc.ArraySize = 1;
        m_stagingDesc.SampleDesc = {1, 0};
        m_stagingDesc.Usage = D3D11_USAGE_STAGING;
        m_stagingDesc.BindFlags = 0;
        m_stagingDesc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        m_stagingDesc.MiscFlags = 0;
        m_staging.Reset();
        DX_THROW_IF_FAILED(device->CreateTexture2D(&m_stagingDesc, nullptr, m_staging.GetAddressOf()));
    }
    context->CopyResource(m_staging.Get(), backBuffer.Get());

    D3D11_MAPPED_SUBRESOURCE mapped{};
    DX_THROW_IF_FAILED(context->Map(m_staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
    FrameImage image;
    image.width = static_cast<int>(desc.Width);
    image.height = static_cast<int>(desc.Height);
    image.rgba.resize(static_cast<std::size_t>(desc.Width) * desc.Height * 4);
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
    context->Unmap(m_staging.Get(), 0);
    return image;
}
