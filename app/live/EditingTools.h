// engine.exe's editing of the choreography while it plays: the document being edited (ChoreographyDocument), the
// timeline panel that draws it, the directing tools that edit it from the view (DirectingTools) and the passage
// loop; and what the key map's editing actions and the panel's buttons ask of them. It records nothing about keys
// and plays nothing: the controls (PresentationControls) hold the requests, and the live tools (LiveTools) play
// the edits and move the clock.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/live/CameraPathView.h"
#include "app/live/DirectingTools.h"
#include "app/live/KeyMap.h"
#include "app/live/timeline/ChoreographyDocument.h"
#include "app/live/timeline/PassageLoop.h"
#include "app/live/timeline/TimelinePanel.h"

class BaseEngineLogic;
class FrameTimer;
class PresentationControls;
class Scene3;

class EditingTools
{
public:
    // Edits what `scene` plays, read from `choreographyFile` (empty: the compiled-in choreography).
    EditingTools(Scene3& scene, BaseEngineLogic& logic, const std::string& choreographyFile,
                 PresentationControls& controls);
    EditingTools(const EditingTools&) = delete;
    EditingTools& operator=(const EditingTools&) = delete;

    ChoreographyDocument& Document() { return m_document; }
    DirectingTools& Directing() { return m_directing; }
    bool PanelHasFocus() const { return m_panel.HasFocus(); }

    // The document's actions of the key map (save, undo, redo, a jump to bookmark `index`), whether or not the
    // panel shows.
    void Carry(KeyAction action, unsigned index);
    // At a frame's start, at the moment on screen: what K, G, I, O and M (or their buttons) asked for since the last
    // frame.
    void CarryOutRequests(double shownSeconds);
    // Once per frame: the document's latest valid edit, once, played by `play` (which replays the timeline to the
    // moment on screen); the last replay told on standard error once the edit is done; unsaved edits autosaved
    // every few seconds. True when an edit was played.
    using Play = std::function<bool(std::shared_ptr<const Choreography>, std::string source)>;
    bool PlayEdit(const Play& play, const FrameTimer& timer);
    // Where the clock goes back to in a frame that moved it from `before` to `now` past the loop's out point, while
    // looping and playing; nothing otherwise.
    std::optional<double> LoopTarget(double before, double now);
    // In each overlay frame: fly mode's held keys and pointer, the camera's path while it shows (P) and a drag of
    // its marks, a click in the view, and the panel with its directing line while it shows (F2), whose buttons do
    // what their keys do.
    void DrawFrame(double shownSeconds);

private:
    void DrawPanel(double shownSeconds);
    // The camera's path over the span the panel shows, or showed last (the whole run before it was first opened);
    // true when the pointer is its.
    bool DrawCameraPath();

    Scene3& m_scene;
    BaseEngineLogic& m_logic;
    PresentationControls& m_controls;
    ChoreographyDocument m_document;
    TimelinePanel m_panel{m_document};
    DirectingTools m_directing;
    PassageLoop m_loop;
    CameraPathView m_cameraPath;
    bool m_panelShown = false;
};
