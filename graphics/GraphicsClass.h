// The rendering half of the application: keeps GDI+ running, creates the device, attaches the overlay's
// Direct3D back-end, loads the start-up textures and shaders into the two process-wide registries, owns the
// scripted scene, and renders and presents every frame. It does not decide when frames happen or what the
// scene does; SystemClass and Scene3 do.
#pragma once

#include "app/FrameStats.h"
#include "graphics/registries/ImageLibraryGuard.h"

#include "app/Win32Handles.h"

#include <functional>
#include <memory>

class D3DClass;
class GpuPassTimer;
class Scene;
class ShaderHolder;
class TextureHolder;
struct EngineOptions;

class GraphicsClass
{
public:
    // In load order; the first one that fails stops start-up.
    static constexpr const char* kStartupTextures[] = {"D.bmp", "dirty-wicker-weave1-albedo.dds"};
    static constexpr const char* kDirect3DMessage = "Could not initialize Direct3D";
    static constexpr const char* kTexturesMessage = "Could not initialize the textures.";
    static constexpr const char* kShadersMessage = "Could not initialize the shaders.";

    GraphicsClass();
    // Shutdown, then the image library guard goes.
    ~GraphicsClass();
    GraphicsClass(const GraphicsClass&) = delete;
    GraphicsClass& operator=(const GraphicsClass&) = delete;

    // Device, overlay back-end (when an overlay context exists), start-up textures, the six start-up shaders,
    // then the scene. A failing step shows its message box (caption "Error") and returns false; what was made
    // so far stays until Shutdown. A failed Direct3D call throws DxException.
    bool Initialize(const EngineOptions& options, HWND window);
    // Renders the scene, runs the overlay frame and presents (waiting for the vertical blank unless the
    // options ask for full speed). Always true.
    // `stats`, when given, receives the CPU time of the scene's render submission, the overlay and Present.
    bool Frame(FrameStats* stats = nullptr);
    // Called in every frame right before Present, when the back buffer holds the finished picture (after
    // Present its content is undefined). The capture tool reads the frame here.
    void SetBeforePresent(std::function<void()> hook) { m_beforePresent = std::move(hook); }
    // Called inside every overlay frame, between its start and its rendering, to submit windows. Without it,
    // or when it submits nothing, the overlay frame is empty and draws nothing.
    void SetOverlayContent(std::function<void()> content) { m_overlayContent = std::move(content); }

    // The device's time per pass (GpuPassTimer), for the overlay and the capture tool's statistics. Off unless
    // asked for, and then no query is made. Asked for before Initialize, the timer comes with the device.
    void SetGpuTiming(bool enabled);
    // Null while timing is off or there is no device; its Reported() frames are those the last Frame learnt of.
    const GpuPassTimer* GetGpuTimer() const { return m_gpuTimer.get(); }

    // Detaches the overlay's Direct3D back-end. It keeps its state inside the overlay context, so this must
    // run before that context is destroyed.
    void ShutdownOverlay();
    // Destroys the scene, then releases the shader registry, the texture registry and the device (unpublishing
    // the registries). GDI+ keeps running until the object itself goes.
    void Shutdown();

    const std::shared_ptr<D3DClass>& GetD3D() const { return m_d3d; }
    // Null before Initialize has built it, after a failed start-up and after Shutdown.
    Scene* GetScene() const { return m_scene.get(); }
    TextureHolder* GetTextures() const { return m_textures.get(); }
    ShaderHolder* GetShaders() const { return m_shaders.get(); }
    // How long Initialize took for the device, textures, shaders and scene (the other fields stay zero).
    const StartupStats& GetStartupStats() const { return m_startupStats; }

private:
    bool LoadStartupTextures();
    bool RegisterStartupShaders();
    // Hands the timer (or none) to the scene tree, which marks its passes on it.
    void ConnectGpuTimer();

    ImageLibraryGuard m_imageLibrary;
    std::shared_ptr<D3DClass> m_d3d;
    std::shared_ptr<TextureHolder> m_textures;
    std::shared_ptr<ShaderHolder> m_shaders;
    std::unique_ptr<Scene> m_scene;
    bool m_gpuTimingWanted = false;
    std::unique_ptr<GpuPassTimer> m_gpuTimer;
    bool m_overlayAttached = false;
    std::function<void()> m_beforePresent;
    std::function<void()> m_overlayContent;
    StartupStats m_startupStats;
};
