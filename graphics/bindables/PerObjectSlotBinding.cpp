// PerObjectSlotBinding: hands the bind to the ring, which knows the current slot and the 11.1 context.
#include "graphics/bindables/PerObjectSlotBinding.h"

#include "graphics/sharing/PerObjectConstantRing.h"

#include <utility>

PerObjectSlotBinding::PerObjectSlotBinding(std::shared_ptr<PerObjectConstantRing> ring, Stage stage, bool materialOnly)
    : m_ring(std::move(ring)), m_stage(stage), m_materialOnly(materialOnly && stage == Stage::Pixel)
{
}

void PerObjectSlotBinding::Bind(ID3D11DeviceContext* context)
{
    if (m_stage == Stage::Vertex)
    {
        m_ring->BindVertex(context);
    }
    else
    {
        m_ring->BindPixel(context, m_materialOnly);
    }
}
