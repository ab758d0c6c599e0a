// engine.exe's in-process tools: see LiveTools.h.
#include "app/live/LiveTools.h"

#include <iostream>
#include <string>

#include <imgui.h>
#include <windows.h>

#include "actors/BaseEngineLogic.h"
#include "app/FrameTimer.h"
#include "app/live/DebugOverlay.h"
#include "app/live/EditingTools.h"
#include "app/live/PresentationControls.h"
#include "app/live/ScreenshotWriter.h"
#include "app/live/SoundCalibration.h"
#include "app/live/WatchedFiles.h"
#include "app/live/timeline/TimelineReplay.h"
#include "graphics/D3DClass.h"
#include "graphics/GpuPassTimer.h"
#include "graphics/GraphicsClass.h"
#include "scene/Scene3.h"

LiveTools::LiveTools() = default;

LiveTools::~LiveTools()
{
    Shutdown();
}

void LiveTools::EnableWatch()
{
    if (m_watched == nullptr)
    {
        m_watched = std::make_unique<WatchedFiles>();
    }
}

void LiveTools::Start(Host host)
{
    m_host.emplace(std::move(host));
    if (m_controlsEnabled || m_watched)
    {
        m_replay = std::make_unique<TimelineReplay>();
        m_replay->RememberStart(m_host->logic);   // before any frame has moved an actor
    }
    if (m_controlsEnabled)
    {
        m_controls = std::make_unique<PresentationControls>(m_host->endSeconds);
        m_overlay = std::make_unique<DebugOverlay>();
        m_screenshots = std::make_unique<ScreenshotWriter>();
        m_calibration =
            std::make_unique<SoundCalibration>(m_host->music, m_host->useMusicLatency, m_host->musicLatencyMs);
        m_host->graphics.SetOverlayContent([this] { DrawOverlay(); });
        if (Scene3* scene = PresentationScene())
        {
            m_editing = std::make_unique<EditingTools>(*scene, m_host->logic, m_host->choreographyFile, *m_controls);
        }
    }
    if (m_watched)
    {
        if (m_controls)
        {
            m_controls->EnableReload();
        }
        m_watched->Start(m_host->graphics, m_host->worldFile, m_host->componentKinds, m_host->choreographyFile,
                         m_watchTiming, m_controls != nullptr);
    }
    m_helpLine = KeyMap::HelpLine(m_watched != nullptr);
    m_frameClock = PhaseStopwatch();
}

bool LiveTools::OnKeyDown(unsigned key, bool repeated)
{
    if (m_controls == nullptr || IsTyping())
    {
        return false;
    }
    const auto held = [](int modifier) { return (GetKeyState(modifier) & 0x8000) != 0; };
    const KeyMap::Press press{key, held(VK_CONTROL), held(VK_SHIFT)};
    const KeyBinding* binding = KeyMap::Find(press, Situation());
    if (binding == nullptr)
    {
        // A key that acts elsewhere (G outside fly mode) says where, rather than doing nothing without a word.
        const KeyBinding* elsewhere = KeyMap::FindElsewhere(press, Situation());
        if (elsewhere != nullptr && m_editing != nullptr && !repeated)
        {
            m_editing->Document().Model().SetStatus(KeyMap::WhereItActs(*elsewhere));
        }
        return false;
    }
    // Only a key's first press acts (undo and redo repeat), so a key held down never piles up work.
    if (repeated && !binding->repeats)
    {
        return binding->action != KeyAction::Quit;
    }
    return Carry(binding->action, key - binding->chord.key);
}

bool LiveTools::Carry(KeyAction action, unsigned index)
{
    switch (action)
    {
    case KeyAction::Save:
    case KeyAction::Undo:
    case KeyAction::Redo:
    case KeyAction::JumpToBookmark:
    case KeyAction::SelectAllKeys:
    case KeyAction::CopyKeys:
    case KeyAction::PasteKeys:
    case KeyAction::DeleteKeys:
    case KeyAction::InsertBeat:
    case KeyAction::RemoveBeat:
        if (m_editing)
        {
            m_editing->Carry(action, index);
        }
        return false;
    case KeyAction::Calibration:
    case KeyAction::TapBeat:
    case KeyAction::KeepCalibration: return m_calibration->Carry(action);
    // From the clock's own nanoseconds, not its single-precision seconds: a seek lands on the very moment it
    // names, and 20 s must stay 20 s (15 s as a float is 14.999999 s).
    default: return m_controls->Carry(action, static_cast<double>(m_host->timer.TotalNanoseconds()) / 1e9);
    }
}

KeyMap::Situation LiveTools::Situation() const
{
    KeyMap::Situation situation;
    situation.watching = m_watched != nullptr;
    situation.flying = m_controls->IsFlying();
    situation.calibrating = m_calibration && m_calibration->IsOpen();
    situation.panelFocused = m_editing && m_controls->IsTimelineVisible() && m_editing->PanelHasFocus();
    return situation;
}

std::optional<int> LiveTools::CalibratedMusicLatencyMs(const std::string& otherwise, int longestMs)
{
    return SoundCalibration::KeptLatencyMs(otherwise, longestMs);
}

bool LiveTools::IsTyping() const
{
    // The overlay's state is only there while its Win32 back-end is attached.
    return m_controls != nullptr && ImGui::GetCurrentContext() != nullptr &&
           ImGui::GetIO().BackendPlatformUserData != nullptr && ImGui::GetIO().WantTextInput;
}

std::optional<bool> LiveTools::TakeOverFrame(bool anyFrameDrawn)
{
    if (m_calibration && m_calibration->IsOpen())
    {
        m_calibration->Update();
    }
    if (m_editing)
    {
        m_editing->Directing().GiveCameraBack();
        m_editing->CarryOutRequests(m_host->timer.TotalTime());
    }
    // Before an edit or a reload replays to the moment on screen, which may lie past the out point.
    const bool looped = LoopBack();
    const bool reloaded = m_watched && ReloadWhatChanged();
    const bool edited = PlayTimelineEdit();
    if (m_controls)
    {
        if (const std::optional<double> target = m_controls->TakeSeek())
        {
            Seek(*target);
            return true;
        }
        if (looped || reloaded || edited)
        {
            return true;   // the loop, the reload or the edit replayed this moment already, paused or not
        }
        // Nothing of the presentation moves while paused, not even by a zero step: the timeline's update
        // rebuilds the spinning actors' rotations from their angles, which rounding shifts a little every time.
        if (m_controls->IsPaused() && anyFrameDrawn)
        {
            ClearFramePhases();
            return false;
        }
    }
    if (reloaded || edited)
    {
        return true;
    }
    return std::nullopt;
}

void LiveTools::BeforeDraw(bool sameMoment, bool drawn)
{
    if (m_host)
    {
        m_shownNanoseconds = m_host->timer.TotalNanoseconds();
    }
    Scene3* scene = PresentationScene();
    if (scene == nullptr)
    {
        return;
    }
    if (m_replay)
    {
        m_replay->PrepareDraw(*scene, sameMoment);   // a held moment is not moved on by frames not drawn either
    }
    if (!drawn)
    {
        TimelineReplay::StandInForDrawing(*scene);
        return;
    }
    if (m_editing)
    {
        m_editing->Directing().PutOn(m_controls->IsFlying());
    }
}

bool LiveTools::LoopBack()
{
    const double before = static_cast<double>(m_shownNanoseconds) / 1e9;
    const double now = static_cast<double>(m_host->timer.TotalNanoseconds()) / 1e9;
    const std::optional<double> target = m_editing ? m_editing->LoopTarget(before, now) : std::nullopt;
    if (!target)
    {
        return false;
    }
    PhaseStopwatch stopwatch;
    const std::int64_t landed = ReplayTo(*target).value_or(0);
    std::cerr << "loop: the clock reached " << now << " s (out at "
              << m_editing->Document().Editor().Current().loop->out << " s, the frame before at " << before
              << " s), back to " << static_cast<double>(landed) / 1e9 << " s in "
              << static_cast<int>(stopwatch.Milliseconds()) << " ms" << std::endl;
    return true;
}

void LiveTools::AfterDraw()
{
    if (m_overlay)
    {
        m_overlay->RecordFrame(m_host->frameStats, m_frameClock.Lap());
        if (const GpuPassTimer* timer = m_host->graphics.GetGpuTimer())
        {
            m_overlay->RecordGpuFrames(timer->Reported());
        }
    }
}

void LiveTools::BeforePresent()
{
    if (m_controls && m_controls->TakeScreenshot())
    {
        if (const std::shared_ptr<D3DClass> d3d = m_host->graphics.GetD3D())
        {
            m_screenshots->Save(d3d->GetSwapChain(), d3d->GetDevice(), d3d->GetDeviceContext());
        }
    }
}

bool LiveTools::HoldsTime() const
{
    return m_controls && (m_controls->IsPaused() || (m_calibration && m_calibration->IsOpen()));
}

void LiveTools::Shutdown()
{
    if (m_editing)
    {
        m_editing->Document().WriteRecovery();
    }
    // The watchers hold the shader registry and the device, which go with the graphics object.
    m_calibration.reset();
    if (m_watched)
    {
        m_watched->Shutdown();
    }
}

ShaderWatcher* LiveTools::GetShaderWatcher() const
{
    return m_watched ? m_watched->Shaders() : nullptr;
}

WorldReloader* LiveTools::GetWorldReloader() const
{
    return m_watched ? m_watched->World() : nullptr;
}

ChoreographyDocument* LiveTools::GetDocument() const
{
    return m_editing ? &m_editing->Document() : nullptr;
}

Scene3* LiveTools::PresentationScene() const
{
    return m_host ? dynamic_cast<Scene3*>(m_host->graphics.GetScene()) : nullptr;
}

void LiveTools::ClearFramePhases()
{
    FrameStats& stats = m_host->frameStats;
    stats.logicMs = stats.eventsMs = stats.sceneUpdateMs = 0.0;
}

void LiveTools::Seek(double seconds)
{
    PhaseStopwatch stopwatch;
    if (const std::optional<std::int64_t> landed = ReplayTo(seconds))
    {
        m_overlay->RecordSeek(static_cast<double>(*landed) / 1e9, stopwatch.Milliseconds());
    }
}

std::optional<std::int64_t> LiveTools::ReplayTo(double seconds)
{
    const std::optional<std::int64_t> landed = ReplayQuietlyTo(seconds);
    if (landed)
    {
        m_host->timeJumped();
    }
    return landed;
}

std::optional<std::int64_t> LiveTools::ReplayQuietlyTo(double seconds)
{
    Scene3* scene = PresentationScene();
    if (scene == nullptr || m_replay == nullptr)
    {
        return std::nullopt;
    }
    FrameStats replayed;   // the replay's phases are not this frame's
    const auto update = [this, &replayed](const FrameTimer& timer) { m_host->update(timer, replayed); };
    const std::int64_t landed = m_replay->Seek(seconds, *scene, m_host->events, update);
    // Time goes on from the moment replayed to, counting only un-paused time as ever, and so does the music.
    m_host->timer.SeekTo(landed);
    ClearFramePhases();
    return landed;
}

bool LiveTools::PlayChoreography(std::shared_ptr<const Choreography> choreography, std::string source)
{
    Scene3* scene = PresentationScene();
    if (scene == nullptr || m_replay == nullptr)
    {
        return false;
    }
    const std::int64_t shown = m_host->timer.TotalNanoseconds();
    scene->SetChoreography(std::move(choreography), std::move(source));
    const std::int64_t landed = ReplayQuietlyTo(static_cast<double>(shown) / 1e9).value_or(shown);
    // Within a frame of the moment shown the music is where it should be already.
    constexpr std::int64_t kFrameNanoseconds = 1'000'000'000 / 60;
    if (landed - shown > kFrameNanoseconds || shown - landed > kFrameNanoseconds)
    {
        m_host->timeJumped();
    }
    return true;
}

bool LiveTools::PlayTimelineEdit()
{
    const auto play = [this](std::shared_ptr<const Choreography> edit, std::string source) {
        return PlayChoreography(std::move(edit), std::move(source));
    };
    return m_editing && m_editing->PlayEdit(play, m_host->timer);
}

bool LiveTools::ReloadWhatChanged()
{
    Scene3* scene = PresentationScene();
    const double moment = static_cast<double>(m_host->timer.TotalNanoseconds()) / 1e9;
    // F5 is asked every frame too: a key press and an edit in the same frame make one reload.
    const bool asked = m_controls != nullptr && m_controls->TakeReload();
    const WatchedFiles::Changes changed = m_watched->Reload(FrameTimer::SystemNanoseconds(), asked, m_host->logic,
                                                            scene != nullptr ? &scene->GetSceneTree() : nullptr);
    if (changed.world)
    {
        ReplayNewWorld(moment, changed.worldBuildMs);
    }
    else if (asked && m_editing && !m_watched->WorldProblem().empty())
    {
        // F5 refused: the reason goes where the maker looks too, since the overlay that lists it may be off.
        m_editing->Document().Model().SetStatus("world not reloaded: " + m_watched->WorldProblem());
    }
    return (changed.choreography && PlayReloadedChoreography(changed.choreography)) || changed.world;
}

void LiveTools::ReplayNewWorld(double moment, double buildMs)
{
    PhaseStopwatch stopwatch;
    // The new actors stand where their files put them; replaying the timeline from there to the moment on
    // screen gives them the state they would have had, had the presentation started with them.
    m_replay->RememberStart(m_host->logic);
    const std::int64_t landed = ReplayTo(moment).value_or(0);
    std::cerr << m_host->worldFile << ": reloaded, " << m_host->logic.GetActorCount() << " actors (built in "
              << static_cast<int>(buildMs) << " ms, replayed to " << static_cast<double>(landed) / 1e9 << " s in "
              << static_cast<int>(stopwatch.Milliseconds()) << " ms)" << std::endl;
}

bool LiveTools::PlayReloadedChoreography(std::shared_ptr<const Choreography> loaded)
{
    Scene3* scene = PresentationScene();
    // A file saved with what is playing already (the panel's own save) changes nothing on screen.
    if (scene == nullptr || *loaded == scene->GetChoreography())
    {
        return false;
    }
    // The panel's unsaved edits stay what plays: the file's version waits one undo away.
    if (m_editing && m_editing->Document().AdoptFile(loaded))
    {
        return false;
    }
    PhaseStopwatch stopwatch;
    PlayChoreography(loaded, m_watched->ChoreographyFile());
    std::cerr << m_watched->ChoreographyFile() << ": reloaded, replayed to " << m_host->timer.TotalTime() << " s in "
              << static_cast<int>(stopwatch.Milliseconds()) << " ms" << std::endl;
    return true;
}

void LiveTools::DrawOverlay()
{
    // An overlay frame with nothing in it draws nothing: the picture stays the presentation's own.
    if (m_calibration)
    {
        m_calibration->Draw();
    }
    if (m_editing)
    {
        m_editing->DrawFrame(m_host->timer.TotalTime());
    }
    if (!m_controls->IsOverlayVisible())
    {
        return;
    }
    DebugOverlay::View view;
    view.shownSeconds = m_host->timer.TotalTime();
    view.endSeconds = m_controls->GetEndSeconds();
    view.paused = m_controls->IsPaused();
    if (Scene3* scene = PresentationScene())
    {
        view.camera = scene->GetCamera().get();
        view.skySelector = scene->GetSceneTree().GetSkySelector();
    }
    view.logic = &m_host->logic;
    view.helpLine = m_helpLine.c_str();
    if (m_host->musicLatencyInUse)
    {
        view.musicLatency = m_host->musicLatencyInUse();
    }
    if (m_watched)
    {
        view.reloadProblems = m_watched->Problems();
    }
    if (const std::optional<double> picked = m_overlay->Draw(view))
    {
        m_controls->RequestSeek(*picked);
    }
}
