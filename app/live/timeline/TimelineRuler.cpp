// The timeline panel's ruler: see TimelineRuler.h.
#include "app/live/timeline/TimelineRuler.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/live/timeline/TimeAxis.h"

namespace
{
// Okabe-Ito vermilion, as the overlay's plots use.
constexpr ImU32 kPlayheadColour = IM_COL32(213, 94, 0, 255);
constexpr ImU32 kBarLineColour = IM_COL32(255, 255, 255, 60);
constexpr ImU32 kBeatLineColour = IM_COL32(255, 255, 255, 22);
constexpr int kBeatsPerBar = static_cast<int>(TimeAxis::kBeatsPerBar);
// Okabe-Ito blue for the loop.
constexpr ImU32 kLoopColour = IM_COL32(0, 114, 178, 255);
constexpr ImU32 kLoopBandColour = IM_COL32(0, 114, 178, 110);
constexpr ImU32 kLoopOffBandColour = IM_COL32(0, 114, 178, 45);

// Okabe-Ito yellow for bookmarks.
constexpr ImU32 kBookmarkColour = IM_COL32(240, 228, 66, 255);
constexpr float kBookmarkPickPixels = 5.0f;

// Where a Shift+drag along the ruler started, while it lasts.
std::optional<double> s_loopDragFrom;
}

std::optional<double> TimelineRuler::Draw(const TimeAxis& axis, double shownSeconds, float beatSeconds,
                                          float labelWidth, const std::optional<Choreography::Loop>& loop, bool looping,
                                          std::optional<std::pair<double, double>>* loopDragged,
                                          const CowVector<Choreography::Bookmark>* bookmarks)
{
    const TimeAxis::BarAndBeat at = TimeAxis::At(shownSeconds, beatSeconds);
    ImGui::Text("%.2f s  bar %.0f.%.0f", shownSeconds, at.bar, at.beat + 1.0);
    ImGui::SameLine(labelWidth + ImGui::GetStyle().WindowPadding.x);
    const ImVec2 origin(axis.Left(), ImGui::GetCursorScreenPos().y);
    ImGui::InvisibleButton("ruler", ImVec2(axis.Width(), kHeight));
    std::optional<double> picked;
    const double pointer = axis.Seconds(ImGui::GetIO().MousePos.x);
    if (ImGui::IsItemActivated() && ImGui::GetIO().KeyShift && loopDragged != nullptr)
    {
        s_loopDragFrom = pointer;
    }
    if (s_loopDragFrom)
    {
        if (!ImGui::IsItemActive())
        {
            *loopDragged = std::make_pair(*s_loopDragFrom, pointer);
            s_loopDragFrom.reset();
        }
    }
    // A seek replays the timeline, so a button held still does not ask for one every frame.
    else if (ImGui::IsItemActivated() || (ImGui::IsItemActive() && ImGui::GetIO().MouseDelta.x != 0.0f))
    {
        picked = pointer;
    }

    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float bottom = origin.y + kHeight;
    draw->AddRectFilled(origin, ImVec2(origin.x + axis.Width(), bottom), IM_COL32(0, 0, 0, 160));
    const float beatPixels = axis.Pixels(beatSeconds);
    const float barPixels = beatPixels * static_cast<float>(kBeatsPerBar);
    // A grid of less than a couple of pixels a bar would be a grey smear (and, for a tiny beat, billions of lines).
    if (beatSeconds > 0.0f && barPixels >= 2.0f)
    {
        // Bar numbers some 24 pixels apart at least, so that they never run into each other.
        const long long labelEvery = std::max(1, static_cast<int>(std::ceil(24.0f / barPixels)));
        const auto [first, last] = axis.BeatsShown(beatSeconds);
        for (long long beat = first; beat <= last; ++beat)
        {
            const float x = axis.X(static_cast<double>(beat) * static_cast<double>(beatSeconds));
            const bool barStart = beat % kBeatsPerBar == 0;
            if (!barStart && beatPixels < 3.0f)
            {
                continue;
            }
            draw->AddLine(ImVec2(x, barStart ? origin.y : bottom - 6.0f), ImVec2(x, bottom),
                          barStart ? IM_COL32(255, 255, 255, 160) : IM_COL32(255, 255, 255, 90));
            const long long barNumber = beat / kBeatsPerBar;
            if (barStart && barNumber % labelEvery == 0)
            {
                char text[24];
                std::snprintf(text, sizeof text, "%lld", barNumber);
                draw->AddText(ImVec2(x + 2.0f, origin.y), IM_COL32(255, 255, 255, 200), text);
            }
        }
    }
    if (loop || s_loopDragFrom)
    {
        const double from = s_loopDragFrom ? std::min(*s_loopDragFrom, pointer) : static_cast<double>(loop->in);
        const double until = s_loopDragFrom ? std::max(*s_loopDragFrom, pointer) : static_cast<double>(loop->out);
        const float left = axis.X(from);
        const float right = axis.X(until);
        draw->AddRectFilled(ImVec2(left, bottom - 7.0f), ImVec2(right, bottom),
                            looping || s_loopDragFrom ? kLoopBandColour : kLoopOffBandColour);
        draw->AddLine(ImVec2(left, origin.y), ImVec2(left, bottom), kLoopColour, 2.0f);
        draw->AddLine(ImVec2(right, origin.y), ImVec2(right, bottom), kLoopColour, 2.0f);
    }
    if (bookmarks != nullptr)
    {
        for (const Choreography::Bookmark& bookmark : *bookmarks)
        {
            const float x = axis.X(bookmark.time);
            draw->AddTriangleFilled(ImVec2(x, bottom - 8.0f), ImVec2(x + 6.0f, bottom - 4.0f), ImVec2(x, bottom),
                                    kBookmarkColour);
            draw->AddLine(ImVec2(x, origin.y + 10.0f), ImVec2(x, bottom), kBookmarkColour);
            draw->AddText(ImVec2(x + 7.0f, origin.y + 10.0f), kBookmarkColour, bookmark.name.c_str());
            if (picked && std::fabs(axis.X(*picked) - x) <= kBookmarkPickPixels && ImGui::IsItemActivated())
            {
                picked = static_cast<double>(bookmark.time);
            }
        }
    }
    const float playhead = axis.X(shownSeconds);
    draw->AddTriangleFilled(ImVec2(playhead - 5.0f, origin.y), ImVec2(playhead + 5.0f, origin.y),
                            ImVec2(playhead, origin.y + 8.0f), kPlayheadColour);
    DrawPlayhead(*draw, axis, shownSeconds, origin.y, bottom);
    return picked;
}

void TimelineRuler::DrawBeatGrid(ImDrawList& draw, const TimeAxis& axis, float beatSeconds, float top, float bottom)
{
    if (!(beatSeconds > 0.0f) || axis.Pixels(beatSeconds) < 3.0f)
    {
        return;
    }
    const auto [first, last] = axis.BeatsShown(beatSeconds);
    for (long long beat = first; beat <= last; ++beat)
    {
        const float x = axis.X(static_cast<double>(beat) * static_cast<double>(beatSeconds));
        draw.AddLine(ImVec2(x, top), ImVec2(x, bottom), beat % kBeatsPerBar == 0 ? kBarLineColour : kBeatLineColour);
    }
}

void TimelineRuler::DrawPlayhead(ImDrawList& draw, const TimeAxis& axis, double shownSeconds, float top, float bottom)
{
    const float playhead = axis.X(shownSeconds);
    draw.AddLine(ImVec2(playhead, top), ImVec2(playhead, bottom), kPlayheadColour, 2.0f);
}
