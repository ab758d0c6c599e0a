// The music on the presentation's clock: see MusicPlayer.h.
//
// What Wine 8's MCI (mciqtz32: DirectShow, decoding through GStreamer, PulseAudio) does with each command, measured
// on a busy 2-core machine:
// - "open" 0.4 to 1.9 s and "close" 15 to 350 ms: start-up and shutdown only.
// - "pause" well under a millisecond.
// - "play ... from N" on a paused track answers within 1 to 50 ms. The track then stands at N until DirectShow has
//   sought and decoded there (1 to 2 ms on an idle machine, up to 180 ms on a loaded one) and moves with the wall
//   clock from then on; its position says when that happened (MusicStartCheck). On a playing track the command
//   takes 100 to 150 ms and the sound stutters for about a second, so a start always pauses first.
// - "resume" is not used. It carries on where the sound stopped, so whatever the sound was off by stays (a start
//   86 ms late stayed so through three pauses), under load each one added 20 to 50 ms more, and from the second
//   one on "status ... position" counts the paused time as played, so nothing could tell. Each start is a "play
//   ... from" instead, checked against the position; its cost is that the sound comes back a latency after the
//   clock, since what was on its way to the ear when the track paused is dropped.
// - "seek ... to N" is not implemented (the track stops and the answer is an error), so it is never sent.
// - "play" on a track just opened returns before the sound starts: the position stays at 0 while DirectShow
//   fills its buffers, 20 ms on an idle machine, up to 200 ms on a busy one. Start-up waits for it to move.
// - The sound reaches the sound server some 200 ms after the track's position passes it (DirectShow's own
//   presentation delay; PulseAudio holds 15 ms of it), the same after every start, give or take the renderer's
//   own scatter of 10 to 50 ms on a loaded machine, which no command shows. A busy machine drops late sound
//   rather than falling behind: the track keeps to the wall clock, as the presentation's clock does. WASAPI's
//   GetStreamLatency says 20 ms there, so the latency is a setting (EngineOptions), measured, never asked.
//   The track plays that far ahead of the clock: "play ... from" the clock's moment plus the latency (plus the
//   start delay expected); start-up lets the track get that far before the clock starts.
#include "app/MusicPlayer.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <sstream>
#include <iostream>

#include "app/FrameStats.h"
#include "graphics/AnsiConversion.h"

namespace
{
// How long start-up waits at most for the track to move, beyond the latency (see WaitUntilAhead); under Wine the
// track stands for 20 to 200 ms after "play".
constexpr double kLongestStartMs = 1000.0;
// 1601-01-01 to 1970-01-01 in FILETIME's 100-ns units.
constexpr long long kUnixEpochIn100Ns = 116444736000000000LL;

std::string MciErrorText(MCIERROR error)
{
    wchar_t text[256] = {};
    if (!mciGetErrorStringW(error, text, 256))
    {
        return "error " + std::to_string(error);
    }
    return WideToAnsi(text);
}
}

MusicPlayer::MusicPlayer(double endSeconds, double latencySeconds, std::ostream* log)
    : m_endSeconds(endSeconds), m_latencySeconds(std::max(latencySeconds, 0.0)), m_log(log)
{
}

double MusicPlayer::SystemClockSeconds()
{
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const long long ticks = (static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<double>(ticks - kUnixEpochIn100Ns) / 1e7;
}

MusicPlayer::~MusicPlayer()
{
    Close(m_endSeconds);   // the application closes it at the presentation's end; this is for every other way out
}

bool MusicPlayer::Start()
{
    // The two commands of every start, "open DemoTrack01.mp3 type mpegvideo" and "play DemoTrack01.mp3"; between
    // them the time format that "play ... from" and "status ... length" count in, and the track's length.
    const auto cannotPlay = [](const Reply& reply) {
        std::cerr << kFileName << ": the music cannot be played (" << MciErrorText(reply.error)
                  << "); the presentation runs silent" << std::endl;
    };
    if (const Reply opened = Send("open", "type mpegvideo", 0.0); opened.error != 0)
    {
        cannotPlay(opened);
        return false;
    }
    m_state = State::Paused;
    Send("set", "time format milliseconds", 0.0);
    if (const Reply length = Send("status", "length", 0.0); length.error == 0)
    {
        // A track shorter than the presentation ends before it; playing from past its end is not asked for.
        const double seconds = std::strtod(length.text.c_str(), nullptr) / 1000.0;
        if (seconds > 0.0)
        {
            m_endSeconds = std::min(m_endSeconds, seconds);
        }
    }
    if (const Reply played = Send("play", "", 0.0); played.error != 0)
    {
        cannotPlay(played);
        Close(0.0);
        return false;
    }
    m_state = State::Playing;
    WaitUntilAhead();
    return true;
}

void MusicPlayer::SetLatency(double seconds)
{
    m_latencySeconds = std::max(seconds, 0.0);
}

void MusicPlayer::Follow(bool clockRunning, double seconds)
{
    if (!clockRunning)
    {
        // The calibration's beat plays while the clock stands; the clock stopping (again) leaves it be.
        if (m_state == State::Playing)
        {
            Pause(seconds);
        }
        return;
    }
    // The clock goes on, from where it stopped or from where a seek left it: the track starts again at its moment.
    if (m_state == State::Paused || m_state == State::PlayingOffClock)
    {
        PlayFrom(seconds);
    }
}

void MusicPlayer::Watch()
{
    if (m_state != State::Playing || !m_startCheck.IsWatching())
    {
        return;
    }
    const std::string command = std::string("status ") + kFileName + " position";
    const double before = SystemClockSeconds();
    const Reply reply = Ask(command);
    const double after = SystemClockSeconds();
    if (reply.error != 0)
    {
        m_startCheck.Stop();
        return;
    }
    const MusicStartCheck::Verdict verdict =
        m_startCheck.Read(before, after, std::strtod(reply.text.c_str(), nullptr) / 1000.0);
    if (verdict == MusicStartCheck::Verdict::Waiting)
    {
        return;
    }
    // The clock has run since the start was sent (a stop would have paused the track), so its moment now is the
    // start's moment plus the wall time since.
    const double clockNow = m_startClock + (after - m_startWall);
    char note[96] = "";
    if (const std::optional<double> delay = m_startCheck.LastDelay())
    {
        std::snprintf(note, sizeof note, "started %.1f ms after the command, %.1f ms %s: %s", *delay * 1000.0,
                      std::abs(m_startCheck.LastMiss()) * 1000.0, m_startCheck.LastMiss() > 0.0 ? "late" : "early",
                      verdict == MusicStartCheck::Verdict::Again  ? "again"
                      : verdict == MusicStartCheck::Verdict::Kept ? "kept, out of attempts"
                                                                  : "on time");
    }
    else
    {
        std::snprintf(note, sizeof note, "not moving %.0f ms after the command", (after - m_startWall) * 1000.0);
    }
    Log(clockNow, before, command, (after - before) * 1000.0, reply, note);
    if (verdict == MusicStartCheck::Verdict::Again)
    {
        PlayFrom(clockNow, true);
    }
}

void MusicPlayer::Jump(bool clockRunning, double seconds)
{
    // A stopped clock has paused the track already; starting again at another moment than the one it stopped at,
    // it plays from there.
    if (clockRunning)
    {
        PlayFrom(seconds);
    }
}

void MusicPlayer::Close(double clockSeconds)
{
    if (m_state == State::Closed)
    {
        return;
    }
    m_startCheck.Stop();
    Send("close", "", clockSeconds);
    m_state = State::Closed;
}

void MusicPlayer::Pause(double clockSeconds)
{
    if (m_state != State::Playing && m_state != State::PlayingOffClock)
    {
        return;
    }
    m_startCheck.Stop();
    Send("pause", "", clockSeconds);
    m_state = State::Paused;
    m_clockAtPause = clockSeconds;
}

bool MusicPlayer::PlayTrackFrom(double trackSeconds)
{
    if (m_state == State::Closed)
    {
        return false;
    }
    Pause(m_clockAtPause);
    const long long milliseconds = std::llround(std::max(trackSeconds, 0.0) * 1000.0);
    if (Send("play", "from " + std::to_string(milliseconds), m_clockAtPause).error != 0)
    {
        return false;
    }
    m_state = State::PlayingOffClock;   // not checked: the clock has no moment for it
    return true;
}

std::optional<double> MusicPlayer::TrackPosition()
{
    if (m_state == State::Closed)
    {
        return std::nullopt;
    }
    const Reply reply = Ask(std::string("status ") + kFileName + " position");
    if (reply.error != 0)
    {
        return std::nullopt;
    }
    return std::strtod(reply.text.c_str(), nullptr) / 1000.0;
}

void MusicPlayer::PlayFrom(double seconds, bool again)
{
    if (m_state == State::Closed)
    {
        return;
    }
    Pause(seconds);
    if (seconds >= m_endSeconds)
    {
        return;   // the presentation (or the track) is over: the music stays paused until shutdown closes it
    }
    // The track plays ahead by the latency, and by the time it is expected to stand before it moves; so near the
    // end there is less to play than the clock has left.
    const double askedDelay = m_startCheck.ExpectedDelay();
    const long long milliseconds = std::llround(std::max(seconds + m_latencySeconds + askedDelay, 0.0) * 1000.0);
    if (static_cast<double>(milliseconds) / 1000.0 >= m_endSeconds)
    {
        return;
    }
    const double sentAt = SystemClockSeconds();
    if (Send("play", "from " + std::to_string(milliseconds), seconds).error == 0)
    {
        m_state = State::Playing;
        m_startClock = seconds;
        m_startWall = sentAt;
        m_startCheck.Sent(sentAt, static_cast<double>(milliseconds) / 1000.0, askedDelay, again);
    }
}

void MusicPlayer::WaitUntilAhead()
{
    // The track's position is its own clock: it moves when the track does.
    const std::string command = std::string("status ") + kFileName + " position";
    const double aheadMs = m_latencySeconds * 1000.0;
    const PhaseStopwatch waited;
    Reply reply;
    do
    {
        reply = Ask(command);
        const double position = std::strtod(reply.text.c_str(), nullptr);
        if (reply.error != 0 || (position > 0.0 && position >= aheadMs))
        {
            break;
        }
        Sleep(1);
    } while (waited.Milliseconds() < kLongestStartMs + aheadMs);
    Log(0.0, SystemClockSeconds(), command, waited.Milliseconds(), reply);
}

MusicPlayer::Reply MusicPlayer::Send(const std::string& verb, const std::string& arguments, double clockSeconds)
{
    const std::string command = verb + " " + kFileName + (arguments.empty() ? "" : " " + arguments);
    // The wall time the command was sent at goes with the clock's moment it was sent for.
    const double sentAt = SystemClockSeconds();
    const PhaseStopwatch stopwatch;
    const Reply reply = Ask(command);
    Log(clockSeconds, sentAt, command, stopwatch.Milliseconds(), reply);
    return reply;
}

MusicPlayer::Reply MusicPlayer::Ask(const std::string& command)
{
    wchar_t text[128] = {};
    Reply reply;
    reply.error = mciSendStringW(AnsiToWide(command).c_str(), text, 128, nullptr);
    reply.text = WideToAnsi(text);
    return reply;
}

void MusicPlayer::Log(double clockSeconds, double wallSeconds, const std::string& command, double milliseconds,
                      const Reply& reply, const std::string& note)
{
    if (m_log == nullptr)
    {
        return;
    }
    // The wall time, on the system clock, sets the clock's moments beside a recording of the sound. The numbers
    // are formatted aside: the log is standard error, whose other writers expect its default format.
    std::ostringstream line;
    line << "music: " << std::fixed << std::setprecision(3) << clockSeconds << " s, wall " << std::setprecision(4)
         << wallSeconds << " s: " << command << " (" << std::setprecision(1) << milliseconds << " ms)";
    *m_log << line.str();
    if (!reply.text.empty())
    {
        *m_log << " -> " << reply.text;
    }
    if (reply.error != 0)
    {
        *m_log << " failed: " << MciErrorText(reply.error);
    }
    if (!note.empty())
    {
        *m_log << " (" << note << ")";
    }
    *m_log << std::endl;
}
