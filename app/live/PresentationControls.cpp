// Live controls: see PresentationControls.h.
#include "app/live/PresentationControls.h"

#include <algorithm>
#include <cmath>
#include <utility>

bool PresentationControls::OnKeyDown(unsigned key, bool repeated, double shownSeconds)
{
    const bool control = key == kPauseKey || key == kBackKey || key == kForwardKey || key == kStartKey ||
                         key == kOverlayKey || key == kTimelineKey || key == kScreenshotKey || key == kFlyKey ||
                         key == kKeyViewKey || key == kLoopInKey || key == kLoopOutKey || key == kLoopKey ||
                         key == kBookmarkKey || key == kCarryKey || (key == kReloadKey && m_reloadEnabled);
    if (!control || repeated)
    {
        return control;
    }
    // Two arrow presses before the first seek has landed add up, as a user pressing twice expects.
    const double from = m_seek.value_or(shownSeconds);
    switch (key)
    {
    case kPauseKey: m_paused = !m_paused; break;
    case kBackKey: RequestSeek(from - kSeekStepSeconds); break;
    case kForwardKey: RequestSeek(from + kSeekStepSeconds); break;
    case kStartKey: RequestSeek(0.0); break;
    case kOverlayKey: m_overlayVisible = !m_overlayVisible; break;
    case kTimelineKey: m_timelineVisible = !m_timelineVisible; break;
    case kScreenshotKey: m_screenshotWaiting = true; break;
    case kReloadKey: m_reloadWaiting = true; break;
    case kFlyKey: m_flying = !m_flying; break;
    case kKeyViewKey: m_keyWaiting = true; break;
    case kCarryKey: m_carryWaiting = true; break;
    case kLoopInKey: m_loopInWaiting = true; break;
    case kLoopOutKey: m_loopOutWaiting = true; break;
    case kLoopKey: m_looping = !m_looping; break;
    case kBookmarkKey: m_bookmarkWaiting = true; break;
    default: break;
    }
    return true;
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
