// Creates and holds the Direct3D 11 device, its immediate context, the DXGI factory and the window's swap chain.
// It creates no back-buffer view, depth buffer, viewport or rasterizer state: the scene's render targets do.
#pragma once

#include <d3d11.h>
#include <dxgi.h>
#include <windows.h>
#include <wrl/client.h>

struct EngineOptions;

class D3DClass
{
public:
    static constexpr size_t kDescriptionLength = 128;

    D3DClass() = default;
    D3DClass(const D3DClass&) = delete;
    D3DClass& operator=(const D3DClass&) = delete;

    // Throws DxException for a failed DXGI or device call; false only when the adapter description cannot be
    // converted to a multibyte string.
    bool Initialize(const EngineOptions& options, HWND window);

    // The held references, without adding to their counts.
    IDXGISwapChain* GetSwapChain() const { return m_swapChain.Get(); }
    ID3D11Device* GetDevice() const { return m_device.Get(); }
    ID3D11DeviceContext* GetDeviceContext() const { return m_deviceContext.Get(); }

    bool IsVsyncEnabled() const { return m_vsyncEnabled; }
    int GetVideoCardMemory() const { return m_videoCardMemory; }
    const char* GetVideoCardDescription() const { return m_videoCardDescription; }
    // The refresh rate the swap chain asked for: the last display mode of the options' size, or 0/1.
    DXGI_RATIONAL GetRefreshRate() const { return m_refreshRate; }

private:
    bool m_vsyncEnabled = false;
    int m_videoCardMemory = 0;
    char m_videoCardDescription[kDescriptionLength] = {};
    // Declared in the reverse of their release order: context, device, swap chain, factory.
    Microsoft::WRL::ComPtr<IDXGIFactory> m_factory;
    Microsoft::WRL::ComPtr<IDXGISwapChain> m_swapChain;
    Microsoft::WRL::ComPtr<ID3D11Device> m_device;
    Microsoft::WRL::ComPtr<ID3D11DeviceContext> m_deviceContext;
    DXGI_RATIONAL m_refreshRate = {0, 1};
};
