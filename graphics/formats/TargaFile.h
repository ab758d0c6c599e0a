// Reads an uncompressed 32-bit Targa file into R, G, B, A pixel rows.
// It does not interpret the image type, colour map, identification field or origin bits: pixels start right
// after the 18-byte header and rows keep their file order. No Direct3D here; TextureClass uploads the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TargaFile
{
public:
    // Direct3D 11's largest 2D texture side (D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION); larger images cannot be uploaded.
    static constexpr int kMaxSide = 16384;

    // False, with "fileName: reason" on standard error, for a missing, short or unsupported file.
    // Width and height keep the header's values once the header has been read, even when loading fails later.
    bool Load(const std::string& fileName);

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    const std::vector<uint8_t>& GetPixels() const { return m_pixels; }
    std::vector<uint8_t>& GetPixels() { return m_pixels; }

private:
    std::vector<uint8_t> m_pixels;
    int m_width = 0;
    int m_height = 0;
};
