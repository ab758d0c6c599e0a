// PerObjectConstantRing: the feature check, the slot writes and the offset binds. Binds go through the context's
// BindingRecord with the offset as the call's detail, so a bind of the whole buffer and one of a slot differ.
#include "graphics/sharing/PerObjectConstantRing.h"

#include "graphics/bindables/BindingRecord.h"
#include "graphics/DxException.h"
#include "graphics/sharing/DeviceObjectShares.h"

#include <cstring>
#include <string>

namespace
{
bool g_allowed = true;

// The record's detail for a slot bind: never 0, which the whole-buffer binds record.
std::uint32_t SlotDetail(UINT firstConstant)
{
    return firstConstant + 1u;
}
}

std::shared_ptr<PerObjectConstantRing> PerObjectConstantRing::ForDevice(ID3D11Device* device)
{
    if (!g_allowed)
    {
        return nullptr;
    }
    // Asked once per mesh: the device is asked about its features only while no mesh holds a ring.
    const std::string key = "mesh per-object constant ring";
    if (std::shared_ptr<PerObjectConstantRing> held =
            DeviceObjectShares<PerObjectConstantRing>::Instance().Find(device, key))
    {
        return held;
    }
    if (!Offered(device))
    {
        return nullptr;
    }
    return ShareDeviceObject<PerObjectConstantRing>(device, key,
                                                    [&] { return std::make_shared<PerObjectConstantRing>(device); });
}

bool PerObjectConstantRing::Offered(ID3D11Device* device)
{
    D3D11_FEATURE_DATA_D3D11_OPTIONS options = {};
    if (device == nullptr ||
        FAILED(device->CheckFeatureSupport(D3D11_FEATURE_D3D11_OPTIONS, &options, sizeof(options))))
    {
        return false;
    }
    return options.ConstantBufferOffsetting && options.MapNoOverwriteOnDynamicConstantBuffer;
}

void PerObjectConstantRing::Allow(bool allowed)
{
    g_allowed = allowed;
}

PerObjectConstantRing::PerObjectConstantRing(ID3D11Device* device)
{
    D3D11_BUFFER_DESC desc = {};
    desc.ByteWidth = kSlotBytes * kSlots;
    desc.Usage = D3D11_USAGE_DYNAMIC;
    desc.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
    DX_THROW_IF_FAILED(device->CreateBuffer(&desc, nullptr, &m_buffer));
}

void PerObjectConstantRing::Write(ID3D11DeviceContext* context, const cbPerObject& constants)
{
    if (m_next != kSlots && std::memcmp(&constants, &m_held, sizeof(cbPerObject)) == 0)
    {
        return;
    }
    const bool discard = m_next == kSlots;
    if (discard)
    {
        m_next = 0;
    }
    D3D11_MAPPED_SUBRESOURCE mapped = {};
    DX_THROW_IF_FAILED(context->Map(m_buffer.Get(), 0u,
                                    discard ? D3D11_MAP_WRITE_DISCARD : D3D11_MAP_WRITE_NO_OVERWRITE, 0u, &mapped));
    // Only the constants' own bytes: the slot's padding is never read.
    std::memcpy(static_cast<unsigned char*>(mapped.pData) + m_next * kSlotBytes, &constants, sizeof(cbPerObject));
    context->Unmap(m_buffer.Get(), 0u);
    m_current = m_next++;
    m_held = constants;
}

void PerObjectConstantRing::BindVertex(ID3D11DeviceContext* context)
{
    BindCurrent(context, BindingRecord::Kind::VertexConstantBuffer, &ID3D11DeviceContext1::VSSetConstantBuffers1);
}

void PerObjectConstantRing::BindPixel(ID3D11DeviceContext* context)
{
    BindCurrent(context, BindingRecord::Kind::PixelConstantBuffer, &ID3D11DeviceContext1::PSSetConstantBuffers1);
}

void PerObjectConstantRing::BindCurrent(ID3D11DeviceContext* context, BindingRecord::Kind kind, StageSetter set)
{
    const UINT first = CurrentFirstConstant();
    if (BindingRecord::Of(context).Change(kind, 0u, m_buffer.Get(), SlotDetail(first)))
    {
        ID3D11Buffer* buffers[] = {m_buffer.Get()};
        const UINT count = kSlotConstants;
        (ContextOne(context)->*set)(0u, 1u, buffers, &first, &count);
    }
}

ID3D11DeviceContext1* PerObjectConstantRing::ContextOne(ID3D11DeviceContext* context)
{
    if (context != m_context)
    {
        // The device offered offsets, so every context of it is an 11.1 context.
        DX_THROW_IF_FAILED(context->QueryInterface(IID_PPV_ARGS(m_contextOne.ReleaseAndGetAddressOf())));
        m_context = context;
    }
    return m_contextOne.Get();
}
