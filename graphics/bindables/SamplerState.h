// The engine's one sampler: anisotropic (4x), wrapping in all three directions, every mip level allowed.
// Bound to pixel-shader slot 0 only; shaders that need a second sampler declare none.
#pragma once

#include "graphics/bindables/Bindable.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <memory>

class SamplerState : public Bindable
{
public:
    explicit SamplerState(ID3D11Device* device);
    void Bind(ID3D11DeviceContext* context) override;
    ID3D11SamplerState* Get() const { return m_sampleState->Get(); }

private:
    // One sampler object for every SamplerState of the device.
    std::shared_ptr<const Microsoft::WRL::ComPtr<ID3D11SamplerState>> m_sampleState;
};
