// The background music, kept on the presentation's clock. Start-up opens and plays the track through Windows'
// multimedia command interface (MCI); from then on the music follows the frame timer: it pauses when the clock
// stops, plays again from the clock's moment when the clock starts again, and jumps with every seek. It never
// decides when the clock stops (the application tells it), and it never waits for the sound device: every call
// sends at most three MCI commands, each of which returns within milliseconds (docs/music.md has the figures
// under Wine). The sound of a moment reaches the ear some time after the track's position passes it (the audio
// path's latency), so the track runs that far ahead of the clock: the frame of moment t is on screen when t is
// heard. Each start is checked against the track's own position on the frames after it (MusicStartCheck), and
// sought again before its sound begins when the track started late or early.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "app/MusicStartCheck.h"

class MusicPlayer
{
public:
    // Found in the working directory, like every data file.
    static constexpr const char* kFileName = "DemoTrack01.mp3";

    // `endSeconds`: the presentation's length; the music never plays from there or later. `latencySeconds`: how
    // long the sound takes from the track's position to the ear, which the track keeps ahead of the clock (0 or
    // more). `log`, when given, gets one line per command: the clock's moment, the wall time on the system clock
    // (seconds since 1970, so that a recording made outside the program can be set beside it), the command,
    // its duration and its answer, and for the position that shows a start happened, what was made of it.
    MusicPlayer(double endSeconds, double latencySeconds, std::ostream* log = nullptr);
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Opens the track and plays it from its start, and returns once the track is the latency ahead of the
    // clock's 0 (the clock starts right after). False, with one line on standard error, when it cannot be
    // played: without the file, a codec or a sound device the presentation runs silent.
    bool Start();
    // The clock stopped (`clockRunning` false) or runs, at `seconds`: pauses, or plays again from the clock's
    // moment. A call that finds the music already so sends nothing.
    void Follow(bool clockRunning, double seconds);
    // Once a frame: while a start is being checked, reads the track's position (one command), and seeks again
    // when the track started late or early (two more).
    void Watch();
    // The clock was moved to `seconds` (a seek, a world reload). Running, the music goes on from there at once;
    // stopped, it stays paused and goes on from the clock's moment when the clock starts.
    void Jump(bool clockRunning, double seconds);
    // Ends the music and closes the device, at the clock's `seconds` (for the log). Left open, its playback
    // threads are still running while the process exits, which crashes it under Wine.
    void Close(double seconds);

    bool IsOpen() const { return m_state != State::Closed; }
    double LatencySeconds() const { return m_latencySeconds; }
    // A new latency (a calibration kept): from the next time the track starts again.
    void SetLatency(double seconds);
    // The sound calibration's beat, through the music's own device: plays the track from its own `trackSeconds`,
    // whatever the clock (which the calibration holds stopped), with no lead and no check. False when it cannot.
    // The clock's next start plays from the clock's moment again.
    bool PlayTrackFrom(double trackSeconds);
    // The track's position in seconds, as the device reports it (it moves when the track does); nothing when the
    // track is closed or the device does not answer.
    std::optional<double> TrackPosition();
    // Pauses the track at the end of the calibration's beat (the clock is still stopped).
    void PauseTrack() { Pause(m_clockAtPause); }
    // Whether the track still plays what PlayTrackFrom asked (the clock's start, or closing, ends that; the clock
    // stopping again does not).
    bool IsPlayingTrack() const { return m_state == State::PlayingOffClock; }

    // The wall time the log gives: seconds since 1970 on the system clock, as the host's `date +%s.%N` gives it.
    static double SystemClockSeconds();

private:
    enum class State
    {
        Closed,
        Playing,
        Paused,
        PlayingOffClock   // the calibration's beat: playing, but not at the clock's moment
    };

    struct Reply
    {
        unsigned error = 0;
        std::string text;
    };

    void Pause(double clockSeconds);
    // Plays from the clock's moment `seconds` plus the latency plus the start delay expected; `again`: a further
    // attempt at the same start, the track having started late or early.
    void PlayFrom(double seconds, bool again = false);
    // The clock starts when start-up ends, so start-up waits for the track to reach the latency: "play" returns
    // before the sound starts, and the music would trail the pictures by the difference for as long as it plays.
    void WaitUntilAhead();
    // Sends "VERB DemoTrack01.mp3 ARGUMENTS" and writes the log line.
    Reply Send(const std::string& verb, const std::string& arguments, double clockSeconds);
    Reply Ask(const std::string& command);
    // `note`, when given, follows the answer: what the player made of it.
    void Log(double clockSeconds, double wallSeconds, const std::string& command, double milliseconds,
             const Reply& reply, const std::string& note = "");

    double m_endSeconds;
    double m_latencySeconds;
    std::ostream* m_log;
    State m_state = State::Closed;
    // The clock's moment of the last start and the wall time it was sent at: while the clock runs, its moment
    // at any wall time, for a start sought again.
    double m_startClock = 0.0;
    double m_startWall = 0.0;
    // The clock's moment at the last pause, for the log of what the calibration plays meanwhile.
    double m_clockAtPause = 0.0;
    MusicStartCheck m_startCheck;
};
