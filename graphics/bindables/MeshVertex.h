// The engine's one vertex record, 64 bytes, matching the input layout field for field.
// Plain floats only, so that portable mesh code can fill it without any Direct3D header.
#pragma once

#include <cstddef>
#include <type_traits>

struct MeshVertex
{
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

// A vertex with w = 1 and no colour, its fields in record order: position, normal, texture coordinate, tangent.
inline MeshVertex MakeMeshVertex(float x, float y, float z, float nx, float ny, float nz, float u, float v, float tx,
                                 float ty, float tz)
{
    MeshVertex vertex{};
    vertex.position[0] = x;
    vertex.position[1] = y;
    vertex.position[2] = z;
    vertex.position[3] = 1.0f;
    vertex.normal[0] = nx;
    vertex.normal[1] = ny;
    vertex.normal[2] = nz;
    vertex.texCoord[0] = u;
    vertex.texCoord[1] = v;
    vertex.tangent[0] = tx;
    vertex.tangent[1] = ty;
    vertex.tangent[2] = tz;
    return vertex;
}
