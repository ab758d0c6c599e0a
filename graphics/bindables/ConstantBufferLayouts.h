// The two constant-buffer records shared by every drawable and the shader files: per object (320 bytes) and
// per frame (176 bytes). Plain data without Direct3D headers, so the scene's light manager can fill cbPerFrame.
#pragma once

#include "events/Matrix4x4.h"

#include <cstddef>
#include <type_traits>

// Matrices are stored transposed, so that the shaders read them column-major.
struct cbPerObject
{
    Matrix4x4 world;
    Matrix4x4 view;
    Matrix4x4 projection;
    Matrix4x4 worldInvTranspose;
    float materialAmbient[3];
    // 1 when pixel-shader slot 1 holds this mesh's normal map, else 0: a mesh without one binds nothing
    // there, so the slot may still hold an earlier draw's map and the shader must not sample it.
    float hasNormalMap;
    float materialDiffuse[3];
    // 1 when slot 0 holds this mesh's diffuse texture, else 0 (the shader then takes white).
    float hasDiffuseTexture;
    float materialSpecular[4];   // r, g, b, then the shininess exponent
    float materialConstant[4];
};

struct cbPerFrame
{
    float lightAmbient[4];   // r, g, b, a
    float lightDiffuse[4];
    float lightSpecular[4];
    float lightDirection[4];   // x, y, z, w = 1
    // Its meaning belongs to the shader files; the engine zeroes the first 8 bytes before each update.
    unsigned char reserved[96];
    float eyePosition[3];
    float padding;
};

// HLSL packs constant buffers in 16-byte registers; these offsets are what the shaders declare.
static_assert(std::is_standard_layout_v<cbPerObject> && std::is_standard_layout_v<cbPerFrame>);
static_assert(sizeof(cbPerObject) == 320);
static_assert(offsetof(cbPerObject, world) == 0);
static_assert(offsetof(cbPerObject, view) == 64);
static_assert(offsetof(cbPerObject, projection) == 128);
static_assert(offsetof(cbPerObject, worldInvTranspose) == 192);
static_assert(offsetof(cbPerObject, materialAmbient) == 256);
static_assert(offsetof(cbPerObject, hasNormalMap) == 268);
static_assert(offsetof(cbPerObject, materialDiffuse) == 272);
static_assert(offsetof(cbPerObject, hasDiffuseTexture) == 284);
static_assert(offsetof(cbPerObject, materialSpecular) == 288);
static_assert(offsetof(cbPerObject, materialConstant) == 304);
static_assert(sizeof(cbPerFrame) == 176);
static_assert(offsetof(cbPerFrame, lightAmbient) == 0);
static_assert(offsetof(cbPerFrame, lightDiffuse) == 16);
static_assert(offsetof(cbPerFrame, lightSpecular) == 32);
static_assert(offsetof(cbPerFrame, lightDirection) == 48);
static_assert(offsetof(cbPerFrame, reserved) == 64);
static_assert(offsetof(cbPerFrame, eyePosition) == 160);
