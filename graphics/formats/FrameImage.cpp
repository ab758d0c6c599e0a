// PNG encoding of captured frames and screenshots through stb's image writer.
#include "graphics/formats/FrameImage.h"

#include <iostream>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO_LINEAR
#include <stb_image_write.h>

bool FrameImage::WritePng(const std::string& fileName) const
{
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<std::size_t>(width) * height * 4)
    {
        std::cerr << fileName << ": no image to write (" << width << " x " << height << ")\n";
        return false;
    }
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t pixel = 0, count = rgb.size() / 3; pixel < count; ++pixel)
    {
        rgb[pixel * 3 + 0] = rgba[pixel * 4 + 0];
        rgb[pixel * 3 + 1] = rgba[pixel * 4 + 1];
        rgb[pixel * 3 + 2] = rgba[pixel * 4 + 2];
    }
    if (!stbi_write_png(fileName.c_str(), width, height, 3, rgb.data(), width * 3))
    {
        std::cerr << fileName << ": cannot write the PNG file\n";
        return false;
    }
    return true;
}
