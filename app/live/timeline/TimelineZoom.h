// Which span of the run the timeline panel shows: all of it at first, narrowed by zooming about a moment (which
// stays where it is on screen) down to a bar, and moved by scrolling, never past the run's start or end.
// Portable; the panel turns the wheel into these calls and draws through a TimeAxis over From()..Until().
#pragma once

class TimelineZoom
{
public:
    // Each wheel notch narrows (or, backwards, widens) the span by this factor.
    static constexpr double kNotchFactor = 1.25;

    // The run's length and the narrowest span (a bar), given every frame: the span keeps within both.
    void SetLimits(double endSeconds, double narrowestSeconds);
    double From() const { return m_from; }
    double Until() const { return m_until; }
    double Span() const { return m_until - m_from; }
    bool ShowsAll() const { return m_from <= 0.0 && m_until >= m_end; }

    // Zooms by `notches` (positive: in) about `seconds`, which keeps its place in the span.
    void ZoomAbout(double seconds, double notches);
    // Moves the span by `seconds` (positive: later), the width kept.
    void ScrollBy(double seconds);
    // The pointer dragged `pixels` to the right across `widthPixels` showing the span: the moment under it stays
    // under it, as a page does under a hand (dragged right, earlier moments come into view).
    void DragBy(double pixels, double widthPixels);
    // A wheel turned over the timeline by `notches` with the pointer at `seconds`: zooms about it, or with
    // `scroll` (Shift held) moves a tenth of the span per notch, away from the user going later.
    void Wheel(double seconds, double notches, bool scroll);

private:
    void Keep();

    double m_end = 1.0;
    double m_narrowest = 1.0;
    double m_from = 0.0;
    double m_until = 1.0;
    bool m_zoomed = false;   // until the first zoom, the span follows the run's length
};
