// Depth-stencil state: the engine's default (depth less, stencil counting depth failures) or a caller's own
// descriptor, as the sky uses. Bind uses stencil reference 1.
#pragma once

#include "graphics/bindables/Bindable.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <memory>

class DepthStencilState : public Bindable
{
public:
    explicit DepthStencilState(ID3D11Device* device);
    DepthStencilState(ID3D11Device* device, const D3D11_DEPTH_STENCIL_DESC& depthStencilDesc);
    void Bind(ID3D11DeviceContext* context) override;
    ID3D11DepthStencilState* Get() const { return m_depthStencilState->Get(); }

    static D3D11_DEPTH_STENCIL_DESC DefaultDesc();

private:
    void Create(ID3D11Device* device, const D3D11_DEPTH_STENCIL_DESC& depthStencilDesc);

    // Shared by every DepthStencilState of the device with the same description.
    std::shared_ptr<const Microsoft::WRL::ComPtr<ID3D11DepthStencilState>> m_depthStencilState;
};
