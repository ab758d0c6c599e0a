// The waveform's peaks: see WaveformPeaks.h.
#include "app/live/timeline/WaveformPeaks.h"

#include <algorithm>
#include <cmath>

WaveformPeaks::WaveformPeaks(std::span<const std::int16_t> samples, int channels, int sampleRate)
{
    if (channels < 1 || sampleRate < 1)
    {
        return;
    }
    const auto width = static_cast<std::size_t>(channels);
    const std::size_t frames = samples.size() / width;
    m_blockSeconds = static_cast<double>(kFramesPerBlock) / sampleRate;
    m_seconds = static_cast<double>(frames) / sampleRate;
    m_blocks.reserve((frames + kFramesPerBlock - 1) / kFramesPerBlock);
    for (std::size_t first = 0; first < frames; first += kFramesPerBlock)
    {
        const std::size_t last = std::min(frames, first + kFramesPerBlock);
        std::int16_t low = 0, high = 0;
        for (std::size_t i = first * width; i < last * width; ++i)
        {
            low = std::min(low, samples[i]);
            high = std::max(high, samples[i]);
        }
        m_blocks.push_back({static_cast<float>(low) / 32768.0f, static_cast<float>(high) / 32767.0f});
    }
}

WaveformPeaks::Peak WaveformPeaks::Between(double from, double to) const
{
    Peak peak;
    if (m_blocks.empty() || !(to >= 0.0) || !(from < m_seconds))
    {
        return peak;
    }
    const double count = static_cast<double>(m_blocks.size());
    const auto first = static_cast<std::size_t>(std::clamp(std::floor(from / m_blockSeconds), 0.0, count - 1.0));
    const auto last = static_cast<std::size_t>(std::clamp(std::ceil(to / m_blockSeconds), 0.0, count));
    for (std::size_t i = first; i < std::max(last, first + 1); ++i)
    {
        peak.low = std::min(peak.low, m_blocks[i].low);
        peak.high = std::max(peak.high, m_blocks[i].high);
    }
    return peak;
}
