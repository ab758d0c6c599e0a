// Post pass pixel stage: a gentle contrast curve, a touch of warmth and a soft vignette over the offscreen
// image. The colour input carries (elapsed, total, elapsed, total) seconds from when the quad was built.
Texture2D sceneImage : register(t0);
SamplerState textureSampler : register(s0);

struct PixelIn
{
    float4 position : SV_POSITION;
    float2 tex : TEXCOORD;
    float4 color : COLOR;
};

float4 PixelShaderFX(PixelIn input) : SV_TARGET
{
    float3 colour = sceneImage.Sample(textureSampler, input.tex).rgb;
    // A soft S-curve (smoothstep blended with the original): deeper shadows and brighter highlights, while
    // black stays black and white stays white.
    colour = saturate(colour);
    float3 curved = colour * colour * (3.0f - 2.0f * colour);
    colour = colour + (curved - colour) * 0.35f;
    colour = colour * float3(1.03f, 1.0f, 0.97f);
    float2 fromCentre = input.tex - 0.5f;
    float vignette = 1.0f - 0.55f * dot(fromCentre, fromCentre) * 2.0f;
    return float4(saturate(colour * vignette), 1.0f);
}
