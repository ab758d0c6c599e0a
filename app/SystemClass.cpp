// The application object: see SystemClass.h.
#include "app/SystemClass.h"

#include <cpuid.h>
#include <cmath>
#include <iostream>

#include <windows.h>

#include <imgui.h>
#include <imgui_impl_win32.h>

#include "actors/ActorFactory.h"
#include "actors/BaseEngineLogic.h"
#include "actors/LightRenderComponent.h"
#include "actors/MeshComponent.h"
#include "actors/MeshRenderComponent.h"
#include "app/MessageBox.h"
#include "app/MusicPlayer.h"
#include "app/SoundPlatform.h"
#include "app/guards/ExitWatchdog.h"
#include "app/guards/FatalErrorGuard.h"
#include "app/live/LiveTools.h"
#include "events/EventManager.h"
#include "graphics/AnsiConversion.h"
#include "graphics/D3DClass.h"
#include "graphics/DxException.h"
#include "scene/choreography/ChoreographyFile.h"
#include "scene/Scene.h"
#include "scene/Scene3.h"

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

// Runs `step`; an exception escaping it is described to `report`, and the result is false.
template <typename Report, typename Step>
bool CatchingErrors(const Report& report, const Step& step)
{
    try
    {
        step();
        return true;
    }
    catch (const DxException& error)
    {
        report(WideToAnsi(error.ToString()));
    }
    catch (const std::exception& error)
    {
        report(error.what());
    }
    catch (...)
    {
        report("Unknown error");
    }
    return false;
}

}

SystemClass::SystemClass() : m_applicationName(L"Engine"), m_live(std::make_unique<LiveTools>())
{
    g_application = this;
    m_graphics.SetBeforePresent([this] {
        m_live->BeforePresent();
        if (m_settings.beforePresent)
        {
            m_settings.beforePresent();
        }
    });
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
    const auto showError = [](const std::string& what) { ShowMessageBox(what, "Error"); };
    const bool ran = CatchingErrors(showError, [&] {
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
    });
    if (!ran)
    {
        exitCode = kExitError;
    }

    if (system->m_settings.exitDeadlineMs > 0)
    {
        ExitWatchdog::Arm(system->m_settings.exitDeadlineMs, kExitError);
    }
    // Also after an exception, so that a changed display mode is restored and the window goes away.
    const auto logError = [](const std::string& what) { std::cerr << "Error during shutdown: " << what << std::endl; };
    if (!CatchingErrors(logError, [&] { system->Shutdown(); }))
    {
        exitCode = kExitError;
    }
    system.reset();
    return exitCode;
}

void SystemClass::SetTimeSource(FrameTimer::TimeSource source)
{
    m_timer = FrameTimer(std::move(source));
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
    if (m_settings.music)
    {
        // The platform is asked only when the options leave the latency to it.
        m_musicLatency = MusicLatency::Choose(
            m_options.m_musicLatencyMs, m_options.m_musicLatencyMs ? MusicLatency::Platform{} : SoundPlatform::Ask());
        if (const std::optional<int> kept =
                LiveTools::CalibratedMusicLatencyMs(m_musicLatency.Describe(), EngineOptions::kLongestMusicLatencyMs))
        {
            m_musicLatency.UseCalibrated(*kept);
        }
    }
    if (!LoadChoreography())
    {
        return false;
    }
    const int overrideWidth = m_settings.screenWidth;
    const int overrideHeight = m_settings.screenHeight;
    if (overrideWidth > 0 && overrideHeight > 0)
    {
        m_options.m_screenWidth = overrideWidth;
        m_options.m_screenHeight = overrideHeight;
        m_options.m_screenAspect = static_cast<float>(overrideWidth) / static_cast<float>(overrideHeight);
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
    // before the world loads: its tree listens for the render components the actors announce. The overlay
    // plots the device's time per pass, so the controls have it timed from the first frame.
    if (m_live->WantsDeviceTiming())
    {
        m_graphics.SetGpuTiming(true);
    }
    if (!m_graphics.Initialize(m_options, m_window))
    {
        return false;
    }
    const StartupStats& graphics = m_graphics.GetStartupStats();
    m_startupStats.deviceMs = graphics.deviceMs;
    m_startupStats.texturesMs = graphics.texturesMs;
    m_startupStats.shadersMs = graphics.shadersMs;
    m_startupStats.sceneMs = graphics.sceneMs;
    if (auto* scripted = dynamic_cast<Scene3*>(m_graphics.GetScene()); scripted != nullptr && m_choreography)
    {
        scripted->SetChoreography(m_choreography, m_settings.choreographyFile);
    }
    phase.Lap();

    m_logic = std::make_unique<BaseEngineLogic>();
    m_logic->SetState(EngineLogicState::Initialising);
    if (!m_logic->Init())
    {
        return false;
    }
    RegisterDirect3DComponents(*m_logic->GetActorFactory());
    m_logic->SetState(EngineLogicState::LoadingWorld);
    if (!m_logic->LoadWorld(kWorldFile))
    {
        std::cerr << kWorldFile << ": the world could not be loaded" << std::endl;
        return false;
    }
    m_logic->SetState(EngineLogicState::Running);
    std::cerr << kWorldFile << ": " << m_logic->GetActorCount() << " actors loaded" << std::endl;
    m_startupStats.worldMs = phase.Lap();

    m_live->Start({m_timer, *m_eventManager, m_graphics, *m_logic, m_settings.presentationSeconds, m_frameStats,
                   kWorldFile, RegisterDirect3DComponents,
                   [this](const FrameTimer& timer, FrameStats& stats) { UpdatePresentation(timer, stats); },
                   [this] {
                       if (m_music)
                       {
                           m_music->Jump(!m_timer.IsStopped(), static_cast<double>(m_timer.TotalNanoseconds()) / 1e9);
                       }
                   },
                   m_settings.choreographyFile, m_musicLatency.Milliseconds(),
                   [this](double seconds) {
                       m_musicLatency.UseCalibrated(static_cast<int>(std::lround(seconds * 1000.0)));
                       if (m_music)
                       {
                           m_music->SetLatency(seconds);
                       }
                   },
                   [this] { return m_music.get(); },
                   [this] { return m_music ? m_musicLatency.Describe() : std::string(); }});

    StartMusic();
    m_firstFrameStopwatch = PhaseStopwatch();
    return true;
}

bool SystemClass::LoadChoreography()
{
    if (m_settings.choreographyFile.empty())
    {
        return true;
    }
    std::string problem;
    std::optional<Choreography> loaded = ChoreographyFile::Load(m_settings.choreographyFile, &problem);
    if (!loaded)
    {
        std::cerr << problem << std::endl;
        return false;
    }
    m_choreography = std::make_shared<const Choreography>(std::move(*loaded));
    return true;
}

void SystemClass::StartMusic()
{
    if (!m_settings.music)
    {
        return;
    }
    m_music = std::make_unique<MusicPlayer>(m_settings.presentationSeconds, m_musicLatency.Milliseconds() / 1000.0,
                                            m_settings.musicLog ? &std::cerr : nullptr);
    if (m_settings.musicLog)
    {
        std::cerr << "music: ahead of the clock by " << m_musicLatency.Describe() << std::endl;
    }
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
        // A start of the music (after a pause, a seek, a loop's jump) is checked on the frames after it.
        if (m_music)
        {
            m_music->Watch();
        }

        if (m_keys[kEscapeKey])
        {
            break;
        }
        if (m_timer.TotalTime() > m_settings.presentationSeconds)
        {
            break;
        }
        if (!RenderFrame(!moved))
        {
            break;
        }
    }
    if (m_settings.afterLoop)
    {
        m_settings.afterLoop();
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
    if (const std::optional<bool> moved = m_live->TakeOverFrame(m_frameCounts.rendered > 0))
    {
        return *moved;
    }
    UpdateFrame(m_timer);
    return true;
}

bool SystemClass::RenderFrame(bool sameMoment)
{
    bool keepGoing = true;
    if (m_settings.drawsFrame && !m_settings.drawsFrame())
    {
        m_live->BeforeDraw(sameMoment, false);
    }
    else
    {
        ++m_frameCounts.rendered;
        m_live->BeforeDraw(sameMoment, true);
        keepGoing = m_graphics.Frame(&m_frameStats);
        if (m_frameCounts.rendered == 1)
        {
            m_startupStats.firstFrameMs = m_firstFrameStopwatch.Milliseconds();
        }
        m_live->AfterDraw();
    }
    if (m_settings.frameObserver)
    {
        m_settings.frameObserver();
    }
    return keepGoing;
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

    m_live->Shutdown();
    // The logic and the graphics object still remove their listeners as they go, so the event manager
    // outlives both.
    m_logic.reset();
    // Scene, registries and device; GDI+ keeps running until the application object itself goes.
    m_graphics.Shutdown();
    m_mouse.Clear();
    m_eventManager.reset();
}
