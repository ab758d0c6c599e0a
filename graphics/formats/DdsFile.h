// Reads and validates a DirectDraw Surface file held in memory and lays out its subresources.
// It does not touch Direct3D: the GPU upload lives in LoadDdsTexture, which feeds these results to the device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// DXGI format numbers, mirrored so that this parser needs no Direct3D header. Only the formats the legacy
// header can name are listed; extended headers may carry any other supported number.
enum class DdsFormat : uint32_t
{
    Unknown = 0,
    R32G32B32A32_FLOAT = 2,
    R16G16B16A16_FLOAT = 10,
    R16G16B16A16_UNORM = 11,
    R16G16B16A16_SNORM = 13,
    R32G32_FLOAT = 16,
    R10G10B10A2_UNORM = 24,
    R8G8B8A8_UNORM = 28,
    R16G16_FLOAT = 34,
    R16G16_UNORM = 35,
    R32_FLOAT = 41,
    R8G8_UNORM = 49,
    R16_FLOAT = 54,
    R16_UNORM = 56,
    R8_UNORM = 61,
    A8_UNORM = 65,
    R8G8_B8G8_UNORM = 68,
    G8R8_G8B8_UNORM = 69,
    BC1_UNORM = 71,
    BC2_UNORM = 74,
    BC3_UNORM = 77,
    BC4_UNORM = 80,
    BC4_SNORM = 81,
    BC5_UNORM = 83,
    BC5_SNORM = 84,
    B5G6R5_UNORM = 85,
    B5G5R5A1_UNORM = 86,
    B8G8R8A8_UNORM = 87,
    B8G8R8X8_UNORM = 88,
    YUY2 = 107,
    B4G4R4A4_UNORM = 115,
};

// The values of D3D11_RESOURCE_DIMENSION, which the extended header uses as well.
enum class DdsDimension : uint32_t
{
    Texture1D = 2,
    Texture2D = 3,
    Texture3D = 4
};

// One subresource: where its bytes start in the file and how they are pitched.
struct DdsSurface
{
    size_t offset = 0;
    uint32_t rowPitch = 0;
    uint32_t slicePitch = 0;
};

// The subresources of one creation attempt, in Direct3D's order (mip level fastest, then array slice).
struct DdsLayout
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;
    uint32_t mipCount = 0;
    std::vector<DdsSurface> surfaces;
};

class DdsFile
{
public:
    // Direct3D 11's resource limits (D3D11_REQ_* in d3d11.h).
    static constexpr uint32_t kMaxMipLevels = 15;
    static constexpr uint32_t kMaxTexture1DSize = 16384;
    static constexpr uint32_t kMaxTexture2DSize = 16384;
    static constexpr uint32_t kMaxTexture3DSize = 2048;
    static constexpr uint32_t kMaxArraySize = 2048;

    // Takes the whole file. On failure reports "fileName: reason" on standard error and returns false.
    bool Parse(std::vector<uint8_t> bytes, const std::string& fileName);

    // Lays out the subresources, leaving out the top mip levels that exceed maxSize in any dimension
    // (0 keeps every level). Fails when nothing is left; never reads past the file.
    bool LayoutSurfaces(uint32_t maxSize, DdsLayout& out) const;

    const uint8_t* Data() const { return m_bytes.data(); }
    DdsFormat GetFormat() const { return m_format; }
    uint32_t GetFormatNumber() const { return static_cast<uint32_t>(m_format); }
    DdsDimension GetDimension() const { return m_dimension; }
    uint32_t GetWidth() const { return m_width; }
    uint32_t GetHeight() const { return m_height; }
    uint32_t GetDepth() const { return m_depth; }
    uint32_t GetMipCount() const { return m_mipCount; }
    // Number of 2D slices; six per cube for cube maps.
    uint32_t GetArraySize() const { return m_arraySize; }
    bool IsCubeMap() const { return m_isCubeMap; }

    // Bits per texel of a DXGI format number, or 0 when this reader cannot lay it out.
    static uint32_t BitsPerPixel(uint32_t format);

private:
    bool Fail(const std::string& reason) const;
    bool ReadLegacyFormat(const uint8_t* pixelFormat);

    std::vector<uint8_t> m_bytes;
    std::string m_fileName;
    size_t m_dataOffset = 0;
    DdsFormat m_format = DdsFormat::Unknown;
    DdsDimension m_dimension = DdsDimension::Texture2D;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    uint32_t m_depth = 0;
    uint32_t m_mipCount = 0;
    uint32_t m_arraySize = 0;
    bool m_isCubeMap = false;
};
