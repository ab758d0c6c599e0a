// One texture of the registry: Targa and bitmap files are decoded to R, G, B, A pixels and uploaded with a
// generated mip chain; DDS files go straight to the device. It keeps no sampler and does not resize images.
#pragma once

#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <vector>

class TextureClass
{
public:
    // Chooses the loader by extension (TGA, BMP, DDS in any letter case). Targa and bitmap files only fill
    // the pixel data; DDS files are created on the given device at once. False, with "file: reason" on standard
    // error, for an unsupported extension or a file that cannot be read.
    bool LoadFromFile(const std::string& fileName, ID3D11Device* device, ID3D11DeviceContext* context);

    // Uploads the pixel data as an R8G8B8A8 texture with a full generated mip chain. Throws DxException when
    // the texture cannot be created; false when its view cannot.
    bool CreateOnDevice(ID3D11Device* device, ID3D11DeviceContext* context);

    ID3D11ShaderResourceView* GetTexture() const { return m_textureView.Get(); }
    ID3D11Resource* GetResource() const { return m_texture.Get(); }
    const std::vector<uint8_t>& GetPixelData() const { return m_pixelData; }
    bool IsCreated() const { return m_created; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }

private:
    bool LoadTarga(const std::string& fileName);
    bool LoadBitmap(const std::string& fileName);
    bool LoadDds(const std::string& fileName, ID3D11Device* device, ID3D11DeviceContext* context);

    std::vector<uint8_t> m_pixelData;
    // A resource rather than a 2D texture, because DDS files may hold 1D and volume textures too.
    Microsoft::WRL::ComPtr<ID3D11Resource> m_texture;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> m_textureView;
    bool m_created = false;
    int m_width = 0;
    int m_height = 0;
};
