// The music on the presentation's clock: see MusicPlayer.h.
//
// What Wine 8's MCI (mciqtz32: DirectShow, decoding through GStreamer, PulseAudio) does with each command, measured
// on a busy 2-core machine:
// - "open" 0.4 to 1.9 s and "close" 15 to 350 ms: start-up and shutdown only.
// - "pause" and "resume" well under a millisecond. "resume" carries on exactly where the sound stopped, however
//   short the pause.
// - "play ... from N" on a paused track 1 to 50 ms, and the first sound heard is N's to within a few ms. On a
//   playing track it takes 100 to 150 ms and the sound stutters for about a second, so a jump pauses first.
// - "seek ... to N" is not implemented (the track stops and the answer is an error), so it is never sent.
// - "play" returns before the sound starts: the track's position stays at 0 while DirectShow fills its buffers,
//   20 ms on an idle machine, up to 200 ms on a busy one. Start-up waits for it to move (see WaitUntilMoving).
// - "status ... position" is right until the first "resume"; from then on it counts the paused time as played.
//   So whether the track still stands at the clock's moment is judged here, not asked.
// - The sound reaches the sound server some 200 ms after the track's position passes it (Wine's audio path;
//   PulseAudio holds 15 ms of it), the same before and after every pause and jump. A busy machine drops late sound
//   rather than falling behind: the track keeps to the wall clock, as the presentation's clock does. WASAPI's
//   GetStreamLatency says 20 ms there, so the latency is a setting (EngineOptions), measured, never asked.
//   The track plays that far ahead of the clock: "play ... from" the clock's moment plus the latency; "resume"
//   keeps the lead it paused with; start-up lets the track get that far before the clock starts.
#include "app/MusicPlayer.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <sstream>
#include <iostream>

#include "app/FrameStats.h"
#include "graphics/AnsiConversion.h"

namespace
{
// A stopped clock does not move: the moment it starts again at is the one it stopped at, to rounding.
constexpr double kSameMomentSeconds = 0.001;
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
    m_pausedAt = std::numeric_limits<double>::quiet_NaN();
}

void MusicPlayer::Follow(bool clockRunning, double seconds)
{
    if (!clockRunning)
    {
        Pause(seconds);
        return;
    }
    if (m_state != State::Paused)
    {
        return;
    }
    // The clock goes on from where it stopped: so does the track, and nothing of the sound is lost or heard twice.
    // After a seek while paused the track starts again at the clock's moment.
    if (std::abs(seconds - m_pausedAt) < kSameMomentSeconds && Send("resume", "", seconds).error == 0)
    {
        m_state = State::Playing;
        return;
    }
    PlayFrom(seconds);
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
    Send("close", "", clockSeconds);
    m_state = State::Closed;
}

void MusicPlayer::Pause(double clockSeconds)
{
    if (m_state != State::Playing)
    {
        return;
    }
    Send("pause", "", clockSeconds);
    m_state = State::Paused;
    m_pausedAt = clockSeconds;
}

void MusicPlayer::PlayFrom(double seconds)
{
    if (m_state == State::Closed)
    {
        return;
    }
    Pause(seconds);
    m_pausedAt = std::numeric_limits<double>::quiet_NaN();   // the track is about to stand elsewhere
    if (seconds >= m_endSeconds)
    {
        return;   // the presentation (or the track) is over: the music stays paused until shutdown closes it
    }
    // The track plays ahead by the latency, so near the end there is less to play than the clock has left.
    const long long milliseconds = std::llround(std::max(seconds + m_latencySeconds, 0.0) * 1000.0);
    if (static_cast<double>(milliseconds) / 1000.0 >= m_endSeconds)
    {
        return;
    }
    if (Send("play", "from " + std::to_string(milliseconds), seconds).error == 0)
    {
        m_state = State::Playing;
    }
}

void MusicPlayer::WaitUntilAhead()
{
    // The position is right until the first "resume" (see above), so here it is the track's own clock.
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
                      const Reply& reply)
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
    *m_log << std::endl;
}
