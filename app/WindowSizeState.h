// The window's minimised / maximised / being-sized state and the decision, for each size message, whether the
// scene must resize its buffers. Kept apart from the window procedure so the rules can be read and tested
// on their own; it knows nothing of Win32 beyond the three size kinds it is given.
#pragma once

class WindowSizeState
{
public:
    enum class SizeKind
    {
        Restored,    // SIZE_RESTORED
        Minimized,   // SIZE_MINIMIZED
        Maximized,   // SIZE_MAXIMIZED
        Other,       // SIZE_MAXSHOW, SIZE_MAXHIDE: another window changed, not this one
    };

    // A size message arrived while the device exists; returns true when the scene must resize.
    bool OnSize(SizeKind kind);
    // The user started dragging the frame: resizes wait for the end of the drag.
    void OnEnterSizeMove() { m_resizing = true; }
    // The drag ended; the caller always resizes once.
    void OnExitSizeMove() { m_resizing = false; }

    bool IsMinimized() const { return m_minimized; }
    bool IsMaximized() const { return m_maximized; }
    bool IsResizing() const { return m_resizing; }

private:
    bool m_minimized = false;
    bool m_maximized = false;
    bool m_resizing = false;
};
