// Depth-stencil state creation. The default increments the stencil where front faces fail the depth test and
// decrements it for back faces; nothing in the engine reads the stencil, so it is kept only as specified.
#include "graphics/bindables/DepthStencilState.h"

#include "graphics/bindables/BindingRecord.h"
#include "graphics/DxException.h"
#include "graphics/sharing/DeviceObjectShares.h"

#include <cstring>

D3D11_DEPTH_STENCIL_DESC DepthStencilState::DefaultDesc()
{
    D3D11_DEPTH_STENCIL_DESC depthStencilDesc;
    std::memset(&depthStencilDesc, 0, sizeof(depthStencilDesc));   // padding included: the bytes share the state
    depthStencilDesc.DepthEnable = TRUE;
    depthStencilDesc.DepthWriteMask = D3D11_DEPTH_WRITE_MASK_ALL;
    depthStencilDesc.DepthFunc = D3D11_COMPARISON_LESS;
    depthStencilDesc.StencilEnable = TRUE;
    depthStencilDesc.StencilReadMask = 0xFF;
    depthStencilDesc.StencilWriteMask = 0xFF;
    depthStencilDesc.FrontFace.StencilFailOp = D3D11_STENCIL_OP_KEEP;
    depthStencilDesc.FrontFace.StencilDepthFailOp = D3D11_STENCIL_OP_INCR;
    depthStencilDesc.FrontFace.StencilPassOp = D3D11_STENCIL_OP_KEEP;
    depthStencilDesc.FrontFace.StencilFunc = D3D11_COMPARISON_ALWAYS;
    depthStencilDesc.BackFace.StencilFailOp = D3D11_STENCIL_OP_KEEP;
    depthStencilDesc.BackFace.StencilDepthFailOp = D3D11_STENCIL_OP_DECR;
    depthStencilDesc.BackFace.StencilPassOp = D3D11_STENCIL_OP_KEEP;
    depthStencilDesc.BackFace.StencilFunc = D3D11_COMPARISON_ALWAYS;
    return depthStencilDesc;
}

DepthStencilState::DepthStencilState(ID3D11Device* device)
{
    Create(device, DefaultDesc());
}

DepthStencilState::DepthStencilState(ID3D11Device* device, const D3D11_DEPTH_STENCIL_DESC& depthStencilDesc)
{
    Create(device, depthStencilDesc);
}

void DepthStencilState::Create(ID3D11Device* device, const D3D11_DEPTH_STENCIL_DESC& depthStencilDesc)
{
    m_depthStencilState = ShareStateObject<ID3D11DepthStencilState>(device, depthStencilDesc, [&](auto& created) {
        DX_THROW_IF_FAILED(device->CreateDepthStencilState(&depthStencilDesc, created.GetAddressOf()));
    });
}

void DepthStencilState::Bind(ID3D11DeviceContext* context)
{
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::DepthStencilState, 0, Get()))
    {
        context->OMSetDepthStencilState(Get(), 1);
    }
}
