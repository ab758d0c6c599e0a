// Index buffer creation (default usage, stride 2) and binding as R16_UINT at offset 0.
// It does not check indices against the vertex count: Direct3D reads out-of-range vertices as zero.
#include "graphics/bindables/IndexBuffer.h"

#include "graphics/bindables/BindingRecord.h"
#include "graphics/DxException.h"
#include "graphics/sharing/DeviceObjectShares.h"

#include <cassert>
#include <limits>
#include <string>

IndexBuffer::IndexBuffer(ID3D11Device* device, const std::vector<uint16_t>& indices)
{
    assert(indices.size() <= std::numeric_limits<UINT>::max() / 2 && "index array larger than a Direct3D buffer");
    m_count = static_cast<UINT>(indices.size());
    if (m_count == 0)
    {
        return;
    }
    D3D11_BUFFER_DESC ibd = {};
    ibd.ByteWidth = 2u * m_count;
    ibd.Usage = D3D11_USAGE_DEFAULT;
    ibd.BindFlags = D3D11_BIND_INDEX_BUFFER;
    ibd.CPUAccessFlags = 0u;
    ibd.MiscFlags = 0u;
    ibd.StructureByteStride = sizeof(uint16_t);
    D3D11_SUBRESOURCE_DATA isd = {};
    isd.pSysMem = indices.data();
    // The buffer is never written after creation, so equal indices can be one buffer.
    const std::string key = "indices:" + std::string(reinterpret_cast<const char*>(indices.data()), ibd.ByteWidth);
    pIndexBuffer = ShareComObject<ID3D11Buffer>(
        device, key, [&](auto& created) { DX_THROW_IF_FAILED(device->CreateBuffer(&ibd, &isd, &created)); });
}

void IndexBuffer::Bind(ID3D11DeviceContext* context)
{
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::IndexBuffer, 0, GetBuffer()))
    {
        context->IASetIndexBuffer(GetBuffer(), DXGI_FORMAT_R16_UINT, 0u);
    }
}
