// The process-wide registry of textures, keyed by the exact (case-sensitive) file name.
// Entries are only added, never removed; a name is read from disk at most once, even if that read failed.
#pragma once

#include "graphics/registries/TextureClass.h"

#include <map>
#include <string>

class TextureHolder
{
public:
    // True when the name is already registered (the file is not read again) or loads and uploads now.
    bool LoadTexture(ID3D11Device* device, ID3D11DeviceContext* context, const std::string& fileName);

    // The entry for the name. A name that was never loaded throws std::runtime_error naming the file.
    // An entry whose load failed is returned as it is: its view is null and samples as black.
    TextureClass& Get(const std::string& fileName);

    bool Contains(const std::string& fileName) const { return m_textures.count(fileName) != 0; }
    size_t Size() const { return m_textures.size(); }

    // The registry the graphics object published, or null before it exists.
    static TextureHolder* Instance();
    static void SetInstance(TextureHolder* holder);

private:
    std::map<std::string, TextureClass> m_textures;
};
