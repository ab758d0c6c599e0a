// Fuzz target "targa": any bytes as a Targa file, read by TargaFile::Load from a real file as the texture
// loader does. A successful load must hold exactly width x height R, G, B, A pixels within the size limit.
// The upload to a texture needs the device and is tested under Wine.
#include "graphics/formats/TargaFile.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzWorkspace.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file = FuzzWorkspace::Get().Write("fuzz.tga", data, size);
    TargaFile targa;
    if (!targa.Load(file))
    {
        FUZZ_CHECK(targa.GetPixels().empty(), "a failed load keeps no pixels");
        return 0;
    }
    FUZZ_CHECK(targa.GetWidth() >= 1 && targa.GetWidth() <= TargaFile::kMaxSide, "width in range");
    FUZZ_CHECK(targa.GetHeight() >= 1 && targa.GetHeight() <= TargaFile::kMaxSide, "height in range");
    const std::size_t expected = static_cast<std::size_t>(targa.GetWidth()) * targa.GetHeight() * 4;
    FUZZ_CHECK(targa.GetPixels().size() == expected, "four bytes per pixel, no more, no less");
    FUZZ_CHECK(size >= 18 + expected, "the pixels came from the file");
    return 0;
}
