// Sky vertex stage: the sphere is pushed to the far plane (z = w), so with a less-or-equal depth test it only
// fills pixels that no mesh has covered, whatever its radius and the camera's far distance. The view's
// translation is left out, so the sky keeps its place around the camera like a real one: the camera's jumps
// along the avenue do not shift it.
cbuffer cbPerObject : register(b0)
{
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float4x4 worldInvTranspose;
    float4 materialAmbient;
    float4 materialDiffuse;
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
    float2 tex : TEXCOORD;
};

VertexOut VertexShaderFX(VertexIn input)
{
    VertexOut output;
    float4 direction = mul(float4(input.position.xyz, 1.0f), world);
    float4 clip = mul(mul(float4(direction.xyz, 0.0f), view), projection);
    output.position = clip.xyww;
    output.tex = input.tex;
    return output;
}
