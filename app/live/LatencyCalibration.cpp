// The sound's latency as a user measures it: see LatencyCalibration.h.
#include "app/live/LatencyCalibration.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <tinyxml.h>

#include "app/FileReplacer.h"
#include "files/XmlFileLoader.h"

namespace
{
constexpr const char* kRootName = "MusicCalibration";
}

double LatencyCalibration::BeatSeconds(int beat)
{
    return kFirstBeatSeconds + beat * kBeatSeconds;
}

void LatencyCalibration::Begin(double trackStartSeconds)
{
    m_trackStart = trackStartSeconds;
    m_tapTimes.clear();
    m_placed.assign(kBeats, std::nullopt);
    m_perBeat.assign(kBeats, std::nullopt);
    m_offsets.clear();
}

void LatencyCalibration::RefineStart(double trackStartSeconds)
{
    if (m_trackStart && trackStartSeconds < *m_trackStart)
    {
        m_trackStart = trackStartSeconds;
        Recount();
    }
}

void LatencyCalibration::PlaceBeat(int beat, double seconds)
{
    if (!m_trackStart || beat < 0 || beat >= kBeats)
    {
        return;
    }
    std::optional<double>& placed = m_placed[static_cast<std::size_t>(beat)];
    if (!placed || seconds < *placed)
    {
        placed = seconds;
        Recount();
    }
}

double LatencyCalibration::BeatPlayedAt(int beat) const
{
    if (beat >= 0 && beat < kBeats && beat < static_cast<int>(m_placed.size()) &&
        m_placed[static_cast<std::size_t>(beat)])
    {
        return *m_placed[static_cast<std::size_t>(beat)];
    }
    return TrackStart() + BeatSeconds(beat);
}

int LatencyCalibration::BeatAt(double seconds) const
{
    if (!m_trackStart)
    {
        return -1;
    }
    const double inTrack = seconds - *m_trackStart;
    const int beat = static_cast<int>(std::floor((inTrack - kFirstBeatSeconds) / kBeatSeconds));
    return std::clamp(beat, -1, kBeats);
}

void LatencyCalibration::Tap(double seconds)
{
    if (!m_trackStart)
    {
        return;
    }
    m_tapTimes.push_back(seconds);
    Recount();
}

void LatencyCalibration::Recount()
{
    m_perBeat.assign(kBeats, std::nullopt);
    for (const double tap : m_tapTimes)
    {
        const double inTrack = tap - *m_trackStart;
        const int beat =
            static_cast<int>(std::floor((inTrack - kFirstBeatSeconds + kEarliestTapSeconds) / kBeatSeconds));
        if (beat >= kLeadInBeats && beat < kBeats)
        {
            const std::optional<double>& placed = m_placed[static_cast<std::size_t>(beat)];
            m_perBeat[static_cast<std::size_t>(beat)] = placed ? tap - *placed : inTrack - BeatSeconds(beat);
        }
    }
    m_offsets.clear();
    for (const std::optional<double>& offset : m_perBeat)
    {
        if (offset)
        {
            m_offsets.push_back(*offset);
        }
    }
}

std::optional<LatencyCalibration::Result> LatencyCalibration::Measure() const
{
    if (Taps() < kFewestTaps)
    {
        return std::nullopt;
    }
    std::vector<double> sorted = m_offsets;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    Result result;
    result.latencySeconds = n % 2 == 1 ? sorted[n / 2] : 0.5 * (sorted[n / 2 - 1] + sorted[n / 2]);
    double mean = 0.0;
    for (const double offset : sorted)
    {
        mean += offset;
    }
    mean /= static_cast<double>(n);
    double squares = 0.0;
    for (const double offset : sorted)
    {
        squares += (offset - mean) * (offset - mean);
    }
    result.spreadSeconds = std::sqrt(squares / static_cast<double>(n));
    result.taps = static_cast<int>(n);
    return result;
}

std::optional<int> LatencyCalibration::LoadKept(const std::string& fileName, int longestMs, std::string* problem)
{
    std::error_code error;
    if (!std::filesystem::exists(fileName, error))
    {
        return std::nullopt;
    }
    TiXmlDocument document;
    std::string why;
    if (!XmlFileLoader::Load(document, fileName, &why))
    {
        *problem = why;
        return std::nullopt;
    }
    const TiXmlElement* root = document.FirstChildElement();
    const char* latency = root != nullptr ? root->Attribute("latency") : nullptr;
    if (root == nullptr || std::string(root->Value()) != kRootName || latency == nullptr)
    {
        *problem = std::string("not a calibration (a <") + kRootName + " latency=\"...\"/> element)";
        return std::nullopt;
    }
    char* end = nullptr;
    const long value = std::strtol(latency, &end, 10);
    if (end == latency || *end != '\0' || value < 0 || value > longestMs)
    {
        *problem = std::string("latency \"") + latency + "\" is not a whole number of milliseconds from 0 to " +
                   std::to_string(longestMs);
        return std::nullopt;
    }
    return static_cast<int>(value);
}

bool LatencyCalibration::Keep(const Result& result, const std::string& fileName, std::string* problem)
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "<%s latency=\"%ld\" spread=\"%.1f\" taps=\"%d\"/>\n"
                  "<!-- Written by engine.exe's sound calibration (F4): the milliseconds from the music's track "
                  "to the ear, used in place of EngineOptions.xml's Sound latency. Delete it to go back. -->\n",
                  kRootName, std::lround(result.latencySeconds * 1000.0), result.spreadSeconds * 1000.0, result.taps);
    // The earlier calibration stays as FILE.bak; the file is always one whole calibration.
    return FileReplacer::Write(fileName, text, FileReplacer::Exists(fileName) ? fileName + ".bak" : std::string(),
                               problem);
}
