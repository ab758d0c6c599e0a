// The application object: owns everything that lives for the whole run, starts it up in a fixed order, runs
// the frame loop until Escape, the close box or 58 seconds of un-paused time, and shuts it all down again.
// Other parts reach it through the static accessors; it is the only global state of the shell.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <windows.h>

#include "app/EngineOptions.h"
#include "app/live/FileChangePoller.h"
#include "app/FrameStats.h"
#include "app/FrameTimer.h"
#include "app/Mouse.h"
#include "app/WindowSizeState.h"
#include "graphics/GraphicsClass.h"

class BaseEngineLogic;
class DebugOverlay;
class IEventManager;
class MeshParseCache;
class MusicPlayer;
class PresentationControls;
class Scene3;
class ScreenshotWriter;
class ShaderWatcher;
class TimelineReplay;
class WorldReloader;

class SystemClass
{
public:
    // Seconds of un-paused time after which the presentation ends by itself.
    static constexpr float kPresentationSeconds = 58.0f;
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

    // Settings for tools built on the same program (the capture tool, the soak); engine.exe uses none of them.
    // Un-paused seconds after which the loop ends (default kPresentationSeconds).
    void SetPresentationSeconds(float seconds) { m_presentationSeconds = seconds; }
    // A picture (client-area) size that replaces the options file's window size; the window is made just large
    // enough around it.
    void SetScreenSizeOverride(int width, int height);
    // When false, deactivation no longer stops the timer, so frames do not depend on window focus.
    void SetTimerFollowsActivation(bool follows) { m_timerFollowsActivation = follows; }
    // Called in every rendered frame right before Present, with the finished picture in the back buffer.
    void SetBeforePresent(std::function<void()> hook) { m_beforePresent = std::move(hook); }
    // Called after every frame, drawn or not (see SetDrawsFrame).
    void SetFrameObserver(std::function<void()> observer) { m_frameObserver = std::move(observer); }
    // Asked once per frame, after its update, whether to draw it; without it every frame is drawn. A frame that
    // is not drawn moves the timeline on as its drawing would have (TimelineReplay::StandInForDrawing), so the
    // next frame drawn is byte for byte the one a run that draws every frame shows there.
    void SetDrawsFrame(std::function<bool()> drawsFrame) { m_drawsFrame = std::move(drawsFrame); }
    // When false, start-up does not start the music (a capture runs on its own clock, not in real time).
    void SetMusicEnabled(bool enabled) { m_musicEnabled = enabled; }
    // engine.exe --music-log: one line on standard error for every music command (the clock's moment, the
    // command, its duration, its result).
    void SetMusicLog(bool log) { m_musicLog = log; }
    // For a program that ends when the presentation does: once the loop is over, shutting down and leaving the
    // process get this long before the process is ended with kExitError (ExitWatchdog). 0, the default, waits
    // for ever, as a test that goes on after the run must.
    void SetExitDeadline(unsigned milliseconds) { m_exitDeadlineMs = milliseconds; }
    // The deadline engine.exe and engine-capture.exe use: generous, as the device's release waits for the frames
    // still queued, which take seconds each on a loaded machine without a GPU.
    static constexpr unsigned kProgramExitDeadlineMs = 60'000;
    // engine.exe's live controls: pause, seek, the overlay and screenshots (README: Controls). Off unless asked
    // for before start-up, so that the tools built on the program, and its tests, get the presentation alone.
    void EnableControls() { m_controlsEnabled = true; }
    // The controls' state; null unless they were enabled and start-up got as far as the world.
    PresentationControls* GetControls() const { return m_controls.get(); }
    // engine.exe --watch: shaders reload when their files change, the world when its files change or on F5
    // (with the controls), at the moment on screen (README: Editing while it runs). Off unless asked for
    // before start-up; without it none of this runs.
    void EnableWatch() { m_watchEnabled = true; }
    // How often the watched files are looked at and how long a change must settle (tests make both 0).
    void SetWatchTiming(FileChangePoller::Timing timing) { m_watchTiming = timing; }
    // Null unless watching and start-up got as far as the world.
    ShaderWatcher* GetShaderWatcher() const { return m_shaderWatcher.get(); }
    WorldReloader* GetWorldReloader() const { return m_worldReloader.get(); }
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
    // The scene the seek, the reload and the overlay work with; null while there is none (or another kind).
    Scene3* PresentationScene() const;
    void Resize();
    // Stops the timer while the window is inactive or being moved or sized, or the controls pause, and starts it
    // again after.
    void UpdateTimerPause();
    // The update of one frame, its phase times written into `stats`.
    void UpdatePresentation(const FrameTimer& timer, FrameStats& stats);
    // Moves the presentation on by one frame: the update, or what the controls ask for instead (a seek, or
    // nothing while paused). False when the frame shows the same moment as the one before.
    bool AdvanceFrame();
    void Seek(double seconds);
    // Replays the timeline to the frame nearest `seconds` and has time go on from there; returns that frame's
    // time (nanoseconds), or nothing without a scripted scene.
    std::optional<std::int64_t> ReplayTo(double seconds);
    // --watch, once per frame: reloads changed shaders, and the world when its files changed or F5 asked for
    // it. True when a new world was swapped in (the frame then shows the moment replayed for it).
    bool ReloadWhatChanged();
    bool ReloadWorld();
    bool RenderFrame(bool sameMoment);
    // In place of RenderFrame for a frame that is not drawn.
    void PassUndrawnFrame(bool sameMoment);
    void OnControlKey(WPARAM key, LPARAM flags);
    void DrawOverlay();
    void BeforePresent();
    void OnMouseMove(WPARAM wParam, LPARAM lParam);

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
    FrameCounts m_frameCounts;
    FrameStats m_frameStats;
    StartupStats m_startupStats;
    // Started when start-up ends, read when the first frame has been presented.
    PhaseStopwatch m_firstFrameStopwatch;
    float m_presentationSeconds = kPresentationSeconds;
    int m_overrideWidth = 0;
    int m_overrideHeight = 0;
    bool m_timerFollowsActivation = true;
    bool m_musicEnabled = true;
    bool m_musicLog = false;
    unsigned m_exitDeadlineMs = 0;
    // Playing on the timer's clock from start-up's last step to shutdown; null without sound.
    std::unique_ptr<MusicPlayer> m_music;
    std::function<void()> m_frameObserver;
    std::function<void()> m_beforePresent;
    std::function<bool()> m_drawsFrame;
    bool m_controlsEnabled = false;
    std::unique_ptr<PresentationControls> m_controls;
    std::unique_ptr<TimelineReplay> m_replay;
    std::unique_ptr<DebugOverlay> m_overlay;
    std::unique_ptr<ScreenshotWriter> m_screenshots;
    bool m_watchEnabled = false;
    FileChangePoller::Timing m_watchTiming;
    std::unique_ptr<MeshParseCache> m_meshCache;
    std::unique_ptr<ShaderWatcher> m_shaderWatcher;
    std::unique_ptr<WorldReloader> m_worldReloader;
    // Wall time between presented frames, for the overlay's frame rate.
    PhaseStopwatch m_frameClock;
};

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
