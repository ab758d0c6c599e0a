// Collects one model's triangles (position, normal, texture coordinate per corner) from simple primitives and
// writes it as a single-object Wavefront OBJ with a one-material MTL. Triangles are turned to face along their
// vertex normals (clockwise seen from the front, the engine's front faces), and every primitive lays out its
// texture coordinates unmirrored (dP/du x dP/dv along the normal), which the engine's normal mapping assumes.
// It does no optimisation (the engine expands every corner anyway) and knows nothing about the world.
#pragma once

#include "tools/assets/Vec3.h"

#include <functional>
#include <string>
#include <vector>

struct MeshVertex
{
    Vec3 position;
    Vec3 normal;
    float u = 0.0f;
    float v = 0.0f;
};

// Material fields the engine reads from an MTL file.
struct MeshMaterial
{
    std::string name;
    Vec3 ambient{1.0f, 1.0f, 1.0f};
    Vec3 diffuse{1.0f, 1.0f, 1.0f};
    Vec3 specular{0.2f, 0.2f, 0.2f};
    float shininess = 16.0f;
    std::string diffuseMap;
    std::string bumpMap;
};

// A placement for primitives: an origin and three orthonormal axes (x, y, z) in the model's space.
struct Frame
{
    Vec3 origin;
    Vec3 axisX{1.0f, 0.0f, 0.0f};
    Vec3 axisY{0.0f, 1.0f, 0.0f};
    Vec3 axisZ{0.0f, 0.0f, 1.0f};

    Vec3 Point(const Vec3& local) const { return origin + axisX * local.x + axisY * local.y + axisZ * local.z; }
    Vec3 Direction(const Vec3& local) const { return axisX * local.x + axisY * local.y + axisZ * local.z; }
    static Frame At(const Vec3& origin) { return Frame{origin}; }
    // Turned by the engine's yaw, pitch and roll (radians), in the engine's order: roll, then pitch, then yaw.
    static Frame Oriented(const Vec3& origin, float yaw, float pitch, float roll);
};

class MeshBuilder
{
public:
    // Surface point and outward normal for parameters s, t in [0, 1].
    using SurfaceFunction = std::function<void(float s, float t, Vec3& position, Vec3& normal)>;

    int AddVertex(const Vec3& position, const Vec3& normal, float u, float v);
    // Adds the triangle, ordered so that it faces along its corners' normals; drops triangles without area.
    void AddTriangle(int a, int b, int c);
    void AddQuad(int a, int b, int c, int d);

    // A planar quad with corners in order around its edge; texture coordinates are the corners' positions
    // projected on the face's own axes, divided by `scale` (world units per texture repeat) and shifted by
    // (uOffset, vOffset). `up` is the direction that appears at the top of the texture.
    void PlanarQuad(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, const Vec3& normal, const Vec3& up,
                    float scale, float uOffset = 0.0f, float vOffset = 0.0f);
    // A planar triangle mapped like PlanarQuad.
    void PlanarTriangle(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& normal, const Vec3& up, float scale,
                        float uOffset = 0.0f, float vOffset = 0.0f);
    // The same with explicit texture coordinates per corner (u0, v0 at p0, ... ) for atlas-like layouts.
    void MappedQuad(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, const Vec3& normal, float u0,
                    float v0, float u1, float v1);

    // An axis-aligned box in `frame`, each face planar-mapped with `scale` world units per repeat.
    void Box(const Frame& frame, const Vec3& minimum, const Vec3& maximum, float scale, bool bottom = true);

    // A grid of (columns x rows) quads over a parametric surface. Texture coordinates run from 0 to uRepeat
    // along s and from 0 to vRepeat along t, with v reversed when that is what keeps them unmirrored.
    void Surface(const SurfaceFunction& surface, int columns, int rows, float uRepeat, float vRepeat);

    // Common surfaces, all in `frame` (the frame's y axis is the primitive's axis).
    void Cylinder(const Frame& frame, float radiusBottom, float radiusTop, float y0, float y1, int sides, float uRepeat,
                  float vRepeat, bool caps);
    void Torus(const Frame& frame, float majorRadius, float minorRadius, int majorSides, int minorSides, float uRepeat,
               float vRepeat);
    // A ring of rectangular cross-section (a flat band) around the frame's y axis.
    void Band(const Frame& frame, float innerRadius, float outerRadius, float halfHeight, int sides, float uRepeat);
    void Sphere(const Frame& frame, float radius, int sides, int stacks, float uRepeat, float vRepeat);
    void Disc(const Frame& frame, float radius, int sides, float uvRadius);

    void Append(const MeshBuilder& other);
    // Appends a copy of `other` moved by `offset`; texture coordinates are copied unchanged.
    void AppendTranslated(const MeshBuilder& other, const Vec3& offset);

    const std::vector<MeshVertex>& Vertices() const { return m_vertices; }
    const std::vector<int>& Indices() const { return m_indices; }
    size_t CornerCount() const { return m_indices.size(); }

    // OBJ text naming `mtlFile` and the material, and MTL text for the material.
    std::string ObjText(const std::string& objectName, const std::string& mtlFile, const MeshMaterial& material) const;
    static std::string MtlText(const MeshMaterial& material);

private:
    std::vector<MeshVertex> m_vertices;
    std::vector<int> m_indices;
};
