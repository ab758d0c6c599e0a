// Paints every material texture of the presentation (albedo and tangent-space normal maps, "D.bmp" and the
// woven "dirty-wicker-weave1" pair) procedurally from fixed seeds. Skies are SkyPainter's. Painting only:
// the images are handed back with the file name and encoding they are to be written with.
#pragma once

#include "tools/assets/Image.h"
#include "tools/assets/ImageFiles.h"

#include <string>
#include <vector>

enum class TextureEncoding
{
    Dds,
    Bmp
};

struct TextureOutput
{
    std::string fileName;
    Image image;
    TextureEncoding encoding = TextureEncoding::Dds;
    MipChain mips = MipChain::Full;
    bool isNormalMap = false;
};

class TexturePainter
{
public:
    // `scale` divides every texture's size (1 for the real assets; tests use larger values to stay quick).
    static std::vector<TextureOutput> PaintAll(int scale = 1);
};
