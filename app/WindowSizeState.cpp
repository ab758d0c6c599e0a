// Window size state: see WindowSizeState.h.
#include "app/WindowSizeState.h"

bool WindowSizeState::OnSize(SizeKind kind)
{
    switch (kind)
    {
    case SizeKind::Minimized:
        m_minimized = true;
        m_maximized = false;
        return false;   // nothing is visible, so there is nothing to resize for
    case SizeKind::Maximized:
        m_minimized = false;
        m_maximized = true;
        return true;
    case SizeKind::Restored:
        if (m_minimized)
        {
            m_minimized = false;
            return true;
        }
        if (m_maximized)
        {
            m_maximized = false;
            return true;
        }
        // During a drag Windows sends a stream of these; the end of the drag resizes once instead.
        return !m_resizing;
    case SizeKind::Other: break;
    }
    return false;
}
