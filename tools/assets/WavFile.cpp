// The canonical 44-byte header (RIFF, "fmt " chunk for PCM, "data" chunk) followed by little-endian samples.
#include "tools/assets/WavFile.h"

namespace
{

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
    {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutTag(std::vector<uint8_t>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
    {
        out.push_back(static_cast<uint8_t>(tag[i]));
    }
}

}   // namespace

std::vector<uint8_t> WavFile::Encode(const std::vector<int16_t>& interleaved, int sampleRate, int channels)
{
    const uint32_t dataBytes = static_cast<uint32_t>(interleaved.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    PutU32(out, 36 + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutU32(out, 16);
    PutU16(out, 1);   // PCM
    PutU16(out, static_cast<uint16_t>(channels));
    PutU32(out, static_cast<uint32_t>(sampleRate));
    PutU32(out, static_cast<uint32_t>(sampleRate * channels * 2));
    PutU16(out, static_cast<uint16_t>(channels * 2));
    PutU16(out, 16);
    PutTag(out, "data");
    PutU32(out, dataBytes);
    for (int16_t s : interleaved)
    {
        PutU16(out, static_cast<uint16_t>(s));
    }
    return out;
}
