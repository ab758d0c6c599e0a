// The meshes' per-object constants in one large dynamic buffer, a 512-byte slot per draw, each draw binding its
// own slot by offset (Direct3D 11.1's constant-buffer offsetting). A slot is written with a no-overwrite map,
// which under Wine needs neither a fresh allocation nor a wait; only a full ring is discarded and begun again.
// While a MeshPassBatch is open, the ring stays mapped from the pass's first write until the batch submits, so
// a whole pass costs one map. A pixel stage that reads only the material part of the constants (its byte code
// says so) keeps the slot of the last draw with the same material bytes: meshes alike make one bind a draw, not
// two.
// It is used only where the device offers offsets and no-overwrite maps of constant buffers; elsewhere the
// meshes keep one small buffer refilled with a discard map per draw (SharedConstantBuffer).
#pragma once

#include "graphics/bindables/BindingRecord.h"
#include "graphics/bindables/ConstantBufferLayouts.h"

#include <d3d11_1.h>
#include <wrl/client.h>

#include <cstddef>
#include <memory>
#include <vector>

class PerObjectConstantRing
{
public:
    // Offsets and sizes of a binding count in 16-byte constants and must be multiples of 16 constants
    // (256 bytes): a slot is cbPerObject rounded up to that.
    static constexpr UINT kSlotBytes = (sizeof(cbPerObject) + 255u) / 256u * 256u;
    static constexpr UINT kSlotConstants = kSlotBytes / 16u;
    // 8,192 slots (4 MB): a pass of the largest worlds benchmarked (5,000 meshes) fits in one map.
    static constexpr UINT kSlots = 8192u;
    // The material part of the constants, the end of the record: the only bytes the shipped pixel shader reads.
    static constexpr UINT kMaterialOffset = offsetof(cbPerObject, materialAmbient);
    static constexpr UINT kMaterialBytes = sizeof(cbPerObject) - kMaterialOffset;

    // The device's ring, shared by all its meshes; null when the device lacks what the ring needs or rings are
    // not allowed (then the meshes use the per-draw buffer).
    static std::shared_ptr<PerObjectConstantRing> ForDevice(ID3D11Device* device);
    // Whether the device offers constant-buffer offsets and no-overwrite maps of dynamic constant buffers.
    static bool Offered(ID3D11Device* device);
    // Whether ForDevice may hand out rings (true unless set otherwise): for tests and measurements of the
    // per-draw path on a device that offers both.
    static void Allow(bool allowed);
    // The slots of the rings made from now on (kSlots unless set otherwise): for tests of a ring that fills up
    // within a pass.
    static void SizeNewRings(UINT slots);

    explicit PerObjectConstantRing(ID3D11Device* device);

    // Makes `constants` the current slot's: written into the next slot, unless the current one holds exactly
    // these bytes already (outside a batch). Inside a MeshPassBatch on `context` the write goes into the ring
    // mapped for the batch; a full ring first has the batch submit what it holds, then discards.
    void Write(ID3D11DeviceContext* context, const cbPerObject& constants);
    // Binds the current slot at slot 0 of the vertex stage; for the pixel stage, with `materialOnly` (the stage
    // reads nothing before kMaterialOffset), the first slot of the run of slots with the current one's material
    // bytes, else the current slot.
    void BindVertex(ID3D11DeviceContext* context);
    void BindPixel(ID3D11DeviceContext* context, bool materialOnly);

    // The current slot, and the slot BindPixel binds for it: what a MeshPassBatch keeps of a draw it holds, to
    // bind with BindVertexSlot and BindPixelSlot when it makes the draw (before the ring next discards).
    UINT CurrentSlot() const { return m_current; }
    UINT PixelSlot(bool materialOnly) const { return materialOnly ? m_materialSlot[m_current] : m_current; }
    void BindVertexSlot(ID3D11DeviceContext* context, UINT slot);
    void BindPixelSlot(ID3D11DeviceContext* context, UINT slot);
    // Ends the mapping a batch's writes began; what was written is what the next draws read.
    void Unmap(ID3D11DeviceContext* context);

    ID3D11Buffer* GetBuffer() const { return m_buffer.Get(); }
    // The current slot's first constant: where a draw made now reads its constants.
    UINT CurrentFirstConstant() const { return m_current * kSlotConstants; }

private:
    using StageSetter = void (STDMETHODCALLTYPE ID3D11DeviceContext1::*)(UINT, UINT, ID3D11Buffer* const*, const UINT*,
                                                                         const UINT*);
    void BindSlot(ID3D11DeviceContext* context, BindingRecord::Kind kind, StageSetter set, UINT slot);
    // The slot `constants` go into, after the discard a full ring needs; the material run is followed here.
    UINT TakeSlot(const cbPerObject& constants, bool& discard);
    ID3D11DeviceContext1* ContextOne(ID3D11DeviceContext* context);

    Microsoft::WRL::ComPtr<ID3D11Buffer> m_buffer;
    // The 11.1 interface of the last context used, for the offset binds.
    ID3D11DeviceContext* m_context = nullptr;
    Microsoft::WRL::ComPtr<ID3D11DeviceContext1> m_contextOne;
    UINT m_current = 0;
    UINT m_slots;
    // The next slot to write; m_slots when the next write must discard (at first, and once the ring is full).
    UINT m_next;
    // The current slot's bytes, when the last write was made outside a batch.
    cbPerObject m_held{};
    bool m_heldKnown = false;
    // The ring's memory while a batch holds it mapped; null otherwise.
    unsigned char* m_mapped = nullptr;
    // For each slot written since the last discard, the first slot of its run of equal material bytes; the
    // run being followed starts at m_runStart (m_slots: none since the discard).
    std::vector<UINT> m_materialSlot;
    UINT m_runStart;
    unsigned char m_runMaterial[kMaterialBytes] = {};
};
