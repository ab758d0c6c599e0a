// Display and sound settings of a run, read once from "EngineOptions.xml". Reading never fails: anything the
// file does not say keeps its default. Reading does not validate ranges; the window and device clamp what they
// use, and ReplaceBrokenLensValues mends what the camera would otherwise be built from.
#pragma once

#include <optional>
#include <string>

struct EngineOptions
{
    static constexpr const char* kFileName = "EngineOptions.xml";
    // Used when the file gives no size, or one that is not positive, so that a window can always be created.
    static constexpr int kDefaultWidth = 1280;
    static constexpr int kDefaultHeight = 720;
    // Beyond this a music latency is a typing slip, not a sound path.
    static constexpr int kLongestMusicLatencyMs = 2000;

    EngineOptions();

    // Reads kFileName from the working directory.
    void Load();
    // Reads the given file; a missing or malformed file leaves every field as it was.
    void Load(const std::string& fileName);

    // The size a window is made with: the screen size read, or the default for a side that is not positive.
    int WindowWidth() const;
    int WindowHeight() const;
    // The camera's lens is fixed for the whole run, so values with which it could draw no picture are put right
    // once, after reading: a width or height that is not positive gives the aspect ratio of the window actually
    // made (WindowWidth / WindowHeight); a near plane that is not above 0, or not below the far plane, and a far
    // plane that is not a positive number, get their defaults. Each replaced value is named on standard error
    // with `fileName`, the file it came from. A size the file did not give keeps the aspect ratio as it is.
    void ReplaceBrokenLensValues(const std::string& fileName);

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
    // How long the music's sound takes from the track to the ear, in whole milliseconds from 0 to
    // kLongestMusicLatencyMs (<Sound latency="...">): the track plays that far ahead of the picture. Nothing when
    // the file does not say, or says something else (with a line on standard error naming the file): then the
    // platform's figure applies (MusicLatency).
    std::optional<int> m_musicLatencyMs;
};
