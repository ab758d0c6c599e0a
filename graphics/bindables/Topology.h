// The primitive topology of a draw. It creates no Direct3D object and so cannot fail.
// Only the topology is stored; patch control points and adjacency are not used by the engine.
#pragma once

#include "graphics/bindables/Bindable.h"
#include "graphics/bindables/BindingRecord.h"

#include <d3d11.h>

class Topology : public Bindable
{
public:
    explicit Topology(D3D11_PRIMITIVE_TOPOLOGY topology) : m_topology(topology) {}
    void Bind(ID3D11DeviceContext* context) override
    {
        if (BindingRecord::Of(context).Change(BindingRecord::Kind::Topology, 0, nullptr,
                                              static_cast<std::uint32_t>(m_topology)))
        {
            context->IASetPrimitiveTopology(m_topology);
        }
    }

    D3D11_PRIMITIVE_TOPOLOGY m_topology;
};
