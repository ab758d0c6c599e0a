// Sky pixel stage: the equirectangular sky texture, as it is.
Texture2D skyMap : register(t0);
SamplerState textureSampler : register(s0);

struct PixelIn
{
    float4 position : SV_POSITION;
    float2 tex : TEXCOORD;
};

float4 PixelShaderFX(PixelIn input) : SV_TARGET
{
    return float4(skyMap.Sample(textureSampler, input.tex).rgb, 1.0f);
}
