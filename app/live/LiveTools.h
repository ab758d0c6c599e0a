// engine.exe's in-process tools as one object: the controls (pause, seek, overlay, screenshots), the timeline
// replay behind a seek, the choreography's document with the timeline panel that edits it and the directing tools
// that edit it from the view, the sound calibration, and --watch's shader, world and choreography reload. Every key
// and gesture they answer is in the key map (KeyMap). The application wires it in at a handful of points
// (start-up's end, a key, a frame's start, drawing, before Present, shutdown) and holds none of its state. Nothing
// is enabled by default: unused, every point is a no-op and the presentation runs as designed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/FrameStats.h"
#include "app/live/FileChangePoller.h"
#include "app/live/KeyMap.h"

class ActorFactory;
struct Choreography;
class BaseEngineLogic;
class ChoreographyDocument;
class DebugOverlay;
class EditingTools;
class FrameTimer;
class GraphicsClass;
class IEventManager;
class PresentationControls;
class Scene3;
class ScreenshotWriter;
class ShaderWatcher;
class MusicPlayer;
class SoundCalibration;
class TimelineReplay;
class WatchedFiles;
class WorldReloader;

class LiveTools
{
public:
    // What the tools work with, lent by the application for the run (from Start to Shutdown).
    struct Host
    {
        FrameTimer& timer;
        IEventManager& events;
        GraphicsClass& graphics;
        BaseEngineLogic& logic;
        // Un-paused seconds after which the presentation ends: the seek slider's end.
        float endSeconds;
        // The phase times of the frame in progress, which a frame the tools take over reports as zero.
        FrameStats& frameStats;
        std::string worldFile;
        // Registers the component kinds that need Direct3D on a factory that builds the world again.
        std::function<void(ActorFactory&)> componentKinds;
        // The application's update of one frame, its phase times written into the stats given.
        std::function<void(const FrameTimer&, FrameStats&)> update;
        // Called after a seek moved the timer, so that whatever keeps to its clock (the music) jumps with it.
        std::function<void()> timeJumped;
        // The choreography file played (--choreography), which the timeline panel saves to; empty for the
        // compiled-in choreography.
        std::string choreographyFile;
        // The music's latency in use, and how the sound calibration (F4) hands it a new one, in seconds.
        int musicLatencyMs = 0;
        std::function<void(double)> useMusicLatency;
        // The music's player, whose own device plays the sound calibration's beat; nothing when silent.
        std::function<MusicPlayer*()> music;
        // The music's latency in use and where it comes from, for the overlay; empty when silent.
        std::function<std::string()> musicLatencyInUse;
    };

    LiveTools();
    ~LiveTools();
    LiveTools(const LiveTools&) = delete;
    LiveTools& operator=(const LiveTools&) = delete;

    // Before start-up only. The controls: pause, seek, the overlay, screenshots, the timeline panel, fly mode and
    // the sound calibration (docs/controls.md).
    void EnableControls() { m_controlsEnabled = true; }
    // The overlay plots the device's time per pass, so with the controls every frame is timed from the first.
    bool WantsDeviceTiming() const { return m_controlsEnabled; }
    // --watch: shaders reload when their files change, the world when its files change or on F5 (with the
    // controls), the choreography when its file (--choreography) changes, each at the moment on screen
    // (docs/editing.md). Installs the mesh parse cache at once, so that the start-up world fills it and a reload
    // parses only the meshes whose files changed.
    void EnableWatch();
    // How often the watched files are looked at and how long a change must settle (tests make both 0).
    void SetWatchTiming(FileChangePoller::Timing timing) { m_watchTiming = timing; }

    // The music's latency kept by the sound calibration (LatencyCalibration::kFileName), when there is one; one
    // line on standard error says it is used in place of `otherwise` (what applies without it), or why a file
    // that is there is not used.
    static std::optional<int> CalibratedMusicLatencyMs(const std::string& otherwise, int longestMs);

    // Start-up's end, once the world has loaded and before any frame has moved an actor.
    void Start(Host host);
    // While the overlay or the timeline panel edits text (a Ctrl+click on a number types it), keys are theirs:
    // no control, and not Escape either, which cancels the typing.
    bool IsTyping() const;
    // A key went down (a Win32 virtual-key code; `repeated`: the keyboard's auto-repeat): whatever the key map
    // binds it to in the present situation. True when it was a control, so that the application's timer follows
    // (a pause holds it).
    bool OnKeyDown(unsigned key, bool repeated);
    // A frame's start, right after the timer's tick. Nothing when the application updates the frame as usual;
    // otherwise the tools moved it themselves (a seek, a world swapped in: true) or held it (paused: false).
    // `anyFrameDrawn`: a first frame is always updated, so that there is a moment to hold.
    std::optional<bool> TakeOverFrame(bool anyFrameDrawn);
    // Right before a frame is drawn, or in place of drawing one that is not (`drawn` false). `sameMoment`: the
    // frame shows the moment the one before showed.
    void BeforeDraw(bool sameMoment, bool drawn);
    // After a frame was drawn and presented.
    void AfterDraw();
    // In every drawn frame right before Present, with the finished picture in the back buffer.
    void BeforePresent();
    // True while the controls hold the presentation (paused), which stops the timer.
    bool HoldsTime() const;
    // Writes the document's unsaved edits to a recovery file, and lets go of the shader registry and the device
    // before the graphics object releases them.
    void Shutdown();

    // Plays `choreography` (valid) from now on and replays the timeline to the moment on screen with it, paused
    // or playing, so that an edit or a reloaded file shows at once. `source` names its file for the reports of
    // actors the world lacks. The replay lands on the moment shown, so the music is not told to jump and a run of
    // edits does not make it stutter.
    // False without a scripted scene or before Start.
    bool PlayChoreography(std::shared_ptr<const Choreography> choreography, std::string source);

    // Null unless enabled and start-up got as far as the world (the document: and a scripted scene).
    PresentationControls* GetControls() const { return m_controls.get(); }
    ShaderWatcher* GetShaderWatcher() const;
    WorldReloader* GetWorldReloader() const;
    ChoreographyDocument* GetDocument() const;

private:
    // The scene seeks and reloads work with; null while there is none (or another kind).
    Scene3* PresentationScene() const;
    // Which of the key map's contexts hold now.
    KeyMap::Situation Situation() const;
    // Carries out one of the key map's actions, from a key or from a button of the panel's; `index` is the key's
    // place in a chord of several (Ctrl+1 to Ctrl+9). True when it was a control's.
    bool Carry(KeyAction action, unsigned index);
    void Seek(double seconds);
    // Replays the timeline to `seconds` and has time go on from there; returns that moment (nanoseconds), or
    // nothing without a scripted scene.
    std::optional<std::int64_t> ReplayTo(double seconds);
    // ReplayTo without telling what keeps to the clock that time jumped, for a replay that lands where it was.
    std::optional<std::int64_t> ReplayQuietlyTo(double seconds);
    // --watch, once per frame: reloads changed shaders, the world when its files changed or F5 asked for it,
    // and the choreography when its file changed. True when a new world or choreography was swapped in (the
    // frame then shows the moment replayed for it).
    bool ReloadWhatChanged();
    // A world swapped in stands where its files put it: replays the timeline to `moment` from there.
    void ReplayNewWorld(double moment, double buildMs);
    // The watched choreography file's new version: played at the moment on screen, unless the document keeps its
    // unsaved edits playing (the file's version then waits one undo away). True when it was played.
    bool PlayReloadedChoreography(std::shared_ptr<const Choreography> loaded);
    // Plays the document's latest valid edit, once; true when there was one.
    bool PlayTimelineEdit();
    void DrawOverlay();
    void ClearFramePhases();
    // Looping: in the frame whose clock reached the loop's out point, the timeline replays to its in point and the
    // clock and the music jump there. True when it did.
    bool LoopBack();

    bool m_controlsEnabled = false;
    FileChangePoller::Timing m_watchTiming;
    std::optional<Host> m_host;
    std::unique_ptr<PresentationControls> m_controls;
    std::unique_ptr<TimelineReplay> m_replay;
    std::unique_ptr<DebugOverlay> m_overlay;
    std::unique_ptr<ScreenshotWriter> m_screenshots;
    std::unique_ptr<WatchedFiles> m_watched;           // with --watch
    std::unique_ptr<SoundCalibration> m_calibration;   // with the controls
    std::unique_ptr<EditingTools> m_editing;           // with the controls and a scripted scene
    std::string m_helpLine;
    // The moment the last frame showed (nanoseconds), from which a frame's clock reaches the out point.
    std::int64_t m_shownNanoseconds = 0;
    // Wall time between presented frames, for the overlay's frame rate.
    PhaseStopwatch m_frameClock;
};
