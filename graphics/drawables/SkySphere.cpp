// The sky sphere's vertex and index arrays. Portable: the engine's sky uploads them, and the benchmark
// baseline draws the very same sphere without any of the engine's classes.
#include "graphics/drawables/SkySphere.h"

#include <cmath>

namespace
{
constexpr float kPi = 3.14159265358979f;
}

void SkySphere::Build(std::vector<MeshVertex>& vertices, std::vector<std::uint16_t>& indices)
{
    vertices.clear();
    indices.clear();
    vertices.reserve(kVertexCount);
    indices.reserve(kIndexCount);

    const float r = kRadius;
    const float phiStep = kPi / kStacks;
    const float thetaStep = 2.0f * kPi / kSlices;
    vertices.push_back(MakeMeshVertex(0.0f, r, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f));
    for (int i = 1; i <= kStacks - 1; ++i)
    {
        const float phi = i * phiStep;
        for (int j = 0; j <= kSlices; ++j)
        {
            const float theta = j * thetaStep;
            const float x = r * std::sin(phi) * std::cos(theta);
            const float y = r * std::cos(phi);
            const float z = r * std::sin(phi) * std::sin(theta);
            const float length = std::sqrt(x * x + y * y + z * z);
            // d(position)/d(theta), flattened: the direction of growing u.
            const float tx = -r * std::sin(phi) * std::sin(theta);
            const float tz = r * std::sin(phi) * std::cos(theta);
            const float tangentLength = std::sqrt(tx * tx + tz * tz);
            vertices.push_back(MakeMeshVertex(x, y, z, x / length, y / length, z / length, theta / (2.0f * kPi),
                                              phi / kPi, tx / tangentLength, 0.0f, tz / tangentLength));
        }
    }
    vertices.push_back(MakeMeshVertex(0.0f, -r, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f));

    for (std::uint16_t i = 1; i <= kSlices; ++i)
    {
        indices.insert(indices.end(), {0, static_cast<std::uint16_t>(i + 1), i});
    }
    const int base = 1;
    const int ringSize = kSlices + 1;
    for (int i = 0; i < kStacks - 2; ++i)
    {
        for (int j = 0; j < kSlices; ++j)
        {
            const auto at = [&](int ring, int slice) {
                return static_cast<std::uint16_t>(base + ring * ringSize + slice);
            };
            indices.insert(indices.end(), {at(i, j), at(i, j + 1), at(i + 1, j)});
            indices.insert(indices.end(), {at(i + 1, j), at(i, j + 1), at(i + 1, j + 1)});
        }
    }
    const auto south = static_cast<std::uint16_t>(vertices.size() - 1);
    const int southBase = south - ringSize;
    for (int j = 0; j < kSlices; ++j)
    {
        indices.insert(indices.end(), {south, static_cast<std::uint16_t>(southBase + j),
                                       static_cast<std::uint16_t>(southBase + j + 1)});
    }
}
