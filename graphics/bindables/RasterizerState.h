// Rasterizer state: the engine's default (solid, back faces culled, clockwise front faces) or a caller's own
// descriptor, as the sky uses. It sets no viewport or scissor rectangles.
#pragma once

#include "graphics/bindables/Bindable.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <memory>

class RasterizerState : public Bindable
{
public:
    explicit RasterizerState(ID3D11Device* device);
    RasterizerState(ID3D11Device* device, const D3D11_RASTERIZER_DESC& rasterDesc);
    void Bind(ID3D11DeviceContext* context) override;
    ID3D11RasterizerState* Get() const { return m_rasterState->Get(); }

    static D3D11_RASTERIZER_DESC DefaultDesc();

private:
    void Create(ID3D11Device* device, const D3D11_RASTERIZER_DESC& rasterDesc);

    // Shared by every RasterizerState of the device with the same description.
    std::shared_ptr<const Microsoft::WRL::ComPtr<ID3D11RasterizerState>> m_rasterState;
};
