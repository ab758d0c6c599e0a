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
        if (state.flying)
        {
            ImGui::SameLine();
            ImGui::TextDisabled("WASD, Q/E down/up, Shift faster, right-drag turns, wheel: %.2g units/s",
                                static_cast<double>(state.flySpeed));
        }
    }
    ImGui::End();
    return clicked;
}
