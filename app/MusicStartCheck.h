// When a "play ... from" really starts the music's track, judged from the track's own position reports, and how far
// ahead the next one should ask so that it stands where the clock wants it. Portable: the player sends the
// commands and reads the position on the system clock; this decides. It knows nothing of the sound after the
// track's position (the latency setting covers that), only of the wait before the track moves.
//
// Why: under Wine a "play ... from" on a paused track answers at once, but the track stands at the place asked
// until DirectShow has sought and decoded there, 1 ms on an idle machine and up to 180 ms on a loaded one, and its
// sound comes that much later than the clock's moment for as long as it plays. The position moves the moment the
// track does (it keeps to the wall clock from then on, and its sound some 230 ms behind), so a reading on any
// later frame says when the start really happened. Nothing is heard for the first 200 ms or so after a start,
// so a start found late or early is sought again before its sound begins.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>

class MusicStartCheck
{
public:
    // A start off by more than this is sought again (the position reads in whole milliseconds).
    static constexpr double kToleranceSeconds = 0.010;
    // A start and at most two more for the same moment: a machine busy enough to miss three times keeps the last.
    static constexpr int kMostAttempts = 3;
    // The delays remembered, whose median the next start asks ahead by.
    static constexpr std::size_t kRemembered = 5;
    // No delay is learned above this: a longer one is a stall of the machine, not the device's habit (the longest
    // measured, under a load average of 6, was 176 ms).
    static constexpr double kLongestDelaySeconds = 0.150;
    // A track that has not moved this long after a start is not watched further (it ended, or the device hangs).
    static constexpr double kWatchedSeconds = 1.0;

    enum class Verdict
    {
        Waiting,      // the track has not moved yet; read again next frame
        OnTime,       // it moved within the tolerance of when it was asked to
        Again,        // it moved too late or too early: seek again, asking ExpectedDelay() ahead
        Kept,         // off by more than the tolerance, but out of attempts
        NeverMoved,   // not moving after kWatchedSeconds
    };

    // How far ahead of the clock's moment (beyond the latency) the next start asks: the median of the last
    // kRemembered delays measured, within 0 and kLongestDelaySeconds; 0 before any.
    double ExpectedDelay() const;

    // "play ... from `fromSeconds`" (the track's time, as sent) went out at `sentAt` on the system clock, asking
    // `askedDelay` ahead. `again`: a further attempt at the same start (the attempts are counted); otherwise a
    // new start.
    void Sent(double sentAt, double fromSeconds, double askedDelay, bool again);
    // A reading of the track's position, `positionSeconds`, asked at `before` and answered by `after` on the
    // system clock. Past a verdict other than Waiting the start is no longer watched, and Read answers Kept.
    Verdict Read(double before, double after, double positionSeconds);
    bool IsWatching() const { return m_watching; }
    // The clock stopped or the track was closed: the start is no longer watched.
    void Stop() { m_watching = false; }

    // The last start's delay (from the command to the track moving) and how far it missed the delay asked
    // (positive: it started late), once it moved.
    std::optional<double> LastDelay() const { return m_lastDelay; }
    double LastMiss() const { return m_lastMiss; }
    int Attempts() const { return m_attempts; }

private:
    std::deque<double> m_delays;
    bool m_watching = false;
    double m_sentAt = 0.0;
    double m_from = 0.0;
    double m_askedDelay = 0.0;
    int m_attempts = 0;
    std::optional<double> m_lastDelay;
    double m_lastMiss = 0.0;
};
