// Shader registration (compile once per name) and lookup. Lookups of unknown or failed names raise an
// exception naming the file instead of ending the process silently or handing out a null shader.
#include "graphics/ShaderHolder.h"

#include "graphics/AnsiConversion.h"
#include "graphics/DxException.h"

#include <iostream>
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
    try {
        return entry.Create(device);
    } catch (const DxException&) {
        // The file was read (or compiled) fine, so the device refused the byte code itself: most likely a .cso
        // compiled for another stage. The exception names only the call, so the file is named here.
        std::cerr << WideToAnsi(fileName) << ": the device does not accept its byte code as a " << entry.GetTarget()
                  << " shader\n";
        throw;
    }
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
