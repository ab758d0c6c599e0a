// Sky sphere and post quad: see SkyAndPostGeometry.h. The sphere is the engine sky's own geometry, so the sky
// texture lands where it does in the engine.
#include "tools/bench/baseline/SkyAndPostGeometry.h"

#include "graphics/SkySphere.h"


namespace
{
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
    SkySphere::Build(sphere.vertices, sphere.indices);
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
