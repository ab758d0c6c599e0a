// The two fixed meshes of every frame besides the world's: the sky sphere (radius 5000, 30 slices and
// 30 stacks, seen from inside) and the post pass's full-screen quad in clip space. Plain vertex and index
// arrays in the engine's vertex record; uploading them is the renderer's business.
#pragma once

#include "graphics/bindables/MeshVertex.h"

#include <cstdint>
#include <vector>

struct IndexedGeometry
{
    std::vector<MeshVertex> vertices;
    std::vector<std::uint16_t> indices;
};

// 901 vertices (the poles and 29 rings of 31, the first and last of a ring coinciding so the texture wraps)
// and 5220 indices.
IndexedGeometry BuildSkySphere();

// Four corners at x, y = +-1 with texture coordinate (0, 0) at the top left, drawn as two clockwise triangles.
IndexedGeometry BuildPostQuad();
