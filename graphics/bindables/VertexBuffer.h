// An immutable-by-use vertex buffer of 64-byte MeshVertex records, bound to input slot 0 with offset 0.
// Vertex buffers of the same device with the same vertices share one Direct3D buffer (many actors draw one
// mesh). An empty array creates no buffer (Direct3D has no zero-byte buffers); binding it then unbinds slot 0.
#pragma once

#include "graphics/bindables/Bindable.h"
#include "graphics/bindables/MeshVertex.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <cstddef>
#include <memory>
#include <vector>

class VertexBuffer : public Bindable
{
public:
    VertexBuffer(ID3D11Device* device, const std::vector<MeshVertex>& vertices);
    // A raw array: only whole 64-byte vertices are kept, a trailing partial one is dropped.
    VertexBuffer(ID3D11Device* device, const void* vertexBytes, size_t byteSize);
    void Bind(ID3D11DeviceContext* context) override;

    ID3D11Buffer* GetBuffer() const { return pVertexBuffer ? pVertexBuffer->Get() : nullptr; }
    UINT GetVertexCount() const { return m_vertexCount; }

    UINT m_stride = sizeof(MeshVertex);

private:
    UINT m_vertexCount = 0;
    std::shared_ptr<const Microsoft::WRL::ComPtr<ID3D11Buffer>> pVertexBuffer;
};
