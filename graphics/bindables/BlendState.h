// Blend state with blending off on every target and all four colour channels written; every BlendState of a
// device shares one state object. It offers no other blend modes: nothing in the engine draws transparently.
#pragma once

#include "graphics/bindables/Bindable.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <memory>

class BlendState : public Bindable
{
public:
    explicit BlendState(ID3D11Device* device);
    void Bind(ID3D11DeviceContext* context) override;
    ID3D11BlendState* Get() const { return m_blendState->Get(); }

private:
    std::shared_ptr<const Microsoft::WRL::ComPtr<ID3D11BlendState>> m_blendState;
};
