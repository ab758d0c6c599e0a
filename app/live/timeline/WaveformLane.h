// The timeline panel's music lane: the track's waveform (peaks per pixel) under the choreography's bars and
// beats, so the maker sees whether the grid sits on the music, and the beat found in the music beside the file's
// `beat`, with one button that adopts it (an edit like any other: one undo step, saved with the file). The track
// is decoded and analysed on a thread of its own, started the first time the lane is drawn: never during
// start-up, never in a frame. A track that cannot be decoded leaves the lane saying why; nothing else depends
// on it.
#pragma once

#include <future>
#include <optional>
#include <string>

#include "app/live/timeline/BeatEstimator.h"
#include "app/live/timeline/WaveformPeaks.h"

class ChoreographyEditor;
struct ImDrawList;
using ImU32 = unsigned int;

class WaveformLane
{
public:
    // What the thread hands over.
    struct Analysis
    {
        std::string problem;   // why there is no waveform; empty when there is one
        double seconds = 0.0;
        double decodeMs = 0.0;
        double estimateMs = 0.0;
        WaveformPeaks peaks;
        BeatEstimator::Result beat;
    };

    explicit WaveformLane(std::string fileName);
    // Waits for a decoding still running (a fraction of a second).
    ~WaveformLane();
    WaveformLane(const WaveformLane&) = delete;
    WaveformLane& operator=(const WaveformLane&) = delete;

    // One row of the panel: the estimate's line, then the waveform from `left` across `width` pixels for
    // `untilSeconds` (from `fromSeconds`), with the grid of `editor`'s beat over it and the playhead at `shownSeconds`.
    void Draw(float left, float width, double fromSeconds, double untilSeconds, double shownSeconds,
              ChoreographyEditor& editor);

    // The waveform alone, from `top` to `bottom` in `colour`, behind another view on the same time axis (the graph
    // view's curves); nothing until the music is decoded.
    void DrawPeaks(ImDrawList& draw, float left, float width, double fromSeconds, double untilSeconds, float top,
                   float bottom, ImU32 colour) const;

    // The analysis once the thread is done (for tests); null before.
    const Analysis* Ready() const { return m_ready ? &*m_ready : nullptr; }
    // Blocks until the analysis is done, starting it if need be.
    const Analysis& WaitForAnalysis();

private:
    void StartOnce();
    void TakeIfDone();

    std::string m_fileName;
    std::future<Analysis> m_pending;
    std::optional<Analysis> m_ready;
};
