// Mesh pixel stage: diffuse texture (slot 0) and tangent-space normal map (slot 1), lit by the one directional
// light of the frame with ambient, diffuse and Blinn-Phong specular terms using the material's shininess.
// A mesh without a normal map is lit with its interpolated vertex normal, and one without a diffuse texture
// with plain white, whatever views earlier draws left in the two slots.
cbuffer cbPerObject : register(b0)
{
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float4x4 worldInvTranspose;
    float3 materialAmbient;
    float hasNormalMap;        // 1 when slot 1 holds this mesh's normal map, else 0
    float3 materialDiffuse;
    float hasDiffuseTexture;   // 1 when slot 0 holds this mesh's diffuse texture, else 0
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
    // Sampled outside the branches below, where the texture coordinates' derivatives are always defined.
    float4 bumpSample = normalMap.Sample(textureSampler, input.tex);
    float4 albedoSample = diffuseMap.Sample(textureSampler, input.tex);

    float3 n = normalize(input.normal);
    // A slot this mesh does not fill may hold another mesh's view, or none (which samples as 0 and would turn
    // the normal inside out), so the sample is only used when the flag says the slot is this mesh's. Chosen
    // with a branch rather than a blend, so that nothing in the unused sample can reach the result.
    float3 normal = n;
    if (hasNormalMap > 0.5f)
    {
        // Gram-Schmidt again: interpolation bends the tangent away from the normal.
        float3 t = normalize(input.tangent - dot(input.tangent, n) * n);
        float3 b = cross(n, t);
        float3 bump = bumpSample.xyz * 2.0f - 1.0f;
        normal = normalize(bump.x * t + bump.y * b + bump.z * n);
    }
    float4 albedo = float4(1.0f, 1.0f, 1.0f, 1.0f);
    if (hasDiffuseTexture > 0.5f)
    {
        albedo = albedoSample;
    }

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
