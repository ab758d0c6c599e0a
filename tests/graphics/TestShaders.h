// Plain HLSL sources for the device tests, written so that both Microsoft's and Wine's compilers accept them:
// no loops, no includes. The layouts are the engine's: MeshVertex input, cbPerObject in b0, texture t0, sampler s0.
#pragma once

namespace test_shaders
{

inline constexpr const char* kPerObject = R"(
cbuffer PerObject : register(b0)
{
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float4x4 worldInvTranspose;
    float3 materialAmbient;
    float3 materialDiffuse;
    float4 materialSpecular;
    float4 materialConstant;
};
)";

// Positions go straight through the world matrix; colour and texture coordinate are passed on.
inline constexpr const char* kVertexBody = R"(
struct VertexIn
{
    float4 position : POSITION;
    float3 normal : NORMAL;
    float2 tex : TEXCOORD;
    float4 color : COLOR;
    float3 tangent : TANGENT;
};
struct PixelIn
{
    float4 position : SV_POSITION;
    float2 tex : TEXCOORD0;
    float4 color : COLOR0;
};
PixelIn VertexShaderFX(VertexIn input)
{
    PixelIn output;
    output.position = mul(input.position, world);
    output.tex = input.tex;
    output.color = input.color;
    return output;
}
)";

// Texture times vertex colour, plus the material's diffuse colour.
inline constexpr const char* kPixelBody = R"(
Texture2D diffuseMap : register(t0);
SamplerState linearSampler : register(s0);
struct PixelIn
{
    float4 position : SV_POSITION;
    float2 tex : TEXCOORD0;
    float4 color : COLOR0;
};
float4 PixelShaderFX(PixelIn input) : SV_TARGET
{
    return diffuseMap.Sample(linearSampler, input.tex) * input.color + float4(materialDiffuse, 0.0f);
}
)";

inline constexpr const char* kSyntaxError = R"(
float4 PixelShaderFX(float4 position : SV_POSITION) : SV_TARGET
{
    return float4(1.0f, 0.0f, 0.0f, 1.0f)   // missing semicolon
}
)";

}   // namespace test_shaders
