// The application object: see SystemClass.h.
#include "app/SystemClass.h"

#include <cpuid.h>
#include <iostream>
#include <windowsx.h>

#include <imgui.h>
#include <imgui_impl_win32.h>

#include "actors/ActorFactory.h"
#include "actors/BaseEngineLogic.h"
#include "actors/LightRenderComponent.h"
#include "actors/MeshComponent.h"
#include "actors/MeshParseCache.h"
#include "actors/MeshRenderComponent.h"
#include "app/live/DebugOverlay.h"
#include "app/guards/ExitWatchdog.h"
#include "app/guards/FatalErrorGuard.h"
#include "app/MessageBox.h"
#include "app/MusicPlayer.h"
#include "app/live/PresentationControls.h"
#include "app/live/TimelineReplay.h"
#include "app/live/WorldReloader.h"
#include "events/EventManager.h"
#include "graphics/AnsiConversion.h"
#include "graphics/D3DClass.h"
#include "graphics/DxException.h"
#include "app/live/ScreenshotWriter.h"
#include "graphics/ShaderHolder.h"
#include "app/live/ShaderWatcher.h"
#include "scene/Scene3.h"

extern IMGUI_IMPL_API LRESULT ImGui_ImplWin32_WndProcHandler(HWND, UINT, WPARAM, LPARAM);

namespace
{
SystemClass* g_application = nullptr;

// The world every run loads, found in the working directory.
constexpr const char* kWorldFile = "World1.xml";

bool ProcessorHasSse2()
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
    {
        return false;
    }
    constexpr unsigned kSse = 1u << 25;
    constexpr unsigned kSse2 = 1u << 26;
    return (edx & kSse) && (edx & kSse2);
}

// The component kinds that need Direct3D, registered on every factory that builds the world (start-up's and a
// reload's), in this order.
void RegisterDirect3DComponents(ActorFactory& factory)
{
    factory.RegisterComponent<MeshRenderComponent>();
    factory.RegisterComponent<MeshComponent>();
    factory.RegisterComponent<LightRenderComponent>();
}

// The overlay's Win32 handler dereferences its back-end data unchecked, so messages that arrive before the
// back-end is attached (during window creation) or after it is detached must not reach it.
bool OverlayBackendAttached()
{
    return ImGui::GetCurrentContext() != nullptr && ImGui::GetIO().BackendPlatformUserData != nullptr;
}
}

SystemClass::SystemClass() : m_applicationName(L"Engine")
{
    g_application = this;
    m_graphics.SetBeforePresent([this] { BeforePresent(); });
}

SystemClass::~SystemClass()
{
    if (g_application == this)
    {
        g_application = nullptr;
    }
}

SystemClass* SystemClass::GetApplication()
{
    return g_application;
}

EngineOptions& SystemClass::GetOptions()
{
    return g_application->m_options;
}

FrameTimer& SystemClass::GetTimer()
{
    return g_application->m_timer;
}

BaseEngineLogic* SystemClass::GetLogic()
{
    return g_application ? g_application->m_logic.get() : nullptr;
}

GraphicsClass& SystemClass::GetGraphics()
{
    return g_application->m_graphics;
}

int SystemClass::RunApplication(const std::function<void(SystemClass&)>& configure)
{
    InstallFatalErrorGuard();
    auto system = std::make_unique<SystemClass>();
    int exitCode = 0;
    try
    {
        if (configure)
        {
            configure(*system);
        }
        if (system->Initialize())
        {
            system->Run();
        }
        else
        {
            exitCode = kExitStartupFailed;
        }
    }
    catch (const DxException& error)
    {
        ShowMessageBox(WideToAnsi(error.ToString()), "Error");
        exitCode = kExitError;
    }
    catch (const std::exception& error)
    {
        ShowMessageBox(error.what(), "Error");
        exitCode = kExitError;
    }
    catch (...)
    {
        ShowMessageBox("Unknown error", "Error");
        exitCode = kExitError;
    }

    if (system->m_exitDeadlineMs > 0)
    {
        ExitWatchdog::Arm(system->m_exitDeadlineMs, kExitError);
    }
    // Also after an exception, so that a changed display mode is restored and the window goes away.
    try
    {
        system->Shutdown();
    }
    catch (const DxException& error)
    {
        std::cerr << "Error during shutdown: " << WideToAnsi(error.ToString()) << std::endl;
        exitCode = kExitError;
    }
    catch (const std::exception& error)
    {
        std::cerr << "Error during shutdown: " << error.what() << std::endl;
        exitCode = kExitError;
    }
    system.reset();
    return exitCode;
}

void SystemClass::SetTimeSource(FrameTimer::TimeSource source)
{
    m_timer = FrameTimer(std::move(source));
}

void SystemClass::SetScreenSizeOverride(int width, int height)
{
    m_overrideWidth = width;
    m_overrideHeight = height;
}

bool SystemClass::Initialize()
{
    if (!ProcessorHasSse2())
    {
        std::fputs("This program needs a processor with SSE and SSE2.\n", stderr);
        return false;
    }

    PhaseStopwatch phase;
    m_options.Load();
    m_options.ReplaceBrokenLensValues(EngineOptions::kFileName);
    if (m_overrideWidth > 0 && m_overrideHeight > 0)
    {
        m_options.m_screenWidth = m_overrideWidth;
        m_options.m_screenHeight = m_overrideHeight;
        m_options.m_screenAspect = static_cast<float>(m_overrideWidth) / static_cast<float>(m_overrideHeight);
    }

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    m_overlayContext = true;
    ImGui::StyleColorsDark();

    m_startupStats.optionsMs = phase.Lap();
    if (!CreateAppWindow())
    {
        return false;
    }
    m_startupStats.windowMs = phase.Lap();

    m_keys.fill(0);

    m_eventManager = std::make_unique<EventManager>("Vantor Event Mgr");

    // Device, textures, shaders and the scene; it shows its own message when it fails. The scene must exist
    // before the world loads: its tree listens for the render components the actors announce.
    if (!m_graphics.Initialize(m_options, m_window))
    {
        return false;
    }
    const StartupStats& graphics = m_graphics.GetStartupStats();
    m_startupStats.deviceMs = graphics.deviceMs;
    m_startupStats.texturesMs = graphics.texturesMs;
    m_startupStats.shadersMs = graphics.shadersMs;
    m_startupStats.sceneMs = graphics.sceneMs;
    phase.Lap();

    m_logic = std::make_unique<BaseEngineLogic>();
    m_logic->SetState(EngineLogicState::Initialising);
    if (!m_logic->Init())
    {
        return false;
    }
    RegisterDirect3DComponents(*m_logic->GetActorFactory());
    if (m_watchEnabled)
    {
        // Filled by the start-up world, so that a reload parses only the meshes whose files changed.
        m_meshCache = std::make_unique<MeshParseCache>();
        MeshParseCache::SetInstance(m_meshCache.get());
    }
    m_logic->SetState(EngineLogicState::LoadingWorld);
    if (!m_logic->LoadWorld(kWorldFile))
    {
        std::cerr << kWorldFile << ": the world could not be loaded" << std::endl;
        return false;
    }
    m_logic->SetState(EngineLogicState::Running);
    std::cerr << kWorldFile << ": " << m_logic->GetActorCount() << " actors loaded" << std::endl;
    m_startupStats.worldMs = phase.Lap();

    if (m_controlsEnabled || m_watchEnabled)
    {
        m_replay = std::make_unique<TimelineReplay>();
        m_replay->RememberStart(*m_logic);   // before any frame has moved an actor
    }
    if (m_controlsEnabled)
    {
        m_controls = std::make_unique<PresentationControls>(m_presentationSeconds);
        m_overlay = std::make_unique<DebugOverlay>();
        m_screenshots = std::make_unique<ScreenshotWriter>();
        m_graphics.SetOverlayContent([this] { DrawOverlay(); });
    }
    if (m_watchEnabled)
    {
        m_shaderWatcher =
            std::make_unique<ShaderWatcher>(*m_graphics.GetShaders(), m_graphics.GetD3D()->GetDevice(), m_watchTiming);
        m_worldReloader = std::make_unique<WorldReloader>(kWorldFile, RegisterDirect3DComponents, m_watchTiming);
        if (m_controls)
        {
            m_controls->EnableReload();
        }
        std::cerr << "watching " << m_graphics.GetShaders()->Size() << " shader files and "
                  << m_worldReloader->WatchedFiles().size() << " world files for changes"
                  << (m_controls ? "; F5 reloads the world" : "") << std::endl;
    }

    StartMusic();
    m_firstFrameStopwatch = PhaseStopwatch();
    m_frameClock = PhaseStopwatch();
    return true;
}

void SystemClass::StartMusic()
{
    if (!m_musicEnabled)
    {
        return;
    }
    m_music = std::make_unique<MusicPlayer>(m_presentationSeconds, m_musicLog ? &std::cerr : nullptr);
    if (!m_music->Start())
    {
        m_music.reset();   // it said why; the presentation runs silent
    }
}

void SystemClass::StopMusic()
{
    if (m_music)
    {
        m_music->Close(m_timer.TotalTime());
        m_music.reset();
    }
}

bool SystemClass::CreateAppWindow()
{
    m_instance = GetModuleHandleW(nullptr);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = WndProc;
    windowClass.hInstance = m_instance;
    windowClass.hIcon = LoadIconW(nullptr, IDI_WINLOGO);
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = m_applicationName;
    if (!RegisterClassExW(&windowClass))
    {
        ShowMessageBox("RegisterClass Failed.", "");
        return false;
    }
    m_classRegistered = true;

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    int x = 0;
    int y = 0;
    int width = screenWidth;
    int height = screenHeight;
    if (m_options.m_fullScreen)
    {
        DEVMODEW mode{};
        mode.dmSize = sizeof(mode);
        mode.dmPelsWidth = static_cast<DWORD>(screenWidth);
        mode.dmPelsHeight = static_cast<DWORD>(screenHeight);
        mode.dmBitsPerPel = 32;
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        ChangeDisplaySettingsW(&mode, CDS_FULLSCREEN);
    }
    else
    {
        // The options file may give no size, or nonsense; a window needs a positive one.
        width = m_options.WindowWidth();
        height = m_options.WindowHeight();
        if (m_overrideWidth > 0 && m_overrideHeight > 0)
        {
            // An override names the picture's size, so the frame is added around it.
            RECT frame{0, 0, m_overrideWidth, m_overrideHeight};
            AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW);
            width = frame.right - frame.left;
            height = frame.bottom - frame.top;
        }
        x = (screenWidth - width) / 2;
        y = (screenHeight - height) / 2;
    }

    m_window = CreateWindowExW(WS_EX_APPWINDOW, m_applicationName, m_applicationName, WS_OVERLAPPEDWINDOW, x, y,
                               width, height, nullptr, nullptr, m_instance, nullptr);
    if (!m_window)
    {
        ShowMessageBox("CreateWindow Failed.", "");
        return false;
    }

    ShowWindow(m_window, SW_SHOW);
    SetForegroundWindow(m_window);
    SetFocus(m_window);

    // Shutdown detaches only a back-end that was attached.
    m_overlayWin32 = ImGui_ImplWin32_Init(m_window);
    return true;
}

void SystemClass::Run()
{
    MSG message{};
    m_timer.Reset();
    // Reset starts the timer; a deactivation or a drag that began before the loop must still hold it.
    UpdateTimerPause();
    for (;;)
    {
        // One message per frame: a flood of input must not starve the presentation.
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (message.message == WM_QUIT)
        {
            break;
        }

        m_timer.Tick();
        const bool moved = AdvanceFrame();

        if (m_keys[kEscapeKey])
        {
            break;
        }
        if (m_timer.TotalTime() > m_presentationSeconds)
        {
            break;
        }
        if (!RenderFrame(!moved))
        {
            break;
        }
    }
}

void SystemClass::UpdateFrame(const FrameTimer& timer)
{
    UpdatePresentation(timer, m_frameStats);
    ++m_frameCounts.updated;
}

void SystemClass::UpdatePresentation(const FrameTimer& timer, FrameStats& stats)
{
    const float elapsedSeconds = timer.DeltaTime();
    const float totalSeconds = timer.TotalTime();
    PhaseStopwatch stopwatch;
    m_logic->OnUpdate(totalSeconds, elapsedSeconds);
    stats.logicMs = stopwatch.Lap();
    // Delivers the moves the scene queued last frame, before the scene reads the transforms again.
    m_eventManager->Update(kEventBudgetSeconds);
    stats.eventsMs = stopwatch.Lap();
    // Held for the call, so that nothing the update triggers can release the device under it.
    const std::shared_ptr<D3DClass> d3d = m_graphics.GetD3D();
    if (Scene* scene = m_graphics.GetScene())
    {
        scene->Update(d3d ? d3d->GetDeviceContext() : nullptr, m_keys, m_mouse, elapsedSeconds, totalSeconds);
    }
    stats.sceneUpdateMs = stopwatch.Lap();
}

bool SystemClass::AdvanceFrame()
{
    const bool reloaded = m_watchEnabled && ReloadWhatChanged();
    if (m_controls)
    {
        if (const std::optional<double> target = m_controls->TakeSeek())
        {
            Seek(*target);
            return true;
        }
        if (reloaded)
        {
            return true;   // the reload replayed this moment already, paused or not
        }
        // Nothing of the presentation moves while paused, not even by a zero step: the timeline's update
        // rebuilds the spinning actors' rotations from their angles, which rounding shifts a little every time.
        // A first frame is always updated, so that there is a moment to hold.
        if (m_controls->IsPaused() && m_frameCounts.rendered > 0)
        {
            m_frameStats.logicMs = m_frameStats.eventsMs = m_frameStats.sceneUpdateMs = 0.0;
            return false;
        }
    }
    if (reloaded)
    {
        return true;
    }
    UpdateFrame(m_timer);
    return true;
}

void SystemClass::Seek(double seconds)
{
    PhaseStopwatch stopwatch;
    if (const std::optional<std::int64_t> landed = ReplayTo(seconds))
    {
        m_overlay->RecordSeek(static_cast<double>(*landed) / 1e9, stopwatch.Milliseconds());
    }
}

std::optional<std::int64_t> SystemClass::ReplayTo(double seconds)
{
    Scene3* scene = PresentationScene();
    if (scene == nullptr || m_replay == nullptr)
    {
        return std::nullopt;
    }
    FrameStats replayed;   // the replay's phases are not this frame's
    const auto update = [this, &replayed](const FrameTimer& timer) { UpdatePresentation(timer, replayed); };
    const std::int64_t landed = m_replay->Seek(seconds, *scene, *m_eventManager, update);
    // Time goes on from the moment replayed to, counting only un-paused time as ever, and so does the music.
    m_timer.SeekTo(landed);
    if (m_music)
    {
        m_music->Jump(!m_timer.IsStopped(), static_cast<double>(landed) / 1e9);
    }
    m_frameStats.logicMs = m_frameStats.eventsMs = m_frameStats.sceneUpdateMs = 0.0;
    return landed;
}

bool SystemClass::ReloadWhatChanged()
{
    const std::int64_t now = FrameTimer::SystemNanoseconds();
    m_shaderWatcher->Poll(now);
    // Both are asked every frame: a key press and an edit in the same frame make one reload.
    const bool edited = m_worldReloader->FilesChanged(now);
    const bool asked = m_controls != nullptr && m_controls->TakeReload();
    return (edited || asked) && ReloadWorld();
}

bool SystemClass::ReloadWorld()
{
    Scene3* scene = PresentationScene();
    if (scene == nullptr)
    {
        return false;
    }
    PhaseStopwatch stopwatch;
    const double moment = static_cast<double>(m_timer.TotalNanoseconds()) / 1e9;
    if (!m_worldReloader->Reload(*m_logic, scene->GetSceneTree()))
    {
        return false;
    }
    const double buildMs = stopwatch.Lap();
    // The new actors stand where their files put them; replaying the timeline from there to the moment on
    // screen gives them the state they would have had, had the presentation started with them.
    m_replay->RememberStart(*m_logic);
    const std::int64_t landed = ReplayTo(moment).value_or(0);
    std::cerr << kWorldFile << ": reloaded, " << m_logic->GetActorCount() << " actors (built in "
              << static_cast<int>(buildMs) << " ms, replayed to " << static_cast<double>(landed) / 1e9 << " s in "
              << static_cast<int>(stopwatch.Milliseconds()) << " ms)" << std::endl;
    return true;
}

bool SystemClass::RenderFrame(bool sameMoment)
{
    if (m_drawsFrame && !m_drawsFrame())
    {
        PassUndrawnFrame(sameMoment);
        return true;
    }
    ++m_frameCounts.rendered;
    if (m_replay)
    {
        if (Scene3* scene = PresentationScene())
        {
            m_replay->PrepareDraw(*scene, sameMoment);
        }
    }
    const bool keepGoing = m_graphics.Frame(&m_frameStats);
    if (m_frameCounts.rendered == 1)
    {
        m_startupStats.firstFrameMs = m_firstFrameStopwatch.Milliseconds();
    }
    if (m_overlay)
    {
        m_overlay->RecordFrame(m_frameStats, m_frameClock.Lap());
    }
    if (m_frameObserver)
    {
        m_frameObserver();
    }
    return keepGoing;
}

void SystemClass::PassUndrawnFrame(bool sameMoment)
{
    if (Scene3* scene = PresentationScene())
    {
        if (m_replay)
        {
            m_replay->PrepareDraw(*scene, sameMoment);   // a held moment is not moved on by frames not drawn either
        }
        TimelineReplay::StandInForDrawing(*scene);
    }
    if (m_frameObserver)
    {
        m_frameObserver();
    }
}

void SystemClass::OnControlKey(WPARAM key, LPARAM flags)
{
    // While the overlay edits text (a ctrl-click on the slider types a time), keys are the overlay's.
    if (key >= m_keys.size() || (OverlayBackendAttached() && ImGui::GetIO().WantTextInput))
    {
        return;
    }
    // Bit 30: the key was down before this message, so it is the keyboard's auto-repeat.
    const bool repeated = (flags & (LPARAM{1} << 30)) != 0;
    if (m_controls->OnKeyDown(static_cast<unsigned>(key), repeated, m_timer.TotalTime()))
    {
        UpdateTimerPause();   // pausing stops the timer like an inactive window does
    }
}

void SystemClass::DrawOverlay()
{
    if (!m_controls->IsOverlayVisible())
    {
        return;   // an overlay frame with nothing in it draws nothing: the picture stays the presentation's own
    }
    DebugOverlay::View view;
    view.shownSeconds = m_timer.TotalTime();
    view.endSeconds = m_controls->GetEndSeconds();
    view.paused = m_controls->IsPaused();
    if (Scene3* scene = PresentationScene())
    {
        view.camera = scene->GetCamera().get();
        view.skySelector = scene->GetSceneTree().GetSkySelector();
    }
    view.logic = m_logic.get();
    view.helpLine = m_controls->HelpLine();
    if (m_shaderWatcher)
    {
        view.reloadProblems = m_shaderWatcher->Problems();
    }
    if (m_worldReloader && !m_worldReloader->Problem().empty())
    {
        view.reloadProblems += (view.reloadProblems.empty() ? "" : "\n") + m_worldReloader->Problem();
    }
    if (const std::optional<double> picked = m_overlay->Draw(view))
    {
        m_controls->RequestSeek(*picked);
    }
}

void SystemClass::BeforePresent()
{
    if (m_controls && m_controls->TakeScreenshot())
    {
        if (const std::shared_ptr<D3DClass> d3d = m_graphics.GetD3D())
        {
            m_screenshots->Save(d3d->GetSwapChain(), d3d->GetDevice(), d3d->GetDeviceContext());
        }
    }
    if (m_beforePresent)
    {
        m_beforePresent();
    }
}

Scene3* SystemClass::PresentationScene() const
{
    return dynamic_cast<Scene3*>(m_graphics.GetScene());
}

bool SystemClass::HasDevice() const
{
    const std::shared_ptr<D3DClass>& d3d = m_graphics.GetD3D();
    return d3d != nullptr && d3d->GetDevice() != nullptr;
}

void SystemClass::Resize()
{
    ++m_frameCounts.resizes;
    const std::shared_ptr<D3DClass> d3d = m_graphics.GetD3D();
    Scene* scene = m_graphics.GetScene();
    if (scene == nullptr || d3d == nullptr)
    {
        return;   // sizes seen before the scene exists only set the size it is created with
    }
    scene->OnResize(m_options, d3d->GetDevice(), d3d->GetDeviceContext());
}

void SystemClass::UpdateTimerPause()
{
    // Any reason alone pauses (an inactive window, a drag, the pause key), and time resumes only when none
    // holds: activating the window in the middle of a drag, or a drag that ends while another window is
    // active, must not count. Start is never called on a running timer, which would restart the run from zero
    // (a second activation message does that otherwise).
    const bool hold = m_inactive || m_sizeState.IsResizing() || (m_controls && m_controls->IsPaused());
    if (hold)
    {
        m_timer.Stop();
    }
    // Read while stopped: a timer just started reports its last tick's total less the whole pause until it ticks.
    const double moment = static_cast<double>(m_timer.TotalNanoseconds()) / 1e9;
    if (!hold && m_timer.IsStopped())
    {
        m_timer.Start();
    }
    // The music keeps to the same clock: it stops and goes on with it.
    if (m_music)
    {
        m_music->Follow(!hold, moment);
    }
}

void SystemClass::Shutdown()
{
    // The music ends with the presentation, before anything it might still touch goes away.
    StopMusic();
    // The overlay back-ends keep their state inside the overlay context, so they are detached before the
    // context is destroyed; the other way round they would dereference a freed context.
    m_graphics.ShutdownOverlay();
    if (m_overlayWin32)
    {
        ImGui_ImplWin32_Shutdown();
        m_overlayWin32 = false;
    }
    if (m_overlayContext)
    {
        ImGui::DestroyContext();
        m_overlayContext = false;
    }

    // A swap chain must not be released in full-screen mode.
    if (const std::shared_ptr<D3DClass>& d3d = m_graphics.GetD3D(); d3d != nullptr && d3d->GetSwapChain() != nullptr)
    {
        d3d->GetSwapChain()->SetFullscreenState(FALSE, nullptr);
    }

    ShowCursor(TRUE);
    if (m_options.m_fullScreen)
    {
        ChangeDisplaySettingsW(nullptr, 0);
    }

    if (m_window)
    {
        DestroyWindow(m_window);
        m_window = nullptr;
    }
    if (m_classRegistered)
    {
        UnregisterClassW(m_applicationName, m_instance);
        m_classRegistered = false;
    }
    m_instance = nullptr;

    if (g_application == this)
    {
        g_application = nullptr;
    }

    // The watchers hold the shader registry and the device, which go with the graphics object.
    m_shaderWatcher.reset();
    m_worldReloader.reset();
    // The logic and the graphics object still remove their listeners as they go, so the event manager
    // outlives both.
    m_logic.reset();
    if (MeshParseCache::Instance() == m_meshCache.get())
    {
        MeshParseCache::SetInstance(nullptr);
    }
    m_meshCache.reset();
    // Scene, registries and device; GDI+ keeps running until the application object itself goes.
    m_graphics.Shutdown();
    m_mouse.Clear();
    m_eventManager.reset();
}

LRESULT SystemClass::MessageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (OverlayBackendAttached() && ImGui_ImplWin32_WndProcHandler(window, message, wParam, lParam))
    {
        return 1;
    }

    switch (message)
    {
    case WM_SIZE:
    {
        m_options.m_screenWidth = LOWORD(lParam);
        m_options.m_screenHeight = HIWORD(lParam);
        if (!HasDevice())
        {
            return 0;   // sizes seen during window creation only set the size the device is created with
        }
        WindowSizeState::SizeKind kind = WindowSizeState::SizeKind::Other;
        if (wParam == SIZE_RESTORED)
        {
            kind = WindowSizeState::SizeKind::Restored;
        }
        else if (wParam == SIZE_MINIMIZED)
        {
            kind = WindowSizeState::SizeKind::Minimized;
        }
        else if (wParam == SIZE_MAXIMIZED)
        {
            kind = WindowSizeState::SizeKind::Maximized;
        }
        if (m_sizeState.OnSize(kind))
        {
            Resize();
        }
        return 0;
    }
    case WM_ACTIVATE:
        if (m_timerFollowsActivation)
        {
            m_inactive = LOWORD(wParam) == WA_INACTIVE;
            UpdateTimerPause();
        }
        return 0;
    case WM_ENTERSIZEMOVE:
        m_sizeState.OnEnterSizeMove();
        UpdateTimerPause();
        return 0;
    case WM_EXITSIZEMOVE:
        m_sizeState.OnExitSizeMove();
        UpdateTimerPause();
        Resize();
        return 0;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{200, 200};
        return 0;
    case WM_KEYDOWN:
        if (wParam < m_keys.size())
        {
            m_keys[wParam] = 1;
        }
        if (m_controls)
        {
            OnControlKey(wParam, lParam);
        }
        return 0;
    case WM_KEYUP:
        if (wParam < m_keys.size())
        {
            m_keys[wParam] = 0;
        }
        return 0;
    case WM_MENUCHAR:
        return MAKELRESULT(0, MNC_CLOSE);   // close the menu without a beep
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        m_mouse.OnLeftPressed();
        return 0;
    case WM_LBUTTONUP:
        m_mouse.OnLeftReleased();
        return 0;
    case WM_RBUTTONDOWN:
        m_mouse.OnRightPressed();
        return 0;
    case WM_RBUTTONUP:
        m_mouse.OnRightReleased();
        return 0;
    case WM_MOUSEWHEEL:
    {
        const short delta = GET_WHEEL_DELTA_WPARAM(wParam);
        if (delta > 0)
        {
            m_mouse.OnWheelUp();
        }
        else if (delta < 0)
        {
            m_mouse.OnWheelDown();
        }
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void SystemClass::OnMouseMove(WPARAM wParam, LPARAM lParam)
{
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    const int width = m_options.m_screenWidth;
    const int height = m_options.m_screenHeight;
    if (x > 0 && x < width && y > 0 && y < height)
    {
        m_mouse.OnMouseMove(x, y);
        if (!m_mouse.IsInWindow())
        {
            SetCapture(m_window);
            m_mouse.SetInWindow(true);
        }
    }
    else if (wParam & (MK_LBUTTON | MK_RBUTTON))
    {
        // Dragging outside keeps reporting positions, clamped to the client area.
        const int clampedX = x < 0 ? 0 : (x > width - 1 ? width - 1 : x);
        const int clampedY = y < 0 ? 0 : (y > height - 1 ? height - 1 : y);
        m_mouse.OnMouseMove(clampedX, clampedY);
    }
    else
    {
        ReleaseCapture();
        m_mouse.SetInWindow(false);
        m_mouse.OnLeftReleased();
        m_mouse.OnRightReleased();
    }
}

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CLOSE:
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        // Messages can arrive after shutdown has cleared the application (DestroyWindow sends some).
        if (SystemClass* application = SystemClass::GetApplication())
        {
            return application->MessageHandler(window, message, wParam, lParam);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
