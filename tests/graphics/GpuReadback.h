// Reads GPU resources back to the CPU for comparison: buffers and 2D/3D texture subresources through staging
// copies, and a small offscreen render target to draw into. Test-only; nothing here is fast.
#pragma once

#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

// The bytes of a whole buffer.
std::vector<uint8_t> ReadBuffer(ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Buffer* buffer);

// The rows of one subresource of a 1D, 2D or 3D texture, tightly packed (row pitch = rowBytes).
std::vector<uint8_t> ReadSubresource(ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Resource* texture,
                                     UINT subresource, UINT rowBytes, UINT rows, UINT depth = 1);

// An R8G8B8A8 render target bound with a matching viewport.
struct OffscreenTarget
{
    OffscreenTarget(ID3D11Device* device, ID3D11DeviceContext* context, UINT width, UINT height);
    void Clear(float r, float g, float b, float a);
    // R, G, B, A of one pixel.
    std::vector<uint8_t> Pixel(UINT x, UINT y);

    ID3D11Device* device;
    ID3D11DeviceContext* context;
    UINT width;
    UINT height;
    Microsoft::WRL::ComPtr<ID3D11Texture2D> texture;
    Microsoft::WRL::ComPtr<ID3D11RenderTargetView> view;
};
