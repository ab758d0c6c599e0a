// The music's waveform as the timeline panel draws it: the lowest and highest sample of every short block,
// kept once after decoding, so that any span of time (one pixel's, at whatever width the panel has) gets its
// peaks without going through the samples again. Portable; it holds no samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class WaveformPeaks
{
public:
    // 1.45 ms at 44.1 kHz: finer than a pixel of the panel at any width a screen allows for a minute's track.
    static constexpr std::size_t kFramesPerBlock = 64;

    struct Peak
    {
        float low = 0.0f;    // -1 .. 0
        float high = 0.0f;   // 0 .. 1
    };

    WaveformPeaks() = default;
    // `samples`: interleaved 16-bit PCM of `channels` channels at `sampleRate`; every channel counts.
    WaveformPeaks(std::span<const std::int16_t> samples, int channels, int sampleRate);

    bool Empty() const { return m_blocks.empty(); }
    double Seconds() const { return m_seconds; }
    // The lowest and highest sample from `from` to `to` seconds, at least the one block `from` falls in; silence
    // (0, 0) outside the track.
    Peak Between(double from, double to) const;

private:
    std::vector<Peak> m_blocks;
    double m_blockSeconds = 0.0;
    double m_seconds = 0.0;
};
