// engine.exe's sound calibration: see SoundCalibration.h.
#include "app/live/SoundCalibration.h"

#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <vector>

#include <imgui.h>

#include "app/MusicPlayer.h"
#include "graphics/AnsiConversion.h"

namespace
{
constexpr int kRate = 44100;
// The MCI alias of the click track, beside the music's device.
constexpr const char* kAlias = "latencyclicks";
// Readings of the position within this long after a click's place place it (some frames' worth).
constexpr double kPlacingSeconds = 0.3;
// The clicks encoded like the music (an MP3 made by the build), so that they take the music's own way through
// the decoder; without it, the clicks are written as a WAV.
constexpr const char* kEncodedClicks = "LatencyClicks.mp3";

std::string Mci(const std::string& command)
{
    wchar_t text[128] = {};
    const MCIERROR error = mciSendStringW(AnsiToWide(command).c_str(), text, 128, nullptr);
    return error == 0 ? WideToAnsi(text) : "";
}

bool MciOk(const std::string& command)
{
    return mciSendStringW(AnsiToWide(command).c_str(), nullptr, 0, nullptr) == 0;
}

// A mono 16-bit WAV of short, sharp clicks at the calibration's beats: a 2-kHz burst that dies in 30 ms.
bool WriteClickTrack(const std::string& fileName)
{
    const auto frames = static_cast<std::uint32_t>(LatencyCalibration::TrackSeconds() * kRate);
    std::vector<std::int16_t> samples(frames, 0);
    for (int click = 0; click < LatencyCalibration::kClicks; ++click)
    {
        const auto first = static_cast<std::size_t>(std::lround(LatencyCalibration::ClickSeconds(click) * kRate));
        for (std::size_t i = 0; i < static_cast<std::size_t>(kRate * 0.03) && first + i < samples.size(); ++i)
        {
            const double t = static_cast<double>(i) / kRate;
            samples[first + i] = static_cast<std::int16_t>(20000.0 * std::sin(2.0 * 3.14159265358979 * 2000.0 * t) *
                                                           std::exp(-t / 0.008));
        }
    }
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    const auto put32 = [&out](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto put16 = [&out](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const std::uint32_t bytes = frames * 2;
    out.write("RIFF", 4);
    put32(36 + bytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(1);
    put32(kRate);
    put32(kRate * 2);
    put16(2);
    put16(16);
    out.write("data", 4);
    put32(bytes);
    out.write(reinterpret_cast<const char*>(samples.data()), bytes);
    return static_cast<bool>(out);
}
}

SoundCalibration::SoundCalibration(std::function<void(double)> useLatency, int currentMs)
    : m_useLatency(std::move(useLatency)), m_currentMs(currentMs)
{
}

SoundCalibration::~SoundCalibration()
{
    StopClicks();
}

void SoundCalibration::Open()
{
    m_open = true;
    m_status.clear();
    StopClicks();
    if (!PlayClicks())
    {
        m_status = "the clicks cannot be played (no sound?)";
    }
}

void SoundCalibration::Close()
{
    m_open = false;
    StopClicks();
}

bool SoundCalibration::PlayClicks()
{
    wchar_t folder[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, folder) == 0)
    {
        return false;
    }
    m_clickFile = WideToAnsi(folder) + "engine-latency-clicks.wav";
    if (GetFileAttributesW(AnsiToWide(kEncodedClicks).c_str()) != INVALID_FILE_ATTRIBUTES)
    {
        m_clickFile = kEncodedClicks;
    }
    else if (!WriteClickTrack(m_clickFile))
    {
        std::cerr << m_clickFile << ": the click track cannot be written" << std::endl;
        return false;
    }
    if (!MciOk("open \"" + m_clickFile + "\" type mpegvideo alias " + kAlias))
    {
        std::cerr << m_clickFile << ": the click track cannot be played" << std::endl;
        return false;
    }
    MciOk(std::string("set ") + kAlias + " time format milliseconds");
    m_playing = MciOk(std::string("play ") + kAlias);
    m_started = false;
    return m_playing;
}

void SoundCalibration::StopClicks()
{
    if (m_playing)
    {
        MciOk(std::string("close ") + kAlias);
        m_playing = false;
    }
}

void SoundCalibration::Update()
{
    if (!m_playing)
    {
        return;
    }
    // The track's position was read at most when the answer came: each reading bounds the track's start from
    // above, and the earliest bound is the closest.
    const std::string answer = Mci(std::string("status ") + kAlias + " position");
    const double read = MusicPlayer::SystemClockSeconds();
    const double position = std::strtod(answer.c_str(), nullptr) / 1000.0;
    if (position <= 0.0)
    {
        return;
    }
    if (!m_started)
    {
        m_calibration.Begin(read - position);
        m_started = true;
        std::fprintf(stderr, "calibration: clicks playing, the track started at %.4f s (system clock)\n",
                     read - position);
    }
    else
    {
        m_calibration.RefineStart(read - position);
    }
    // A click whose place the position passed a moment ago is placed by this reading: it was there at most
    // this long before the answer came.
    for (int click = 0; click < LatencyCalibration::kClicks; ++click)
    {
        const double since = position - LatencyCalibration::ClickSeconds(click);
        if (since >= 0.0 && since < kPlacingSeconds)
        {
            m_calibration.PlaceClick(click, read - since);
        }
    }
    if (position >= LatencyCalibration::TrackSeconds() - 0.5)
    {
        StopClicks();
        for (int click = 0; click < LatencyCalibration::kClicks; ++click)
        {
            std::fprintf(stderr, "calibration: click %d played at %.4f s\n", click, m_calibration.ClickPlayedAt(click));
        }
        if (const std::optional<LatencyCalibration::Result> result = m_calibration.Measure())
        {
            std::fprintf(stderr,
                         "calibration: %d taps, latency %.1f ms, spread %.1f ms (the track started at %.4f s)\n",
                         result->taps, result->latencySeconds * 1000.0, result->spreadSeconds * 1000.0,
                         m_calibration.TrackStart());
        }
        else
        {
            std::fprintf(stderr, "calibration: %d taps, too few to measure\n", m_calibration.Taps());
        }
    }
}

void SoundCalibration::Tap()
{
    // The key's moment, not this frame's: the message's time (milliseconds since boot, as GetTickCount counts)
    // set against the system clock now.
    const double now = MusicPlayer::SystemClockSeconds();
    const auto sinceKey = static_cast<LONG>(GetTickCount() - static_cast<DWORD>(GetMessageTime()));
    const double tap = now - std::max<LONG>(sinceKey, 0) / 1000.0;
    m_calibration.Tap(tap);
    std::fprintf(stderr, "calibration: tap at %.4f s (system clock)\n", tap);
}

void SoundCalibration::Keep()
{
    const std::optional<LatencyCalibration::Result> result = m_calibration.Measure();
    if (!result || m_playing)
    {
        return;
    }
    std::string problem;
    if (!LatencyCalibration::Keep(*result, LatencyCalibration::kFileName, &problem))
    {
        m_status = "not kept: " + problem;
        std::cerr << LatencyCalibration::kFileName << ": the calibration was not kept: " << problem << std::endl;
        return;
    }
    m_currentMs = static_cast<int>(std::lround(result->latencySeconds * 1000.0));
    m_useLatency(m_currentMs / 1000.0);
    m_status = std::string("kept in ") + LatencyCalibration::kFileName + " and in use";
    std::cerr << LatencyCalibration::kFileName << ": latency " << m_currentMs << " ms kept for later runs" << std::endl;
}

void SoundCalibration::Draw()
{
    if (!m_open)
    {
        return;
    }
    ImGui::SetNextWindowPos(ImVec2(300.0f, 200.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowBgAlpha(0.9f);
    if (ImGui::Begin("Sound calibration", nullptr, ImGuiWindowFlags_AlwaysAutoResize))
    {
        ImGui::Text("Tap Space on each click you hear: %d to get the beat, then %d that count.",
                    LatencyCalibration::kLeadInClicks, LatencyCalibration::kCountedClicks);
        const int click = m_calibration.ClickAt(MusicPlayer::SystemClockSeconds());
        if (m_playing)
        {
            ImGui::Text("click %d of %d, %d taps counted", std::max(click + 1, 0), LatencyCalibration::kClicks,
                        m_calibration.Taps());
        }
        if (const std::optional<LatencyCalibration::Result> result = m_calibration.Measure(); result && !m_playing)
        {
            ImGui::Text("sound heard %.0f ms after it was played (spread %.0f ms, %d taps); in use: %d ms",
                        result->latencySeconds * 1000.0, result->spreadSeconds * 1000.0, result->taps, m_currentMs);
            ImGui::TextUnformatted("Enter: keep it for later runs and use it now.  F4: close (F4 again: a new run).");
        }
        else if (!m_playing && m_started)
        {
            ImGui::Text("%d taps counted: too few (%d at least). F4: close (F4 again: a new run).",
                        m_calibration.Taps(), LatencyCalibration::kFewestTaps);
        }
        if (!m_status.empty())
        {
            ImGui::TextUnformatted(m_status.c_str());
        }
    }
    ImGui::End();
}
