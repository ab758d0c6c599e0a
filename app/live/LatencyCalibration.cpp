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

double LatencyCalibration::ClickSeconds(int click)
{
    return kFirstClickSeconds + click * kBeatSeconds;
}

void LatencyCalibration::Begin(double trackStartSeconds)
{
    m_trackStart = trackStartSeconds;
    m_tapTimes.clear();
    m_placed.assign(kClicks, std::nullopt);
    m_perClick.assign(kClicks, std::nullopt);
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

void LatencyCalibration::PlaceClick(int click, double seconds)
{
    if (!m_trackStart || click < 0 || click >= kClicks)
    {
        return;
    }
    std::optional<double>& placed = m_placed[static_cast<std::size_t>(click)];
    if (!placed || seconds < *placed)
    {
        placed = seconds;
        Recount();
    }
}

double LatencyCalibration::ClickPlayedAt(int click) const
{
    if (click >= 0 && click < kClicks && click < static_cast<int>(m_placed.size()) &&
        m_placed[static_cast<std::size_t>(click)])
    {
        return *m_placed[static_cast<std::size_t>(click)];
    }
    return TrackStart() + ClickSeconds(click);
}

int LatencyCalibration::ClickAt(double seconds) const
{
    if (!m_trackStart)
    {
        return -1;
    }
    const double inTrack = seconds - *m_trackStart;
    const int click = static_cast<int>(std::floor((inTrack - kFirstClickSeconds) / kBeatSeconds));
    return std::clamp(click, -1, kClicks);
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
    m_perClick.assign(kClicks, std::nullopt);
    for (const double tap : m_tapTimes)
    {
        const double inTrack = tap - *m_trackStart;
        const int click =
            static_cast<int>(std::floor((inTrack - kFirstClickSeconds + kEarliestTapSeconds) / kBeatSeconds));
        if (click >= kLeadInClicks && click < kClicks)
        {
            const std::optional<double>& placed = m_placed[static_cast<std::size_t>(click)];
            m_perClick[static_cast<std::size_t>(click)] = placed ? tap - *placed : inTrack - ClickSeconds(click);
        }
    }
    m_offsets.clear();
    for (const std::optional<double>& offset : m_perClick)
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
