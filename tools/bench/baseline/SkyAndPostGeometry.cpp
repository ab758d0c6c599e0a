// Sky sphere and post quad: see SkyAndPostGeometry.h. The sphere's layout is the engine sky's, so the sky
// texture lands where it does in the engine.
#include "tools/bench/baseline/SkyAndPostGeometry.h"

#include <cmath>

namespace
{
constexpr float kPi = 3.14159265358979f;
constexpr float kRadius = 5000.0f;
constexpr int kSlices = 30;
constexpr int kStacks = 30;

MeshVertex Vertex(float x, float y, float z, float nx, float ny, float nz, float u, float v, float tx, float ty, float tz)
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
}

IndexedGeometry BuildSkySphere()
{
    IndexedGeometry sphere;
    sphere.vertices.reserve(2 + (kStacks - 1) * (kSlices + 1));
    sphere.indices.reserve(static_cast<std::size_t>(kSlices) * 6 * (kStacks - 1));

    sphere.vertices.push_back(Vertex(0.0f, kRadius, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f));
    for (int i = 1; i < kStacks; ++i)
    {
        const float phi = static_cast<float>(i) * kPi / kStacks;
        for (int j = 0; j <= kSlices; ++j)
        {
            const float theta = static_cast<float>(j) * 2.0f * kPi / kSlices;
            const float x = kRadius * std::sin(phi) * std::cos(theta);
            const float y = kRadius * std::cos(phi);
            const float z = kRadius * std::sin(phi) * std::sin(theta);
            const float tx = -kRadius * std::sin(phi) * std::sin(theta);
            const float tz = kRadius * std::sin(phi) * std::cos(theta);
            const float tangentLength = std::sqrt(tx * tx + tz * tz);
            sphere.vertices.push_back(Vertex(x, y, z, x / kRadius, y / kRadius, z / kRadius,
                                             theta / (2.0f * kPi), phi / kPi, tx / tangentLength, 0.0f,
                                             tz / tangentLength));
        }
    }
    sphere.vertices.push_back(Vertex(0.0f, -kRadius, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f));

    const auto add = [&sphere](int a, int b, int c) {
        sphere.indices.push_back(static_cast<std::uint16_t>(a));
        sphere.indices.push_back(static_cast<std::uint16_t>(b));
        sphere.indices.push_back(static_cast<std::uint16_t>(c));
    };
    for (int i = 1; i <= kSlices; ++i)
    {
        add(0, i + 1, i);
    }
    const int base = 1;
    const int ring = kSlices + 1;
    for (int i = 0; i < kStacks - 2; ++i)
    {
        for (int j = 0; j < kSlices; ++j)
        {
            add(base + i * ring + j, base + i * ring + j + 1, base + (i + 1) * ring + j);
            add(base + (i + 1) * ring + j, base + i * ring + j + 1, base + (i + 1) * ring + j + 1);
        }
    }
    const int south = static_cast<int>(sphere.vertices.size()) - 1;
    const int lastRing = south - ring;
    for (int j = 0; j < kSlices; ++j)
    {
        add(south, lastRing + j, lastRing + j + 1);
    }
    return sphere;
}

IndexedGeometry BuildPostQuad()
{
    IndexedGeometry quad;
    quad.vertices = {
        Vertex(-1.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f),
        Vertex(-1.0f, 1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f),
        Vertex(1.0f, 1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f),
        Vertex(1.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f),
    };
    quad.indices = {0, 1, 2, 0, 2, 3};
    return quad;
}
