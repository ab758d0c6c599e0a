// The live controls of engine.exe as state: whether the presentation is paused, whether the overlay, the timeline
// panel and the camera's path show, fly mode and looping, and the requests the next frame must carry out (a seek, a
// screenshot, a world reload, keying what is seen, carrying an actor, the loop's bounds, a bookmark). Which key asks
// for what is the key map's (KeyMap); a control's action only changes this state or records a request, and the
// application applies requests at fixed points of its loop (a seek right after the timer's tick, a screenshot right
// before Present), so a key never acts in the middle of a frame. Portable.
#pragma once

#include <optional>

#include "app/live/KeyMap.h"

class PresentationControls
{
public:
    static constexpr double kSeekStepSeconds = 5.0;

    // `endSeconds`: the presentation's length, the latest moment a seek can reach.
    explicit PresentationControls(double endSeconds) : m_endSeconds(endSeconds > 0.0 ? endSeconds : 0.0) {}

    // Makes F5's world reload a control (only engine.exe --watch reloads); otherwise it is none.
    void EnableReload() { m_reloadEnabled = true; }

    // Carries out one of the key map's control actions. `shownSeconds` is the moment on screen, from which the
    // arrows seek (or from a seek still waiting for its frame, so that two presses add up). False, changing
    // nothing, for an action that is not a control's.
    bool Carry(KeyAction action, double shownSeconds);
    // A seek to `seconds`, kept within 0 and the end; a later request replaces a waiting one. Non-finite
    // values are ignored.
    void RequestSeek(double seconds);

    // Each request is handed out once: the seek waiting for the next frame, if any; whether a screenshot waits for
    // the next finished picture; whether F5 asked for a world reload, K to key what is seen, G to carry the selected
    // actor (or put the carried one down), I or O to set the loop's in or out point, M for a bookmark.
    std::optional<double> TakeSeek();
    bool TakeScreenshot();
    bool TakeReload();
    bool TakeKeyRequest();
    bool TakeCarryRequest();
    bool TakeLoopIn();
    bool TakeLoopOut();
    bool TakeBookmark();

    bool IsPaused() const { return m_paused; }
    bool IsOverlayVisible() const { return m_overlayVisible; }
    bool IsTimelineVisible() const { return m_timelineVisible; }
    bool IsFlying() const { return m_flying; }
    bool IsLooping() const { return m_looping; }
    bool IsCameraPathVisible() const { return m_cameraPathVisible; }
    double GetEndSeconds() const { return m_endSeconds; }

private:
    double m_endSeconds;
    bool m_paused = false;
    bool m_overlayVisible = false;
    bool m_timelineVisible = false;
    bool m_flying = false;
    bool m_looping = false;
    bool m_cameraPathVisible = false;
    bool m_reloadEnabled = false;
    bool m_screenshotWaiting = false;
    bool m_reloadWaiting = false;
    bool m_keyWaiting = false;
    bool m_carryWaiting = false;
    bool m_loopInWaiting = false;
    bool m_loopOutWaiting = false;
    bool m_bookmarkWaiting = false;
    std::optional<double> m_seek;
};
