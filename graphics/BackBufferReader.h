// Reads the swap chain's back buffer back to the CPU through a staging copy, exactly as it will be presented.
// Read() copies and waits for the copy at once. Start() and TakeOldest() split the two for a capture that reads
// every frame: the copy is started before Present and read a frame later, by when the device has made it, so the
// program does not stand still while the device finishes the frame it has just been given. Staging textures are
// kept between calls and re-made only when the size changes.
#pragma once

#include <d3d11.h>
#include <dxgi.h>
#include <wrl/client.h>

#include <cstddef>
#include <deque>

#include "graphics/formats/FrameImage.h"

class BackBufferReader
{
public:
    // At most this many copies are started and not yet taken.
    static constexpr std::size_t kSlots = 2;

    // Throws DxException when a Direct3D call fails. The back buffer must be 8-bit RGBA or BGRA.
    FrameImage Read(IDXGISwapChain* swapChain, ID3D11Device* device, ID3D11DeviceContext* context);

    // Starts copying the back buffer. With kSlots copies already waiting, the oldest must be taken first.
    void Start(IDXGISwapChain* swapChain, ID3D11Device* device, ID3D11DeviceContext* context);
    // Copies started and not yet taken.
    std::size_t Waiting() const { return m_waiting.size(); }
    // The oldest started copy, waiting for the device to have made it; into `image`, whose memory is reused.
    void TakeOldest(ID3D11DeviceContext* context, FrameImage& image);

private:
    struct Slot
    {
        Microsoft::WRL::ComPtr<ID3D11Texture2D> staging;
        D3D11_TEXTURE2D_DESC desc{};
    };

    // Copies the back buffer into `slot`, making its texture first when it has none of the back buffer's size.
    void Copy(Slot& slot, IDXGISwapChain* swapChain, ID3D11Device* device, ID3D11DeviceContext* context);
    static void Map(const Slot& slot, ID3D11DeviceContext* context, FrameImage& image);

    Slot m_slots[kSlots];
    std::size_t m_next = 0;
    std::deque<std::size_t> m_waiting;
};
