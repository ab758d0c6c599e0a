// The geometry of the sky: a sphere of radius 5000 seen from inside, 30 slices around y and 30 stacks from +y
// to -y, in the engine's vertex record. Plain arrays; uploading and drawing them is the caller's business.
#pragma once

#include "graphics/bindables/MeshVertex.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct SkySphere
{
    static constexpr float kRadius = 5000.0f;
    static constexpr int kSlices = 30;   // around y
    static constexpr int kStacks = 30;   // from +y to -y
    // Poles plus 29 rings of 31 vertices (the first and last of a ring coincide so that u can wrap).
    static constexpr std::size_t kVertexCount = 901;
    static constexpr std::size_t kIndexCount = 5220;

    // Replaces the arrays' contents with the sphere in the order the index buffer expects: north pole, rings
    // top to bottom, south pole; triangles wound to face the inside.
    static void Build(std::vector<MeshVertex>& vertices, std::vector<std::uint16_t>& indices);
};
