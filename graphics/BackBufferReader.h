// Reads the swap chain's back buffer back to the CPU through a staging copy, exactly as it will be presented.
// The staging texture is kept between calls and re-made only when the size changes.
#pragma once

#include <d3d11.h>
#include <dxgi.h>
#include <wrl/client.h>

#include "graphics/formats/FrameImage.h"

class BackBufferReader
{
public:
    // Throws DxException when a Direct3D call fails. The back buffer must be 8-bit RGBA or BGRA.
    FrameImage Read(IDXGISwapChain* swapChain, ID3D11Device* device, ID3D11DeviceContext* context);

private:
    Microsoft::WRL::ComPtr<ID3D11Texture2D> m_staging;
    D3D11_TEXTURE2D_DESC m_stagingDesc{};
};
