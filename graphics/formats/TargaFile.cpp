// Uncompressed 32-bit Targa reader. Sizes are checked before any allocation, and the pixel data is read in
// chunks so that a header promising more than the file holds costs no more memory than the file itself.
#include "graphics/formats/TargaFile.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace
{

constexpr size_t kHeaderSize = 18;
constexpr size_t kReadChunk = size_t{1} << 20;

bool Fail(const std::string& fileName, const std::string& reason)
{
    std::cerr << fileName << ": " << reason << '\n';
    return false;
}

}   // namespace

bool TargaFile::Load(const std::string& fileName)
{
    m_pixels.clear();
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (!file)
    {
        return Fail(fileName, "cannot open the file");
    }
    // Reads the rest after the header; closing is part of the result, as a failed close may hide a read error.
    auto finish = [&](bool ok, const std::string& reason) {
        const bool closed = std::fclose(file) == 0;
        if (!ok)
        {
            return Fail(fileName, reason);
        }
        if (!closed)
        {
            return Fail(fileName, "cannot close the file");
        }
        return true;
    };

    uint8_t header[kHeaderSize];
    if (std::fread(header, 1, kHeaderSize, file) != kHeaderSize)
    {
        return finish(false, "file is shorter than the 18-byte Targa header");
    }
    m_width = header[12] | (header[13] << 8);
    m_height = header[14] | (header[15] << 8);
    const int bitsPerPixel = header[16];
    if (bitsPerPixel != 32)
    {
        return finish(false, std::to_string(bitsPerPixel) + " bits per pixel; only 32-bit images are supported");
    }
    if (m_width == 0 || m_height == 0)
    {
        return finish(false,
                      "image has no pixels (" + std::to_string(m_width) + " x " + std::to_string(m_height) + ")");
    }
    if (m_width > kMaxSide || m_height > kMaxSide)
    {
        return finish(false, "image is " + std::to_string(m_width) + " x " + std::to_string(m_height) +
                                 ", larger than the largest texture (" + std::to_string(kMaxSide) + " per side)");
    }

    const size_t needed = static_cast<size_t>(m_width) * static_cast<size_t>(m_height) * 4;
    std::vector<uint8_t> raw;
    while (raw.size() < needed)
    {
        const size_t before = raw.size();
        const size_t chunk = std::min(kReadChunk, needed - before);
        raw.resize(before + chunk);
        const size_t got = std::fread(raw.data() + before, 1, chunk, file);
        if (got != chunk)
        {
            return finish(false, "pixel data is truncated (" + std::to_string(before + got) + " of " +
                                     std::to_string(needed) + " bytes)");
        }
    }
    if (!finish(true, ""))
    {
        return false;
    }

    // The file stores B, G, R, A; the texture wants R, G, B, A.
    m_pixels.resize(needed);
    for (size_t i = 0; i < needed; i += 4)
    {
        m_pixels[i + 0] = raw[i + 2];
        m_pixels[i + 1] = raw[i + 1];
        m_pixels[i + 2] = raw[i + 0];
        m_pixels[i + 3] = raw[i + 3];
    }
    return true;
}
