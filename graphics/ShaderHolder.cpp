// Shader registration (compile once per name) and lookup. Lookups of unknown or failed names raise an
// exception naming the file instead of ending the process silently or handing out a null shader.
#include "graphics/ShaderHolder.h"

#include "graphics/AnsiConversion.h"

#include <stdexcept>

namespace {
ShaderHolder* g_shaderHolder = nullptr;
}

bool ShaderHolder::Register(ID3D11Device* device, const std::wstring& fileName, int kind)
{
    if (m_shaders.count(fileName) != 0) {
        return true;
    }
    ShaderClass& entry = m_shaders[fileName];
    entry.SetType(kind);
    if (!entry.Compile(fileName)) {
        return false;
    }
    return entry.Create(device);
}

ShaderClass& ShaderHolder::Get(const std::wstring& fileName)
{
    const auto found = m_shaders.find(fileName);
    if (found == m_shaders.end()) {
        throw std::runtime_error(WideToAnsi(fileName) + ": shader was never registered");
    }
    if (!found->second.GetByteCode()) {
        throw std::runtime_error(WideToAnsi(fileName) + ": shader did not compile (compiler messages in " +
                                 ShaderClass::kErrorFileName + ") or is not a .fx or .cso file");
    }
    return found->second;
}

ShaderHolder* ShaderHolder::Instance() { return g_shaderHolder; }

void ShaderHolder::SetInstance(ShaderHolder* holder) { g_shaderHolder = holder; }
