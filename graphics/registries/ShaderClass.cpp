// Shader compilation (D3DCompileFromFile for .fx, D3DReadFileToBlob for .cso) and shader object creation.
// Sources get no include handler and no macros, so "#include" in a shader fails to compile by design.
#include "graphics/registries/ShaderClass.h"

#include "graphics/AnsiConversion.h"
#include "graphics/DxException.h"

#include <d3d11shader.h>
#include <d3dcompiler.h>

#include <algorithm>
#include <cassert>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <iostream>

namespace
{

std::wstring UpperExtension(const std::wstring& fileName)
{
    const size_t dot = fileName.find_last_of(L'.');
    std::wstring extension = dot == std::wstring::npos ? fileName : fileName.substr(dot + 1);
    for (wchar_t& c : extension)
    {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return extension;
}

// The exception names only the failed call and its place in this file; which shader file it was about is said
// here, before it is raised, so that the report of a missing or unreadable file names that file.
void ReportUnreadable(const std::wstring& fileName, HRESULT result)
{
    std::cerr << WideToAnsi(fileName) << ": cannot be read (error 0x" << std::hex << static_cast<unsigned long>(result)
              << std::dec << ")\n";
}

}   // namespace

void ShaderClass::SetType(int kind)
{
    switch (kind)
    {
    case Compute:
        m_type = Compute;
        m_entryPoint = "ComputeShaderFX";
        m_target = "cs_5_0";
        break;
    case Domain:
        m_type = Domain;
        m_entryPoint = "DomainShaderFX";
        m_target = "ds_5_0";
        break;
    case Geometry:
        m_type = Geometry;
        m_entryPoint = "GeometryShaderFX";
        m_target = "gs_5_0";
        break;
    case Hull:
        m_type = Hull;
        m_entryPoint = "HullShaderFX";
        m_target = "hs_5_0";
        break;
    case Vertex:
        m_type = Vertex;
        m_entryPoint = "VertexShaderFX";
        m_target = "vs_5_0";
        break;
    default:
        m_type = Pixel;
        m_entryPoint = "PixelShaderFX";
        m_target = "ps_5_0";
        break;
    }
}

bool ShaderClass::Compile(const std::wstring& fileName)
{
    std::string messages;
    HRESULT result = S_OK;
    const CompileOutcome outcome = CompileFile(fileName, messages, result);
    if (outcome == CompileOutcome::Compiled)
    {
        return true;
    }
    if (outcome == CompileOutcome::Failed)
    {
        WriteErrorFile(messages);
        return false;
    }
    if (outcome == CompileOutcome::Unreadable)
    {
        ReportUnreadable(fileName, result);
        // The exception names the failed expression; callers and the error file have always known it as hResult.
        HRESULT hResult = result;
        DX_THROW_IF_FAILED(hResult);
    }
    return false;
}

ShaderClass::CompileOutcome ShaderClass::TryCompile(const std::wstring& fileName, std::string& messages)
{
    HRESULT result = S_OK;
    return CompileFile(fileName, messages, result);
}

ShaderClass::CompileOutcome ShaderClass::CompileFile(const std::wstring& fileName, std::string& messages,
                                                     HRESULT& result)
{
    messages.clear();
    m_stamp = ++s_stamps;   // the byte code is replaced or dropped from here on
    const std::wstring extension = UpperExtension(fileName);
    if (extension == L"FX")
    {
        Microsoft::WRL::ComPtr<ID3DBlob> errorMessages;
        result = D3DCompileFromFile(fileName.c_str(), nullptr, nullptr, m_entryPoint.c_str(), m_target.c_str(),
                                    D3DCOMPILE_ENABLE_STRICTNESS, 0, m_byteCode.ReleaseAndGetAddressOf(),
                                    errorMessages.GetAddressOf());
        if (SUCCEEDED(result))
        {
            return CompileOutcome::Compiled;
        }
        if (errorMessages)
        {
            // Every byte of the blob, its terminating zero included: the error file has always held exactly that.
            messages.assign(static_cast<const char*>(errorMessages->GetBufferPointer()),
                            errorMessages->GetBufferSize());
            return CompileOutcome::Failed;
        }
        return CompileOutcome::Unreadable;
    }
    if (extension == L"CSO")
    {
        m_byteCode.Reset();
        result = D3DReadFileToBlob(fileName.c_str(), m_byteCode.GetAddressOf());
        return SUCCEEDED(result) ? CompileOutcome::Compiled : CompileOutcome::Unreadable;
    }
    return CompileOutcome::Unsupported;
}

void ShaderClass::WriteErrorFile(const std::string& messages)
{
    std::ofstream errorFile(kErrorFileName, std::ios::binary | std::ios::trunc);
    errorFile.write(messages.data(), static_cast<std::streamsize>(messages.size()));
}

bool ShaderClass::Create(ID3D11Device* device)
{
    assert(device && m_byteCode && "Create needs a device and the byte code of a successful Compile");
    const void* code = m_byteCode->GetBufferPointer();
    const SIZE_T size = m_byteCode->GetBufferSize();
    HRESULT hResult = E_FAIL;
    switch (m_type)
    {
    case Compute:
        hResult = device->CreateComputeShader(code, size, nullptr, m_computeShader.ReleaseAndGetAddressOf());
        break;
    case Domain:
        hResult = device->CreateDomainShader(code, size, nullptr, m_domainShader.ReleaseAndGetAddressOf());
        break;
    case Geometry:
        hResult = device->CreateGeometryShader(code, size, nullptr, m_geometryShader.ReleaseAndGetAddressOf());
        break;
    case Hull: hResult = device->CreateHullShader(code, size, nullptr, m_hullShader.ReleaseAndGetAddressOf()); break;
    case Vertex:
        hResult = device->CreateVertexShader(code, size, nullptr, m_vertexShader.ReleaseAndGetAddressOf());
        break;
    default: hResult = device->CreatePixelShader(code, size, nullptr, m_pixelShader.ReleaseAndGetAddressOf()); break;
    }
    DX_THROW_IF_FAILED(hResult);
    return true;
}

std::optional<ShaderClass::ByteRange> ShaderClass::ConstantBytesRead(const char* bufferName) const
{
    if (m_readStamp != m_stamp || m_readBuffer != bufferName)
    {
        m_read = ReflectConstantBytesRead(bufferName);
        m_readStamp = m_stamp;
        m_readBuffer = bufferName;
    }
    return m_read;
}

std::optional<ShaderClass::ByteRange> ShaderClass::ReflectConstantBytesRead(const char* bufferName) const
{
    Microsoft::WRL::ComPtr<ID3D11ShaderReflection> reflection;
    if (!m_byteCode ||
        FAILED(D3DReflect(m_byteCode->GetBufferPointer(), m_byteCode->GetBufferSize(), IID_ID3D11ShaderReflection,
                          reinterpret_cast<void**>(reflection.GetAddressOf()))))
    {
        return std::nullopt;
    }
    D3D11_SHADER_DESC shader = {};
    if (FAILED(reflection->GetDesc(&shader)))
    {
        return std::nullopt;
    }
    for (UINT b = 0; b < shader.ConstantBuffers; ++b)
    {
        ID3D11ShaderReflectionConstantBuffer* buffer = reflection->GetConstantBufferByIndex(b);
        D3D11_SHADER_BUFFER_DESC desc = {};
        if (buffer == nullptr || FAILED(buffer->GetDesc(&desc)) || desc.Name == nullptr ||
            std::strcmp(desc.Name, bufferName) != 0)
        {
            continue;
        }
        std::optional<ByteRange> used;
        for (UINT v = 0; v < desc.Variables; ++v)
        {
            D3D11_SHADER_VARIABLE_DESC variable = {};
            ID3D11ShaderReflectionVariable* reflected = buffer->GetVariableByIndex(v);
            if (reflected == nullptr || FAILED(reflected->GetDesc(&variable)))
            {
                return std::nullopt;
            }
            if ((variable.uFlags & D3D_SVF_USED) == 0)
            {
                continue;
            }
            const ByteRange range{variable.StartOffset, variable.StartOffset + variable.Size};
            used = used ? ByteRange{std::min(used->begin, range.begin), std::max(used->end, range.end)} : range;
        }
        return used;
    }
    return ByteRange{};
}
