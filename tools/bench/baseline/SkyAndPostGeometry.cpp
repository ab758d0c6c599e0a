// Sky sphere and post quad: see SkyAndPostGeometry.h. The sphere is the engine sky's own geometry, so the sky
// texture lands where it does in the engine.
#include "tools/bench/baseline/SkyAndPostGeometry.h"

#include "graphics/drawables/SkySphere.h"

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
        MakeMeshVertex(-1.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f),
        MakeMeshVertex(-1.0f, 1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f),
        MakeMeshVertex(1.0f, 1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f),
        MakeMeshVertex(1.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f),
    };
    quad.indices = {0, 1, 2, 0, 2, 3};
    return quad;
}
