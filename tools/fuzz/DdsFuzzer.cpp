// Fuzz target "dds": any bytes as a DirectDraw Surface file, parsed by DdsFile and laid out the ways the
// texture loader asks for (every level; without levels above 8192 or 2048 texels, its retry). Beyond not
// crashing, every surface it lays out must lie inside the file, since the GPU upload reads exactly those bytes.
// The upload itself (LoadDdsTexture) needs the device and is tested under Wine.
#include "graphics/formats/DdsFile.h"
#include "tools/fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace
{
void CheckLayout(const DdsFile& dds, std::size_t fileSize, std::uint32_t maxSize)
{
    DdsLayout layout;
    if (!dds.LayoutSurfaces(maxSize, layout))
    {
        FUZZ_CHECK(maxSize != 0, "a file that parsed lays out in full");
        return;
    }
    FUZZ_CHECK(layout.mipCount >= 1 && layout.mipCount <= dds.GetMipCount(), "kept levels come from the file");
    FUZZ_CHECK(layout.surfaces.size() == static_cast<std::size_t>(layout.mipCount) * dds.GetArraySize(),
               "one surface per kept level and slice");
    for (std::size_t i = 0; i < layout.surfaces.size(); ++i)
    {
        const DdsSurface& surface = layout.surfaces[i];
        const std::uint32_t level = static_cast<std::uint32_t>(i % layout.mipCount);
        const std::uint64_t depth = std::max<std::uint64_t>(1, std::uint64_t{layout.depth} >> level);
        const std::uint64_t end = surface.offset + std::uint64_t{surface.slicePitch} * depth;
        FUZZ_CHECK(surface.rowPitch > 0 && surface.slicePitch >= surface.rowPitch, "pitches are consistent");
        FUZZ_CHECK(end <= fileSize, "every surface lies inside the file");
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DdsFile dds;
    if (!dds.Parse(std::vector<std::uint8_t>(data, data + size), "fuzz.dds"))
    {
        return 0;
    }
    FUZZ_CHECK(dds.GetWidth() >= 1 && dds.GetHeight() >= 1 && dds.GetDepth() >= 1, "no empty image parses");
    FUZZ_CHECK(dds.GetMipCount() >= 1 && dds.GetMipCount() <= DdsFile::kMaxMipLevels, "mip count in range");
    FUZZ_CHECK(dds.GetArraySize() >= 1 && dds.GetArraySize() <= DdsFile::kMaxArraySize, "array size in range");
    FUZZ_CHECK(!dds.IsCubeMap() || dds.GetArraySize() % 6 == 0, "cube maps come in whole cubes");
    for (const std::uint32_t maxSize : {0u, 8192u, 2048u, 1u})
    {
        CheckLayout(dds, size, maxSize);
    }
    return 0;
}
