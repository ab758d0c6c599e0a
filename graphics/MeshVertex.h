// The engine's one vertex record, 64 bytes, matching the input layout field for field.
// Plain floats only, so that portable mesh code can fill it without any Direct3D header.
#pragma once

#include <cstddef>
#include <type_traits>

struct MeshVertex {
    float position[4];   // x, y, z, w (w = 1)
    float normal[3];
    float texCoord[2];   // u, v
    float color[4];
    float tangent[3];
};

// The input layout (InputLayout) and the vertex buffer stride rely on these offsets.
static_assert(std::is_standard_layout_v<MeshVertex>);
static_assert(sizeof(MeshVertex) == 64, "the vertex buffer stride is 64 bytes");
static_assert(offsetof(MeshVertex, position) == 0);
static_assert(offsetof(MeshVertex, normal) == 16);
static_assert(offsetof(MeshVertex, texCoord) == 28);
static_assert(offsetof(MeshVertex, color) == 36);
static_assert(offsetof(MeshVertex, tangent) == 52);
