// Encodes interleaved 16-bit PCM samples as a RIFF WAVE file in memory. Encoding only.
#pragma once

#include <cstdint>
#include <vector>

class WavFile
{
public:
    static std::vector<uint8_t> Encode(const std::vector<int16_t>& interleaved, int sampleRate, int channels);
};
