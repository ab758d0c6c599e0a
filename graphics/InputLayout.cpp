// Input layout creation. The element offsets are MeshVertex's; the static_asserts there keep them in step.
// A shader whose inputs do not match these elements makes creation fail with DxException.
#include "graphics/InputLayout.h"

#include "graphics/BindingRecord.h"
#include "graphics/DxException.h"
#include "graphics/MeshVertex.h"
#include "graphics/SharedDeviceObject.h"

#include <array>
#include <cassert>
#include <cstddef>
#include <string>

InputLayout::InputLayout(ID3D11Device* device, ID3DBlob* pVertexShaderBytecode)
{
    assert(pVertexShaderBytecode && "InputLayout needs the byte code of a compiled vertex shader");
    const std::array<D3D11_INPUT_ELEMENT_DESC, 5> ied = {{
        {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, offsetof(MeshVertex, position), D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, offsetof(MeshVertex, normal), D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, offsetof(MeshVertex, texCoord), D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, offsetof(MeshVertex, color), D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"TANGENT", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, offsetof(MeshVertex, tangent), D3D11_INPUT_PER_VERTEX_DATA, 0},
    }};
    // The elements never change, so the shader's byte code (its input signature) decides the layout.
    const std::string key(static_cast<const char*>(pVertexShaderBytecode->GetBufferPointer()),
                          pVertexShaderBytecode->GetBufferSize());
    pInputLayout = ShareComObject<ID3D11InputLayout>(device, key, [&](auto& pInputLayout) {
        DX_THROW_IF_FAILED(device->CreateInputLayout(ied.data(), (UINT)ied.size(), pVertexShaderBytecode->GetBufferPointer(), pVertexShaderBytecode->GetBufferSize(), &pInputLayout));
    });
}

void InputLayout::Bind(ID3D11DeviceContext* context)
{
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::InputLayout, 0, Get()))
    {
        context->IASetInputLayout(Get());
    }
}
