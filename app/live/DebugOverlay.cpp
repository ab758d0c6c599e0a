// The overlay window: see DebugOverlay.h. Everything is laid out to one fixed width, so the window sizes itself
// to its content and keeps its shape from frame to frame.
#include "app/live/DebugOverlay.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
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

double PhaseTotal(const FrameStats& stats)
{
    double total = 0.0;
    for (const Phase& phase : kPhases)
    {
        total += stats.*phase.field;
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

const char* SkyName(std::uint32_t selector)
{
    switch (selector)
    {
    case 0:
        return "dusk (10.dds)";
    case 1:
        return "night (11.dds)";
    default:
        return "none";
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

void DebugOverlay::RecordSeek(double seconds, double milliseconds)
{
    m_lastSeekSeconds = seconds;
    m_lastSeekMs = milliseconds;
}

const DebugOverlay::Sample& DebugOverlay::SampleBack(std::size_t age) const
{
    return m_history[(m_next + kHistoryFrames - 1 - age) % kHistoryFrames];
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
        DrawFrameRate();
        DrawPhasePlot();
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

    // One column per frame, newest on the right, its phases stacked from the bottom in frame order.
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float bottom = origin.y + kPlotHeight;
    draw->AddRectFilled(origin, ImVec2(origin.x + kContentWidth, bottom), IM_COL32(0, 0, 0, 140));
    const float column = kContentWidth / static_cast<float>(kHistoryFrames);
    for (std::size_t age = 0; age < m_count; ++age)
    {
        const float right = origin.x + kContentWidth - static_cast<float>(age) * column;
        float top = bottom;
        for (const Phase& phase : kPhases)
        {
            const float height = static_cast<float>(SampleBack(age).stats.*phase.field / scale) * kPlotHeight;
            const float next = std::max(origin.y, top - height);
            if (next < top)
            {
                draw->AddRectFilled(ImVec2(right - column, next), ImVec2(right, top), phase.colour);
            }
            top = next;
        }
    }
    ImGui::Dummy(ImVec2(kContentWidth, kPlotHeight));

    // The legend, with each phase's mean over the last second.
    const std::size_t frames = std::min(m_count, kMeanFrames);
    const float square = ImGui::GetTextLineHeight() - 4.0f;
    int index = 0;
    for (const Phase& phase : kPhases)
    {
        double sum = 0.0;
        for (std::size_t age = 0; age < frames; ++age)
        {
            sum += SampleBack(age).stats.*phase.field;
        }
        if (index % 3 != 0)
        {
            ImGui::SameLine(static_cast<float>(index % 3) * kContentWidth / 3.0f + ImGui::GetStyle().WindowPadding.x);
        }
        const ImVec2 at = ImGui::GetCursorScreenPos();
        draw->AddRectFilled(ImVec2(at.x, at.y + 2.0f), ImVec2(at.x + square, at.y + 2.0f + square), phase.colour);
        ImGui::Dummy(ImVec2(square + 4.0f, square));
        ImGui::SameLine(0.0f, 0.0f);
        ImGui::Text("%s %.2f ms", phase.name, frames > 0 ? sum / static_cast<double>(frames) : 0.0);
        ++index;
    }
}

void DebugOverlay::DrawCamera(const View& view)
{
    if (view.camera != nullptr)
    {
        const Vector3& position = view.camera->GetPosition();
        const Vector3& look = view.camera->GetLook();
        ImGui::Text("Camera at (%.2f, %.2f, %.2f) looking along (%.2f, %.2f, %.2f)", position.x, position.y,
                    position.z, look.x, look.y, look.z);
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
