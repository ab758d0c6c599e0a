// Live controls: see PresentationControls.h.
#include "app/live/PresentationControls.h"

#include <algorithm>
#include <cmath>
#include <utility>

bool PresentationControls::Carry(KeyAction action, double shownSeconds)
{
    const double from = m_seek.value_or(shownSeconds);
    switch (action)
    {
    case KeyAction::Pause: m_paused = !m_paused; return true;
    case KeyAction::SeekBack: RequestSeek(from - kSeekStepSeconds); return true;
    case KeyAction::SeekOn: RequestSeek(from + kSeekStepSeconds); return true;
    case KeyAction::SeekToStart: RequestSeek(0.0); return true;
    case KeyAction::ToggleOverlay: m_overlayVisible = !m_overlayVisible; return true;
    case KeyAction::TogglePanel: m_timelineVisible = !m_timelineVisible; return true;
    case KeyAction::Screenshot: m_screenshotWaiting = true; return true;
    case KeyAction::ReloadWorld: m_reloadWaiting = m_reloadWaiting || m_reloadEnabled; return m_reloadEnabled;
    case KeyAction::ToggleFly: m_flying = !m_flying; return true;
    case KeyAction::KeyWhatYouSee: m_keyWaiting = true; return true;
    case KeyAction::Carry: m_carryWaiting = true; return true;
    case KeyAction::LoopIn: m_loopInWaiting = true; return true;
    case KeyAction::LoopOut: m_loopOutWaiting = true; return true;
    case KeyAction::ToggleLoop: m_looping = !m_looping; return true;
    case KeyAction::AddBookmark: m_bookmarkWaiting = true; return true;
    case KeyAction::ToggleCameraPath: m_cameraPathVisible = !m_cameraPathVisible; return true;
    default: return false;
    }
}

void PresentationControls::RequestSeek(double seconds)
{
    if (std::isfinite(seconds))
    {
        m_seek = std::clamp(seconds, 0.0, m_endSeconds);
    }
}

std::optional<double> PresentationControls::TakeSeek()
{
    return std::exchange(m_seek, std::nullopt);
}

bool PresentationControls::TakeScreenshot()
{
    return std::exchange(m_screenshotWaiting, false);
}

bool PresentationControls::TakeReload()
{
    return std::exchange(m_reloadWaiting, false);
}

bool PresentationControls::TakeKeyRequest()
{
    return std::exchange(m_keyWaiting, false);
}

bool PresentationControls::TakeCarryRequest()
{
    return std::exchange(m_carryWaiting, false);
}

bool PresentationControls::TakeLoopIn()
{
    return std::exchange(m_loopInWaiting, false);
}

bool PresentationControls::TakeLoopOut()
{
    return std::exchange(m_loopOutWaiting, false);
}

bool PresentationControls::TakeBookmark()
{
    return std::exchange(m_bookmarkWaiting, false);
}
