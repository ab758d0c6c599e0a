// One captured frame as tightly packed 8-bit RGBA rows, top row first, and its PNG encoding. Portable: the
// pixels come from wherever the caller read them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FrameImage
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;   // width * height * 4 bytes

    // Writes the image as an opaque RGB PNG (the back buffer's alpha carries nothing visible). False, with a
    // line on standard error, when the file cannot be written.
    bool WritePng(const std::string& fileName) const;
};
