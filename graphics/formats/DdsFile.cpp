// DirectDraw Surface parsing: headers, the legacy pixel-format table, the DX10 extension and the surface layout.
// Every size is checked against the bytes actually present before anything is read; no Direct3D here.
#include "graphics/formats/DdsFile.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <limits>

namespace
{

constexpr uint32_t kMagic = 0x20534444;   // "DDS "
constexpr size_t kHeaderEnd = 128;        // magic + 124-byte header
constexpr size_t kDx10HeaderEnd = 148;    // ... + 20-byte extended header

// Header flags, pixel-format flags and caps as the DDS format defines them.
constexpr uint32_t kFlagDepth = 0x800000;
constexpr uint32_t kPfAlpha = 0x2;
constexpr uint32_t kPfFourCC = 0x4;
constexpr uint32_t kPfRgb = 0x40;
constexpr uint32_t kPfLuminance = 0x20000;
constexpr uint32_t kCaps2CubeMap = 0x200;
constexpr uint32_t kCaps2AllFaces = 0xFC00;
constexpr uint32_t kMiscTextureCube = 0x4;

constexpr uint32_t FourCC(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

bool IsBlockCompressed(uint32_t format)
{
    return (format >= 70 && format <= 84) || (format >= 94 && format <= 99);
}

// Bytes per 4x4 block: BC1 and BC4 pack 8, the others 16.
uint32_t BlockBytes(uint32_t format)
{
    return (format <= 72 || (format >= 79 && format <= 81)) ? 8u : 16u;
}

// Formats that store two texels in one 32- or 64-bit pair.
bool IsPackedPair(uint32_t format)
{
    return format == 68 || format == 69 || format == 107 || format == 108 || format == 109;
}

// Row size and row count of one mip surface; false for a format this reader cannot lay out.
bool SurfaceRows(uint32_t format, uint64_t width, uint64_t height, uint64_t& rowBytes, uint64_t& rows)
{
    if (IsBlockCompressed(format))
    {
        rowBytes = std::max<uint64_t>(1, (width + 3) / 4) * BlockBytes(format);
        rows = std::max<uint64_t>(1, (height + 3) / 4);
        return true;
    }
    if (IsPackedPair(format))
    {
        rowBytes = ((width + 1) / 2) * (format >= 108 ? 8u : 4u);
        rows = height;
        return true;
    }
    const uint32_t bpp = DdsFile::BitsPerPixel(format);
    if (bpp == 0)
    {
        return false;
    }
    rowBytes = (width * bpp + 7) / 8;
    rows = height;
    return true;
}

uint32_t FullChainLength(uint32_t width, uint32_t height, uint32_t depth)
{
    uint32_t largest = std::max({width, height, depth});
    uint32_t levels = 1;
    while (largest > 1)
    {
        largest /= 2;
        ++levels;
    }
    return levels;
}

}   // namespace

uint32_t DdsFile::BitsPerPixel(uint32_t format)
{
    if (format >= 1 && format <= 4)
        return 128;
    if (format >= 5 && format <= 8)
        return 96;
    if (format >= 9 && format <= 22)
        return 64;
    if (format >= 23 && format <= 47)
        return 32;
    if (format >= 48 && format <= 59)
        return 16;
    if (format >= 60 && format <= 65)
        return 8;
    if (format == 67)
        return 32;   // R9G9B9E5_SHAREDEXP
    if (format == 68 || format == 69)
        return 16;   // two texels in 32 bits
    if (format >= 70 && format <= 72)
        return 4;   // BC1
    if (format >= 73 && format <= 78)
        return 8;   // BC2, BC3
    if (format >= 79 && format <= 81)
        return 4;   // BC4
    if (format >= 82 && format <= 84)
        return 8;   // BC5
    if (format == 85 || format == 86)
        return 16;
    if (format >= 87 && format <= 93)
        return 32;
    if (format >= 94 && format <= 99)
        return 8;   // BC6H, BC7
    if (format == 100 || format == 101)
        return 32;   // AYUV, Y410
    if (format == 102)
        return 64;   // Y416
    if (format == 107)
        return 16;   // YUY2
    if (format == 108 || format == 109)
        return 32;   // Y210, Y216
    if (format == 115)
        return 16;   // B4G4R4A4
    // Unknown, R1 and the planar and palettized video formats have no simple row layout.
    return 0;
}

bool DdsFile::Fail(const std::string& reason) const
{
    std::cerr << m_fileName << ": " << reason << '\n';
    return false;
}

bool DdsFile::ReadLegacyFormat(const uint8_t* pf)
{
    const uint32_t flags = ReadU32(pf + 4);
    const uint32_t fourCC = ReadU32(pf + 8);
    const uint32_t bits = ReadU32(pf + 12);
    const uint32_t r = ReadU32(pf + 16);
    const uint32_t g = ReadU32(pf + 20);
    const uint32_t b = ReadU32(pf + 24);
    const uint32_t a = ReadU32(pf + 28);
    auto masks = [&](uint32_t mr, uint32_t mg, uint32_t mb, uint32_t ma) {
        return r == mr && g == mg && b == mb && a == ma;
    };

    DdsFormat format = DdsFormat::Unknown;
    if (flags & kPfRgb)
    {
        if (bits == 32)
        {
            if (masks(0xFF, 0xFF00, 0xFF0000, 0xFF000000))
                format = DdsFormat::R8G8B8A8_UNORM;
            else if (masks(0xFF0000, 0xFF00, 0xFF, 0xFF000000))
                format = DdsFormat::B8G8R8A8_UNORM;
            else if (masks(0xFF0000, 0xFF00, 0xFF, 0))
                format = DdsFormat::B8G8R8X8_UNORM;
            else if (masks(0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000))
                format = DdsFormat::R10G10B10A2_UNORM;
            else if (masks(0xFFFF, 0xFFFF0000, 0, 0))
                format = DdsFormat::R16G16_UNORM;
            else if (masks(0xFFFFFFFF, 0, 0, 0))
                format = DdsFormat::R32_FLOAT;
        }
        else if (bits == 16)
        {
            if (masks(0x7C00, 0x3E0, 0x1F, 0x8000))
                format = DdsFormat::B5G5R5A1_UNORM;
            else if (masks(0xF800, 0x7E0, 0x1F, 0))
                format = DdsFormat::B5G6R5_UNORM;
            else if (masks(0xF00, 0xF0, 0xF, 0xF000))
                format = DdsFormat::B4G4R4A4_UNORM;
        }
    }
    else if (flags & kPfLuminance)
    {
        if (bits == 8 && masks(0xFF, 0, 0, 0))
            format = DdsFormat::R8_UNORM;
        else if (bits == 16 && masks(0xFFFF, 0, 0, 0))
            format = DdsFormat::R16_UNORM;
        else if (bits == 16 && masks(0xFF, 0, 0, 0xFF00))
            format = DdsFormat::R8G8_UNORM;
    }
    else if (flags & kPfAlpha)
    {
        if (bits == 8)
            format = DdsFormat::A8_UNORM;
    }
    else if (flags & kPfFourCC)
    {
        switch (fourCC)
        {
        case FourCC('D', 'X', 'T', '1'): format = DdsFormat::BC1_UNORM; break;
        case FourCC('D', 'X', 'T', '2'):
        case FourCC('D', 'X', 'T', '3'): format = DdsFormat::BC2_UNORM; break;
        case FourCC('D', 'X', 'T', '4'):
        case FourCC('D', 'X', 'T', '5'): format = DdsFormat::BC3_UNORM; break;
        case FourCC('A', 'T', 'I', '1'):
        case FourCC('B', 'C', '4', 'U'): format = DdsFormat::BC4_UNORM; break;
        case FourCC('B', 'C', '4', 'S'): format = DdsFormat::BC4_SNORM; break;
        case FourCC('A', 'T', 'I', '2'):
        case FourCC('B', 'C', '5', 'U'): format = DdsFormat::BC5_UNORM; break;
        case FourCC('B', 'C', '5', 'S'): format = DdsFormat::BC5_SNORM; break;
        case FourCC('R', 'G', 'B', 'G'): format = DdsFormat::R8G8_B8G8_UNORM; break;
        case FourCC('G', 'R', 'G', 'B'): format = DdsFormat::G8R8_G8B8_UNORM; break;
        case FourCC('Y', 'U', 'Y', '2'): format = DdsFormat::YUY2; break;
        // Older tools wrote these D3DFORMAT numbers in place of a four-character code.
        case 36: format = DdsFormat::R16G16B16A16_UNORM; break;
        case 110: format = DdsFormat::R16G16B16A16_SNORM; break;
        case 111: format = DdsFormat::R16_FLOAT; break;
        case 112: format = DdsFormat::R16G16_FLOAT; break;
        case 113: format = DdsFormat::R16G16B16A16_FLOAT; break;
        case 114: format = DdsFormat::R32_FLOAT; break;
        case 115: format = DdsFormat::R32G32_FLOAT; break;
        case 116: format = DdsFormat::R32G32B32A32_FLOAT; break;
        default: break;
        }
    }
    if (format == DdsFormat::Unknown)
    {
        return Fail("unsupported legacy pixel format (flags 0x" +
                    [](uint32_t v) {
                        char text[16];
                        std::snprintf(text, sizeof text, "%X", v);
                        return std::string(text);
                    }(flags) +
                    ", " + std::to_string(bits) + " bits)");
    }
    m_format = format;
    return true;
}

bool DdsFile::Parse(std::vector<uint8_t> bytes, const std::string& fileName)
{
    m_bytes = std::move(bytes);
    m_fileName = fileName;
    m_format = DdsFormat::Unknown;

    if (m_bytes.size() < kHeaderEnd)
    {
        return Fail("file is " + std::to_string(m_bytes.size()) + " bytes, shorter than the 128-byte DDS header");
    }
    if (m_bytes.size() > std::numeric_limits<uint32_t>::max())
    {
        return Fail("file is 4 GiB or larger");
    }
    const uint8_t* p = m_bytes.data();
    if (ReadU32(p) != kMagic)
    {
        return Fail("not a DDS file (bad magic number)");
    }
    if (ReadU32(p + 4) != 124 || ReadU32(p + 76) != 32)
    {
        return Fail("header or pixel-format block has the wrong size");
    }
    const uint32_t flags = ReadU32(p + 8);
    m_height = ReadU32(p + 12);
    m_width = ReadU32(p + 16);
    m_depth = ReadU32(p + 24);
    m_mipCount = std::max<uint32_t>(1, ReadU32(p + 28));
    const uint8_t* pixelFormat = p + 76;
    const uint32_t caps2 = ReadU32(p + 112);
    m_arraySize = 1;
    m_isCubeMap = false;

    const bool hasDx10 =
        (ReadU32(pixelFormat + 4) & kPfFourCC) && ReadU32(pixelFormat + 8) == FourCC('D', 'X', '1', '0');
    if (hasDx10)
    {
        if (m_bytes.size() < kDx10HeaderEnd)
        {
            return Fail("file announces a DX10 header but is only " + std::to_string(m_bytes.size()) + " bytes");
        }
        const uint32_t format = ReadU32(p + 128);
        const uint32_t dimension = ReadU32(p + 132);
        const uint32_t misc = ReadU32(p + 136);
        m_arraySize = ReadU32(p + 140);
        m_dataOffset = kDx10HeaderEnd;
        if (BitsPerPixel(format) == 0)
        {
            return Fail("unsupported DXGI format " + std::to_string(format));
        }
        m_format = static_cast<DdsFormat>(format);
        if (m_arraySize == 0)
        {
            return Fail("array size is 0");
        }
        switch (dimension)
        {
        case 2:
            m_dimension = DdsDimension::Texture1D;
            m_height = 1;
            m_depth = 1;
            break;
        case 3:
            m_dimension = DdsDimension::Texture2D;
            m_depth = 1;
            if (misc & kMiscTextureCube)
            {
                m_isCubeMap = true;
                if (m_arraySize > kMaxArraySize / 6)
                {
                    return Fail("too many cube maps in the array (" + std::to_string(m_arraySize) + ")");
                }
                m_arraySize *= 6;
            }
            break;
        case 4:
            m_dimension = DdsDimension::Texture3D;
            if (!(flags & kFlagDepth) && m_depth == 0)
            {
                m_depth = 1;
            }
            if (m_arraySize != 1)
            {
                return Fail("a volume texture cannot be an array");
            }
            break;
        default: return Fail("unknown resource dimension " + std::to_string(dimension));
        }
    }
    else
    {
        m_dataOffset = kHeaderEnd;
        if (!ReadLegacyFormat(pixelFormat))
        {
            return false;
        }
        if (flags & kFlagDepth)
        {
            m_dimension = DdsDimension::Texture3D;
        }
        else
        {
            m_dimension = DdsDimension::Texture2D;
            m_depth = 1;
            if (caps2 & kCaps2CubeMap)
            {
                if ((caps2 & kCaps2AllFaces) != kCaps2AllFaces)
                {
                    return Fail("cube map does not have all six faces");
                }
                m_isCubeMap = true;
                m_arraySize = 6;
            }
        }
    }

    if (m_width == 0 || m_height == 0 || m_depth == 0)
    {
        return Fail("image has a zero dimension (" + std::to_string(m_width) + " x " + std::to_string(m_height) +
                    " x " + std::to_string(m_depth) + ")");
    }
    const uint32_t limit = m_dimension == DdsDimension::Texture3D   ? kMaxTexture3DSize
                           : m_dimension == DdsDimension::Texture1D ? kMaxTexture1DSize
                                                                    : kMaxTexture2DSize;
    if (m_width > limit || m_height > limit || (m_dimension == DdsDimension::Texture3D && m_depth > limit))
    {
        return Fail("image is larger than Direct3D 11 allows (" + std::to_string(limit) + " per side)");
    }
    if (m_arraySize > kMaxArraySize)
    {
        return Fail("array size " + std::to_string(m_arraySize) + " exceeds " + std::to_string(kMaxArraySize));
    }
    if (m_mipCount > kMaxMipLevels)
    {
        return Fail("mip count " + std::to_string(m_mipCount) + " exceeds " + std::to_string(kMaxMipLevels));
    }
    const uint32_t depthForChain = m_dimension == DdsDimension::Texture3D ? m_depth : 1;
    if (m_mipCount > FullChainLength(m_width, m_height, depthForChain))
    {
        return Fail("mip count " + std::to_string(m_mipCount) + " is more than the image's size allows");
    }
    DdsLayout layout;
    if (!LayoutSurfaces(0, layout))
    {
        return Fail("file is shorter than its header says (" + std::to_string(m_bytes.size()) + " bytes)");
    }
    return true;
}

bool DdsFile::LayoutSurfaces(uint32_t maxSize, DdsLayout& out) const
{
    out = DdsLayout{};
    const uint32_t format = GetFormatNumber();
    uint64_t offset = m_dataOffset;
    const uint64_t end = m_bytes.size();
    for (uint32_t slice = 0; slice < m_arraySize; ++slice)
    {
        uint64_t w = m_width;
        uint64_t h = m_height;
        uint64_t d = m_depth;
        uint32_t kept = 0;
        for (uint32_t mip = 0; mip < m_mipCount; ++mip)
        {
            uint64_t rowBytes = 0;
            uint64_t rows = 0;
            if (!SurfaceRows(format, w, h, rowBytes, rows))
            {
                return false;
            }
            const uint64_t slicePitch = rowBytes * rows;
            const uint64_t surfaceBytes = slicePitch * d;
            const bool keep = m_mipCount <= 1 || maxSize == 0 || (w <= maxSize && h <= maxSize && d <= maxSize);
            if (keep)
            {
                if (surfaceBytes > end || offset > end - surfaceBytes)
                {
                    return false;
                }
                if (kept == 0 && slice == 0)
                {
                    out.width = static_cast<uint32_t>(w);
                    out.height = static_cast<uint32_t>(h);
                    out.depth = static_cast<uint32_t>(d);
                }
                DdsSurface surface;
                surface.offset = static_cast<size_t>(offset);
                surface.rowPitch = static_cast<uint32_t>(rowBytes);
                surface.slicePitch = static_cast<uint32_t>(slicePitch);
                out.surfaces.push_back(surface);
                ++kept;
            }
            offset += surfaceBytes;
            if (offset > end)
            {
                return false;
            }
            w = std::max<uint64_t>(1, w / 2);
            h = std::max<uint64_t>(1, h / 2);
            d = std::max<uint64_t>(1, d / 2);
        }
        if (kept == 0)
        {
            return false;
        }
        out.mipCount = kept;
    }
    return !out.surfaces.empty();
}
