// Blend state with blending off on every target and all four colour channels written.
// It offers no other blend modes: nothing in the engine draws transparently.
#pragma once

#include "graphics/Bindable.h"

#include <d3d11.h>
#include <wrl/client.h>

class BlendState : public Bindable {
public:
    explicit BlendState(ID3D11Device* device);
    void Bind(ID3D11DeviceContext* context) override;
    ID3D11BlendState* Get() const { return m_blendState.Get(); }

private:
    Microsoft::WRL::ComPtr<ID3D11BlendState> m_blendState;
};
