// PerObjectConstantRing: the feature check, the slot writes and the offset binds. Binds go through the context's
// BindingRecord with the offset as the call's detail, so a bind of the whole buffer and one of a slot differ.
#include "graphics/sharing/PerObjectConstantRing.h"

#include "graphics/bindables/BindingRecord.h"
#include "graphics/DxException.h"
#include "graphics/sharing/DeviceObjectShares.h"
#include "graphics/sharing/MeshPassBatch.h"
#include "graphics/sharing/SameBytes.h"

#include <emmintrin.h>

#include <cstring>
#include <string>

namespace
{
bool g_allowed = true;
UINT g_newRingSlots = PerObjectConstantRing::kSlots;

// Copies the constants into a slot of the mapped ring without reading the slot's memory into the cache first:
// the processor would otherwise fetch every line it is about to overwrite, and a pass writes a whole slot for
// each of thousands of meshes into memory nothing has touched since the ring was last discarded. The slot is
// 256-byte aligned and the constants are whole 16-byte registers.
void StreamSlot(unsigned char* slot, const cbPerObject& constants)
{
    static_assert(sizeof(cbPerObject) % sizeof(__m128i) == 0);
    const auto* from = reinterpret_cast<const unsigned char*>(&constants);
    for (std::size_t at = 0; at < sizeof(cbPerObject); at += sizeof(__m128i))
    {
        _mm_stream_si128(reinterpret_cast<__m128i*>(slot + at),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at)));
    }
}

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

void PerObjectConstantRing::SizeNewRings(UINT slots)
{
    g_newRingSlots = slots > 0 ? slots : kSlots;
}

PerObjectConstantRing::PerObjectConstantRing(ID3D11Device* device)
    : m_slots(g_newRingSlots), m_next(m_slots), m_materialSlot(m_slots, 0u), m_runStart(m_slots)
{
    D3D11_BUFFER_DESC desc = {};
    desc.ByteWidth = kSlotBytes * m_slots;
    desc.Usage = D3D11_USAGE_DYNAMIC;
    desc.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
    DX_THROW_IF_FAILED(device->CreateBuffer(&desc, nullptr, &m_buffer));
}

void PerObjectConstantRing::Write(ID3D11DeviceContext* context, const cbPerObject& constants)
{
    if (MeshPassBatch* batch = MeshPassBatch::OpenOn(context))
    {
        if (m_next == m_slots && m_mapped != nullptr)
        {
            batch->Submit();   // the held draws read this memory: they are made before it is discarded
        }
        bool discard = false;
        const UINT slot = TakeSlot(constants, discard);
        if (m_mapped == nullptr)
        {
            D3D11_MAPPED_SUBRESOURCE mapped = {};
            DX_THROW_IF_FAILED(context->Map(
                m_buffer.Get(), 0u, discard ? D3D11_MAP_WRITE_DISCARD : D3D11_MAP_WRITE_NO_OVERWRITE, 0u, &mapped));
            m_mapped = static_cast<unsigned char*>(mapped.pData);
            batch->Mapped(*this);
        }
        StreamSlot(m_mapped + std::size_t{slot} * kSlotBytes, constants);
        m_heldKnown = false;   // not copied: a pass writes thousands of slots, and none is written twice
        return;
    }
    if (m_heldKnown && m_next != m_slots && SameBytes(&constants, &m_held, sizeof(cbPerObject)))
    {
        return;
    }
    bool discard = false;
    const UINT slot = TakeSlot(constants, discard);
    D3D11_MAPPED_SUBRESOURCE mapped = {};
    DX_THROW_IF_FAILED(context->Map(m_buffer.Get(), 0u,
                                    discard ? D3D11_MAP_WRITE_DISCARD : D3D11_MAP_WRITE_NO_OVERWRITE, 0u, &mapped));
    // Only the constants' own bytes: the slot's padding is never read.
    std::memcpy(static_cast<unsigned char*>(mapped.pData) + std::size_t{slot} * kSlotBytes, &constants,
                sizeof(cbPerObject));
    context->Unmap(m_buffer.Get(), 0u);
    m_held = constants;
    m_heldKnown = true;
}

UINT PerObjectConstantRing::TakeSlot(const cbPerObject& constants, bool& discard)
{
    discard = m_next == m_slots;
    if (discard)
    {
        m_next = 0;
        m_runStart = m_slots;   // the discarded slots' bytes are gone
    }
    const UINT slot = m_next++;
    const unsigned char* material = reinterpret_cast<const unsigned char*>(&constants) + kMaterialOffset;
    if (m_runStart == m_slots || !SameBytes(material, m_runMaterial, kMaterialBytes))
    {
        m_runStart = slot;
        std::memcpy(m_runMaterial, material, kMaterialBytes);
    }
    m_materialSlot[slot] = m_runStart;
    m_current = slot;
    return slot;
}

void PerObjectConstantRing::Unmap(ID3D11DeviceContext* context)
{
    if (m_mapped != nullptr)
    {
        m_mapped = nullptr;
        _mm_sfence();   // the streamed slots are all in memory before the device may read them
        context->Unmap(m_buffer.Get(), 0u);
    }
}

void PerObjectConstantRing::BindVertex(ID3D11DeviceContext* context)
{
    BindVertexSlot(context, m_current);
}

void PerObjectConstantRing::BindPixel(ID3D11DeviceContext* context, bool materialOnly)
{
    BindPixelSlot(context, PixelSlot(materialOnly));
}

void PerObjectConstantRing::BindVertexSlot(ID3D11DeviceContext* context, UINT slot)
{
    BindSlot(context, BindingRecord::Kind::VertexConstantBuffer, &ID3D11DeviceContext1::VSSetConstantBuffers1, slot);
}

void PerObjectConstantRing::BindPixelSlot(ID3D11DeviceContext* context, UINT slot)
{
    BindSlot(context, BindingRecord::Kind::PixelConstantBuffer, &ID3D11DeviceContext1::PSSetConstantBuffers1, slot);
}

void PerObjectConstantRing::BindSlot(ID3D11DeviceContext* context, BindingRecord::Kind kind, StageSetter set, UINT slot)
{
    const UINT first = slot * kSlotConstants;
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
