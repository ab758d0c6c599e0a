// Shader registration (compile once per name) and lookup. Lookups of unknown or failed names raise an
// exception naming the file instead of ending the process silently or handing out a null shader.
#include "graphics/registries/ShaderHolder.h"

#include "graphics/AnsiConversion.h"
#include "graphics/DxException.h"
#include "graphics/bindables/InputLayout.h"

#include <iostream>
#include <stdexcept>
#include <string>

namespace
{
ShaderHolder* g_shaderHolder = nullptr;

// The file was read (or compiled) fine, so the device refused the byte code itself: most likely a .cso compiled
// for another stage. The device's exception names only the call, so the line names the file.
std::string RefusedByDevice(const std::wstring& fileName, const ShaderClass& shader)
{
    return WideToAnsi(fileName) + ": the device does not accept its byte code as a " + shader.GetTarget() + " shader\n";
}
}

bool ShaderHolder::Register(ID3D11Device* device, const std::wstring& fileName, int kind)
{
    if (m_shaders.count(fileName) != 0)
    {
        return true;
    }
    ShaderClass& entry = m_shaders[fileName];
    entry.SetType(kind);
    if (!entry.Compile(fileName))
    {
        return false;
    }
    try
    {
        return entry.Create(device);
    }
    catch (const DxException&)
    {
        std::cerr << RefusedByDevice(fileName, entry);
        throw;
    }
}

ShaderClass& ShaderHolder::Get(const std::wstring& fileName)
{
    const auto found = m_shaders.find(fileName);
    if (found == m_shaders.end())
    {
        throw std::runtime_error(WideToAnsi(fileName) + ": shader was never registered");
    }
    if (!found->second.GetByteCode())
    {
        throw std::runtime_error(WideToAnsi(fileName) + ": shader did not compile (compiler messages in " +
                                 ShaderClass::kErrorFileName + ") or is not a .fx or .cso file");
    }
    return found->second;
}

std::vector<std::wstring> ShaderHolder::Names() const
{
    std::vector<std::wstring> names;
    names.reserve(m_shaders.size());
    for (const auto& entry : m_shaders)
    {
        names.push_back(entry.first);
    }
    return names;
}

ShaderHolder::ReloadOutcome ShaderHolder::Reload(ID3D11Device* device, const std::wstring& fileName,
                                                 std::string& messages)
{
    const auto found = m_shaders.find(fileName);
    if (found == m_shaders.end())
    {
        messages = WideToAnsi(fileName) + ": shader was never registered";
        return ReloadOutcome::Failed;
    }
    // Built aside: the entry keeps the old shader until the new one is complete.
    ShaderClass fresh;
    fresh.SetType(found->second.GetType());
    // Every failure is written where a failed compilation at start-up writes its messages.
    const auto fail = [&messages](std::string reason) {
        messages = std::move(reason);
        ShaderClass::WriteErrorFile(messages);
        return ReloadOutcome::Failed;
    };
    switch (fresh.TryCompile(fileName, messages))
    {
    case ShaderClass::CompileOutcome::Compiled: break;
    case ShaderClass::CompileOutcome::Unreadable: return ReloadOutcome::NotReady;
    case ShaderClass::CompileOutcome::Failed: return fail(messages);
    case ShaderClass::CompileOutcome::Unsupported: return fail(WideToAnsi(fileName) + ": not a .fx or .cso file\n");
    }
    try
    {
        fresh.Create(device);
    }
    catch (const DxException&)
    {
        return fail(RefusedByDevice(fileName, fresh));
    }
    // Every drawable builds its input layout from its vertex shader's inputs; one it cannot feed would fail
    // there, at the next bind.
    if (fresh.GetType() == ShaderClass::Vertex && !InputLayout::Accepts(device, fresh.GetByteCode()))
    {
        return fail(WideToAnsi(fileName) + ": its inputs do not match the engine's vertex layout (POSITION, "
                                           "NORMAL, TEXCOORD, COLOR, TANGENT)\n");
    }
    found->second = std::move(fresh);
    return ReloadOutcome::Replaced;
}

ShaderHolder* ShaderHolder::Instance()
{
    return g_shaderHolder;
}

void ShaderHolder::SetInstance(ShaderHolder* holder)
{
    g_shaderHolder = holder;
}
