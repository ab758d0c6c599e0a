// The selected keys' line of the timeline panel: see SelectionBar.h.
#include "app/live/timeline/SelectionBar.h"

#include <imgui.h>

#include <string>

#include "app/live/KeyMap.h"
#include "app/live/timeline/TimelineModel.h"

void SelectionBar::Draw()
{
    KeySelection& keys = m_model.SelectedKeys();
    static const std::string copy = KeyMap::Label("Copy", KeyAction::CopyKeys);
    static const std::string paste = KeyMap::Label("Paste", KeyAction::PasteKeys);
    static const std::string erase = KeyMap::Label("Delete keys", KeyAction::DeleteKeys);
    static const std::string insert = KeyMap::Label("+ beat", KeyAction::InsertBeat);
    static const std::string remove = KeyMap::Label("- beat", KeyAction::RemoveBeat);
    ImGui::Text("%zu keys selected", keys.Keys().size());
    ImGui::SameLine();
    ImGui::BeginDisabled(keys.Empty());
    if (ImGui::SmallButton(copy.c_str()))
    {
        keys.Copy();
    }
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::BeginDisabled(!keys.HasCopy());
    if (ImGui::SmallButton(paste.c_str()))
    {
        keys.Paste();
    }
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::BeginDisabled(keys.Empty());
    if (ImGui::SmallButton(erase.c_str()))
    {
        keys.Delete();
    }
    ImGui::EndDisabled();
    ImGui::SameLine();
    // At the playhead, for every track: not a selection's edit, so never greyed out.
    if (ImGui::SmallButton(insert.c_str()))
    {
        keys.InsertBeat();
    }
    ImGui::SameLine();
    if (ImGui::SmallButton(remove.c_str()))
    {
        keys.RemoveBeat();
    }

    ImGui::BeginDisabled(keys.Empty());
    ImGui::TextUnformatted("Stretch");
    // The ratios that keep keys on the beat grid, then any typed one.
    struct Ratio
    {
        const char* label;
        float ratio;
    };
    for (const Ratio ratio : {Ratio{"x2", 2.0f}, Ratio{"x1/2", 0.5f}, Ratio{"x3/2", 1.5f}})
    {
        ImGui::SameLine();
        if (ImGui::SmallButton(ratio.label))
        {
            keys.Stretch(ratio.ratio, m_pivot);
        }
    }
    ImGui::SameLine();
    ImGui::SetNextItemWidth(70.0f);
    ImGui::InputFloat("##ratio", &m_ratio, 0.0f, 0.0f, "%.3f");
    ImGui::SameLine();
    if (ImGui::SmallButton("by the ratio"))
    {
        keys.Stretch(m_ratio, m_pivot);
    }
    ImGui::SameLine();
    if (ImGui::RadioButton("about the first key", m_pivot == KeySelection::Pivot::FirstKey))
    {
        m_pivot = KeySelection::Pivot::FirstKey;
    }
    ImGui::SameLine();
    if (ImGui::RadioButton("about the playhead", m_pivot == KeySelection::Pivot::Playhead))
    {
        m_pivot = KeySelection::Pivot::Playhead;
    }
    ImGui::EndDisabled();
}
