// The process-wide registry of shaders, keyed by the exact (case-sensitive) wide file name.
// Entries are only added, never removed; the first registration of a name fixes its kind, even if it failed.
#pragma once

#include "graphics/ShaderClass.h"

#include <map>
#include <string>

class ShaderHolder {
public:
    // Compiles and creates the shader unless the name is already registered (then true, whatever its kind).
    // False when the file does not compile, in which case the failed entry stays and is never recompiled.
    // A file that cannot be read, or byte code the device refuses for the kind, throws DxException after one
    // line on standard error that names the file and says which of the two failed.
    bool Register(ID3D11Device* device, const std::wstring& fileName, int kind);

    // The entry for a shader that compiled. A name that was never registered, or whose compilation failed,
    // throws std::runtime_error naming the file: binding it would silently draw nothing.
    ShaderClass& Get(const std::wstring& fileName);

    bool Contains(const std::wstring& fileName) const { return m_shaders.count(fileName) != 0; }
    size_t Size() const { return m_shaders.size(); }

    // The registry the graphics object published, or null before it exists.
    static ShaderHolder* Instance();
    static void SetInstance(ShaderHolder* holder);

private:
    std::map<std::wstring, ShaderClass> m_shaders;
};
