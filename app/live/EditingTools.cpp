// engine.exe's editing of the choreography: see EditingTools.h.
#include "app/live/EditingTools.h"

#include <utility>

#include "app/FrameStats.h"
#include "app/FrameTimer.h"
#include "app/live/PresentationControls.h"
#include "scene/FreeCameraNode.h"
#include "scene/Scene3.h"

EditingTools::EditingTools(Scene3& scene, BaseEngineLogic& logic, const std::string& choreographyFile,
                           PresentationControls& controls)
    : m_scene(scene), m_logic(logic), m_controls(controls), m_document(scene.GetChoreography(), choreographyFile),
      m_directing(scene, logic, m_document)
{
}

void EditingTools::Carry(KeyAction action, unsigned index)
{
    TimelineModel& model = m_document.Model();
    switch (action)
    {
    case KeyAction::Save: m_document.Save(); break;
    case KeyAction::Undo: model.Undo(); break;
    case KeyAction::Redo: model.Redo(); break;
    case KeyAction::SelectAllKeys: model.SelectedKeys().SelectAllInLoop(); break;
    case KeyAction::CopyKeys: model.SelectedKeys().Copy(); break;
    case KeyAction::PasteKeys: model.SelectedKeys().Paste(); break;
    case KeyAction::DeleteKeys: model.SelectedKeys().Delete(); break;
    case KeyAction::InsertBeat: model.SelectedKeys().InsertBeat(); break;
    case KeyAction::RemoveBeat: model.SelectedKeys().RemoveBeat(); break;
    case KeyAction::JumpToBookmark:
        if (const std::optional<float> time = model.JumpToBookmark(index))
        {
            m_controls.RequestSeek(*time);
        }
        break;
    default: break;
    }
}

void EditingTools::CarryOutRequests(double shownSeconds)
{
    if (m_controls.TakeCarryRequest())
    {
        m_directing.CarryOrPutDown();
    }
    if (m_controls.TakeKeyRequest())
    {
        m_directing.KeyWhatYouSee(shownSeconds);
    }
    TimelineModel& model = m_document.Model();
    if (m_controls.TakeLoopIn())
    {
        model.SetLoopIn(shownSeconds);
    }
    if (m_controls.TakeLoopOut())
    {
        model.SetLoopOut(shownSeconds);
    }
    if (m_controls.TakeBookmark())
    {
        model.AddBookmark(shownSeconds);
    }
}

bool EditingTools::PlayEdit(const Play& play, const FrameTimer& timer)
{
    bool played = false;
    if (std::shared_ptr<const Choreography> edited = m_document.Editor().TakeToPlay())
    {
        PhaseStopwatch stopwatch;
        const std::string& file = m_document.FileName();
        played = play(std::move(edited), file.empty() ? "the timeline panel's choreography" : file);
        m_document.RecordReplay(timer.TotalTime(), stopwatch.Milliseconds());
    }
    m_document.ReportReplay();
    // Unsaved edits reach the disk every few seconds, written on the autosave's own thread.
    m_document.Tick(static_cast<double>(FrameTimer::SystemNanoseconds()) / 1e9);
    return played;
}

std::optional<double> EditingTools::LoopTarget(double before, double now)
{
    if (m_controls.IsPaused())
    {
        return std::nullopt;
    }
    m_loop.SetOn(m_controls.IsLooping());
    return m_loop.WrapTarget(m_document.Editor().Current().loop, before, now, m_controls.GetEndSeconds());
}

void EditingTools::DrawFrame(double shownSeconds)
{
    m_directing.ReadInput();
    if (!DrawCameraPath())
    {
        m_directing.PickActor();
    }
    DrawPanel(shownSeconds);
}

bool EditingTools::DrawCameraPath()
{
    TimelineModel& model = m_document.Model();
    if (!m_controls.IsCameraPathVisible())
    {
        m_cameraPath.Hidden(model);
        return false;
    }
    const TimelineZoom& zoom = m_panel.Zoom();
    const double from = m_panelShown ? zoom.From() : 0.0;
    const double until = m_panelShown ? zoom.Until() : m_controls.GetEndSeconds();
    return m_cameraPath.Draw(model, from, until, *m_scene.GetCamera());
}

void EditingTools::DrawPanel(double shownSeconds)
{
    if (!m_controls.IsTimelineVisible())
    {
        m_panel.Hidden();
        return;
    }
    m_panelShown = true;
    TimelinePanel::View view{shownSeconds, m_controls.GetEndSeconds()};
    view.camera = m_scene.GetCamera().get();
    view.logic = &m_logic;
    view.looping = m_controls.IsLooping();
    if (const std::optional<double> picked = m_panel.Draw(view))
    {
        m_controls.RequestSeek(*picked);
    }
    const DirectingBar::Clicked clicked = m_directing.DrawBar(m_controls.IsFlying(), m_controls.IsLooping());
    const std::pair<bool, KeyAction> buttons[] = {{clicked.carry, KeyAction::Carry},
                                                  {clicked.looping, KeyAction::ToggleLoop},
                                                  {clicked.loopIn, KeyAction::LoopIn},
                                                  {clicked.loopOut, KeyAction::LoopOut},
                                                  {clicked.addBookmark, KeyAction::AddBookmark},
                                                  {clicked.fly, KeyAction::ToggleFly},
                                                  {clicked.keyWhatYouSee, KeyAction::KeyWhatYouSee}};
    for (const auto& [pressed, action] : buttons)
    {
        if (pressed)
        {
            m_controls.Carry(action, shownSeconds);
        }
    }
    if (clicked.jumpTo)
    {
        Carry(KeyAction::JumpToBookmark, static_cast<unsigned>(*clicked.jumpTo));
    }
}
