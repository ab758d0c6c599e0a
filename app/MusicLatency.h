// How far the music's track runs ahead of the presentation's clock, and why that far: the one place that decides,
// so that the player, standard error and the overlay say the same. The sound of a moment reaches the ear some time
// after the track's position passes it, and how long depends on where the program runs: Wine's audio path is
// measured (docs/music.md), Windows reports its own output latency, a user's own ear can be calibrated (F4), and
// the options can say. Portable: the application asks the platform (SoundPlatform) and the calibration file, and
// hands the answers in; this decides.
#pragma once

#include <optional>
#include <string>

class MusicLatency
{
public:
    enum class Source
    {
        Calibrated,       // kept by the sound calibration (F4), from an earlier run or this one
        Options,          // <Sound latency="..."> in the options file
        Wine,             // Wine's audio path, as measured here
        PlatformReport,   // Windows' own report of its output latency
        None              // no report to trust: no lead until F4 calibrates
    };

    // Under Wine 8 (DirectShow's audio renderer, winepulse, PulseAudio): from the track's position to its sound
    // being played, as tools/music/avsync.py times the sound played against the picture shown, with PulseAudio's
    // own account of when a sample is played. Wine reports 20 ms for this path through WASAPI, which is why the
    // figure is a measured one.
    static constexpr int kWineMs = 235;
    // A report above this is not an output latency but a fault (the longest a real device adds, a Bluetooth
    // headset's, is some 300 ms).
    static constexpr int kLongestTrustedReportMs = 500;

    // What the platform says; Windows alone is asked for a report (Wine's is not the path the music takes).
    struct Platform
    {
        bool wine = false;
        // The output latency the platform reports for a shared stream on the default device; nothing when it did
        // not answer.
        std::optional<double> reportedSeconds;
    };

    // The latency before any calibration: the options' when given, else the platform's.
    static MusicLatency Choose(std::optional<int> fromOptions, const Platform& platform);

    // A calibration, kept from an earlier run or just now, replaces whatever was chosen.
    void UseCalibrated(int milliseconds);

    int Milliseconds() const { return m_milliseconds; }
    Source From() const { return m_source; }
    // What applies and why, for the overlay and standard error: "235 ms, Wine's audio path as measured".
    std::string Describe() const;

private:
    MusicLatency(int milliseconds, Source source) : m_milliseconds(milliseconds), m_source(source) {}

    int m_milliseconds = 0;
    Source m_source = Source::None;
};
