// Decodes a music file to 16-bit PCM with Windows' own decoder (Media Foundation's source reader), for the
// timeline panel's waveform and beat estimate. It blocks for as long as decoding takes (some 100 ms for a minute
// of MP3), so callers run it on a thread of their own. It never plays anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class MusicDecoder
{
public:
    struct Decoded
    {
        // Interleaved samples of `channels` channels at `sampleRate` frames per second; empty when the file could
        // not be decoded, and `problem` says why.
        std::vector<std::int16_t> samples;
        int channels = 0;
        int sampleRate = 0;
        std::string problem;
        double milliseconds = 0.0;   // how long decoding took
        bool Ok() const { return problem.empty(); }
        double Seconds() const
        {
            return channels > 0 && sampleRate > 0
                       ? static_cast<double>(samples.size() / static_cast<std::size_t>(channels)) / sampleRate
                       : 0.0;
        }
    };

    // The whole of `fileName` (relative to the working directory). Safe on any thread; starts and stops COM and
    // Media Foundation for the call.
    static Decoded Decode(const std::string& fileName);
};
