// The application object: owns everything that lives for the whole run, starts it up in a fixed order, runs
// the frame loop until Escape, the close box or 58 seconds of un-paused time, and shuts it all down again.
// Other parts reach it through the static accessors; it is the only global state of the shell.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/EngineOptions.h"
#include "app/FrameStats.h"
#include "app/FrameTimer.h"
#include "app/Mouse.h"
#include "app/MusicLatency.h"
#include "app/RunSettings.h"
#include "app/Win32Handles.h"
#include "app/WindowSizeState.h"
#include "graphics/GraphicsClass.h"

class BaseEngineLogic;
struct Choreography;
class IEventManager;
class LiveTools;
class MusicPlayer;

class SystemClass
{
public:
    // Seconds of un-paused time after which the presentation ends by itself.
    static constexpr float kPresentationSeconds = RunSettings::kPresentationSeconds;
    static constexpr int kEscapeKey = 27;
    // Time budget handed to the event manager each frame; generous, so queued events are never held back.
    static constexpr float kEventBudgetSeconds = 20.0f;

    SystemClass();
    ~SystemClass();
    SystemClass(const SystemClass&) = delete;
    SystemClass& operator=(const SystemClass&) = delete;

    // Start-up; false means a step failed (it has said why) and the caller goes straight to Shutdown.
    bool Initialize();
    void Run();
    void UpdateFrame(const FrameTimer& timer);
    // Tears down whatever start-up built, in the fixed order; safe after a failed or partial start-up.
    void Shutdown();

    LRESULT MessageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The process-wide application; null before construction and after shutdown.
    static SystemClass* GetApplication();
    static EngineOptions& GetOptions();
    static FrameTimer& GetTimer();
    // The engine logic; null until start-up has created it.
    static BaseEngineLogic* GetLogic();
    // The graphics object (device, registries, scene). Only while an application exists.
    static GraphicsClass& GetGraphics();

    // Replaces the frame timer's clock (tests and the capture tool drive time exactly through it).
    void SetTimeSource(FrameTimer::TimeSource source);
    // How this run goes (the tools built on the program change it before start-up; hooks also later).
    RunSettings& Settings() { return m_settings; }
    // engine.exe's in-process tools; enabled before start-up, or the presentation runs alone.
    LiveTools& GetLiveTools() { return *m_live; }
    const FrameStats& GetFrameStats() const { return m_frameStats; }
    // How long each start-up step took; complete once the first frame has been presented.
    const StartupStats& GetStartupStats() const { return m_startupStats; }

    HWND GetWindowHandle() const { return m_window; }
    const std::array<unsigned char, 256>& GetKeys() const { return m_keys; }
    Mouse& GetMouse() { return m_mouse; }
    const WindowSizeState& GetSizeState() const { return m_sizeState; }

    // Runs the whole program as the entry point does: start-up, the loop when start-up succeeded, shutdown.
    // Returns the process exit code: 0 after a normal end, kExitStartupFailed when start-up failed, kExitError
    // after an exception nothing else handled (reported on standard error and in a message box).
    // `configure`, when given, adjusts the application before start-up.
    static int RunApplication(const std::function<void(SystemClass&)>& configure = {});
    static constexpr int kExitStartupFailed = 1;
    static constexpr int kExitError = 2;

    // What the loop did, for tests, statistics and diagnostics.
    struct FrameCounts
    {
        std::uint64_t updated = 0;
        std::uint64_t rendered = 0;
        std::uint64_t resizes = 0;
    };
    const FrameCounts& GetFrameCounts() const { return m_frameCounts; }

private:
    bool CreateAppWindow();
    bool HasDevice() const;
    void Resize();
    // Stops the timer while the window is inactive or being moved or sized, or the live tools hold the
    // presentation, and starts it again after.
    void UpdateTimerPause();
    // The update of one frame, its phase times written into `stats`.
    void UpdatePresentation(const FrameTimer& timer, FrameStats& stats);
    // Moves the presentation on by one frame: the update, or what the live tools do instead (a seek, or
    // nothing while paused). False when the frame shows the same moment as the one before.
    bool AdvanceFrame();
    bool RenderFrame(bool sameMoment);
    void OnMouseMove(WPARAM wParam, LPARAM lParam);
    // Reads RunSettings::choreographyFile, when one is named; false (the file, line and problem said) when it
    // cannot be played.
    bool LoadChoreography();
    void StartMusic();
    void StopMusic();

    std::unique_ptr<IEventManager> m_eventManager;
    const wchar_t* m_applicationName;
    HINSTANCE m_instance = nullptr;
    HWND m_window = nullptr;
    bool m_classRegistered = false;
    bool m_overlayContext = false;
    bool m_overlayWin32 = false;
    WindowSizeState m_sizeState;
    // Another window is active (only tracked while the timer follows activation).
    bool m_inactive = false;
    EngineOptions m_options;
    FrameTimer m_timer;
    std::array<unsigned char, 256> m_keys{};
    Mouse m_mouse;
    GraphicsClass m_graphics;
    std::unique_ptr<BaseEngineLogic> m_logic;
    RunSettings m_settings;
    // Read from the settings' choreography file at start-up; null plays the compiled-in one.
    std::shared_ptr<const Choreography> m_choreography;
    std::unique_ptr<LiveTools> m_live;
    FrameCounts m_frameCounts;
    FrameStats m_frameStats;
    StartupStats m_startupStats;
    // Started when start-up ends, read when the first frame has been presented.
    PhaseStopwatch m_firstFrameStopwatch;
    // Playing on the timer's clock from start-up's last step to shutdown; null without sound.
    std::unique_ptr<MusicPlayer> m_music;
    // How far the music runs ahead of the clock, and why (the overlay says); a calibration kept changes it.
    MusicLatency m_musicLatency = MusicLatency::Choose(std::nullopt, {});
};
