// Mesh vertex stage: transforms to clip space and hands the pixel stage a world-space position and the
// tangent frame for normal mapping. Matrices arrive transposed, so mul(v, M) applies them as the engine does.
cbuffer cbPerObject : register(b0)
{
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float4x4 worldInvTranspose;
    float3 materialAmbient;
    float hasNormalMap;
    float3 materialDiffuse;
    float hasDiffuseTexture;
    float4 materialSpecular;
    float4 materialConstant;
};

struct VertexIn
{
    float4 position : POSITION;
    float3 normal : NORMAL;
    float2 tex : TEXCOORD;
    float4 color : COLOR;
    float3 tangent : TANGENT;
};

struct VertexOut
{
    float4 position : SV_POSITION;
    float3 worldPosition : POSITION;
    float3 normal : NORMAL;
    float2 tex : TEXCOORD;
    float3 tangent : TANGENT;
};

VertexOut VertexShaderFX(VertexIn input)
{
    VertexOut output;
    float4 worldPosition = mul(float4(input.position.xyz, 1.0f), world);
    output.worldPosition = worldPosition.xyz;
    output.position = mul(mul(worldPosition, view), projection);
    output.normal = mul(float4(input.normal, 0.0f), worldInvTranspose).xyz;
    output.tangent = mul(float4(input.tangent, 0.0f), world).xyz;
    output.tex = input.tex;
    return output;
}
