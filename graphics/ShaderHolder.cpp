// Shader registration (compile once per name) and lookup. Lookups of unknown or failed names raise an
// exception naming the file instead of ending the process silently or handing out a null shader.
#include "graphics/ShaderHolder.h"

#include "graphics/AnsiConversion.h"
#include "graphics/DxException.h"
#include "graphics/InputLayout.h"

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

std::vector<std::wstring> ShaderHolder::Names() const
{
    std::vector<std::wstring> names;
    names.reserve(m_shaders.size());
    for (const auto& entry : m_shaders) {
        names.push_back(entry.first);
    }
    return names;
}

ShaderHolder::ReloadOutcome ShaderHolder::Reload(ID3D11Device* device, const std::wstring& fileName,
                                                 std::string& messages)
{
    const auto found = m_shaders.find(fileName);
    if (found == m_shaders.end()) {
        messages = WideToAnsi(fileName) + ": shader was never registered";
        return ReloadOutcome::Failed;
    }
    // Built aside: the entry keeps the old shader until the new one is complete.
    ShaderClass fresh;
    fresh.SetType(found->second.GetType());
    switch (fresh.TryCompile(fileName, messages)) {
    case ShaderClass::CompileOutcome::Compiled: break;
    case ShaderClass::CompileOutcome::Unreadable: return ReloadOutcome::NotReady;
    case ShaderClass::CompileOutcome::Failed: ShaderClass::WriteErrorFile(messages); return ReloadOutcome::Failed;
    case ShaderClass::CompileOutcome::Unsupported:
        messages = WideToAnsi(fileName) + ": not a .fx or .cso file\n";
        ShaderClass::WriteErrorFile(messages);
        return ReloadOutcome::Failed;
    }
    try {
        fresh.Create(device);
    } catch (const DxException&) {
        messages = WideToAnsi(fileName) + ": the device does not accept its byte code as a " + fresh.GetTarget() +
                   " shader\n";
        ShaderClass::WriteErrorFile(messages);
        return ReloadOutcome::Failed;
    }
    // Every drawable builds its input layout from its vertex shader's inputs; one it cannot feed would fail
    // there, at the next bind.
    if (fresh.GetType() == ShaderClass::Vertex && !InputLayout::Accepts(device, fresh.GetByteCode())) {
        messages = WideToAnsi(fileName) + ": its inputs do not match the engine's vertex layout (POSITION, "
                   "NORMAL, TEXCOORD, COLOR, TANGENT)\n";
        ShaderClass::WriteErrorFile(messages);
        return ReloadOutcome::Failed;
    }
    found->second = std::move(fresh);
    return ReloadOutcome::Replaced;
}

ShaderHolder* ShaderHolder::Instance() { return g_shaderHolder; }

void ShaderHolder::SetInstance(ShaderHolder* holder) { g_shaderHolder = holder; }
