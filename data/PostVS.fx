// Post pass vertex stage: the quad is already in clip space; the timer readings ride along in the colour.
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
    float4 color : COLOR;
};

VertexOut VertexShaderFX(VertexIn input)
{
    VertexOut output;
    output.position = float4(input.position.xy, 0.0f, 1.0f);
    output.tex = input.tex;
    output.color = input.color;
    return output;
}
