// The timeline panel's span: see TimelineZoom.h.
#include "app/live/timeline/TimelineZoom.h"

#include <algorithm>
#include <cmath>

void TimelineZoom::SetLimits(double endSeconds, double narrowestSeconds)
{
    m_end = std::isfinite(endSeconds) && endSeconds > 0.0 ? endSeconds : 1.0;
    m_narrowest = std::isfinite(narrowestSeconds) && narrowestSeconds > 0.0 ? std::min(narrowestSeconds, m_end) : m_end;
    if (!m_zoomed)
    {
        m_from = 0.0;
        m_until = m_end;
    }
    Keep();
}

void TimelineZoom::ZoomAbout(double seconds, double notches)
{
    if (!std::isfinite(seconds) || !std::isfinite(notches) || notches == 0.0)
    {
        return;
    }
    m_zoomed = true;
    const double span = Span();
    const double wanted = std::clamp(span / std::pow(kNotchFactor, notches), m_narrowest, m_end);
    const double at = std::clamp(seconds, m_from, m_until);
    const double part = span > 0.0 ? (at - m_from) / span : 0.0;
    m_from = at - part * wanted;
    m_until = m_from + wanted;
    Keep();
}

void TimelineZoom::ScrollBy(double seconds)
{
    if (!std::isfinite(seconds))
    {
        return;
    }
    m_from += seconds;
    m_until += seconds;
    Keep();
}

void TimelineZoom::DragBy(double pixels, double widthPixels)
{
    if (std::isfinite(pixels) && widthPixels > 0.0)
    {
        ScrollBy(-pixels / widthPixels * Span());
    }
}

void TimelineZoom::Wheel(double seconds, double notches, bool scroll)
{
    if (scroll)
    {
        ScrollBy(-notches * Span() * 0.1);
    }
    else
    {
        ZoomAbout(seconds, notches);
    }
}

void TimelineZoom::Keep()
{
    const double span = std::clamp(Span(), m_narrowest, m_end);
    m_from = std::clamp(m_from, 0.0, m_end - span);
    m_until = m_from + span;
}
