// The timeline panel's directing line: see DirectingBar.h.
#include "app/live/timeline/DirectingBar.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

DirectingBar::Clicked DirectingBar::Draw(const State& state)
{
    Clicked clicked;
    // A second Begin of the same window appends to it; collapsed, there is nothing to append to.
    if (ImGui::Begin("Timeline"))
    {
        ImGui::Separator();
        bool flying = state.flying;
        clicked.fly = ImGui::Checkbox("Fly (F3)", &flying);
        ImGui::SameLine();
        clicked.keyWhatYouSee = ImGui::Button("Key what you see (K)");
        ImGui::SameLine();
        bool looping = state.looping;
        clicked.looping = ImGui::Checkbox("Loop (L)", &looping);
        ImGui::SameLine();
        clicked.loopIn = ImGui::Button("In (I)");
        ImGui::SameLine();
        clicked.loopOut = ImGui::Button("Out (O)");
        ImGui::SameLine();
        if (state.loop)
        {
            ImGui::TextDisabled("%.3f to %.3f s", static_cast<double>(state.loop->in),
                                static_cast<double>(state.loop->out));
        }
        else
        {
            ImGui::TextDisabled("no loop: I, O or Shift+drag on the ruler");
        }
        if (state.flying)
        {
            ImGui::TextDisabled("flying: WASD, Q/E down/up, Shift faster, right-drag turns, wheel: %.2g units/s",
                                static_cast<double>(state.flySpeed));
            // Carrying needs an actor to carry: one clicked in the view, or whose row or track is selected.
            ImGui::BeginDisabled(!state.carriedActor && !state.selectedActor);
            bool carrying = state.carriedActor.has_value();
            clicked.carry = ImGui::Checkbox("Carry (G)", &carrying);
            ImGui::EndDisabled();
            ImGui::SameLine();
            if (state.carriedActor)
            {
                ImGui::TextDisabled("actor %u goes with the camera; K keys it too",
                                    static_cast<unsigned>(*state.carriedActor));
            }
            else if (state.selectedActor)
            {
                ImGui::TextDisabled("actor %u selected", static_cast<unsigned>(*state.selectedActor));
            }
            else
            {
                ImGui::TextDisabled("click an actor in the view to carry it");
            }
        }
        clicked.addBookmark = ImGui::Button("+ bookmark (M)");
        const std::size_t count = state.bookmarks != nullptr ? state.bookmarks->size() : 0;
        for (std::size_t i = 0; i < count; ++i)
        {
            const Choreography::Bookmark& bookmark = (*state.bookmarks)[i];
            ImGui::PushID(static_cast<int>(i));
            ImGui::SameLine();
            char label[48];
            std::snprintf(label, sizeof label, i < 9 ? "%.2f s (Ctrl+%zu)" : "%.2f s",
                          static_cast<double>(bookmark.time), i + 1);
            if (ImGui::Button(label))
            {
                clicked.jumpTo = i;
            }
            ImGui::SameLine();
            // Typed into ImGui's own buffer while the field is active; the name changes when Enter is pressed.
            char name[Choreography::kLongestBookmarkName + 1] = {};
            std::memcpy(name, bookmark.name.data(), std::min(bookmark.name.size(), sizeof name - 1));
            ImGui::SetNextItemWidth(110.0f);
            if (ImGui::InputText("##name", name, sizeof name, ImGuiInputTextFlags_EnterReturnsTrue))
            {
                clicked.rename = std::make_pair(i, std::string(name));
            }
            ImGui::SameLine();
            if (ImGui::SmallButton("x"))
            {
                clicked.deleteBookmark = i;
            }
            ImGui::PopID();
        }
    }
    ImGui::End();
    return clicked;
}
