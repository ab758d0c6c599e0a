// GraphicsClass: start-up of device, overlay back-end, registries and scene, the frame, and the teardown.
// The message boxes go through ShowMessageBox, so tests (and unattended runs) can take them instead.
#include "graphics/GraphicsClass.h"

#include "app/EngineOptions.h"
#include "app/FrameStats.h"
#include "app/MessageBox.h"
#include "app/SystemClass.h"
#include "graphics/D3DClass.h"
#include "graphics/GpuPassTimer.h"
#include "graphics/registries/ShaderClass.h"
#include "graphics/registries/ShaderHolder.h"
#include "graphics/registries/TextureHolder.h"
#include "scene/Scene3.h"

#include <imgui.h>
#include <imgui_impl_dx11.h>
#include <imgui_impl_win32.h>

#include <iostream>

namespace
{
constexpr const char* kErrorCaption = "Error";

struct StartupShader
{
    const wchar_t* fileName;
    const char* printableName;
    int kind;
};

// In registration order: the mesh shaders, the sky's, then the post pass's.
constexpr StartupShader kStartupShaders[] = {
    {L"BasicNormalMapPixelShader.fx", "BasicNormalMapPixelShader.fx", ShaderClass::Pixel},
    {L"BasicNormalMapVertexShader.fx", "BasicNormalMapVertexShader.fx", ShaderClass::Vertex},
    {L"SkyPixelShader.fx", "SkyPixelShader.fx", ShaderClass::Pixel},
    {L"SkyVertexShader.fx", "SkyVertexShader.fx", ShaderClass::Vertex},
    {L"PostPS.fx", "PostPS.fx", ShaderClass::Pixel},
    {L"PostVS.fx", "PostVS.fx", ShaderClass::Vertex},
};

bool OverlayContextExists()
{
    return ImGui::GetCurrentContext() != nullptr;
}
}

// Out of line: the timer's type is complete only here.
GraphicsClass::GraphicsClass() = default;

GraphicsClass::~GraphicsClass()
{
    ShutdownOverlay();
    Shutdown();
}

bool GraphicsClass::Initialize(const EngineOptions& options, HWND window)
{
    PhaseStopwatch phase;
    // A timer of an earlier device would end that device's queries on the new one's context; it comes back with
    // the scene.
    m_gpuTimer.reset();
    ConnectGpuTimer();
    m_d3d = std::make_shared<D3DClass>();
    if (!m_d3d->Initialize(options, window))
    {
        ShowMessageBox(kDirect3DMessage, kErrorCaption);
        return false;
    }

    // Without an overlay context (a test of the graphics alone) there is simply no overlay to draw.
    if (OverlayContextExists())
    {
        ImGui_ImplDX11_Init(m_d3d->GetDevice(), m_d3d->GetDeviceContext());
        m_overlayAttached = true;
    }
    m_startupStats.deviceMs = phase.Lap();

    if (!LoadStartupTextures())
    {
        return false;
    }
    m_startupStats.texturesMs = phase.Lap();
    if (!RegisterStartupShaders())
    {
        return false;
    }
    m_startupStats.shadersMs = phase.Lap();

    m_scene = std::make_unique<Scene3>(options, m_d3d->GetDevice(), m_d3d->GetDeviceContext(),
                                       [] { return SystemClass::GetLogic(); });
    SetGpuTiming(m_gpuTimingWanted);
    m_startupStats.sceneMs = phase.Lap();
    return true;
}

void GraphicsClass::SetGpuTiming(bool enabled)
{
    m_gpuTimingWanted = enabled;
    if (!enabled)
    {
        m_gpuTimer.reset();
    }
    else if (!m_gpuTimer && m_d3d && m_d3d->GetDevice() != nullptr)
    {
        m_gpuTimer = std::make_unique<GpuPassTimer>(m_d3d->GetDevice());
    }
    ConnectGpuTimer();
}

void GraphicsClass::ConnectGpuTimer()
{
    if (auto* scene = dynamic_cast<Scene3*>(m_scene.get()))
    {
        scene->GetSceneTree().SetPassListener(m_gpuTimer.get());
    }
}

bool GraphicsClass::LoadStartupTextures()
{
    m_textures = std::make_shared<TextureHolder>();
    TextureHolder::SetInstance(m_textures.get());
    for (const char* name : kStartupTextures)
    {
        // The registry has already named the file and the reason on standard error.
        if (!m_textures->LoadTexture(m_d3d->GetDevice(), m_d3d->GetDeviceContext(), name))
        {
            ShowMessageBox(kTexturesMessage, kErrorCaption);
            return false;
        }
    }
    return true;
}

bool GraphicsClass::RegisterStartupShaders()
{
    m_shaders = std::make_shared<ShaderHolder>();
    ShaderHolder::SetInstance(m_shaders.get());
    for (const StartupShader& shader : kStartupShaders)
    {
        if (!m_shaders->Register(m_d3d->GetDevice(), shader.fileName, shader.kind))
        {
            std::cerr << shader.printableName << ": does not compile; the compiler's messages are in "
                      << ShaderClass::kErrorFileName << "\n";
            ShowMessageBox(kShadersMessage, kErrorCaption);
            return false;
        }
    }
    return true;
}

bool GraphicsClass::Frame(FrameStats* stats)
{
    PhaseStopwatch stopwatch;
    // Held for the whole frame, so that nothing the frame calls can release the device under it.
    const std::shared_ptr<D3DClass> d3d = m_d3d;
    if (!d3d || d3d->GetDevice() == nullptr)
    {
        return true;
    }
    ID3D11DeviceContext* context = d3d->GetDeviceContext();
    GpuPassTimer* const timer = m_gpuTimer.get();
    if (timer)
    {
        timer->BeginFrame(context);
    }
    if (m_scene)
    {
        m_scene->Render(context);
    }
    const double renderMs = stopwatch.Lap();

    // The overlay needs both of its back-ends; the window's is attached by the application.
    double overlayBuildMs = 0.0;
    if (m_overlayAttached && OverlayContextExists() && ImGui::GetIO().BackendPlatformUserData != nullptr)
    {
        ImGui_ImplDX11_NewFrame();
        ImGui_ImplWin32_NewFrame();
        PhaseStopwatch build;
        ImGui::NewFrame();
        if (m_overlayContent)
        {
            m_overlayContent();
        }
        ImGui::Render();
        overlayBuildMs = build.Milliseconds();
        // With nothing to draw the back-end would still map its buffers and save, set and restore the whole
        // pipeline state: some sixty calls, each a command for Wine's rendering thread, every frame.
        ImDrawData* const drawData = ImGui::GetDrawData();
        if (drawData != nullptr && drawData->CmdListsCount > 0)
        {
            ImGui_ImplDX11_RenderDrawData(drawData);
        }
    }
    if (timer)
    {
        timer->OnOverlaySubmitted(context);
    }

    const double overlayMs = stopwatch.Lap();
    if (m_beforePresent)
    {
        m_beforePresent();
        stopwatch.Lap();   // what the hook costs is not the engine's
    }

    d3d->GetSwapChain()->Present(d3d->IsVsyncEnabled() ? 1 : 0, 0);
    if (stats)
    {
        stats->sceneRenderMs = renderMs;
        stats->overlayMs = overlayMs;
        stats->overlayBuildMs = overlayBuildMs;
        stats->presentMs = stopwatch.Lap();
    }
    if (timer)
    {
        timer->EndFrame(context);
    }
    return true;
}

void GraphicsClass::ShutdownOverlay()
{
    if (m_overlayAttached && OverlayContextExists() && ImGui::GetIO().BackendRendererUserData != nullptr)
    {
        ImGui_ImplDX11_Shutdown();
    }
    m_overlayAttached = false;
}

void GraphicsClass::Shutdown()
{
    // The scene's tree points at the timer, so the scene goes first.
    m_scene.reset();
    m_gpuTimer.reset();
    if (ShaderHolder::Instance() == m_shaders.get())
    {
        ShaderHolder::SetInstance(nullptr);
    }
    m_shaders.reset();
    if (TextureHolder::Instance() == m_textures.get())
    {
        TextureHolder::SetInstance(nullptr);
    }
    m_textures.reset();
    m_d3d.reset();
}
