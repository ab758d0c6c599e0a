// engine.exe's sound calibration (F4): a click track played through the music's own path (the multimedia command
// interface, as an MCI device of its own beside the music's), taps on Space timed on the system clock from
// their window messages, the measured latency and its spread in a small window, and Enter to keep it for later
// runs and use it at once. While it is open the presentation holds (and the music with it). The measuring is
// LatencyCalibration's; this class plays, listens and draws.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/live/LatencyCalibration.h"

class SoundCalibration
{
public:
    // `useLatency`: gives the music a newly kept latency, in seconds. `currentMs`: the latency in use.
    SoundCalibration(std::function<void(double)> useLatency, int currentMs);
    ~SoundCalibration();
    SoundCalibration(const SoundCalibration&) = delete;
    SoundCalibration& operator=(const SoundCalibration&) = delete;

    bool IsOpen() const { return m_open; }
    // Opens the window and plays the clicks (again, when it is open: a new run).
    void Open();
    void Close();
    // Space while open: a tap, at the time of the key's window message.
    void Tap();
    // Enter while open, with a result: keeps it (LatencyCalibration::kFileName) and hands it to the music.
    void Keep();
    // Once per frame while open: reads the track's position, which places the clicks on the system clock.
    void Update();
    void Draw();

private:
    bool PlayClicks();
    void StopClicks();

    std::function<void(double)> m_useLatency;
    int m_currentMs;
    bool m_open = false;
    bool m_playing = false;
    std::string m_clickFile;
    std::string m_status;
    LatencyCalibration m_calibration;
    bool m_started = false;
};
