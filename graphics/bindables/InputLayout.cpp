// Input layout creation. The element offsets are MeshVertex's; the static_asserts there keep them in step.
// A shader whose inputs do not match these elements makes creation fail with DxException.
#include "graphics/bindables/InputLayout.h"

#include "graphics/bindables/BindingRecord.h"
#include "graphics/DxException.h"
#include "graphics/bindables/MeshVertex.h"
#include "graphics/registries/ShaderClass.h"
#include "graphics/sharing/DeviceObjectShares.h"

#include <array>
#include <cassert>
#include <cstddef>
#include <string>

namespace
{
const std::array<D3D11_INPUT_ELEMENT_DESC, 5> kElements = {{
    {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, offsetof(MeshVertex, position), D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, offsetof(MeshVertex, normal), D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, offsetof(MeshVertex, texCoord), D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, offsetof(MeshVertex, color), D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"TANGENT", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, offsetof(MeshVertex, tangent), D3D11_INPUT_PER_VERTEX_DATA, 0},
}};
}   // namespace

InputLayout::InputLayout(ID3D11Device* device, ID3DBlob* pVertexShaderBytecode)
{
    Create(device, pVertexShaderBytecode);
}

InputLayout::InputLayout(ID3D11Device* device, const ShaderClass& vertexShader) : m_vertexShader(&vertexShader)
{
    m_madeFrom = vertexShader.GetByteCode();
    Create(device, m_madeFrom.Get());
}

void InputLayout::Create(ID3D11Device* device, ID3DBlob* pVertexShaderBytecode)
{
    assert(pVertexShaderBytecode && "InputLayout needs the byte code of a compiled vertex shader");
    const auto& ied = kElements;
    // The elements never change, so the shader's byte code (its input signature) decides the layout.
    const std::string key(static_cast<const char*>(pVertexShaderBytecode->GetBufferPointer()),
                          pVertexShaderBytecode->GetBufferSize());
    pInputLayout = ShareComObject<ID3D11InputLayout>(device, key, [&](auto& created) {
        DX_THROW_IF_FAILED(device->CreateInputLayout(ied.data(), (UINT)ied.size(),
                                                     pVertexShaderBytecode->GetBufferPointer(),
                                                     pVertexShaderBytecode->GetBufferSize(), &created));
    });
}

bool InputLayout::Accepts(ID3D11Device* device, ID3DBlob* vertexShaderBytecode)
{
    Microsoft::WRL::ComPtr<ID3D11InputLayout> layout;
    return vertexShaderBytecode != nullptr &&
           SUCCEEDED(device->CreateInputLayout(kElements.data(), static_cast<UINT>(kElements.size()),
                                               vertexShaderBytecode->GetBufferPointer(),
                                               vertexShaderBytecode->GetBufferSize(), &layout));
}

void InputLayout::Bind(ID3D11DeviceContext* context)
{
    if (m_vertexShader != nullptr && m_vertexShader->GetByteCode() != m_madeFrom.Get())
    {
        Microsoft::WRL::ComPtr<ID3D11Device> device;
        context->GetDevice(device.GetAddressOf());
        m_madeFrom = m_vertexShader->GetByteCode();
        Create(device.Get(), m_madeFrom.Get());
    }
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::InputLayout, 0, Get()))
    {
        context->IASetInputLayout(Get());
    }
}
