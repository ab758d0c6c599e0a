// Encoders from Image to the file formats the engine reads: uncompressed 32-bit RGBA DDS (legacy header,
// optionally with a full mip chain) and 24-bit bottom-up BMP. Encoding only; writing to disk is the caller's.
#pragma once

#include "tools/assets/Image.h"

#include <cstdint>
#include <vector>

enum class MipChain
{
    SingleLevel,
    Full
};

class ImageFiles
{
public:
    static std::vector<uint8_t> EncodeDds(const Image& image, MipChain mips, bool isNormalMap);
    static std::vector<uint8_t> EncodeBmp(const Image& image);
};
