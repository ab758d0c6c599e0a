// The overlay window: see DebugOverlay.h. Everything is laid out to one fixed width, so the window sizes itself
// to its content and keeps its shape from frame to frame.
#include "app/live/DebugOverlay.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

#include "actors/Actor.h"
#include "actors/ActorComponent.h"
#include "actors/BaseEngineLogic.h"
#include "actors/ComponentLookup.h"
#include "actors/TransformComponent.h"
#include "scene/FreeCameraNode.h"

namespace
{
constexpr float kContentWidth = 640.0f;
constexpr float kPlotHeight = 80.0f;
// Rates and means are taken over the last second at 60 frames per second.
constexpr std::size_t kMeanFrames = 60;
constexpr int kTableRowsShown = 8;

struct Phase
{
    const char* name;
    double FrameStats::*field;
    ImU32 colour;
};

// In frame order; colours from the Okabe-Ito palette, told apart with most kinds of colour blindness.
constexpr Phase kPhases[] = {
    {"logic", &FrameStats::logicMs, IM_COL32(230, 159, 0, 255)},
    {"events", &FrameStats::eventsMs, IM_COL32(240, 228, 66, 255)},
    {"scene update", &FrameStats::sceneUpdateMs, IM_COL32(0, 158, 115, 255)},
    {"render", &FrameStats::sceneRenderMs, IM_COL32(86, 180, 233, 255)},
    {"overlay", &FrameStats::overlayMs, IM_COL32(204, 121, 167, 255)},
    {"Present", &FrameStats::presentMs, IM_COL32(190, 190, 190, 255)},
};

// The device's passes, in frame order; the colours go on through the same palette.
constexpr ImU32 kPassColours[GpuFrameTimes::kPassCount] = {
    IM_COL32(0, 114, 178, 255),     // meshes
    IM_COL32(86, 180, 233, 255),    // sky
    IM_COL32(213, 94, 0, 255),      // post
    IM_COL32(204, 121, 167, 255),   // overlay
    IM_COL32(190, 190, 190, 255),   // present
};

double PhaseTotal(const FrameStats& stats)
{
    double total = 0.0;
    for (const Phase& phase : kPhases)
    {
        total += stats.*phase.field;
    }
    return total;
}

double PassTotal(const GpuFrameTimes& times)
{
    double total = 0.0;
    for (const std::optional<double>& pass : times.passMs)
    {
        total += pass.value_or(0.0);
    }
    return total;
}

// The plot's full height: the first of 1, 2, 5, 10, 20, 50 ... ms at or above the highest frame.
double PlotScale(double highest)
{
    constexpr double kLargest = 100000.0;   // also where a non-finite time ends the search
    if (!(highest < kLargest))
    {
        return kLargest;
    }
    for (double decade = 1.0;; decade *= 10.0)
    {
        for (const double step : {1.0, 2.0, 5.0})
        {
            if (step * decade >= highest)
            {
                return step * decade;
            }
        }
    }
}

// A plot of stacked columns, one per frame, newest on the right: `height(age, series)` in milliseconds (0 for
// nothing), the series stacked from the bottom in order, `scale` milliseconds to the full height.
template <typename Height>
void DrawStackedColumns(std::size_t columns, const ImU32* colours, std::size_t seriesCount, double scale, Height height)
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float bottom = origin.y + kPlotHeight;
    draw->AddRectFilled(origin, ImVec2(origin.x + kContentWidth, bottom), IM_COL32(0, 0, 0, 140));
    const float column = kContentWidth / static_cast<float>(DebugOverlay::kHistoryFrames);
    for (std::size_t age = 0; age < columns; ++age)
    {
        const float right = origin.x + kContentWidth - static_cast<float>(age) * column;
        float top = bottom;
        for (std::size_t series = 0; series < seriesCount; ++series)
        {
            const float next = std::max(origin.y, top - static_cast<float>(height(age, series) / scale) * kPlotHeight);
            if (next < top)
            {
                draw->AddRectFilled(ImVec2(right - column, next), ImVec2(right, top), colours[series]);
            }
            top = next;
        }
    }
    ImGui::Dummy(ImVec2(kContentWidth, kPlotHeight));
}

// One entry of a legend laid out three to a row: a square of the series' colour (none for 0) and its text.
void DrawLegendEntry(int index, ImU32 colour, const char* text)
{
    if (index % 3 != 0)
    {
        ImGui::SameLine(static_cast<float>(index % 3) * kContentWidth / 3.0f + ImGui::GetStyle().WindowPadding.x);
    }
    const float square = ImGui::GetTextLineHeight() - 4.0f;
    const ImVec2 at = ImGui::GetCursorScreenPos();
    if (colour != 0)
    {
        ImGui::GetWindowDrawList()->AddRectFilled(ImVec2(at.x, at.y + 2.0f),
                                                  ImVec2(at.x + square, at.y + 2.0f + square), colour);
    }
    ImGui::Dummy(ImVec2(square + 4.0f, square));
    ImGui::SameLine(0.0f, 0.0f);
    ImGui::TextUnformatted(text);
}

// "name 1.23 ms", or "name n/a" when nothing was measured.
std::string MeanText(const char* name, double sum, std::size_t count)
{
    char text[64];
    if (count == 0)
    {
        std::snprintf(text, sizeof text, "%s n/a", name);
    }
    else
    {
        std::snprintf(text, sizeof text, "%s %.2f ms", name, sum / static_cast<double>(count));
    }
    return text;
}

const char* SkyName(std::uint32_t selector)
{
    switch (selector)
    {
    case 0: return "dusk (10.dds)";
    case 1: return "night (11.dds)";
    default: return "none";
    }
}

// "TransformComponent, MeshRenderComponent" reads as "Transform, MeshRender".
std::string ComponentNames(const Actor& actor)
{
    static const std::string kSuffix = "Component";
    std::string names;
    for (const auto& [id, component] : actor.GetComponents())
    {
        (void)id;
        std::string name = component->GetName();
        if (name.size() > kSuffix.size() && name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0)
        {
            name.resize(name.size() - kSuffix.size());
        }
        names += (names.empty() ? "" : ", ") + name;
    }
    return names;
}
}

void DebugOverlay::RecordFrame(const FrameStats& stats, double frameMilliseconds)
{
    m_history[m_next] = Sample{stats, frameMilliseconds};
    m_next = (m_next + 1) % kHistoryFrames;
    m_count = std::min(m_count + 1, kHistoryFrames);
}

void DebugOverlay::RecordGpuFrames(const std::vector<GpuFrameTimes>& reported)
{
    for (const GpuFrameTimes& times : reported)
    {
        m_gpuHistory[times.frame % kHistoryFrames] = times;
        m_gpuNewest = std::max(m_gpuNewest.value_or(0), times.frame);
    }
}

void DebugOverlay::RecordSeek(double seconds, double milliseconds)
{
    m_lastSeekSeconds = seconds;
    m_lastSeekMs = milliseconds;
}

const DebugOverlay::Sample& DebugOverlay::SampleBack(std::size_t age) const
{
    return m_history[(m_next + kHistoryFrames - 1 - age) % kHistoryFrames];
}

const GpuFrameTimes* DebugOverlay::GpuSampleBack(std::size_t age) const
{
    if (!m_gpuNewest || age > *m_gpuNewest)
    {
        return nullptr;
    }
    const std::uint64_t frame = *m_gpuNewest - age;
    const std::optional<GpuFrameTimes>& slot = m_gpuHistory[frame % kHistoryFrames];
    if (!slot || slot->frame != frame || slot->outcome != GpuFrameTimes::Outcome::Measured)
    {
        return nullptr;
    }
    return &*slot;
}

std::optional<double> DebugOverlay::Draw(const View& view)
{
    std::optional<double> picked;
    ImGui::SetNextWindowPos(ImVec2(10.0f, 10.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowBgAlpha(0.8f);
    if (ImGui::Begin("Overlay", nullptr, ImGuiWindowFlags_AlwaysAutoResize))
    {
        ImGui::Text("Time %6.2f / %.0f s%s", view.shownSeconds, view.endSeconds, view.paused ? "   paused" : "");
        float slider = static_cast<float>(view.shownSeconds);
        ImGui::SetNextItemWidth(kContentWidth);
        if (ImGui::SliderFloat("##time", &slider, 0.0f, static_cast<float>(view.endSeconds), "%.2f s"))
        {
            picked = slider;
        }
        if (!view.musicLatency.empty())
        {
            ImGui::Text("Music lead: %s", view.musicLatency.c_str());
        }
        DrawFrameRate();
        DrawPhasePlot();
        DrawGpuPlot();
        DrawCamera(view);
        if (m_lastSeekSeconds)
        {
            ImGui::Text("Last seek: to %.2f s, replayed in %.0f ms", *m_lastSeekSeconds, m_lastSeekMs);
        }
        if (view.logic != nullptr)
        {
            DrawActors(*view.logic);
        }
        if (!view.reloadProblems.empty())
        {
            ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(255, 120, 100, 255));
            ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + kContentWidth);
            ImGui::TextUnformatted(view.reloadProblems.c_str());
            ImGui::PopTextWrapPos();
            ImGui::PopStyleColor();
        }
        ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + kContentWidth);
        ImGui::TextUnformatted(view.helpLine);
        ImGui::PopTextWrapPos();
    }
    ImGui::End();
    return picked;
}

void DebugOverlay::DrawFrameRate() const
{
    const std::size_t frames = std::min(m_count, kMeanFrames);
    double sum = 0.0;
    for (std::size_t age = 0; age < frames; ++age)
    {
        sum += SampleBack(age).frameMs;
    }
    const double mean = frames > 0 ? sum / static_cast<double>(frames) : 0.0;
    ImGui::Text("%.1f frames per second   frame time %.1f ms (last %.1f ms)", mean > 0.0 ? 1000.0 / mean : 0.0, mean,
                m_count > 0 ? SampleBack(0).frameMs : 0.0);
}

void DebugOverlay::DrawPhasePlot() const
{
    double highest = 0.0;
    for (std::size_t age = 0; age < m_count; ++age)
    {
        highest = std::max(highest, PhaseTotal(SampleBack(age).stats));
    }
    const double scale = PlotScale(highest);
    ImGui::Text("CPU time per frame, last %u frames (top: %.0f ms)", static_cast<unsigned>(kHistoryFrames), scale);

    ImU32 colours[std::size(kPhases)];
    for (std::size_t phase = 0; phase < std::size(kPhases); ++phase)
    {
        colours[phase] = kPhases[phase].colour;
    }
    DrawStackedColumns(m_count, colours, std::size(kPhases), scale, [this](std::size_t age, std::size_t phase) {
        return SampleBack(age).stats.*kPhases[phase].field;
    });

    // The legend, with each phase's mean over the last second.
    const std::size_t frames = std::min(m_count, kMeanFrames);
    int index = 0;
    for (const Phase& phase : kPhases)
    {
        double sum = 0.0;
        for (std::size_t age = 0; age < frames; ++age)
        {
            sum += SampleBack(age).stats.*phase.field;
        }
        DrawLegendEntry(index++, phase.colour, MeanText(phase.name, sum, std::max<std::size_t>(frames, 1)).c_str());
    }
}

void DebugOverlay::DrawGpuPlot() const
{
    double highest = 0.0;
    for (std::size_t age = 0; age < kHistoryFrames; ++age)
    {
        if (const GpuFrameTimes* times = GpuSampleBack(age))
        {
            highest = std::max(highest, PassTotal(*times));
        }
    }
    const double scale = PlotScale(highest);
    ImGui::Text("Device time per frame, last %u frames (top: %.0f ms), known a few frames late",
                static_cast<unsigned>(kHistoryFrames), scale);
    // Frames the device did not measure, or whose answer never came, leave a gap.
    DrawStackedColumns(kHistoryFrames, kPassColours, GpuFrameTimes::kPassCount, scale,
                       [this](std::size_t age, std::size_t pass) {
                           const GpuFrameTimes* times = GpuSampleBack(age);
                           return times ? times->passMs[pass].value_or(0.0) : 0.0;
                       });

    // Each pass's mean over the last second, and the whole frame's, over the frames that have a figure for it.
    int index = 0;
    for (int figure = 0; figure <= GpuFrameTimes::kPassCount; ++figure)
    {
        const bool whole = figure == GpuFrameTimes::kPassCount;
        double sum = 0.0;
        std::size_t count = 0;
        for (std::size_t age = 0; age < kMeanFrames; ++age)
        {
            const GpuFrameTimes* times = GpuSampleBack(age);
            const std::optional<double> value = !times ? std::nullopt : whole ? times->frameMs : times->passMs[figure];
            if (value)
            {
                sum += *value;
                ++count;
            }
        }
        DrawLegendEntry(index++, whole ? 0 : kPassColours[figure],
                        MeanText(whole ? "frame" : GpuFrameTimes::kPassNames[figure], sum, count).c_str());
    }
}

void DebugOverlay::DrawCamera(const View& view)
{
    if (view.camera != nullptr)
    {
        const Vector3& position = view.camera->GetPosition();
        const Vector3& look = view.camera->GetLook();
        ImGui::Text("Camera at (%.2f, %.2f, %.2f) looking along (%.2f, %.2f, %.2f)", position.x, position.y, position.z,
                    look.x, look.y, look.z);
    }
    ImGui::Text("Sky: %s", SkyName(view.skySelector));
}

void DebugOverlay::DrawActors(const BaseEngineLogic& logic)
{
    ImGui::Text("Actors: %u", static_cast<unsigned>(logic.GetActors().size()));
    const float rowHeight = ImGui::GetTextLineHeightWithSpacing();
    const int rows = std::min<int>(static_cast<int>(logic.GetActors().size()), kTableRowsShown) + 1;
    constexpr ImGuiTableFlags kFlags = ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersInnerV | ImGuiTableFlags_ScrollY |
                                       ImGuiTableFlags_SizingFixedFit;
    if (!ImGui::BeginTable("actors", 4, kFlags, ImVec2(kContentWidth, rowHeight * static_cast<float>(rows) + 4.0f)))
    {
        return;
    }
    ImGui::TableSetupScrollFreeze(0, 1);
    ImGui::TableSetupColumn("id");
    ImGui::TableSetupColumn("resource");
    ImGui::TableSetupColumn("position");
    ImGui::TableSetupColumn("components", ImGuiTableColumnFlags_WidthStretch);
    ImGui::TableHeadersRow();
    for (const auto& [id, actor] : logic.GetActors())
    {
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        ImGui::Text("%u", static_cast<unsigned>(id));
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(actor->GetResource().c_str());
        ImGui::TableNextColumn();
        const auto transform = FindComponent<TransformComponent>(*actor);
        if (transform)
        {
            const auto position = transform->GetPosition();
            ImGui::Text("%7.2f %7.2f %7.2f", position[0], position[1], position[2]);
        }
        else
        {
            ImGui::TextUnformatted("-");
        }
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(ComponentNames(*actor).c_str());
    }
    ImGui::EndTable();
}
