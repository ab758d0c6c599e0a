// PerObjectSlotBinding: hands the bind to the ring, which knows the current slot and the 11.1 context.
#include "graphics/bindables/PerObjectSlotBinding.h"

#include "graphics/registries/ShaderClass.h"
#include "graphics/sharing/PerObjectConstantRing.h"

#include <utility>

PerObjectSlotBinding::PerObjectSlotBinding(std::shared_ptr<PerObjectConstantRing> ring, Stage stage,
                                           const ShaderClass* pixelShader)
    : m_ring(std::move(ring)), m_stage(stage), m_pixelShader(stage == Stage::Pixel ? pixelShader : nullptr)
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
        m_ring->BindPixel(context, ReadsMaterialOnly());
    }
}

bool PerObjectSlotBinding::ReadsMaterialOnly()
{
    if (m_pixelShader == nullptr)
    {
        return false;
    }
    // Compile stamps start at 1, so the first call always looks.
    if (m_checkedStamp != m_pixelShader->CompileStamp())
    {
        m_checkedStamp = m_pixelShader->CompileStamp();
        const std::optional<ShaderClass::ByteRange> read = m_pixelShader->ConstantBytesRead("cbPerObject");
        m_materialOnly = read && (read->begin == read->end || read->begin >= PerObjectConstantRing::kMaterialOffset);
    }
    return m_materialOnly;
}
