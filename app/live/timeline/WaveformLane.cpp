// The timeline panel's music lane: see WaveformLane.h.
#include "app/live/timeline/WaveformLane.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include <imgui.h>

#include "app/FrameStats.h"
#include "app/live/timeline/ChoreographyEditor.h"
#include "app/live/timeline/MusicDecoder.h"

namespace
{
constexpr float kLaneHeight = 44.0f;
constexpr ImU32 kBackground = IM_COL32(0, 0, 0, 120);
constexpr ImU32 kWaveColour = IM_COL32(86, 180, 233, 200);
constexpr ImU32 kBarColour = IM_COL32(255, 255, 255, 150);
constexpr ImU32 kBeatColour = IM_COL32(255, 255, 255, 70);
constexpr ImU32 kFoundBeatColour = IM_COL32(240, 228, 66, 230);
constexpr ImU32 kPlayheadColour = IM_COL32(213, 94, 0, 255);
constexpr ImU32 kProblemColour = IM_COL32(255, 120, 100, 255);
constexpr int kBeatsPerBar = 4;
// The estimate is good to a fraction of a millisecond on a track with a steady beat.
constexpr double kSameBeatSeconds = 0.0005;

WaveformLane::Analysis Analyse(const std::string& fileName)
{
    WaveformLane::Analysis analysis;
    MusicDecoder::Decoded decoded = MusicDecoder::Decode(fileName);
    analysis.decodeMs = decoded.milliseconds;
    if (!decoded.Ok())
    {
        analysis.problem = decoded.problem;
        std::cerr << fileName << ": no waveform, the music cannot be decoded: " << decoded.problem << std::endl;
        return analysis;
    }
    analysis.seconds = decoded.Seconds();
    analysis.peaks = WaveformPeaks(decoded.samples, decoded.channels, decoded.sampleRate);
    const PhaseStopwatch stopwatch;
    analysis.beat = BeatEstimator::Estimate(decoded.samples, decoded.channels, decoded.sampleRate);
    analysis.estimateMs = stopwatch.Milliseconds();
    char line[256];
    if (analysis.beat.found)
    {
        std::snprintf(line, sizeof line, "beat %.5f s, first beat %+.4f s (%d onsets, %.1f ms apart from the grid)",
                      analysis.beat.beatSeconds, analysis.beat.firstBeatSeconds, analysis.beat.beats,
                      analysis.beat.spreadSeconds * 1000.0);
    }
    else
    {
        std::snprintf(line, sizeof line, "no steady beat (%s)", analysis.beat.why.c_str());
    }
    std::fprintf(stderr, "%s: decoded %.3f s of %d-channel %d Hz sound in %.1f ms; %s, found in %.1f ms\n",
                 fileName.c_str(), analysis.seconds, decoded.channels, decoded.sampleRate, analysis.decodeMs, line,
                 analysis.estimateMs);
    return analysis;
}

// Lines every `beat` seconds across the strip, bars brighter, while they stay a few pixels apart.
void DrawGrid(ImDrawList* draw, float left, float width, double fromSeconds, double untilSeconds, double beat,
              double first, float top, float bottom, ImU32 bar, ImU32 beatColour)
{
    const double span = untilSeconds - fromSeconds;
    const double beatPixels = width * beat / span;
    if (!(beat > 0.0) || beatPixels * kBeatsPerBar < 2.0)
    {
        return;
    }
    const auto firstIndex = static_cast<long>(std::ceil((fromSeconds - first) / beat));
    for (long k = firstIndex; first + static_cast<double>(k) * beat <= untilSeconds; ++k)
    {
        const bool barStart = k % kBeatsPerBar == 0;
        if (!barStart && beatPixels < 3.0)
        {
            continue;
        }
        const float x = left + static_cast<float>((first + static_cast<double>(k) * beat - fromSeconds) / span) * width;
        draw->AddLine(ImVec2(x, top), ImVec2(x, bottom), barStart ? bar : beatColour);
    }
}
}

WaveformLane::WaveformLane(std::string fileName) : m_fileName(std::move(fileName))
{
}

WaveformLane::~WaveformLane()
{
    if (m_pending.valid())
    {
        m_pending.wait();
    }
}

void WaveformLane::StartOnce()
{
    if (!m_pending.valid() && !m_ready)
    {
        m_pending = std::async(std::launch::async, Analyse, m_fileName);
    }
}

void WaveformLane::TakeIfDone()
{
    if (m_pending.valid() && m_pending.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
    {
        m_ready = m_pending.get();
    }
}

const WaveformLane::Analysis& WaveformLane::WaitForAnalysis()
{
    StartOnce();
    if (m_pending.valid())
    {
        m_ready = m_pending.get();
    }
    return *m_ready;
}

void WaveformLane::Draw(float left, float width, double fromSeconds, double untilSeconds, double shownSeconds,
                        ChoreographyEditor& editor)
{
    StartOnce();
    TakeIfDone();
    const double fileBeat = editor.Current().beatSeconds;

    // The estimate's line: what was found, beside the file's beat, and the button that adopts it.
    if (!m_ready)
    {
        ImGui::TextDisabled("music: decoding %s ...", m_fileName.c_str());
    }
    else if (!m_ready->problem.empty())
    {
        ImGui::TextColored(ImColor(kProblemColour), "music: %s cannot be decoded: %s", m_fileName.c_str(),
                           m_ready->problem.c_str());
    }
    else if (!m_ready->beat.found)
    {
        ImGui::Text("music: no steady beat found (%s); file beat %.4f s", m_ready->beat.why.c_str(), fileBeat);
    }
    else
    {
        const BeatEstimator::Result& beat = m_ready->beat;
        ImGui::Text("music: beat %.4f s (%.1f bpm), first at %+.3f s, %d onsets +-%.1f ms; file beat %.4f s",
                    beat.beatSeconds, 60.0 / beat.beatSeconds, beat.firstBeatSeconds, beat.beats,
                    beat.spreadSeconds * 1000.0, fileBeat);
        ImGui::SameLine();
        // Closer than the estimate is sure of, the file's beat stands: adopting would only trade digits.
        if (std::abs(beat.beatSeconds - fileBeat) < kSameBeatSeconds)
        {
            ImGui::TextDisabled("(the same)");
        }
        else if (ImGui::SmallButton("Adopt beat"))
        {
            Choreography next = editor.Current();
            next.beatSeconds = static_cast<float>(beat.beatSeconds);
            editor.Change(std::move(next));
        }
    }

    // The strip: waveform, then the file's grid over it, the found beats as ticks along the foot, the playhead.
    const ImVec2 origin(left, ImGui::GetCursorScreenPos().y);
    ImGui::Dummy(ImVec2(left - ImGui::GetCursorScreenPos().x + width, kLaneHeight));
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float top = origin.y;
    const float bottom = origin.y + kLaneHeight;
    draw->AddRectFilled(ImVec2(left, top), ImVec2(left + width, bottom), kBackground);
    DrawPeaks(*draw, left, width, fromSeconds, untilSeconds, top, bottom, kWaveColour);
    const double span = untilSeconds - fromSeconds;
    if (span > 0.0)
    {
        DrawGrid(draw, left, width, fromSeconds, untilSeconds, fileBeat, 0.0, top, bottom, kBarColour, kBeatColour);
        if (m_ready && m_ready->beat.found)
        {
            DrawGrid(draw, left, width, fromSeconds, untilSeconds, m_ready->beat.beatSeconds,
                     m_ready->beat.firstBeatSeconds, bottom - 5.0f, bottom, kFoundBeatColour, kFoundBeatColour);
        }
        const float playhead =
            left + static_cast<float>(std::clamp((shownSeconds - fromSeconds) / span, 0.0, 1.0)) * width;
        draw->AddLine(ImVec2(playhead, top), ImVec2(playhead, bottom), kPlayheadColour, 2.0f);
    }
}

void WaveformLane::DrawPeaks(ImDrawList& draw, float left, float width, double fromSeconds, double untilSeconds,
                             float top, float bottom, ImU32 colour) const
{
    const double span = untilSeconds - fromSeconds;
    if (!m_ready || m_ready->peaks.Empty() || !(span > 0.0))
    {
        return;
    }
    const float middle = (top + bottom) * 0.5f;
    const float half = (bottom - top) * 0.5f - 1.0f;
    const double secondsPerPixel = span / static_cast<double>(width);
    const auto pixels = static_cast<int>(width);
    for (int x = 0; x < pixels; ++x)
    {
        const WaveformPeaks::Peak peak =
            m_ready->peaks.Between(fromSeconds + x * secondsPerPixel, fromSeconds + (x + 1) * secondsPerPixel);
        const float high = middle - peak.high * half;
        const float low = middle - peak.low * half;
        draw.AddLine(ImVec2(left + static_cast<float>(x) + 0.5f, std::min(high, middle - 0.5f)),
                     ImVec2(left + static_cast<float>(x) + 0.5f, std::max(low, middle + 0.5f)), colour);
    }
}
