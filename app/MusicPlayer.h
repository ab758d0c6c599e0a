// The background music, kept on the presentation's clock. Start-up opens and plays the track through Windows'
// multimedia command interface (MCI); from then on the music follows the frame timer: it pauses when the clock
// stops, goes on at the clock's moment when the clock starts again, and jumps with every seek. It never decides
// when the clock stops (the application tells it), and it never waits for the sound device: every call sends at
// most two MCI commands, each of which returns within milliseconds (docs/music.md has the figures under Wine).
// The sound of a moment reaches the ear some time after the track's position passes it (the audio path's
// latency), so the track runs that far ahead of the clock: the frame of moment t is on screen when t is heard.
#pragma once

#include <iosfwd>
#include <limits>
#include <string>

class MusicPlayer
{
public:
    // Found in the working directory, like every data file.
    static constexpr const char* kFileName = "DemoTrack01.mp3";

    // `endSeconds`: the presentation's length; the music never plays from there or later. `latencySeconds`: how
    // long the sound takes from the track's position to the ear, which the track keeps ahead of the clock (0 or
    // more). `log`, when given, gets one line per command: the clock's moment, the wall time on the system clock
    // (seconds since 1970, so that a recording made outside the program can be set beside it), the command,
    // its duration and its answer.
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
    // The clock was moved to `seconds` (a seek, a world reload). Running, the music goes on from there at once;
    // stopped, it stays paused and goes on from the clock's moment when the clock starts.
    void Jump(bool clockRunning, double seconds);
    // Ends the music and closes the device, at the clock's `seconds` (for the log). Left open, its playback
    // threads are still running while the process exits, which crashes it under Wine.
    void Close(double seconds);

    bool IsOpen() const { return m_state != State::Closed; }
    double LatencySeconds() const { return m_latencySeconds; }
    // A new latency (a calibration kept): from the next time the track starts again, which is then a "play ...
    // from" at the new lead rather than a "resume" at the old one.
    void SetLatency(double seconds);

    // The wall time the log gives: seconds since 1970 on the system clock, as the host's `date +%s.%N` gives it.
    static double SystemClockSeconds();

private:
    enum class State
    {
        Closed,
        Playing,
        Paused
    };

    struct Reply
    {
        unsigned error = 0;
        std::string text;
    };

    void Pause(double clockSeconds);
    void PlayFrom(double seconds);
    // The clock starts when start-up ends, so start-up waits for the track to reach the latency: "play" returns
    // before the sound starts, and the music would trail the pictures by the difference for as long as it plays.
    void WaitUntilAhead();
    // Sends "VERB DemoTrack01.mp3 ARGUMENTS" and writes the log line.
    Reply Send(const std::string& verb, const std::string& arguments, double clockSeconds);
    Reply Ask(const std::string& command);
    void Log(double clockSeconds, double wallSeconds, const std::string& command, double milliseconds,
             const Reply& reply);

    double m_endSeconds;
    double m_latencySeconds;
    std::ostream* m_log;
    State m_state = State::Closed;
    // The clock's moment at which the track was paused, where "resume" carries on; not a number while the track
    // stands anywhere else (after the presentation's end, or a play that failed).
    double m_pausedAt = std::numeric_limits<double>::quiet_NaN();
};
