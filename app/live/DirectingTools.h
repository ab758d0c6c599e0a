// Directing from the view, as a camera operator does: fly mode's camera and the actor it carries (CameraFlight),
// the actor a click in the view selects, keying what is seen at the playhead, and the timeline panel's directing
// line that shows them with the loop and the bookmarks (DirectingBar). Every edit goes to the document's model, as
// one undo step; the live tools decide when each runs (a key's request is carried out at a frame's start).
#pragma once

#include "app/live/CameraFlight.h"
#include "app/live/timeline/DirectingBar.h"

class BaseEngineLogic;
class ChoreographyDocument;
class Scene3;

class DirectingTools
{
public:
    DirectingTools(Scene3& scene, BaseEngineLogic& logic, ChoreographyDocument& document)
        : m_scene(scene), m_logic(logic), m_document(document)
    {
    }

    const CameraFlight& Flight() const { return m_flight; }

    // At a frame's start: the camera and the carried actor as the choreography has them.
    void GiveCameraBack() { m_flight.GiveBack(m_scene, m_logic); }
    // Right before drawing: the flown camera and the carried actor, when `flying`; otherwise fly mode ends.
    void PutOn(bool flying) { m_flight.PutOn(m_scene, m_logic, flying); }
    // In each overlay frame: fly mode's held keys, pointer and wheel (wall time, paused or not).
    void ReadInput() { m_flight.ReadInput(); }
    // In each overlay frame: a click over the view (not over a window of the overlay) selects the actor under the
    // pointer, or nothing.
    void PickActor();
    // G: carries the selected actor with the flown camera, or puts the carried one down; the panel's status says
    // which, or why neither.
    void CarryOrPutDown();
    // K: keys the camera as it is drawn, flown or the choreography's, and the actor carried, at `seconds`.
    void KeyWhatYouSee(double seconds);
    // The panel's directing line, appended to its window: what was clicked. Renaming and deleting a bookmark are
    // carried out here; the rest are the key map's actions, for the caller.
    DirectingBar::Clicked DrawBar(bool flying, bool looping);

private:
    Scene3& m_scene;
    BaseEngineLogic& m_logic;
    ChoreographyDocument& m_document;
    CameraFlight m_flight;
};
