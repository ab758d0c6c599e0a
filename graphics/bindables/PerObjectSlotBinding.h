// A mesh's binding of its per-object constants where they live in the device's PerObjectConstantRing: the
// ring's current slot at slot 0 of one stage. The mesh writes its slot just before its draw, so the slot bound
// is always the one its draw reads. A pixel binding made for a shader that reads only the material part of the
// constants may bind an earlier slot with the same material bytes instead (PerObjectConstantRing::BindPixel).
#pragma once

#include "graphics/bindables/Bindable.h"

#include <memory>

class PerObjectConstantRing;

class PerObjectSlotBinding : public Bindable
{
public:
    enum class Stage
    {
        Vertex,
        Pixel
    };

    PerObjectSlotBinding(std::shared_ptr<PerObjectConstantRing> ring, Stage stage, bool materialOnly = false);

    void Bind(ID3D11DeviceContext* context) override;

    Stage GetStage() const { return m_stage; }
    bool ReadsMaterialOnly() const { return m_materialOnly; }

private:
    std::shared_ptr<PerObjectConstantRing> m_ring;
    Stage m_stage;
    bool m_materialOnly;
};
