// The strip of the timeline panel that time runs across: from a moment to a pixel and back, and where the
// music's bars and beats fall on it. The ruler, the lanes and the beat grid all draw through one axis, so a span
// other than the whole run (a zoom, a scroll) changes only the span given here. Portable; it draws nothing.
#pragma once

#include <utility>

class TimeAxis
{
public:
    static constexpr unsigned kBeatsPerBar = 4;

    // The moments `fromSeconds` to `untilSeconds` over the pixels `left` to `left + width` (a width under a
    // pixel, or an empty span, counts as one).
    TimeAxis(float left, float width, double fromSeconds, double untilSeconds);

    float Left() const { return m_left; }
    float Width() const { return m_width; }
    double From() const { return m_from; }
    double Until() const { return m_until; }

    // Both are held to the strip and its span: a moment outside it lands on its edge.
    float X(double seconds) const;
    double Seconds(float x) const;
    // How many pixels a stretch of `seconds` covers.
    float Pixels(double seconds) const;

    // The beats, counted from 0 s, whose moments lie in the span: [first, last], empty (first > last) without a
    // usable beat.
    std::pair<long long, long long> BeatsShown(float beatSeconds) const;

    // The bar a moment falls in (from 0) and the beat within it (from 0), by the music's beat; 0 and 0 without one.
    struct BarAndBeat
    {
        double bar = 0.0;
        double beat = 0.0;
    };
    static BarAndBeat At(double seconds, float beatSeconds);

private:
    float m_left;
    float m_width;
    double m_from;
    double m_until;
};
