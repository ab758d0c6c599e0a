// A dynamic constant buffer holding one T, rewritten whole with discard mapping, and its two stage-specific
// binders (vertex and pixel shader). Two binders may share one buffer (one upload then serves both stages, or
// every drawable). There are no partial updates and no read-back.
#pragma once

#include "graphics/bindables/Bindable.h"
#include "graphics/bindables/BindingRecord.h"
#include "graphics/DxException.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <cstring>
#include <type_traits>
#include <utility>

template <typename T>
class ConstantBuffer : public Bindable
{
    static_assert(std::is_trivially_copyable_v<T>, "constant buffers are copied byte for byte");
    static_assert(sizeof(T) % 16 == 0, "Direct3D needs constant buffer sizes in multiples of 16 bytes");

public:
    // Replaces the whole buffer; the discard mapping never waits for the GPU.
    void Update(ID3D11DeviceContext* deviceContext, const T& data)
    {
        D3D11_MAPPED_SUBRESOURCE msr = {};
        DX_THROW_IF_FAILED(deviceContext->Map(pConstantBuffer.Get(), 0u, D3D11_MAP_WRITE_DISCARD, 0u, &msr));
        std::memcpy(msr.pData, &data, sizeof(T));
        deviceContext->Unmap(pConstantBuffer.Get(), 0u);
    }

    ID3D11Buffer* GetBuffer() const { return pConstantBuffer.Get(); }
    // For a binder of the same constants at another stage or slot.
    const Microsoft::WRL::ComPtr<ID3D11Buffer>& ShareBuffer() const { return pConstantBuffer; }

protected:
    ConstantBuffer(ID3D11Device* device, const T& initial)
    {
        D3D11_BUFFER_DESC cbd = {};
        cbd.ByteWidth = sizeof(T);
        cbd.Usage = D3D11_USAGE_DYNAMIC;
        cbd.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
        cbd.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
        cbd.MiscFlags = 0u;
        cbd.StructureByteStride = 0u;
        D3D11_SUBRESOURCE_DATA csd = {};
        csd.pSysMem = &initial;
        DX_THROW_IF_FAILED(device->CreateBuffer(&cbd, &csd, &pConstantBuffer));
    }
    explicit ConstantBuffer(Microsoft::WRL::ComPtr<ID3D11Buffer> shared) : pConstantBuffer(std::move(shared)) {}

    Microsoft::WRL::ComPtr<ID3D11Buffer> pConstantBuffer;
};

template <typename T>
class VertexConstantBuffer : public ConstantBuffer<T>
{
public:
    VertexConstantBuffer(ID3D11Device* device, const T& initial) : ConstantBuffer<T>(device, initial) {}
    // Binds a buffer that another binder owns too (ShareBuffer).
    explicit VertexConstantBuffer(Microsoft::WRL::ComPtr<ID3D11Buffer> shared) : ConstantBuffer<T>(std::move(shared)) {}

    void Bind(ID3D11DeviceContext* context) override
    {
        ID3D11Buffer* buffers[] = {this->pConstantBuffer.Get()};
        if (BindingRecord::Of(context).Change(BindingRecord::Kind::VertexConstantBuffer, m_slot, buffers[0]))
        {
            context->VSSetConstantBuffers(m_slot, 1u, buffers);
        }
    }

    UINT m_slot = 0;
};

template <typename T>
class PixelConstantBuffer : public ConstantBuffer<T>
{
public:
    PixelConstantBuffer(ID3D11Device* device, const T& initial) : ConstantBuffer<T>(device, initial) {}
    // Binds a buffer that another binder owns too (ShareBuffer).
    explicit PixelConstantBuffer(Microsoft::WRL::ComPtr<ID3D11Buffer> shared) : ConstantBuffer<T>(std::move(shared)) {}

    void Bind(ID3D11DeviceContext* context) override
    {
        ID3D11Buffer* buffers[] = {this->pConstantBuffer.Get()};
        if (BindingRecord::Of(context).Change(BindingRecord::Kind::PixelConstantBuffer, m_slot, buffers[0]))
        {
            context->PSSetConstantBuffers(m_slot, 1u, buffers);
        }
    }

    UINT m_slot = 0;
};
