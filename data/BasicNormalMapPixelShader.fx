// Mesh pixel stage: diffuse texture (slot 0) and tangent-space normal map (slot 1), lit by the one directional
// light of the frame with ambient, diffuse and Blinn-Phong specular terms using the material's shininess.
cbuffer cbPerObject : register(b0)
{
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float4x4 worldInvTranspose;
    float4 materialAmbient;
    float4 materialDiffuse;
    float4 materialSpecular;   // rgb colour, w shininess exponent
    float4 materialConstant;
};

cbuffer cbPerFrame : register(b1)
{
    float4 lightAmbient;
    float4 lightDiffuse;
    float4 lightSpecular;
    float4 lightDirection;     // the direction the light travels
    float4 reserved[6];
    float3 eyePosition;
    float framePadding;
};

Texture2D diffuseMap : register(t0);
Texture2D normalMap : register(t1);
SamplerState textureSampler : register(s0);

struct PixelIn
{
    float4 position : SV_POSITION;
    float3 worldPosition : POSITION;
    float3 normal : NORMAL;
    float2 tex : TEXCOORD;
    float3 tangent : TANGENT;
};

float4 PixelShaderFX(PixelIn input) : SV_TARGET
{
    float3 n = normalize(input.normal);
    // Gram-Schmidt again: interpolation bends the tangent away from the normal.
    float3 t = normalize(input.tangent - dot(input.tangent, n) * n);
    float3 b = cross(n, t);
    float3 bump = normalMap.Sample(textureSampler, input.tex).xyz * 2.0f - 1.0f;
    float3 normal = normalize(bump.x * t + bump.y * b + bump.z * n);

    float4 albedo = diffuseMap.Sample(textureSampler, input.tex);
    float3 toLight = normalize(-lightDirection.xyz);
    float3 toEye = normalize(eyePosition - input.worldPosition);
    float diffuse = saturate(dot(normal, toLight));
    float3 halfway = normalize(toLight + toEye);
    float shininess = max(materialSpecular.w, 1.0f);
    // No highlight on faces turned away from the light (written without a conditional operator, which some
    // HLSL compilers do not support).
    float specular = pow(saturate(dot(normal, halfway)), shininess) * saturate(diffuse * 1000.0f);

    float3 colour = albedo.rgb * (lightAmbient.rgb * materialAmbient.rgb + lightDiffuse.rgb * materialDiffuse.rgb * diffuse)
                  + lightSpecular.rgb * materialSpecular.rgb * specular;
    return float4(colour, albedo.a);
}
