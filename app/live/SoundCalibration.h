// engine.exe's sound calibration (F4): the music plays a passage of its own through the music's own device (the
// drum of its flight section, LatencyCalibration's beats), taps on Space are timed on the system clock from their
// window messages, and the measured latency and its spread show in a small window; Enter keeps it for later runs
// and uses it at once. While it is open the presentation holds, and the music plays only the passage. Without
// music (no file, no sound device) there is nothing to calibrate, and the window says so. The measuring is
// LatencyCalibration's; this class plays, listens and draws.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/live/KeyMap.h"
#include "app/live/LatencyCalibration.h"

class MusicPlayer;

class SoundCalibration
{
public:
    // `music`: the music's player, or nothing when the presentation runs silent. `useLatency`: gives the music a
    // newly kept latency, in seconds. `currentMs`: the latency in use.
    SoundCalibration(std::function<MusicPlayer*()> music, std::function<void(double)> useLatency, int currentMs);
    ~SoundCalibration();
    SoundCalibration(const SoundCalibration&) = delete;
    SoundCalibration& operator=(const SoundCalibration&) = delete;

    // The music's latency kept by a calibration (LatencyCalibration::kFileName), when there is one; one line on
    // standard error says it is used in place of `otherwise` (what applies without it), or why a file that is
    // there is not used.
    static std::optional<int> KeptLatencyMs(const std::string& otherwise, int longestMs);

    bool IsOpen() const { return m_open; }
    // The key map's calibration actions: open or close it (F4), and while it is open, a tap (Space) or keeping the
    // result (Enter). True when it opened or closed, which holds the presentation or lets it go on.
    bool Carry(KeyAction action);
    // Opens the window and plays the passage (again, when it is open: a new run).
    void Open();
    // Closes the window; the music stops playing the passage and follows the clock again.
    void Close();
    // Space while open: a tap, at the time of the key's window message.
    void Tap();
    // Enter while open, with a result: keeps it (LatencyCalibration::kFileName) and hands it to the music.
    void Keep();
    // Once per frame while open: reads the track's position, which places the beats on the system clock.
    void Update();
    void Draw();

private:
    MusicPlayer* Music() const;
    bool PlayPassage();
    void StopPassage();

    std::function<MusicPlayer*()> m_music;
    std::function<void(double)> m_useLatency;
    int m_currentMs;
    bool m_open = false;
    bool m_playing = false;
    bool m_started = false;
    std::string m_status;
    LatencyCalibration m_calibration;
};
