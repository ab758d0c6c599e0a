// Opaque blending: alpha-to-coverage off, independent blend off, write mask 0x0F on target 0.
// Bind uses blend factor (0, 0, 0, 0) and sample mask 0xFFFFFFFF.
#include "graphics/bindables/BlendState.h"

#include "graphics/bindables/BindingRecord.h"
#include "graphics/DxException.h"
#include "graphics/sharing/DeviceObjectShares.h"

#include <cstring>

BlendState::BlendState(ID3D11Device* device)
{
    D3D11_BLEND_DESC alphaToCoverageDesc;
    std::memset(&alphaToCoverageDesc, 0, sizeof(alphaToCoverageDesc));   // padding included: the bytes are the key
    alphaToCoverageDesc.RenderTarget[0].RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
    m_blendState = ShareStateObject<ID3D11BlendState>(device, alphaToCoverageDesc, [&](auto& created) {
        DX_THROW_IF_FAILED(device->CreateBlendState(&alphaToCoverageDesc, &created));
    });
}

void BlendState::Bind(ID3D11DeviceContext* context)
{
    // The factor and mask never change, so the state object alone tells whether the call would change anything.
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::BlendState, 0, Get()))
    {
        const float blendFactor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        context->OMSetBlendState(Get(), blendFactor, 0xFFFFFFFF);
    }
}
