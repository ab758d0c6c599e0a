// Device and swap-chain creation in the engine's fixed order: factory, adapter 0, output 0, display modes,
// refresh rate, adapter description, then device and swap chain at feature level 11_0. Nothing is retried.
#include "graphics/D3DClass.h"

#include "app/EngineOptions.h"
#include "graphics/DxException.h"

#include <cstdlib>
#include <vector>

using Microsoft::WRL::ComPtr;

bool D3DClass::Initialize(const EngineOptions& options, HWND window)
{
    m_vsyncEnabled = !options.m_runFullSpeed;

    DX_THROW_IF_FAILED(CreateDXGIFactory(IID_PPV_ARGS(m_factory.GetAddressOf())));

    ComPtr<IDXGIAdapter> adapter;
    DX_THROW_IF_FAILED(m_factory->EnumAdapters(0, adapter.GetAddressOf()));

    ComPtr<IDXGIOutput> adapterOutput;
    DX_THROW_IF_FAILED(adapter->EnumOutputs(0, adapterOutput.GetAddressOf()));

    UINT numModes = 0;
    DX_THROW_IF_FAILED(
        adapterOutput->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_ENUM_MODES_INTERLACED, &numModes, NULL));
    std::vector<DXGI_MODE_DESC> displayModeList(numModes);
    if (numModes > 0)
    {
        DX_THROW_IF_FAILED(adapterOutput->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_ENUM_MODES_INTERLACED,
                                                             &numModes, displayModeList.data()));
    }

    // The last mode of the window's size wins; with none, the rate stays 0/1 (let DXGI choose).
    DXGI_RATIONAL refresh = {0, 1};
    for (UINT i = 0; i < numModes && i < displayModeList.size(); ++i)
    {
        if (displayModeList[i].Width == static_cast<UINT>(options.m_screenWidth) &&
            displayModeList[i].Height == static_cast<UINT>(options.m_screenHeight))
        {
            refresh = displayModeList[i].RefreshRate;
        }
    }

    DXGI_ADAPTER_DESC adapterDesc = {};
    DX_THROW_IF_FAILED(adapter->GetDesc(&adapterDesc));
    m_videoCardMemory = static_cast<int>(adapterDesc.DedicatedVideoMemory >> 20);
    size_t converted = 0;
    if (wcstombs_s(&converted, m_videoCardDescription, kDescriptionLength, adapterDesc.Description,
                   kDescriptionLength - 1) != 0)
    {
        return false;
    }

    DXGI_SWAP_CHAIN_DESC swapChainDesc = {};
    swapChainDesc.BufferCount = 1;
    swapChainDesc.BufferDesc.Width = static_cast<UINT>(options.m_screenWidth);
    swapChainDesc.BufferDesc.Height = static_cast<UINT>(options.m_screenHeight);
    swapChainDesc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    swapChainDesc.BufferDesc.RefreshRate = m_vsyncEnabled ? refresh : DXGI_RATIONAL{0, 1};
    swapChainDesc.BufferDesc.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED;
    swapChainDesc.BufferDesc.Scaling = DXGI_MODE_SCALING_UNSPECIFIED;
    swapChainDesc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    swapChainDesc.OutputWindow = window;
    swapChainDesc.SampleDesc.Count = 1;
    swapChainDesc.SampleDesc.Quality = 0;
    swapChainDesc.Windowed = options.m_fullScreen ? FALSE : TRUE;
    swapChainDesc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
    swapChainDesc.Flags = 0;
    m_refreshRate = swapChainDesc.BufferDesc.RefreshRate;

    const UINT createDeviceFlags = 0;
    const D3D_FEATURE_LEVEL featureLevel = D3D_FEATURE_LEVEL_11_0;
    DX_THROW_IF_FAILED(D3D11CreateDeviceAndSwapChain(
        NULL, D3D_DRIVER_TYPE_HARDWARE, NULL, createDeviceFlags, &featureLevel, 1, D3D11_SDK_VERSION, &swapChainDesc,
        m_swapChain.GetAddressOf(), m_device.GetAddressOf(), NULL, m_deviceContext.GetAddressOf()));
    return true;
}
