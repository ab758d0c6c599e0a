// The timeline panel's line for the keys selected across tracks (ImGui): how many there are, copy, paste and delete,
// a stretch by a ratio (2, 1/2, 3/2 or one typed) about the first key or the playhead, and a beat inserted or removed
// at the playhead. Drawing and input only: each button is a call on the model's KeySelection.
#pragma once

#include "app/live/timeline/KeySelection.h"

class TimelineModel;

class SelectionBar
{
public:
    explicit SelectionBar(TimelineModel& model) : m_model(model) {}

    // Appends the line to the window being built.
    void Draw();

private:
    TimelineModel& m_model;
    float m_ratio = 2.0f;
    KeySelection::Pivot m_pivot = KeySelection::Pivot::FirstKey;
};
