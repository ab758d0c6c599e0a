// The meshes' per-object constants in one large dynamic buffer, a 512-byte slot per draw, each draw binding its
// own slot by offset (Direct3D 11.1's constant-buffer offsetting). A slot is written with a no-overwrite map,
// which under Wine needs neither a fresh allocation nor a wait; only a full ring is discarded and begun again.
// It is used only where the device offers offsets and no-overwrite maps of constant buffers; elsewhere the
// meshes keep one small buffer refilled with a discard map per draw (SharedConstantBuffer).
#pragma once

#include "graphics/bindables/BindingRecord.h"
#include "graphics/bindables/ConstantBufferLayouts.h"

#include <d3d11_1.h>
#include <wrl/client.h>

#include <memory>

class PerObjectConstantRing
{
public:
    // Offsets and sizes of a binding count in 16-byte constants and must be multiples of 16 constants
    // (256 bytes): a slot is cbPerObject rounded up to that.
    static constexpr UINT kSlotBytes = (sizeof(cbPerObject) + 255u) / 256u * 256u;
    static constexpr UINT kSlotConstants = kSlotBytes / 16u;
    // 4,096 slots (2 MB): a frame of the largest worlds benchmarked (5,000 meshes) discards about once.
    static constexpr UINT kSlots = 4096u;

    // The device's ring, shared by all its meshes; null when the device lacks what the ring needs or rings are
    // not allowed (then the meshes use the per-draw buffer).
    static std::shared_ptr<PerObjectConstantRing> ForDevice(ID3D11Device* device);
    // Whether the device offers constant-buffer offsets and no-overwrite maps of dynamic constant buffers.
    static bool Offered(ID3D11Device* device);
    // Whether ForDevice may hand out rings (true unless set otherwise): for tests and measurements of the
    // per-draw path on a device that offers both.
    static void Allow(bool allowed);

    explicit PerObjectConstantRing(ID3D11Device* device);

    // Makes `constants` the current slot's: written into the next slot, unless the current one holds exactly
    // these bytes already.
    void Write(ID3D11DeviceContext* context, const cbPerObject& constants);
    // Binds the current slot at slot 0 of the vertex or pixel stage.
    void BindVertex(ID3D11DeviceContext* context);
    void BindPixel(ID3D11DeviceContext* context);

    ID3D11Buffer* GetBuffer() const { return m_buffer.Get(); }
    // The current slot's first constant: where a draw made now reads its constants.
    UINT CurrentFirstConstant() const { return m_current * kSlotConstants; }

private:
    using StageSetter = void (STDMETHODCALLTYPE ID3D11DeviceContext1::*)(UINT, UINT, ID3D11Buffer* const*, const UINT*,
                                                                         const UINT*);
    void BindCurrent(ID3D11DeviceContext* context, BindingRecord::Kind kind, StageSetter set);
    ID3D11DeviceContext1* ContextOne(ID3D11DeviceContext* context);

    Microsoft::WRL::ComPtr<ID3D11Buffer> m_buffer;
    // The 11.1 interface of the last context used, for the offset binds.
    ID3D11DeviceContext* m_context = nullptr;
    Microsoft::WRL::ComPtr<ID3D11DeviceContext1> m_contextOne;
    UINT m_current = 0;
    // The next slot to write; kSlots when the next write must discard (at first, and once the ring is full).
    UINT m_next = kSlots;
    cbPerObject m_held{};
};
