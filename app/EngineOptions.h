// Display and sound settings of a run, read once from "EngineOptions.xml". Reading never fails: anything the
// file does not say keeps its default. It does not validate ranges; the window and device clamp what they use.
#pragma once

#include <string>

struct EngineOptions
{
    // Used when the file gives no size, so that a window can always be created.
    static constexpr int kDefaultWidth = 1280;
    static constexpr int kDefaultHeight = 720;

    EngineOptions();

    // Reads "EngineOptions.xml" from the working directory.
    void Load();
    // Reads the given file; a missing or malformed file leaves every field as it was.
    void Load(const std::string& fileName);

    int m_renderer;
    bool m_runFullSpeed;
    bool m_fullScreen;
    int m_screenWidth;
    int m_screenHeight;
    float m_screenDepth;
    float m_screenNear;
    float m_fieldOfView;
    float m_screenAspect;
    float m_sfxVolume;
    float m_musicVolume;
};
