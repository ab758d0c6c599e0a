// The live controls of engine.exe as state: which keys do what, whether the presentation is paused, whether the
// overlay shows, and the seek and screenshot the next frame must carry out. It only records requests; the
// application applies them at fixed points of its loop (a seek right after the timer's tick, a screenshot
// right before Present), so a key never acts in the middle of a frame. Portable: keys are Win32 virtual-key
// codes, given as numbers.
#pragma once

#include <optional>

class PresentationControls
{
public:
    // Win32 virtual-key codes (VK_SPACE, VK_LEFT, VK_RIGHT, VK_HOME, VK_F1, VK_F2, VK_F5, VK_F12).
    static constexpr unsigned kPauseKey = 0x20;
    static constexpr unsigned kBackKey = 0x25;
    static constexpr unsigned kForwardKey = 0x27;
    static constexpr unsigned kStartKey = 0x24;
    static constexpr unsigned kOverlayKey = 0x70;
    static constexpr unsigned kTimelineKey = 0x71;
    static constexpr unsigned kReloadKey = 0x74;
    static constexpr unsigned kScreenshotKey = 0x7B;
    // Fly mode (F3) and keying what is seen (K): the camera leaves the choreography, and comes back keyed.
    static constexpr unsigned kFlyKey = 0x72;
    static constexpr unsigned kKeyViewKey = 'K';
    // Carrying the selected actor with the flown camera, and putting it down (G).
    static constexpr unsigned kCarryKey = 'G';
    // The loop: its in (I) and out (O) point at the playhead, and looping on or off (L).
    static constexpr unsigned kLoopInKey = 'I';
    static constexpr unsigned kLoopOutKey = 'O';
    static constexpr unsigned kLoopKey = 'L';
    // A bookmark at the playhead (M); Ctrl+1 to Ctrl+9 jump to the first nine (the live tools' shortcuts).
    static constexpr unsigned kBookmarkKey = 'M';
    static constexpr double kSeekStepSeconds = 5.0;
    // Every control in one line, for the overlay; the README's controls table lists the same.
    static constexpr const char* kHelpLine =
        "Space pause/resume   Left/Right -5/+5 s   Home back to 0   slider: seek   F1 overlay   F2 timeline   "
        "F3 fly (WASD, Q/E, Shift, right-drag, wheel)   click: select actor   G carry it   K key what you see   "
        "I/O loop in/out   L loop on/off   M bookmark   Ctrl+1-9 jump to one   F4 sound calibration   Ctrl+S save   "
        "Ctrl+Z/Y undo/redo   F12 screenshot   Esc quit";
    // The same with the world reload (engine.exe --watch).
    static constexpr const char* kHelpLineWithReload =
        "Space pause/resume   Left/Right -5/+5 s   Home back to 0   slider: seek   F1 overlay   F2 timeline   "
        "F3 fly (WASD, Q/E, Shift, right-drag, wheel)   click: select actor   G carry it   K key what you see   "
        "I/O loop in/out   L loop on/off   M bookmark   Ctrl+1-9 jump to one   F4 sound calibration   Ctrl+S save   "
        "Ctrl+Z/Y undo/redo   F5 reload world   F12 screenshot   Esc quit";

    // `endSeconds`: the presentation's length, the latest moment a seek can reach.
    explicit PresentationControls(double endSeconds) : m_endSeconds(endSeconds > 0.0 ? endSeconds : 0.0) {}

    // Makes F5 a control that asks for a world reload (only engine.exe --watch reloads); otherwise it is not one.
    void EnableReload() { m_reloadEnabled = true; }
    const char* HelpLine() const { return m_reloadEnabled ? kHelpLineWithReload : kHelpLine; }

    // A key went down. `repeated` marks the keyboard's auto-repeat of a held key, which is ignored: only a
    // press acts, so holding a key can never queue up work. `shownSeconds` is the moment on screen, from
    // which the arrows seek (or from a seek still waiting for its frame). True when the key is a control.
    bool OnKeyDown(unsigned key, bool repeated, double shownSeconds);
    // A seek to `seconds`, kept within 0 and the end; a later request replaces a waiting one. Non-finite
    // values are ignored.
    void RequestSeek(double seconds);

    // The seek waiting for the next frame, if any; it is handed out once.
    std::optional<double> TakeSeek();
    // Whether a screenshot waits for the next finished picture; handed out once.
    bool TakeScreenshot();
    // Whether F5 asked for a world reload since the last call; handed out once.
    bool TakeReload();
    // Whether K asked to key what is seen since the last call; handed out once.
    bool TakeKeyRequest();
    // Whether G asked to carry the selected actor, or put the carried one down; handed out once.
    bool TakeCarryRequest();
    // The panel's button for G.
    void RequestCarry() { m_carryWaiting = true; }
    void SetFlying(bool flying) { m_flying = flying; }
    // The panel's button for K.
    void RequestKey() { m_keyWaiting = true; }
    // Whether I or O asked to set the loop's in or out point at the playhead; each handed out once.
    bool TakeLoopIn();
    bool TakeLoopOut();
    bool TakeBookmark();
    bool IsLooping() const { return m_looping; }
    void SetLooping(bool looping) { m_looping = looping; }

    bool IsPaused() const { return m_paused; }
    bool IsOverlayVisible() const { return m_overlayVisible; }
    bool IsTimelineVisible() const { return m_timelineVisible; }
    bool IsFlying() const { return m_flying; }
    double GetEndSeconds() const { return m_endSeconds; }

private:
    double m_endSeconds;
    bool m_paused = false;
    bool m_overlayVisible = false;
    bool m_timelineVisible = false;
    bool m_screenshotWaiting = false;
    bool m_reloadEnabled = false;
    bool m_reloadWaiting = false;
    bool m_flying = false;
    bool m_keyWaiting = false;
    bool m_carryWaiting = false;
    bool m_loopInWaiting = false;
    bool m_loopOutWaiting = false;
    bool m_looping = false;
    bool m_bookmarkWaiting = false;
    std::optional<double> m_seek;
};
