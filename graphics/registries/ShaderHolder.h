// The process-wide registry of shaders, keyed by the exact (case-sensitive) wide file name.
// Entries are only added, never removed; the first registration of a name fixes its kind, even if it failed.
#pragma once

#include "graphics/registries/ShaderClass.h"

#include <map>
#include <string>
#include <vector>

class ShaderHolder
{
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
    // Every registered name, compiled or not, in key order.
    std::vector<std::wstring> Names() const;

    // What a reload of an edited file came to.
    enum class ReloadOutcome
    {
        Replaced,   // the entry now holds the new byte code and a new shader object
        Failed,     // the old shader stays; `messages` says why and "shader-error.txt" holds it
        NotReady,   // the file could not be read (an editor is saving it): nothing changed, try again later
    };
    // Compiles the registered file again into a shader of its kind, aside, and swaps it into the entry only
    // when everything succeeded: the compiler accepted it, the device created the shader, and a vertex shader
    // still feeds the engine's vertex layout. The entry stays where it is, so whoever holds it draws with the
    // new shader from then on, and the new shader is a different object than the one it replaces. A name
    // that was never registered fails. Never throws for a bad file.
    ReloadOutcome Reload(ID3D11Device* device, const std::wstring& fileName, std::string& messages);

    // The registry the graphics object published, or null before it exists.
    static ShaderHolder* Instance();
    static void SetInstance(ShaderHolder* holder);

private:
    std::map<std::wstring, ShaderClass> m_shaders;
};
