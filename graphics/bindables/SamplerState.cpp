// Sampler creation and binding to pixel-shader slot 0.
// The comparison function is unused by non-comparison filters and set to "always" only to be defined.
#include "graphics/bindables/SamplerState.h"

#include "graphics/bindables/BindingRecord.h"
#include "graphics/DxException.h"
#include "graphics/sharing/DeviceObjectShares.h"

#include <cstring>

SamplerState::SamplerState(ID3D11Device* device)
{
    D3D11_SAMPLER_DESC samplerDesc;
    std::memset(&samplerDesc, 0, sizeof(samplerDesc));
    samplerDesc.Filter = D3D11_FILTER_ANISOTROPIC;
    samplerDesc.AddressU = D3D11_TEXTURE_ADDRESS_WRAP;
    samplerDesc.AddressV = D3D11_TEXTURE_ADDRESS_WRAP;
    samplerDesc.AddressW = D3D11_TEXTURE_ADDRESS_WRAP;
    samplerDesc.MipLODBias = 0.0f;
    samplerDesc.MaxAnisotropy = 4;
    samplerDesc.ComparisonFunc = D3D11_COMPARISON_ALWAYS;
    samplerDesc.BorderColor[0] = 0.0f;
    samplerDesc.BorderColor[1] = 0.0f;
    samplerDesc.BorderColor[2] = 0.0f;
    samplerDesc.BorderColor[3] = 0.0f;
    samplerDesc.MinLOD = 0.0f;
    samplerDesc.MaxLOD = D3D11_FLOAT32_MAX;
    m_sampleState = ShareStateObject<ID3D11SamplerState>(device, samplerDesc, [&](auto& created) {
        DX_THROW_IF_FAILED(device->CreateSamplerState(&samplerDesc, &created));
    });
}

void SamplerState::Bind(ID3D11DeviceContext* context)
{
    ID3D11SamplerState* samplers[] = {Get()};
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::PixelSampler, 0, samplers[0]))
    {
        context->PSSetSamplers(0, 1, samplers);
    }
}
