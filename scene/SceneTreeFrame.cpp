// SceneTree's Direct3D side: the two skies and the post-processing node, the offscreen colour target with its
// three views, the back-buffer view, the depth buffer, the states bound once, the frame and the resize path.
// Windows-only; the hierarchy, listeners and light manager are SceneTree.cpp's.
#include "scene/SceneTree.h"

#include "app/EngineOptions.h"
#include "app/SystemClass.h"
#include "graphics/bindables/BindingRecord.h"
#include "graphics/drawables/D3D11Offscreen.h"
#include "graphics/drawables/D3D11Sky.h"
#include "graphics/D3DClass.h"
#include "graphics/bindables/DepthStencilState.h"
#include "graphics/DxException.h"
#include "graphics/GraphicsClass.h"
#include "graphics/sharing/MeshPassBatch.h"
#include "graphics/bindables/RasterizerState.h"
#include "scene/FreeCameraNode.h"
#include "scene/IFramePassListener.h"
#include "scene/LightManager.h"
#include "scene/RootNode.h"
#include "scene/SubmissionProfile.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <cassert>

using Microsoft::WRL::ComPtr;

namespace
{
constexpr float kClearColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};

// The one walk every top-level node gets: PostRender only after a successful PreRender.
void DrawTopLevel(ISceneNode& node, SceneTree* scene, ID3D11DeviceContext* context)
{
    if (node.PreRender(scene, context) == 0)
    {
        node.Render(scene, context);
        node.RenderChildren(scene, context);
        node.PostRender(scene);
    }
}

void TellPassSubmitted(IFramePassListener* listener, IFramePassListener::Pass pass, ID3D11DeviceContext* context)
{
    if (listener != nullptr)
    {
        listener->OnPassSubmitted(pass, context);
    }
}
}

struct SceneTree::FrameResources
{
    std::shared_ptr<D3D11Sky> m_sky0;
    std::shared_ptr<D3D11Sky> m_sky1;
    std::shared_ptr<D3D11Offscreen> m_offscreen;
    ComPtr<ID3D11RenderTargetView> m_renderTargetView;
    ComPtr<ID3D11Texture2D> m_depthStencilBuffer;
    ComPtr<ID3D11Texture2D> m_offscreenTex;
    ComPtr<ID3D11ShaderResourceView> m_offscreenShaderResourceView;
    ComPtr<ID3D11RenderTargetView> m_offscreenRenderTargetView;
    // Created and released with the other views; nothing binds it.
    ComPtr<ID3D11UnorderedAccessView> m_offscreenUnorderedAccessView;
    ComPtr<ID3D11DepthStencilState> m_depthStencilState;
    ComPtr<ID3D11DepthStencilView> m_depthStencilView;
    ComPtr<ID3D11RasterizerState> m_rasterState;

    void CreateOffscreenTarget(ID3D11Device* device, UINT width, UINT height);
    void CreateBackBufferView(ID3D11Device* device);
    void CreateDepthBuffer(ID3D11Device* device, UINT width, UINT height, bool resizing);
    void CreateDepthStencilView(ID3D11Device* device);
    void CreateDepthStencilState(ID3D11Device* device, ID3D11DeviceContext* context);
    void CreateRasterizerState(ID3D11Device* device, ID3D11DeviceContext* context);
    void BindTargets(ID3D11DeviceContext* context, UINT width, UINT height);
};

void SceneTree::FrameResourcesDeleter::operator()(FrameResources* frame) const
{
    delete frame;
}

void SceneTree::FrameResources::CreateOffscreenTarget(ID3D11Device* device, UINT width, UINT height)
{
    D3D11_TEXTURE2D_DESC offscreenTexDesc = {};
    offscreenTexDesc.Width = width;
    offscreenTexDesc.Height = height;
    offscreenTexDesc.MipLevels = 1;
    offscreenTexDesc.ArraySize = 1;
    offscreenTexDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    offscreenTexDesc.SampleDesc.Count = 1;
    offscreenTexDesc.SampleDesc.Quality = 0;
    offscreenTexDesc.Usage = D3D11_USAGE_DEFAULT;
    offscreenTexDesc.BindFlags = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET | D3D11_BIND_UNORDERED_ACCESS;
    offscreenTexDesc.CPUAccessFlags = 0;
    offscreenTexDesc.MiscFlags = 0;
    DX_THROW_IF_FAILED(device->CreateTexture2D(&offscreenTexDesc, NULL, m_offscreenTex.GetAddressOf()));
    DX_THROW_IF_FAILED(
        device->CreateShaderResourceView(m_offscreenTex.Get(), NULL, m_offscreenShaderResourceView.GetAddressOf()));
    DX_THROW_IF_FAILED(
        device->CreateRenderTargetView(m_offscreenTex.Get(), NULL, m_offscreenRenderTargetView.GetAddressOf()));
    DX_THROW_IF_FAILED(
        device->CreateUnorderedAccessView(m_offscreenTex.Get(), NULL, m_offscreenUnorderedAccessView.GetAddressOf()));
}

void SceneTree::FrameResources::CreateBackBufferView(ID3D11Device* device)
{
    ComPtr<ID3D11Texture2D> backBufferPtr;
    DX_THROW_IF_FAILED(
        SystemClass::GetGraphics().GetD3D()->GetSwapChain()->GetBuffer(0, IID_PPV_ARGS(backBufferPtr.GetAddressOf())));
    DX_THROW_IF_FAILED(device->CreateRenderTargetView(backBufferPtr.Get(), NULL, m_renderTargetView.GetAddressOf()));
}

void SceneTree::FrameResources::CreateDepthBuffer(ID3D11Device* device, UINT width, UINT height, bool resizing)
{
    D3D11_TEXTURE2D_DESC depthBufferDesc = {};
    depthBufferDesc.Width = width;
    depthBufferDesc.Height = height;
    depthBufferDesc.MipLevels = 1;
    depthBufferDesc.ArraySize = 1;
    depthBufferDesc.Format = DXGI_FORMAT_D24_UNORM_S8_UINT;
    depthBufferDesc.SampleDesc.Count = 1;
    depthBufferDesc.SampleDesc.Quality = 0;
    depthBufferDesc.Usage = D3D11_USAGE_DEFAULT;
    depthBufferDesc.BindFlags = D3D11_BIND_DEPTH_STENCIL;
    depthBufferDesc.CPUAccessFlags = 0;
    depthBufferDesc.MiscFlags = 0;
    if (!resizing)
    {
        DX_THROW_IF_FAILED(device->CreateTexture2D(&depthBufferDesc, NULL, m_depthStencilBuffer.GetAddressOf()));
        return;
    }
    // The same descriptor; the resize path has always called it by this name.
    const D3D11_TEXTURE2D_DESC& depthStencilDesc = depthBufferDesc;
    DX_THROW_IF_FAILED(device->CreateTexture2D(&depthStencilDesc, NULL, m_depthStencilBuffer.GetAddressOf()));
}

void SceneTree::FrameResources::CreateDepthStencilView(ID3D11Device* device)
{
    D3D11_DEPTH_STENCIL_VIEW_DESC depthStencilViewDesc = {};
    depthStencilViewDesc.Format = DXGI_FORMAT_D24_UNORM_S8_UINT;
    depthStencilViewDesc.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D;
    depthStencilViewDesc.Flags = 0;
    depthStencilViewDesc.Texture2D.MipSlice = 0;
    DX_THROW_IF_FAILED(device->CreateDepthStencilView(m_depthStencilBuffer.Get(), &depthStencilViewDesc,
                                                      m_depthStencilView.GetAddressOf()));
}

void SceneTree::FrameResources::CreateDepthStencilState(ID3D11Device* device, ID3D11DeviceContext* context)
{
    // The same defaults as the bindables', created and set on the context by the tree itself.
    const D3D11_DEPTH_STENCIL_DESC depthStencilDesc = DepthStencilState::DefaultDesc();
    DX_THROW_IF_FAILED(device->CreateDepthStencilState(&depthStencilDesc, m_depthStencilState.GetAddressOf()));
    context->OMSetDepthStencilState(m_depthStencilState.Get(), 1);
}

void SceneTree::FrameResources::CreateRasterizerState(ID3D11Device* device, ID3D11DeviceContext* context)
{
    const D3D11_RASTERIZER_DESC rasterDesc = RasterizerState::DefaultDesc();
    DX_THROW_IF_FAILED(device->CreateRasterizerState(&rasterDesc, m_rasterState.GetAddressOf()));
    context->RSSetState(m_rasterState.Get());
}

void SceneTree::FrameResources::BindTargets(ID3D11DeviceContext* context, UINT width, UINT height)
{
    ID3D11RenderTargetView* targets[] = {m_offscreenRenderTargetView.Get()};
    context->OMSetRenderTargets(1, targets, m_depthStencilView.Get());
    D3D11_VIEWPORT viewport = {};
    viewport.TopLeftX = 0.0f;
    viewport.TopLeftY = 0.0f;
    viewport.Width = static_cast<float>(width);
    viewport.Height = static_cast<float>(height);
    viewport.MinDepth = 0.0f;
    viewport.MaxDepth = 1.0f;
    context->RSSetViewports(1, &viewport);
}

void SceneTree::CreateFrameResources(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context)
{
    if (device == nullptr || context == nullptr)
    {
        return;   // a tree without a device keeps its hierarchy and listeners and draws nothing
    }
    assert(SystemClass::GetApplication() != nullptr && SystemClass::GetGraphics().GetD3D() &&
           "the scene draws into the swap chain of the application's graphics object");
    auto frame = std::unique_ptr<FrameResources, FrameResourcesDeleter>(new FrameResources);
    frame->m_offscreen = std::make_shared<D3D11Offscreen>(device, L"PostPS.fx");
    frame->m_sky0 = std::make_shared<D3D11Sky>(nullptr, device, L"10.dds");
    frame->m_sky1 = std::make_shared<D3D11Sky>(nullptr, device, L"11.dds");

    const UINT width = static_cast<UINT>(options.m_screenWidth);
    const UINT height = static_cast<UINT>(options.m_screenHeight);
    frame->CreateOffscreenTarget(device, width, height);
    frame->CreateBackBufferView(device);
    frame->CreateDepthBuffer(device, width, height, false);

    {
        // These states are set behind the bindables' back.
        const BindingRecord::Bypass bypass(context);
        frame->CreateDepthStencilState(device, context);
        frame->CreateDepthStencilView(device);
        frame->CreateRasterizerState(device, context);
        frame->BindTargets(context, width, height);
    }
    m_frame = std::move(frame);
}

int SceneTree::Render(ID3D11DeviceContext* context)
{
    if (!m_root || !m_camera || !m_frame)
    {
        return 0;
    }
    FrameResources& frame = *m_frame;

    // Last frame's post pass left the offscreen image bound as a shader input; it must not be read and
    // written at once when it becomes the target again.
    // Whatever ran since the last frame (the overlay, a read-back, the caller) may have changed bindings, and
    // this does: the first draw binds everything it needs again.
    {
        const BindingRecord::Bypass bypass(context);
        ID3D11ShaderResourceView* noView[] = {nullptr};
        context->PSSetShaderResources(0, 1, noView);
    }

    context->ClearRenderTargetView(frame.m_offscreenRenderTargetView.Get(), kClearColour);
    context->ClearDepthStencilView(frame.m_depthStencilView.Get(), D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, 1.0f, 0);
    ID3D11RenderTargetView* offscreenTargets[] = {frame.m_offscreenRenderTargetView.Get()};
    context->OMSetRenderTargets(1, offscreenTargets, frame.m_depthStencilView.Get());

    m_camera->Render(this, context);
    m_lightManager->PrepareFrame(this);
    SubmissionProfile::BeginPass();
    {
        // The meshes' draws wait until all their constants are written, for one map of the ring a pass.
        MeshPassBatch batch(context);
        DrawTopLevel(*m_root, this, context);
        batch.Submit();
    }
    SubmissionProfile::EndPass();
    TellPassSubmitted(m_passListener, IFramePassListener::Pass::Meshes, context);
    // The sky after the opaque hierarchy, against the same depth buffer: it only fills what is left. Its state
    // goes through its bindables, but a fresh record costs a dozen binds and rules out any doubt.
    BindingRecord::Reset(context);
    if (m_skySelector == 0)
    {
        DrawTopLevel(*frame.m_sky0, this, context);
    }
    else if (m_skySelector == 1)
    {
        DrawTopLevel(*frame.m_sky1, this, context);
    }
    TellPassSubmitted(m_passListener, IFramePassListener::Pass::Sky, context);

    {
        // Slot 0 is to hold the offscreen image, which no bindable knows of.
        const BindingRecord::Bypass bypass(context);
        context->ClearRenderTargetView(frame.m_renderTargetView.Get(), kClearColour);
        context->ClearDepthStencilView(frame.m_depthStencilView.Get(), D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, 1.0f,
                                       0);
        ID3D11RenderTargetView* backBufferTargets[] = {frame.m_renderTargetView.Get()};
        context->OMSetRenderTargets(1, backBufferTargets, frame.m_depthStencilView.Get());
        ID3D11ShaderResourceView* offscreenViews[] = {frame.m_offscreenShaderResourceView.Get()};
        context->PSSetShaderResources(0, 1, offscreenViews);
    }
    DrawTopLevel(*frame.m_offscreen, this, context);
    TellPassSubmitted(m_passListener, IFramePassListener::Pass::Post, context);
    return 0;
}

int SceneTree::OnResize(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context)
{
    if (!m_frame || device == nullptr || context == nullptr)
    {
        return 0;
    }
    // A minimised window reports 0 x 0; zero-sized resources cannot exist, and the old ones serve until the
    // window is restored, which resizes again.
    if (options.m_screenWidth <= 0 || options.m_screenHeight <= 0)
    {
        return 0;
    }
    FrameResources& frame = *m_frame;
    const BindingRecord::Bypass bypass(context);

    // ResizeBuffers fails while anything still refers to the back buffer, the context's bindings included.
    context->OMSetRenderTargets(0, nullptr, nullptr);
    ID3D11ShaderResourceView* noView[] = {nullptr};
    context->PSSetShaderResources(0, 1, noView);
    frame.m_renderTargetView.Reset();
    frame.m_depthStencilView.Reset();
    frame.m_depthStencilBuffer.Reset();
    frame.m_offscreenShaderResourceView.Reset();
    frame.m_offscreenRenderTargetView.Reset();
    frame.m_offscreenUnorderedAccessView.Reset();
    frame.m_offscreenTex.Reset();

    const UINT width = static_cast<UINT>(options.m_screenWidth);
    const UINT height = static_cast<UINT>(options.m_screenHeight);
    frame.CreateOffscreenTarget(device, width, height);
    DX_THROW_IF_FAILED(SystemClass::GetGraphics().GetD3D()->GetSwapChain()->ResizeBuffers(
        1, options.m_screenWidth, options.m_screenHeight, DXGI_FORMAT_R8G8B8A8_UNORM, 0));
    frame.CreateBackBufferView(device);
    frame.CreateDepthBuffer(device, width, height, true);
    frame.CreateDepthStencilView(device);
    frame.BindTargets(context, width, height);
    return 0;
}

D3D11Sky* SceneTree::GetSky(std::uint32_t selector) const
{
    if (!m_frame)
    {
        return nullptr;
    }
    return selector == 0 ? m_frame->m_sky0.get() : selector == 1 ? m_frame->m_sky1.get() : nullptr;
}

D3D11Offscreen* SceneTree::GetOffscreen() const
{
    return m_frame ? m_frame->m_offscreen.get() : nullptr;
}

ID3D11Texture2D* SceneTree::GetOffscreenTexture() const
{
    return m_frame ? m_frame->m_offscreenTex.Get() : nullptr;
}

ID3D11ShaderResourceView* SceneTree::GetOffscreenShaderResourceView() const
{
    return m_frame ? m_frame->m_offscreenShaderResourceView.Get() : nullptr;
}

ID3D11RenderTargetView* SceneTree::GetOffscreenRenderTargetView() const
{
    return m_frame ? m_frame->m_offscreenRenderTargetView.Get() : nullptr;
}

ID3D11RenderTargetView* SceneTree::GetRenderTargetView() const
{
    return m_frame ? m_frame->m_renderTargetView.Get() : nullptr;
}

ID3D11Texture2D* SceneTree::GetDepthStencilBuffer() const
{
    return m_frame ? m_frame->m_depthStencilBuffer.Get() : nullptr;
}

ID3D11DepthStencilView* SceneTree::GetDepthStencilView() const
{
    return m_frame ? m_frame->m_depthStencilView.Get() : nullptr;
}
