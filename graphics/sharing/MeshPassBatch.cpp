// MeshPassBatch: holding the draws and making them once the ring is unmapped.
#include "graphics/sharing/MeshPassBatch.h"

#include "graphics/drawables/D3D11Drawable.h"
#include "graphics/sharing/PerObjectConstantRing.h"
#include "scene/SubmissionProfile.h"

#include <cassert>

MeshPassBatch::MeshPassBatch(ID3D11DeviceContext* context) : m_context(context)
{
    assert(s_open == nullptr && "one mesh pass batch at a time");
    s_open = this;
    m_held.clear();
}

MeshPassBatch::~MeshPassBatch()
{
    if (m_mapped != nullptr)
    {
        m_mapped->Unmap(m_context);
    }
    m_held.clear();
    s_open = nullptr;
}

void MeshPassBatch::Hold(D3D11Drawable& drawable, PerObjectConstantRing& ring, bool pixelMaterialOnly)
{
    const UINT indexCount = drawable.IndexCount();
    if (indexCount == 0)
    {
        return;   // Render would draw nothing either
    }
    m_held.push_back(Held{drawable.StateKey(m_context), &drawable, &ring, ring.CurrentSlot(),
                          ring.PixelSlot(pixelMaterialOnly), indexCount});
}

void MeshPassBatch::Submit()
{
    if (m_mapped != nullptr)
    {
        PerObjectConstantRing* const ring = m_mapped;
        m_mapped = nullptr;
        ring->Unmap(m_context);
    }
    BindingRecord& record = BindingRecord::Of(m_context);
    for (const Held& held : m_held)
    {
        {
            const SubmissionProfile::Scope timed(SubmissionProfile::Binds);
            if (!record.Holds(held.stateKey))
            {
                held.drawable->BindState(m_context);
            }
            held.ring->BindVertexSlot(m_context, held.vertexSlot);
            held.ring->BindPixelSlot(m_context, held.pixelSlot);
        }
        const SubmissionProfile::Scope timed(SubmissionProfile::Draws);
        m_context->DrawIndexed(held.indexCount, 0u, 0);
    }
    m_held.clear();
}
