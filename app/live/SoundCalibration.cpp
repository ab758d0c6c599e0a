// engine.exe's sound calibration: see SoundCalibration.h.
#include "app/live/SoundCalibration.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include <imgui.h>

#include "app/MusicPlayer.h"

namespace
{
// Readings of the position within this long after a beat's place place it (some frames' worth).
constexpr double kPlacingSeconds = 0.3;
// The track has moved from where the passage was asked to start: the position is in whole milliseconds.
constexpr double kMovedSeconds = 0.0005;
}

SoundCalibration::SoundCalibration(std::function<MusicPlayer*()> music, std::function<void(double)> useLatency,
                                   int currentMs)
    : m_music(std::move(music)), m_useLatency(std::move(useLatency)), m_currentMs(currentMs)
{
}

SoundCalibration::~SoundCalibration()
{
    StopPassage();
}

std::optional<int> SoundCalibration::KeptLatencyMs(const std::string& otherwise, int longestMs)
{
    std::string problem;
    const std::optional<int> kept = LatencyCalibration::LoadKept(LatencyCalibration::kFileName, longestMs, &problem);
    if (kept)
    {
        std::cerr << LatencyCalibration::kFileName << ": music latency " << *kept << " ms, as calibrated (in place of "
                  << otherwise << ")" << std::endl;
    }
    else if (!problem.empty())
    {
        std::cerr << LatencyCalibration::kFileName << ": " << problem << "; the music latency is " << otherwise
                  << std::endl;
    }
    return kept;
}

bool SoundCalibration::Carry(KeyAction action)
{
    switch (action)
    {
    case KeyAction::Calibration: m_open ? Close() : Open(); return true;
    case KeyAction::TapBeat: Tap(); return false;
    case KeyAction::KeepCalibration: Keep(); return false;
    default: return false;
    }
}

void SoundCalibration::Open()
{
    m_open = true;
    m_status.clear();
    StopPassage();
    if (!PlayPassage())
    {
        m_status = "no music to calibrate with (no music file, or no sound)";
    }
}

void SoundCalibration::Close()
{
    m_open = false;
    StopPassage();
}

MusicPlayer* SoundCalibration::Music() const
{
    return m_music ? m_music() : nullptr;
}

bool SoundCalibration::PlayPassage()
{
    MusicPlayer* music = Music();
    if (music == nullptr || !music->PlayTrackFrom(LatencyCalibration::PassageStartSeconds()))
    {
        std::cerr << MusicPlayer::kFileName << ": the calibration's beat cannot be played" << std::endl;
        return false;
    }
    m_playing = true;
    m_started = false;
    return true;
}

void SoundCalibration::StopPassage()
{
    if (!m_playing)
    {
        return;
    }
    m_playing = false;
    if (MusicPlayer* music = Music(); music != nullptr && music->IsPlayingTrack())
    {
        music->PauseTrack();
    }
}

void SoundCalibration::Update()
{
    if (!m_playing)
    {
        return;
    }
    MusicPlayer* music = Music();
    if (music == nullptr || !music->IsPlayingTrack())
    {
        m_playing = false;   // the music went back to the clock, or was closed
        return;
    }
    // The track's position was read at most when the answer came: each reading bounds the track's start from
    // above, and the earliest bound is the closest.
    const std::optional<double> answer = music->TrackPosition();
    const double read = MusicPlayer::SystemClockSeconds();
    if (!answer || *answer < LatencyCalibration::PassageStartSeconds() + kMovedSeconds)
    {
        return;   // not moving yet: the device is still seeking
    }
    const double position = *answer;
    if (!m_started)
    {
        m_calibration.Begin(read - position);
        m_started = true;
        std::fprintf(stderr, "calibration: beat playing, the track's 0 at %.4f s (system clock)\n", read - position);
    }
    else
    {
        m_calibration.RefineStart(read - position);
    }
    // A beat whose place the position passed a moment ago is placed by this reading: it was there at most this
    // long before the answer came.
    for (int beat = 0; beat < LatencyCalibration::kBeats; ++beat)
    {
        const double since = position - LatencyCalibration::BeatSeconds(beat);
        if (since >= 0.0 && since < kPlacingSeconds)
        {
            m_calibration.PlaceBeat(beat, read - since);
        }
    }
    if (position >= LatencyCalibration::PassageEndSeconds() - 0.5)
    {
        StopPassage();
        for (int beat = 0; beat < LatencyCalibration::kBeats; ++beat)
        {
            std::fprintf(stderr, "calibration: beat %d played at %.4f s\n", beat, m_calibration.BeatPlayedAt(beat));
        }
        if (const std::optional<LatencyCalibration::Result> result = m_calibration.Measure())
        {
            std::fprintf(stderr, "calibration: %d taps, latency %.1f ms, spread %.1f ms (the track's 0 at %.4f s)\n",
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
        ImGui::Text("Tap Space on each drum beat of the music: %d to get the beat, then %d that count.",
                    LatencyCalibration::kLeadInBeats, LatencyCalibration::kCountedBeats);
        const int beat = m_calibration.BeatAt(MusicPlayer::SystemClockSeconds());
        if (m_playing)
        {
            ImGui::Text("beat %d of %d, %d taps counted", std::max(beat + 1, 0), LatencyCalibration::kBeats,
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
