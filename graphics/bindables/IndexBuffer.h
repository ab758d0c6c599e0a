// A 16-bit index buffer; m_count is the draw's index count. Indices above 65535 cannot be expressed.
// Index buffers of the same device with the same indices share one Direct3D buffer. An empty array creates no
// buffer (Direct3D has no zero-byte buffers) and draws nothing.
#pragma once

#include "graphics/bindables/Bindable.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <vector>

class IndexBuffer : public Bindable
{
public:
    IndexBuffer(ID3D11Device* device, const std::vector<uint16_t>& indices);
    void Bind(ID3D11DeviceContext* context) override;

    ID3D11Buffer* GetBuffer() const { return pIndexBuffer ? pIndexBuffer->Get() : nullptr; }
    UINT GetCount() const { return m_count; }

    UINT m_count = 0;

private:
    std::shared_ptr<const Microsoft::WRL::ComPtr<ID3D11Buffer>> pIndexBuffer;
};
