// The progress line of a long capture: frames done out of the total, and the time left, estimated from the wall
// time the frames so far took. On a terminal the one line is rewritten in place a few times a second; in a log
// (standard error is not a terminal) a line is written at every tenth of the way, so logs stay short. It only
// makes the text; the capture tool writes it. Portable.
#pragma once

#include <optional>
#include <string>

class CaptureProgress
{
public:
    // A terminal's line is rewritten at most this often (seconds of wall time).
    static constexpr double kTerminalInterval = 0.25;

    CaptureProgress(long long totalFrames, bool terminal)
        : m_total(totalFrames > 0 ? totalFrames : 1), m_terminal(terminal)
    {
    }

    // After `done` frames, `wallSeconds` after the first one was finished (so that start-up, which the first
    // frame waits for, does not count). The text to write (a terminal's begins
    // with a carriage return; the last one, and every log line, ends with a line end), or nothing when this
    // frame need not be shown.
    std::optional<std::string> Update(long long done, double wallSeconds);

    // "engine-capture: frame 350/3481 (10%), 5:12 left"; minutes and seconds, hours when needed.
    static std::string Line(long long done, long long total, double secondsLeft);

private:
    long long m_total;
    bool m_terminal;
    double m_lastShown = -1.0;   // wall time of the last terminal line
    int m_lastTenth = 0;         // tenths of the way already logged
};
