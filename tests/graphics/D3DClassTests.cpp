// Device creation against Wine's Direct3D 11: the swap chain follows the options, the refresh rate follows the
// display modes and the full-speed option, and failed guarded calls carry their text, file stem and line.
#include "graphics/D3DClass.h"
#include "graphics/bindables/InputLayout.h"
#include "graphics/DxException.h"
#include "tests/graphics/TestWindow.h"

#include <gtest/gtest.h>

#include <d3dcompiler.h>

#include <cstring>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace
{

DXGI_SWAP_CHAIN_DESC SwapChainDesc(const D3DClass& d3d)
{
    DXGI_SWAP_CHAIN_DESC desc = {};
    EXPECT_HRESULT_SUCCEEDED(d3d.GetSwapChain()->GetDesc(&desc));
    return desc;
}

// Output 0's R8G8B8A8 modes, in the order the device walks them.
std::vector<DXGI_MODE_DESC> DisplayModes()
{
    ComPtr<IDXGIFactory> factory;
    ComPtr<IDXGIAdapter> adapter;
    ComPtr<IDXGIOutput> output;
    EXPECT_HRESULT_SUCCEEDED(CreateDXGIFactory(IID_PPV_ARGS(factory.GetAddressOf())));
    EXPECT_HRESULT_SUCCEEDED(factory->EnumAdapters(0, adapter.GetAddressOf()));
    EXPECT_HRESULT_SUCCEEDED(adapter->EnumOutputs(0, output.GetAddressOf()));
    UINT count = 0;
    output->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_ENUM_MODES_INTERLACED, &count, nullptr);
    std::vector<DXGI_MODE_DESC> modes(count);
    output->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_ENUM_MODES_INTERLACED, &count, modes.data());
    modes.resize(count);
    return modes;
}

}   // namespace

TEST(D3DClassInitialize, CreatesADeviceAndASwapChainShapedByTheOptions)
{
    TestWindow window(96, 40);
    D3DClass d3d;
    EXPECT_EQ(nullptr, d3d.GetDevice());
    ASSERT_TRUE(d3d.Initialize(TestOptions(96, 40), window.Handle()));
    ASSERT_NE(nullptr, d3d.GetDevice());
    ASSERT_NE(nullptr, d3d.GetDeviceContext());
    EXPECT_EQ(D3D_FEATURE_LEVEL_11_0, d3d.GetDevice()->GetFeatureLevel());

    const DXGI_SWAP_CHAIN_DESC desc = SwapChainDesc(d3d);
    EXPECT_EQ(96u, desc.BufferDesc.Width);
    EXPECT_EQ(40u, desc.BufferDesc.Height);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, desc.BufferDesc.Format);
    EXPECT_EQ(1u, desc.BufferCount);
    EXPECT_EQ(1u, desc.SampleDesc.Count);
    EXPECT_EQ(0u, desc.SampleDesc.Quality);
    EXPECT_EQ(window.Handle(), desc.OutputWindow);
    EXPECT_TRUE(desc.Windowed);
    EXPECT_EQ(DXGI_SWAP_EFFECT_DISCARD, desc.SwapEffect);
    EXPECT_NE(0u, desc.BufferUsage & DXGI_USAGE_RENDER_TARGET_OUTPUT);
    EXPECT_NE('\0', d3d.GetVideoCardDescription()[0]);
}

TEST(D3DClassInitialize, RunningAtFullSpeedTurnsVsyncOffAndAsksForNoRefreshRate)
{
    // A size the display lists, so that only the option can explain a 0/1 rate.
    const std::vector<DXGI_MODE_DESC> modes = DisplayModes();
    const int width = modes.empty() ? 64 : static_cast<int>(modes.back().Width);
    const int height = modes.empty() ? 48 : static_cast<int>(modes.back().Height);
    TestWindow window(64, 48);
    D3DClass d3d;
    ASSERT_TRUE(d3d.Initialize(TestOptions(width, height, true), window.Handle()));
    EXPECT_FALSE(d3d.IsVsyncEnabled());
    EXPECT_EQ(0u, d3d.GetRefreshRate().Numerator);
    EXPECT_EQ(1u, d3d.GetRefreshRate().Denominator);
    const DXGI_SWAP_CHAIN_DESC desc = SwapChainDesc(d3d);
    EXPECT_EQ(0u, desc.BufferDesc.RefreshRate.Numerator);
}

TEST(D3DClassInitialize, WithVsyncTheLastDisplayModeOfTheSizeSetsTheRate)
{
    const std::vector<DXGI_MODE_DESC> modes = DisplayModes();
    if (modes.empty())
    {
        GTEST_SKIP() << "output 0 lists no display modes";
    }
    const UINT width = modes.front().Width;
    const UINT height = modes.front().Height;
    DXGI_RATIONAL expected = {0, 1};
    for (const DXGI_MODE_DESC& mode : modes)
    {
        if (mode.Width == width && mode.Height == height)
        {
            expected = mode.RefreshRate;
        }
    }
    TestWindow window(64, 48);
    D3DClass d3d;
    ASSERT_TRUE(d3d.Initialize(TestOptions(static_cast<int>(width), static_cast<int>(height), false), window.Handle()));
    EXPECT_TRUE(d3d.IsVsyncEnabled());
    EXPECT_EQ(expected.Numerator, d3d.GetRefreshRate().Numerator);
    EXPECT_EQ(expected.Denominator, d3d.GetRefreshRate().Denominator);
    EXPECT_EQ(expected.Numerator, SwapChainDesc(d3d).BufferDesc.RefreshRate.Numerator);
}

TEST(D3DClassInitialize, ASizeNoDisplayModeHasKeepsTheRateAtZeroOverOne)
{
    TestWindow window(64, 48);
    D3DClass d3d;
    ASSERT_TRUE(d3d.Initialize(TestOptions(61, 47, false), window.Handle()));
    EXPECT_EQ(0u, d3d.GetRefreshRate().Numerator);
    EXPECT_EQ(1u, d3d.GetRefreshRate().Denominator);
}

TEST(DxExceptionGuard, CarriesTheResultTheCallTextTheFileStemAndTheLine)
{
    int line = 0;
    try
    {
        line = __LINE__ + 1;   // the guarded call's own line
        DX_THROW_IF_FAILED(E_INVALIDARG);
        FAIL() << "no exception";
    }
    catch (const DxException& e)
    {
        EXPECT_EQ(E_INVALIDARG, e.m_errorCode);
        EXPECT_EQ(L"E_INVALIDARG", e.m_functionName);
        EXPECT_EQ(L"D3DClassTests", e.m_fileName);
        EXPECT_EQ(line, e.m_lineNumber);
        EXPECT_NE(std::wstring::npos, e.ToString().find(L"E_INVALIDARG failed in D3DClassTests; line"));
    }
    EXPECT_NO_THROW(DX_THROW_IF_FAILED(S_FALSE));   // only negative results count as failures
}

TEST(DxExceptionGuard, AFailedDeviceCallReportsItsOwnSourceText)
{
    // Byte code that is no shader at all: the input layout cannot be matched against it.
    ComPtr<ID3DBlob> junk;
    ASSERT_HRESULT_SUCCEEDED(D3DCreateBlob(64, junk.GetAddressOf()));
    std::memset(junk->GetBufferPointer(), 0x5A, junk->GetBufferSize());
    try
    {
        InputLayout layout(TestDevice().Device(), junk.Get());
        FAIL() << "the device accepted junk byte code";
    }
    catch (const DxException& e)
    {
        EXPECT_LT(e.m_errorCode, 0);
        EXPECT_EQ(L"device->CreateInputLayout(ied.data(), (UINT)ied.size(), pVertexShaderBytecode->GetBufferPointer(), "
                  L"pVertexShaderBytecode->GetBufferSize(), &created)",
                  e.m_functionName);
        EXPECT_EQ(L"InputLayout", e.m_fileName);
    }
}
