// Texture registration (read once per name) and lookup by file name.
// It does not retry failed loads or reload changed files.
#include "graphics/registries/TextureHolder.h"

#include <stdexcept>

namespace
{
TextureHolder* g_textureHolder = nullptr;
}

bool TextureHolder::LoadTexture(ID3D11Device* device, ID3D11DeviceContext* context, const std::string& fileName)
{
    if (m_textures.count(fileName) != 0)
    {
        return true;
    }
    TextureClass& entry = m_textures[fileName];
    if (!entry.LoadFromFile(fileName, device, context))
    {
        return false;
    }
    if (entry.IsCreated())
    {
        return true;
    }
    return entry.CreateOnDevice(device, context);
}

TextureClass& TextureHolder::Get(const std::string& fileName)
{
    const auto found = m_textures.find(fileName);
    if (found == m_textures.end())
    {
        throw std::runtime_error(fileName + ": texture was never loaded");
    }
    return found->second;
}

TextureHolder* TextureHolder::Instance()
{
    return g_textureHolder;
}

void TextureHolder::SetInstance(TextureHolder* holder)
{
    g_textureHolder = holder;
}
