// The timeline panel's directing line: see DirectingBar.h.
#include "app/live/timeline/DirectingBar.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/live/KeyMap.h"

DirectingBar::Clicked DirectingBar::Draw(const State& state)
{
    // The buttons name their keys as the key map binds them.
    static const std::string fly = KeyMap::Label("Fly", KeyAction::ToggleFly);
    static const std::string key = KeyMap::Label("Key what you see", KeyAction::KeyWhatYouSee);
    static const std::string loop = KeyMap::Label("Loop", KeyAction::ToggleLoop);
    static const std::string in = KeyMap::Label("In", KeyAction::LoopIn);
    static const std::string out = KeyMap::Label("Out", KeyAction::LoopOut);
    static const std::string carry = KeyMap::Label("Carry", KeyAction::Carry);
    static const std::string addBookmark = KeyMap::Label("+ bookmark", KeyAction::AddBookmark);
    const KeyChord& jump = KeyMap::Of(KeyAction::JumpToBookmark).chord;
    Clicked clicked;
    // A second Begin of the same window appends to it; collapsed, there is nothing to append to.
    if (ImGui::Begin("Timeline"))
    {
        ImGui::Separator();
        bool flying = state.flying;
        clicked.fly = ImGui::Checkbox(fly.c_str(), &flying);
        ImGui::SameLine();
        clicked.keyWhatYouSee = ImGui::Button(key.c_str());
        ImGui::SameLine();
        bool looping = state.looping;
        clicked.looping = ImGui::Checkbox(loop.c_str(), &looping);
        ImGui::SameLine();
        clicked.loopIn = ImGui::Button(in.c_str());
        ImGui::SameLine();
        clicked.loopOut = ImGui::Button(out.c_str());
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
            clicked.carry = ImGui::Checkbox(carry.c_str(), &carrying);
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
        clicked.addBookmark = ImGui::Button(addBookmark.c_str());
        const std::size_t count = state.bookmarks != nullptr ? state.bookmarks->size() : 0;
        // One row a bookmark, in a list that scrolls past a few: a file may hold any number of them.
        const float rows = static_cast<float>(std::min<std::size_t>(count, kBookmarkRowsShown));
        if (count > 0 &&
            ImGui::BeginChild("##bookmarks", ImVec2(0.0f, rows * ImGui::GetFrameHeightWithSpacing()), false))
        {
            ImGuiListClipper clipper;
            clipper.Begin(static_cast<int>(count));
            while (clipper.Step())
            {
                for (int row = clipper.DisplayStart; row < clipper.DisplayEnd; ++row)
                {
                    DrawBookmark(*state.bookmarks, static_cast<std::size_t>(row), jump, clicked);
                }
            }
        }
        if (count > 0)
        {
            ImGui::EndChild();
        }
    }
    ImGui::End();
    return clicked;
}

void DirectingBar::DrawBookmark(const CowVector<Choreography::Bookmark>& bookmarks, std::size_t index,
                                const KeyChord& jump, Clicked& clicked)
{
    const Choreography::Bookmark& bookmark = bookmarks[index];
    ImGui::PushID(static_cast<int>(index));
    // The first bookmarks have a key of their own, Ctrl+1 onwards.
    const unsigned jumpKey = jump.key + static_cast<unsigned>(index);
    const std::string keys = jumpKey <= jump.lastKey ? " (" + KeyMap::KeyName(jump, jumpKey) + ")" : "";
    char label[48];
    std::snprintf(label, sizeof label, "%.2f s%s", static_cast<double>(bookmark.time), keys.c_str());
    if (ImGui::Button(label))
    {
        clicked.jumpTo = index;
    }
    ImGui::SameLine();
    // Typed into ImGui's own buffer while the field is active; the name changes when Enter is pressed.
    char name[Choreography::kLongestBookmarkName + 1] = {};
    std::memcpy(name, bookmark.name.data(), std::min(bookmark.name.size(), sizeof name - 1));
    ImGui::SetNextItemWidth(220.0f);
    if (ImGui::InputText("##name", name, sizeof name, ImGuiInputTextFlags_EnterReturnsTrue))
    {
        clicked.rename = std::make_pair(index, std::string(name));
    }
    ImGui::SameLine();
    if (ImGui::SmallButton("x"))
    {
        clicked.deleteBookmark = index;
    }
    ImGui::PopID();
}
