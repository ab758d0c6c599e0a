// The mesh pass's draws held back until every mesh of the pass has written its per-object constants, so that
// the device's PerObjectConstantRing is mapped once per pass instead of once per mesh: a map and an unmap are two
// calls into Direct3D, and under Wine each is a command for its rendering thread. The held draws are then made
// in the order they were held, each with its own slot of the ring, so the picture is the one an immediate draw
// of each mesh makes. A held draw is a small record (its state key, its slots, its index count) in one array,
// so making thousands of them walks memory in order instead of each mesh's bindables.
// Anything that would change what a held draw reads, or draw in between, submits what is held first: a ring that
// must discard, an update of a shared constant buffer, a drawable that draws at once. One batch is open at a
// time, on one context, on the main thread like the context itself.
#pragma once

#include "graphics/bindables/BindingRecord.h"

#include <d3d11.h>

#include <vector>

class D3D11Drawable;
class PerObjectConstantRing;

class MeshPassBatch
{
public:
    // Opens the batch on `context` for the pass; no other batch may be open.
    explicit MeshPassBatch(ID3D11DeviceContext* context);
    // Closes it. Draws still held (only when the pass ends in an exception) are dropped, the ring unmapped.
    ~MeshPassBatch();
    MeshPassBatch(const MeshPassBatch&) = delete;
    MeshPassBatch& operator=(const MeshPassBatch&) = delete;

    // The batch open on `context`, or null.
    static MeshPassBatch* OpenOn(ID3D11DeviceContext* context)
    {
        return s_open != nullptr && s_open->m_context == context ? s_open : nullptr;
    }

    // Holds the draw of `drawable`, whose per-draw binds are the ring's two slot binds: the current slot at the
    // vertex stage, and at the pixel stage the slot PixelSlot(`pixelMaterialOnly`) gives.
    void Hold(D3D11Drawable& drawable, PerObjectConstantRing& ring, bool pixelMaterialOnly);
    // Says that `ring` is mapped for this batch's writes: the batch unmaps it before any held draw is made.
    void Mapped(PerObjectConstantRing& ring) { m_mapped = &ring; }
    // Unmaps the ring and makes the held draws, in order; the batch stays open for the rest of the pass.
    void Submit();

    std::size_t HeldCount() const { return m_held.size(); }

private:
    struct Held
    {
        const BindingRecord::StateSet* stateKey;
        D3D11Drawable* drawable;   // only for its state binds, when the context does not hold its key
        PerObjectConstantRing* ring;
        UINT vertexSlot;
        UINT pixelSlot;
        UINT indexCount;
    };

    static inline MeshPassBatch* s_open = nullptr;

    ID3D11DeviceContext* m_context;
    PerObjectConstantRing* m_mapped = nullptr;
    // Kept from pass to pass, so that a frame of thousands of meshes allocates nothing.
    static inline std::vector<Held> s_heldStorage;
    std::vector<Held>& m_held = s_heldStorage;
};
