// The music's lead over the clock: see MusicLatency.h.
#include "app/MusicLatency.h"

#include <cmath>

MusicLatency MusicLatency::Choose(std::optional<int> fromOptions, const Platform& platform)
{
    if (fromOptions)
    {
        return {*fromOptions, Source::Options};
    }
    if (platform.wine)
    {
        return {kWineMs, Source::Wine};
    }
    // A report of nothing, of a negative or non-finite time or of more than any device adds is not believed, and
    // a wrong lead is worse than none: with none the sound only trails the picture by the device's latency.
    if (const std::optional<double> reported = platform.reportedSeconds;
        reported && std::isfinite(*reported) && *reported > 0.0 && *reported * 1000.0 <= kLongestTrustedReportMs)
    {
        return {static_cast<int>(std::lround(*reported * 1000.0)), Source::PlatformReport};
    }
    return {0, Source::None};
}

void MusicLatency::UseCalibrated(int milliseconds)
{
    m_milliseconds = milliseconds;
    m_source = Source::Calibrated;
}

std::string MusicLatency::Describe() const
{
    const std::string figure = std::to_string(m_milliseconds) + " ms";
    switch (m_source)
    {
    case Source::Calibrated: return figure + ", as calibrated (F4)";
    case Source::Options: return figure + ", as EngineOptions.xml says";
    case Source::Wine: return figure + ", Wine's audio path as measured";
    case Source::PlatformReport: return figure + ", the output latency Windows reports";
    case Source::None: break;
    }
    return figure + ": Windows reports no output latency to trust; F4 calibrates";
}
