// The timeline panel's directing line: see DirectingBar.h.
#include "app/live/timeline/DirectingBar.h"

#include <imgui.h>

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
            ImGui::TextDisabled("WASD, Q/E down/up, Shift faster, right-drag turns, wheel: %.2g units/s",
                                static_cast<double>(state.flySpeed));
        }
    }
    ImGui::End();
    return clicked;
}
