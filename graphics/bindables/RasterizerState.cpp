// Rasterizer state creation and binding.
// The default keeps depth clipping on and multisampling and line antialiasing off.
#include "graphics/bindables/RasterizerState.h"

#include "graphics/bindables/BindingRecord.h"
#include "graphics/DxException.h"
#include "graphics/sharing/DeviceObjectShares.h"

#include <cstring>

D3D11_RASTERIZER_DESC RasterizerState::DefaultDesc()
{
    D3D11_RASTERIZER_DESC rasterDesc;
    std::memset(&rasterDesc, 0, sizeof(rasterDesc));
    rasterDesc.FillMode = D3D11_FILL_SOLID;
    rasterDesc.CullMode = D3D11_CULL_BACK;
    rasterDesc.FrontCounterClockwise = FALSE;
    rasterDesc.DepthBias = 0;
    rasterDesc.DepthBiasClamp = 0.0f;
    rasterDesc.SlopeScaledDepthBias = 0.0f;
    rasterDesc.DepthClipEnable = TRUE;
    rasterDesc.ScissorEnable = FALSE;
    rasterDesc.MultisampleEnable = FALSE;
    rasterDesc.AntialiasedLineEnable = FALSE;
    return rasterDesc;
}

RasterizerState::RasterizerState(ID3D11Device* device)
{
    Create(device, DefaultDesc());
}

RasterizerState::RasterizerState(ID3D11Device* device, const D3D11_RASTERIZER_DESC& rasterDesc)
{
    Create(device, rasterDesc);
}

void RasterizerState::Create(ID3D11Device* device, const D3D11_RASTERIZER_DESC& rasterDesc)
{
    m_rasterState = ShareStateObject<ID3D11RasterizerState>(device, rasterDesc, [&](auto& created) {
        DX_THROW_IF_FAILED(device->CreateRasterizerState(&rasterDesc, created.GetAddressOf()));
    });
}

void RasterizerState::Bind(ID3D11DeviceContext* context)
{
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::RasterizerState, 0, Get()))
    {
        context->RSSetState(Get());
    }
}
