// A mesh's binding of its per-object constants where they live in the device's PerObjectConstantRing: the
// ring's current slot at slot 0 of one stage. The mesh writes its slot just before its draw, so the slot bound
// is always the one its draw reads. A pixel binding given the mesh's pixel shader may bind an earlier slot with
// the same material bytes instead (PerObjectConstantRing::BindPixel), while that shader reads only the material
// part of the constants: what its byte code says, found again whenever the registry's entry is recompiled (a
// reload replaces it in place, and the next draw uses the new shader).
#pragma once

#include "graphics/bindables/Bindable.h"

#include <cstdint>
#include <memory>

class PerObjectConstantRing;
class ShaderClass;

class PerObjectSlotBinding : public Bindable
{
public:
    enum class Stage
    {
        Vertex,
        Pixel
    };

    // `pixelShader` (a registry entry, which outlives the binding) only for the pixel stage; null: always the
    // current slot.
    PerObjectSlotBinding(std::shared_ptr<PerObjectConstantRing> ring, Stage stage,
                         const ShaderClass* pixelShader = nullptr);

    void Bind(ID3D11DeviceContext* context) override;

    Stage GetStage() const { return m_stage; }
    // Whether the pixel shader, as the entry holds it now, reads nothing of the constants before the material.
    bool ReadsMaterialOnly();

private:
    std::shared_ptr<PerObjectConstantRing> m_ring;
    Stage m_stage;
    const ShaderClass* m_pixelShader;
    std::uint64_t m_checkedStamp = 0;
    bool m_materialOnly = false;
};
