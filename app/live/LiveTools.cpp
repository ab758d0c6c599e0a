// engine.exe's in-process tools: see LiveTools.h.
#include "app/live/LiveTools.h"

#include <iostream>
#include <string>
#include <vector>

#include <imgui.h>
#include <windows.h>

#include "actors/BaseEngineLogic.h"
#include "actors/MeshParseCache.h"
#include "app/FrameTimer.h"
#include "app/live/timeline/ChoreographyReloader.h"
#include "app/live/timeline/DirectingBar.h"
#include "app/live/timeline/PassageLoop.h"
#include "app/live/DebugOverlay.h"
#include "app/live/ActorPicker.h"
#include "app/live/CameraFlight.h"
#include "app/live/PresentationControls.h"
#include "app/live/ScreenshotWriter.h"
#include "app/live/LatencyCalibration.h"
#include "app/live/ShaderWatcher.h"
#include "app/live/SoundCalibration.h"
#include "app/live/timeline/TimelinePanel.h"
#include "app/live/timeline/TimelineReplay.h"
#include "app/live/WorldReloader.h"
#include "graphics/D3DClass.h"
#include "graphics/GpuPassTimer.h"
#include "graphics/GraphicsClass.h"
#include "graphics/registries/ShaderHolder.h"
#include "scene/FreeCameraNode.h"
#include "scene/Scene3.h"

LiveTools::LiveTools() = default;

LiveTools::~LiveTools()
{
    Shutdown();
}

void LiveTools::EnableWatch()
{
    m_watchEnabled = true;
    if (m_meshCache == nullptr)
    {
        m_meshCache = std::make_unique<MeshParseCache>();
        MeshParseCache::SetInstance(m_meshCache.get());
    }
}

void LiveTools::Start(Host host)
{
    m_host.emplace(std::move(host));
    if (m_controlsEnabled || m_watchEnabled)
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
        m_flight = std::make_unique<CameraFlight>();
        m_host->graphics.SetOverlayContent([this] { DrawOverlay(); });
        if (Scene3* scene = PresentationScene())
        {
            m_timeline = std::make_unique<TimelinePanel>(scene->GetChoreography(), m_host->choreographyFile);
            m_loop = std::make_unique<PassageLoop>();
        }
    }
    if (m_watchEnabled)
    {
        GraphicsClass& graphics = m_host->graphics;
        m_shaderWatcher =
            std::make_unique<ShaderWatcher>(*graphics.GetShaders(), graphics.GetD3D()->GetDevice(), m_watchTiming);
        m_worldReloader = std::make_unique<WorldReloader>(m_host->worldFile, m_host->componentKinds, m_watchTiming);
        if (!m_host->choreographyFile.empty())
        {
            m_choreographyReloader = std::make_unique<ChoreographyReloader>(m_host->choreographyFile, m_watchTiming);
        }
        if (m_controls)
        {
            m_controls->EnableReload();
        }
        std::cerr << "watching " << graphics.GetShaders()->Size() << " shader files and "
                  << m_worldReloader->WatchedFiles().size() << " world files"
                  << (m_choreographyReloader ? " and the choreography" : "") << " for changes"
                  << (m_controls ? "; F5 reloads the world" : "") << std::endl;
    }
    m_frameClock = PhaseStopwatch();
}

bool LiveTools::OnKeyDown(unsigned key, bool repeated)
{
    if (m_controls == nullptr)
    {
        return false;
    }
    if (IsTyping())
    {
        return false;
    }
    // Ctrl+1 to Ctrl+9 jump to the first nine bookmarks.
    if (m_timeline && (GetKeyState(VK_CONTROL) & 0x8000) != 0 && key >= '1' && key <= '9')
    {
        if (const std::optional<float> time = m_timeline->Model().BookmarkTime(key - '1'); time && !repeated)
        {
            m_controls->RequestSeek(*time);
        }
        return false;
    }
    // The panel's shortcuts are nothing else, whether or not it shows: Ctrl+S saves what was edited.
    if (m_timeline && (GetKeyState(VK_CONTROL) & 0x8000) != 0 &&
        m_timeline->OnShortcut(key, (GetKeyState(VK_SHIFT) & 0x8000) != 0, repeated))
    {
        return false;
    }
    // The calibration holds the presentation while it is open, and has Space (a tap) and Enter (keep) to itself.
    if (m_calibration && key == kCalibrationKey && !repeated)
    {
        if (m_calibration->IsOpen())
        {
            m_calibration->Close();
        }
        else
        {
            m_calibration->Open();
        }
        return true;
    }
    if (m_calibration && m_calibration->IsOpen())
    {
        if (key == PresentationControls::kPauseKey && !repeated)
        {
            m_calibration->Tap();
        }
        else if (key == VK_RETURN && !repeated)
        {
            m_calibration->Keep();
        }
        if (key == PresentationControls::kPauseKey || key == VK_RETURN)
        {
            return false;
        }
    }
    return m_controls->OnKeyDown(key, repeated, m_host->timer.TotalTime());
}

std::optional<int> LiveTools::CalibratedMusicLatencyMs(const std::string& otherwise, int longestMs)
{
    std::string problem;
    const std::optional<int> kept = LatencyCalibration::LoadKept(LatencyCalibration::kFileName, longestMs, &problem);
    if (kept)
    {
        std::cerr << LatencyCalibration::kFileName << ": music latency " << *kept << " ms, as calibrated (in place of "
                  << otherwise << ")" << std::endl;
    }
    else if (!problem.empty())
    {
        std::cerr << LatencyCalibration::kFileName << ": " << problem << "; the music latency is " << otherwise
                  << std::endl;
    }
    return kept;
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
    GiveCameraBack();
    CarryOutEditKeys();
    // Before an edit or a reload replays to the moment on screen, which may lie past the out point.
    const bool looped = LoopBack();
    const bool reloaded = m_watchEnabled && ReloadWhatChanged();
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
    if (m_flight != nullptr)
    {
        m_flight->PutOn(*scene, m_host->logic, m_controls->IsFlying());
    }
}

void LiveTools::GiveCameraBack()
{
    if (Scene3* scene = PresentationScene(); scene != nullptr && m_flight != nullptr)
    {
        m_flight->GiveBack(*scene, m_host->logic);
    }
}

void LiveTools::PickActor()
{
    const ImGuiIO& io = ImGui::GetIO();
    Scene3* scene = PresentationScene();
    // A click over the view, not over a window of the overlay, whether or not the panel shows: the view is most
    // of the window only with the panel put away.
    if (m_timeline == nullptr || scene == nullptr || !io.MouseClicked[0] || io.WantCaptureMouse ||
        !(io.DisplaySize.x > 0.0f && io.DisplaySize.y > 0.0f))
    {
        return;
    }
    const FreeCameraNode& camera = *scene->GetCamera();
    const ActorPicker::Ray ray = ActorPicker::Through(
        {camera.GetPosition(), camera.GetRight(), camera.GetUp(), camera.GetLook(), camera.GetProj()},
        2.0f * io.MousePos.x / io.DisplaySize.x - 1.0f, 1.0f - 2.0f * io.MousePos.y / io.DisplaySize.y);
    const std::optional<ActorId> picked = ActorPicker::Pick(m_host->logic, ray);
    m_timeline->Model().SelectActor(picked);
    if (picked)
    {
        std::cerr << "selected actor " << *picked << std::endl;
    }
}

void LiveTools::CarryOrPutDown()
{
    if (m_flight == nullptr || m_timeline == nullptr)
    {
        return;
    }
    const std::optional<ActorId> before = m_flight->Carried();
    const std::optional<ActorId> after = m_flight->ToggleCarry(m_timeline->Model().SelectedActor(), m_host->logic);
    if (after)
    {
        std::cerr << "carrying actor " << *after << std::endl;
        m_timeline->Model().SetStatus("carrying actor " + std::to_string(*after) + ": K keys it, G puts it down");
    }
    else if (before)
    {
        std::cerr << "put actor " << *before << " down" << std::endl;
        m_timeline->Model().SetStatus("put actor " + std::to_string(*before) + " down");
    }
    else
    {
        m_timeline->Model().SetStatus(m_flight->IsFlying() ? "G carries an actor: click one first"
                                                           : "G carries an actor in fly mode (F3)");
    }
}

void LiveTools::CarryOutEditKeys()
{
    if (m_controls == nullptr)
    {
        return;
    }
    if (m_controls->TakeCarryRequest())
    {
        CarryOrPutDown();
    }
    if (m_controls->TakeKeyRequest())
    {
        KeyWhatYouSee();
    }
    const bool in = m_controls->TakeLoopIn();
    const bool out = m_controls->TakeLoopOut();
    const bool bookmark = m_controls->TakeBookmark();
    if (m_timeline == nullptr)
    {
        return;
    }
    const double shown = m_host->timer.TotalTime();
    if (in)
    {
        m_timeline->Model().SetLoopIn(shown);
    }
    if (out)
    {
        m_timeline->Model().SetLoopOut(shown);
    }
    if (bookmark)
    {
        m_timeline->Model().AddBookmark(shown);
    }
}

bool LiveTools::LoopBack()
{
    if (m_loop == nullptr || m_controls->IsPaused())
    {
        return false;
    }
    m_loop->SetOn(m_controls->IsLooping());
    const double before = static_cast<double>(m_shownNanoseconds) / 1e9;
    const double now = static_cast<double>(m_host->timer.TotalNanoseconds()) / 1e9;
    const std::optional<Choreography::Loop>& loop = m_timeline->Editor().Current().loop;
    const std::optional<double> target = m_loop->WrapTarget(loop, before, now, m_controls->GetEndSeconds());
    if (!target)
    {
        return false;
    }
    PhaseStopwatch stopwatch;
    const std::int64_t landed = ReplayTo(*target).value_or(0);
    std::cerr << "loop: the clock reached " << now << " s (out at " << loop->out << " s, the frame before at " << before
              << " s), back to " << static_cast<double>(landed) / 1e9 << " s in "
              << static_cast<int>(stopwatch.Milliseconds()) << " ms" << std::endl;
    return true;
}

void LiveTools::KeyWhatYouSee()
{
    Scene3* scene = PresentationScene();
    if (m_timeline == nullptr || scene == nullptr)
    {
        return;
    }
    const FlyCamera::Pose pose =
        m_flight && m_flight->IsFlying() ? m_flight->Camera().GetPose() : FlyCamera::PoseOf(*scene->GetCamera());
    std::vector<TimelineModel::SeenPose> seen{{Choreography::Track::kCamera, pose.Channels()}};
    const std::optional<ActorId> carried = m_flight ? m_flight->Carried() : std::nullopt;
    if (carried)
    {
        seen.push_back({*carried, m_flight->CarriedPose()->Channels()});
    }
    const std::optional<float> keyed = m_timeline->Model().KeyWhatYouSee(m_host->timer.TotalTime(), seen);
    if (keyed)
    {
        std::cerr << "keyed the camera at " << *keyed << " s: " << pose.position.x << ", " << pose.position.y << ", "
                  << pose.position.z << ", yaw " << pose.yaw << ", pitch " << pose.pitch << ", roll " << pose.roll
                  << std::endl;
        if (carried)
        {
            std::cerr << "keyed actor " << *carried << " at " << *keyed << " s" << std::endl;
        }
    }
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
    if (m_timeline)
    {
        m_timeline->Editor().WriteRecovery();
    }
    // The watchers hold the shader registry and the device, which go with the graphics object.
    m_calibration.reset();
    m_shaderWatcher.reset();
    m_worldReloader.reset();
    m_choreographyReloader.reset();
    if (m_meshCache != nullptr && MeshParseCache::Instance() == m_meshCache.get())
    {
        MeshParseCache::SetInstance(nullptr);
    }
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
    if (m_timeline == nullptr)
    {
        return false;
    }
    bool played = false;
    const ChoreographyEditor& editor = m_timeline->Editor();
    if (std::shared_ptr<const Choreography> edited = m_timeline->Editor().TakeToPlay())
    {
        PhaseStopwatch stopwatch;
        const std::string source = editor.FileName().empty() ? "the timeline panel's choreography" : editor.FileName();
        played = PlayChoreography(std::move(edited), source);
        m_timeline->RecordReplay(m_host->timer.TotalTime(), stopwatch.Milliseconds());
    }
    m_timeline->ReportReplay();
    // Unsaved edits reach the disk every few seconds, written on the autosave's own thread.
    m_timeline->Editor().Tick(static_cast<double>(FrameTimer::SystemNanoseconds()) / 1e9);
    return played;
}

bool LiveTools::ReloadWhatChanged()
{
    const std::int64_t now = FrameTimer::SystemNanoseconds();
    m_shaderWatcher->Poll(now);
    // Both are asked every frame: a key press and an edit in the same frame make one reload.
    const bool edited = m_worldReloader->FilesChanged(now);
    const bool asked = m_controls != nullptr && m_controls->TakeReload();
    const bool worldSwapped = (edited || asked) && ReloadWorld();
    return ReloadChoreography(now) || worldSwapped;
}

bool LiveTools::ReloadChoreography(std::int64_t now)
{
    if (m_choreographyReloader == nullptr)
    {
        return false;
    }
    const std::shared_ptr<const Choreography> loaded = m_choreographyReloader->Poll(now);
    Scene3* scene = PresentationScene();
    // A file saved with what is playing already (the panel's own save) changes nothing on screen.
    if (loaded == nullptr || scene == nullptr || *loaded == scene->GetChoreography())
    {
        return false;
    }
    // The panel's unsaved edits stay what plays: the file's version waits one undo away.
    if (m_timeline && m_timeline->Editor().AdoptFile(loaded))
    {
        return false;
    }
    PhaseStopwatch stopwatch;
    PlayChoreography(loaded, m_choreographyReloader->FileName());
    std::cerr << m_choreographyReloader->FileName() << ": reloaded, replayed to " << m_host->timer.TotalTime()
              << " s in " << static_cast<int>(stopwatch.Milliseconds()) << " ms" << std::endl;
    return true;
}

bool LiveTools::ReloadWorld()
{
    Scene3* scene = PresentationScene();
    if (scene == nullptr)
    {
        return false;
    }
    PhaseStopwatch stopwatch;
    BaseEngineLogic& logic = m_host->logic;
    const double moment = static_cast<double>(m_host->timer.TotalNanoseconds()) / 1e9;
    if (!m_worldReloader->Reload(logic, scene->GetSceneTree()))
    {
        return false;
    }
    const double buildMs = stopwatch.Lap();
    // The new actors stand where their files put them; replaying the timeline from there to the moment on
    // screen gives them the state they would have had, had the presentation started with them.
    m_replay->RememberStart(logic);
    const std::int64_t landed = ReplayTo(moment).value_or(0);
    std::cerr << m_host->worldFile << ": reloaded, " << logic.GetActorCount() << " actors (built in "
              << static_cast<int>(buildMs) << " ms, replayed to " << static_cast<double>(landed) / 1e9 << " s in "
              << static_cast<int>(stopwatch.Milliseconds()) << " ms)" << std::endl;
    return true;
}

void LiveTools::DrawOverlay()
{
    if (m_flight != nullptr)
    {
        m_flight->ReadInput();
    }
    // An overlay frame with nothing in it draws nothing: the picture stays the presentation's own.
    if (m_calibration)
    {
        m_calibration->Draw();
    }
    PickActor();
    if (m_timeline && m_controls->IsTimelineVisible())
    {
        TimelinePanel::View view{m_host->timer.TotalTime(), m_controls->GetEndSeconds()};
        view.camera = PresentationScene() != nullptr ? PresentationScene()->GetCamera().get() : nullptr;
        view.logic = &m_host->logic;
        view.looping = m_controls->IsLooping();
        if (const std::optional<double> picked = m_timeline->Draw(view))
        {
            m_controls->RequestSeek(*picked);
        }
        DirectingBar::State bar{m_controls->IsFlying(),
                                m_flight ? m_flight->Camera().GetSpeed() : 0.0f,
                                m_timeline->Model().SelectedActor(),
                                m_flight ? m_flight->Carried() : std::nullopt,
                                m_controls->IsLooping(),
                                m_timeline->Editor().Current().loop,
                                &m_timeline->Editor().Current().bookmarks};
        const DirectingBar::Clicked clicked = DirectingBar::Draw(bar);
        if (clicked.carry)
        {
            m_controls->RequestCarry();
        }
        if (clicked.looping)
        {
            m_controls->SetLooping(!m_controls->IsLooping());
        }
        if (clicked.loopIn)
        {
            m_timeline->Model().SetLoopIn(m_host->timer.TotalTime());
        }
        if (clicked.loopOut)
        {
            m_timeline->Model().SetLoopOut(m_host->timer.TotalTime());
        }
        TimelineModel& model = m_timeline->Model();
        if (clicked.addBookmark)
        {
            model.AddBookmark(m_host->timer.TotalTime());
        }
        if (clicked.jumpTo)
        {
            if (const std::optional<float> time = model.BookmarkTime(*clicked.jumpTo))
            {
                m_controls->RequestSeek(*time);
            }
        }
        if (clicked.rename)
        {
            model.RenameBookmark(clicked.rename->first, clicked.rename->second);
        }
        if (clicked.deleteBookmark)
        {
            model.DeleteBookmark(*clicked.deleteBookmark);
        }
        if (clicked.fly)
        {
            m_controls->SetFlying(!m_controls->IsFlying());
        }
        if (clicked.keyWhatYouSee)
        {
            m_controls->RequestKey();
        }
    }
    else if (m_timeline)
    {
        m_timeline->Hidden();
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
    view.helpLine = m_controls->HelpLine();
    if (m_host->musicLatencyInUse)
    {
        view.musicLatency = m_host->musicLatencyInUse();
    }
    if (m_shaderWatcher)
    {
        view.reloadProblems = m_shaderWatcher->Problems();
    }
    for (const std::string* problem : {m_worldReloader ? &m_worldReloader->Problem() : nullptr,
                                       m_choreographyReloader ? &m_choreographyReloader->Problem() : nullptr})
    {
        if (problem != nullptr && !problem->empty())
        {
            view.reloadProblems += (view.reloadProblems.empty() ? "" : "\n") + *problem;
        }
    }
    if (const std::optional<double> picked = m_overlay->Draw(view))
    {
        m_controls->RequestSeek(*picked);
    }
}
