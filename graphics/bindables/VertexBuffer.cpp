// Vertex buffer creation: default usage, no CPU access, stride 64.
// Sizes above what a UINT byte width holds are refused by the assert below rather than truncated.
#include "graphics/bindables/VertexBuffer.h"

#include "graphics/bindables/BindingRecord.h"
#include "graphics/DxException.h"
#include "graphics/sharing/DeviceObjectShares.h"

#include <cassert>
#include <limits>
#include <string>

VertexBuffer::VertexBuffer(ID3D11Device* device, const std::vector<MeshVertex>& vertices)
    : VertexBuffer(device, vertices.data(), vertices.size() * sizeof(MeshVertex))
{
}

VertexBuffer::VertexBuffer(ID3D11Device* device, const void* vertexBytes, size_t byteSize)
{
    const size_t wholeBytes = byteSize / sizeof(MeshVertex) * sizeof(MeshVertex);
    assert(wholeBytes <= std::numeric_limits<UINT>::max() && "vertex array larger than a Direct3D buffer");
    m_vertexCount = static_cast<UINT>(wholeBytes / sizeof(MeshVertex));
    if (m_vertexCount == 0)
    {
        return;
    }
    D3D11_BUFFER_DESC bd = {};
    bd.ByteWidth = static_cast<UINT>(wholeBytes);
    bd.Usage = D3D11_USAGE_DEFAULT;
    bd.BindFlags = D3D11_BIND_VERTEX_BUFFER;
    bd.CPUAccessFlags = 0u;
    bd.MiscFlags = 0u;
    bd.StructureByteStride = sizeof(MeshVertex);
    D3D11_SUBRESOURCE_DATA sd = {};
    sd.pSysMem = vertexBytes;
    // The buffer is never written after creation, so equal bytes can be one buffer.
    const std::string key = "vertices:" + std::string(static_cast<const char*>(vertexBytes), wholeBytes);
    pVertexBuffer = ShareComObject<ID3D11Buffer>(
        device, key, [&](auto& created) { DX_THROW_IF_FAILED(device->CreateBuffer(&bd, &sd, &created)); });
}

void VertexBuffer::Bind(ID3D11DeviceContext* context)
{
    ID3D11Buffer* buffers[] = {GetBuffer()};
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::VertexBuffer, 0, buffers[0], m_stride))
    {
        const UINT offset = 0u;
        context->IASetVertexBuffers(0u, 1u, buffers, &m_stride, &offset);
    }
}
