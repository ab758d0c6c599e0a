// Model geometry in each model's own space (the actor's transform places it; see WorldPlan). Units are the
// world's: the deck, the plaza and the heath's zero are at y = 0, the sea at y = -3, and the camera flies at
// y = 2. Every mesh stays under the engine's 65,536 corners; the long causeway meshes are built from
// identical segments so that what the camera sees 43 units ahead is what it saw before each jump back.
#include "tools/assets/ModelSet.h"

#include "tools/assets/Terrain.h"
#include "tools/assets/WorldPlan.h"

#include <cmath>
#include <functional>

namespace
{

MeshMaterial Material(const std::string& name, const std::string& texture, const Vec3& specular, float shininess,
                      float ambient = 1.0f)
{
    MeshMaterial m;
    m.name = name;
    m.ambient = {ambient, ambient, ambient};
    m.diffuse = {1.0f, 1.0f, 1.0f};
    m.specular = specular;
    m.shininess = shininess;
    m.diffuseMap = texture + "-albedo.dds";
    m.bumpMap = texture + "-normal.dds";
    return m;
}

constexpr Vec3 kUp{0.0f, 1.0f, 0.0f};
constexpr Vec3 kNorth{0.0f, 0.0f, 1.0f};

// Coordinates along one axis whose spacing grows away from zero: `near` units at 0, widening by `growth`
// per unit of distance.
std::vector<float> GradedAxis(float from, float to, float nearSpacing, float growth)
{
    std::vector<float> axis{from};
    float x = from;
    while (x < to)
    {
        const float step = nearSpacing + growth * std::fabs(x);
        x = std::fmin(to, x + step);
        if (to - x < 0.3f * step)
        {
            x = to;
        }
        axis.push_back(x);
    }
    return axis;
}

// A height field over a grid, with normals from the function's slope; quads for which `keep` is false
// (hidden under the sea or the plaza) are left out.
void HeightField(MeshBuilder& mesh, const std::vector<float>& xs, const std::vector<float>& zs,
                 const std::function<float(float, float)>& height, float slopeStep,
                 const std::function<void(float, float, float&, float&)>& uvOf,
                 const std::function<bool(float, float, float, float)>& keep)
{
    const size_t nx = xs.size();
    const size_t nz = zs.size();
    std::vector<int> ids(nx * nz, -1);
    auto vertex = [&](size_t i, size_t j) {
        int& id = ids[j * nx + i];
        if (id < 0)
        {
            const float x = xs[i];
            const float z = zs[j];
            // Slopes are taken over about a grid cell, so the normals agree with the facets' own tilt.
            const float e = slopeStep;
            const Vec3 n =
                Normalize(Vec3{height(x - e, z) - height(x + e, z), 2.0f * e, height(x, z - e) - height(x, z + e)});
            float u = 0.0f;
            float v = 0.0f;
            uvOf(x, z, u, v);
            id = mesh.AddVertex({x, height(x, z), z}, n, u, v);
        }
        return id;
    };
    for (size_t j = 0; j + 1 < nz; ++j)
    {
        for (size_t i = 0; i + 1 < nx; ++i)
        {
            if (!keep(xs[i], xs[i + 1], zs[j], zs[j + 1]))
            {
                continue;
            }
            mesh.AddQuad(vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1), vertex(i, j + 1));
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The plaza

ModelOutput Plaza()
{
    ModelOutput out{"Plaza", {}, Material("PlazaFlagstone", "plaza-flagstone", {0.12f, 0.11f, 0.1f}, 20.0f)};
    const float w = WorldPlan::kPlazaHalfWidth;
    const float z0 = WorldPlan::kPlazaMinZ;
    const float z1 = WorldPlan::kPlazaMaxZ;
    // The top in tiles of 8 x 8 units keeps texture coordinates small; the sides step down to the heath.
    for (float x = -w; x < w; x += 8.0f)
    {
        for (float z = z0; z < z1; z += 8.0f)
        {
            const float xe = std::fmin(x + 8.0f, w);
            const float ze = std::fmin(z + 8.0f, z1);
            out.mesh.PlanarQuad({x, 0.0f, ze}, {xe, 0.0f, ze}, {xe, 0.0f, z}, {x, 0.0f, z}, kUp, kNorth, 4.0f);
        }
    }
    const float d = -2.5f;
    out.mesh.PlanarQuad({-w, 0.0f, z1}, {w, 0.0f, z1}, {w, d, z1}, {-w, d, z1}, kNorth, kUp, 4.0f);
    out.mesh.PlanarQuad({w, 0.0f, z0}, {-w, 0.0f, z0}, {-w, d, z0}, {w, d, z0}, -kNorth, kUp, 4.0f);
    out.mesh.PlanarQuad({w, 0.0f, z1}, {w, 0.0f, z0}, {w, d, z0}, {w, d, z1}, {1.0f, 0.0f, 0.0f}, kUp, 4.0f);
    out.mesh.PlanarQuad({-w, 0.0f, z0}, {-w, 0.0f, z1}, {-w, d, z1}, {-w, d, z0}, {-1.0f, 0.0f, 0.0f}, kUp, 4.0f);
    return out;
}

ModelOutput CompassRose()
{
    ModelOutput out{"CompassRose", {}, Material("CompassRose", "compass-rose", {0.55f, 0.5f, 0.45f}, 48.0f)};
    out.mesh.Disc(Frame::At({0.0f, 0.012f, 0.0f}), 5.0f, 96, 5.0f);
    return out;
}

ModelOutput Colonnade()
{
    ModelOutput out{"Colonnade", {}, Material("Limestone", "limestone", {0.15f, 0.14f, 0.12f}, 16.0f)};
    MeshBuilder& m = out.mesh;
    const float radius = WorldPlan::kColonnadeRadius;
    // Sixteen columns, none on the x = 0 line, so the flight path passes between two of them at each end.
    for (int k = 0; k < 16; ++k)
    {
        const float angle = (static_cast<float>(k) + 0.5f) * (2.0f * kPi / 16.0f);
        const Vec3 base{std::cos(angle) * radius, 0.0f, std::sin(angle) * radius};
        const Frame f = Frame::Oriented(base, -angle, 0.0f, 0.0f);
        m.Box(f, {-0.75f, 0.0f, -0.75f}, {0.75f, 0.35f, 0.75f}, 2.0f, false);
        m.Box(f, {-0.62f, 0.35f, -0.62f}, {0.62f, 0.6f, 0.62f}, 2.0f, false);
        m.Cylinder(f, 0.5f, 0.43f, 0.6f, 5.9f, 20, 2.0f, 2.6f, false);
        m.Torus(Frame::At(base + Vec3{0.0f, 5.9f, 0.0f}), 0.47f, 0.09f, 20, 6, 2.0f, 0.5f);
        m.Box(f, {-0.68f, 5.95f, -0.68f}, {0.68f, 6.35f, 0.68f}, 2.0f);
    }
    // The ring architrave the columns carry.
    const int segments = 64;
    for (int s = 0; s < segments; ++s)
    {
        const float a0 = static_cast<float>(s) * 2.0f * kPi / segments;
        const float a1 = static_cast<float>(s + 1) * 2.0f * kPi / segments;
        auto at = [&](float a, float r, float y) { return Vec3{std::cos(a) * r, y, std::sin(a) * r}; };
        const float ri = radius - 0.75f;
        const float ro = radius + 0.75f;
        const float y0 = 6.35f;
        const float y1 = 7.25f;
        const Vec3 outward{std::cos((a0 + a1) * 0.5f), 0.0f, std::sin((a0 + a1) * 0.5f)};
        m.PlanarQuad(at(a0, ro, y1), at(a1, ro, y1), at(a1, ro, y0), at(a0, ro, y0), outward, kUp, 2.0f);
        m.PlanarQuad(at(a1, ri, y1), at(a0, ri, y1), at(a0, ri, y0), at(a1, ri, y0), -outward, kUp, 2.0f);
        m.PlanarQuad(at(a0, ri, y1), at(a1, ri, y1), at(a1, ro, y1), at(a0, ro, y1), kUp, kNorth, 2.0f);
        m.PlanarQuad(at(a0, ro, y0), at(a1, ro, y0), at(a1, ri, y0), at(a0, ri, y0), -kUp, -kNorth, 2.0f);
    }
    // Four curved benches around the rose, leaving the x = 0 line free.
    for (int b = 0; b < 4; ++b)
    {
        const float centre = (45.0f + 90.0f * static_cast<float>(b)) * kPi / 180.0f;
        const int pieces = 8;
        for (int s = 0; s < pieces; ++s)
        {
            const float a = centre - 0.42f + 0.84f * (static_cast<float>(s) + 0.5f) / pieces;
            const Frame f = Frame::Oriented({std::cos(a) * 7.6f, 0.0f, std::sin(a) * 7.6f}, -a, 0.0f, 0.0f);
            m.Box(f, {-0.32f, 0.0f, -0.48f}, {0.32f, 0.48f, 0.48f}, 1.0f, false);
        }
    }
    return out;
}

ModelOutput Plinth()
{
    MeshMaterial material = Material("EmblemPlinth", "limestone", {0.1f, 0.1f, 0.1f}, 12.0f);
    material.diffuseMap = "D.bmp";
    material.bumpMap = "lantern-normal.dds";   // flat: the emblem is painted, not carved
    ModelOutput out{"Plinth", {}, material};
    out.mesh.Box(Frame{}, {-1.2f, 0.0f, -1.2f}, {1.2f, 0.4f, 1.2f}, 2.4f, false);
    out.mesh.Box(Frame{}, {-0.8f, 0.4f, -0.8f}, {0.8f, WorldPlan::kPlinthHeight, 0.8f}, 1.6f, false);
    return out;
}

// ---------------------------------------------------------------------------------------------------------------
// The spinning instruments of the plaza

// A torus whose axis is `axis` (unit), centred at `centre`.
void Hoop(MeshBuilder& m, const Vec3& centre, const Vec3& axis, float radius, float tube, int sides = 48)
{
    const Vec3 helper = std::fabs(axis.y) < 0.9f ? kUp : Vec3{1.0f, 0.0f, 0.0f};
    const Vec3 x = Normalize(Cross(helper, axis));
    const Vec3 z = Cross(x, axis);
    m.Torus(Frame{centre, x, axis, z}, radius, tube, sides, 8, 8.0f, 1.0f);
}

void Rod(MeshBuilder& m, const Vec3& from, const Vec3& to, float radius)
{
    const Vec3 axis = Normalize(to - from);
    const Vec3 helper = std::fabs(axis.y) < 0.9f ? kUp : Vec3{1.0f, 0.0f, 0.0f};
    const Vec3 x = Normalize(Cross(helper, axis));
    const Vec3 z = Cross(x, axis);
    m.Cylinder(Frame{from, x, axis, z}, radius, radius, 0.0f, Length(to - from), 10, 1.0f, 1.0f, true);
}

ModelOutput Armillary()
{
    ModelOutput out{"Armillary", {}, Material("Brass", "brass", {0.85f, 0.7f, 0.45f}, 48.0f)};
    MeshBuilder& m = out.mesh;
    m.Cylinder(Frame{}, 0.55f, 0.5f, 0.0f, 0.14f, 28, 4.0f, 0.25f, true);
    m.Cylinder(Frame{}, 0.16f, 0.12f, 0.14f, 1.5f, 16, 2.0f, 1.0f, false);
    m.Cylinder(Frame{}, 0.12f, 0.28f, 1.5f, 1.62f, 16, 2.0f, 0.25f, true);
    const Vec3 c{0.0f, 3.0f, 0.0f};
    const float latitude = 35.0f * kPi / 180.0f;
    const float tilt = 23.4f * kPi / 180.0f;
    const Vec3 polar{0.0f, std::sin(latitude), std::cos(latitude)};
    Hoop(m, c, {0.0f, 0.0f, 1.0f}, 1.45f, 0.055f, 56);   // meridian, held by the stand
    Hoop(m, c, {1.0f, 0.0f, 0.0f}, 1.32f, 0.04f);        // colure
    Hoop(m, c, polar, 1.32f, 0.045f);                    // equator
    const Vec3 ecliptic = Normalize(RotateX(polar, tilt));
    Hoop(m, c, ecliptic, 1.32f, 0.06f);
    Hoop(m, c + polar * (1.32f * std::sin(tilt)), polar, 1.32f * std::cos(tilt), 0.03f);
    Hoop(m, c - polar * (1.32f * std::sin(tilt)), polar, 1.32f * std::cos(tilt), 0.03f);
    Rod(m, c - polar * 1.6f, c + polar * 1.6f, 0.03f);
    m.Sphere(Frame::At(c), 0.24f, 20, 12, 2.0f, 1.0f);
    m.Sphere(Frame::At(c + polar * 1.62f), 0.06f, 10, 6, 1.0f, 1.0f);
    m.Sphere(Frame::At(c - polar * 1.62f), 0.06f, 10, 6, 1.0f, 1.0f);
    return out;
}

ModelOutput Orrery()
{
    ModelOutput out{"Orrery", {}, Material("Brass", "brass", {0.85f, 0.7f, 0.45f}, 48.0f)};
    MeshBuilder& m = out.mesh;
    m.Cylinder(Frame{}, 0.5f, 0.45f, 0.0f, 0.15f, 28, 4.0f, 0.25f, true);
    m.Cylinder(Frame{}, 0.14f, 0.1f, 0.15f, 1.7f, 16, 2.0f, 1.0f, false);
    const float hub = 1.95f;
    m.Sphere(Frame::At({0.0f, hub, 0.0f}), 0.42f, 28, 16, 3.0f, 1.0f);
    // The zodiac band, carried on four spokes.
    m.Band(Frame::At({0.0f, hub - 0.1f, 0.0f}), 2.55f, 2.72f, 0.045f, 72, 16.0f);
    for (int k = 0; k < 4; ++k)
    {
        const float a = static_cast<float>(k) * kPi * 0.5f + 0.4f;
        Rod(m, {0.0f, hub - 0.35f, 0.0f}, {std::cos(a) * 2.56f, hub - 0.1f, std::sin(a) * 2.56f}, 0.025f);
    }
    // Planets on arms of different lengths and heights.
    const float angles[5] = {0.3f, 1.7f, 2.9f, 4.1f, 5.3f};
    const float lengths[5] = {0.8f, 1.2f, 1.65f, 2.05f, 2.4f};
    const float sizes[5] = {0.08f, 0.12f, 0.13f, 0.1f, 0.2f};
    for (int k = 0; k < 5; ++k)
    {
        const float y = hub - 0.15f + 0.07f * static_cast<float>(k);
        const Vec3 end{std::cos(angles[k]) * lengths[k], y, std::sin(angles[k]) * lengths[k]};
        Rod(m, {0.0f, y, 0.0f}, end, 0.02f);
        Rod(m, end, end + Vec3{0.0f, 0.28f, 0.0f}, 0.018f);
        const Vec3 planet = end + Vec3{0.0f, 0.28f + sizes[k], 0.0f};
        m.Sphere(Frame::At(planet), sizes[k], 16, 10, 2.0f, 1.0f);
        if (k == 4)
        {
            Hoop(m, planet, Normalize(Vec3{0.3f, 1.0f, 0.2f}), 0.34f, 0.022f, 32);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------------------------
// Land, mountains and sea

ModelOutput Meadow()
{
    ModelOutput out{"Meadow", {}, Material("Heath", "meadow", {0.05f, 0.05f, 0.05f}, 8.0f)};
    const std::vector<float> xs = GradedAxis(-1000.0f, 90.0f, 3.0f, 0.05f);
    const std::vector<float> zs = GradedAxis(-760.0f, 1150.0f, 3.0f, 0.05f);
    HeightField(
        out.mesh, xs, zs, [](float x, float z) { return Terrain::LandHeight(x, z); }, 2.0f,
        [](float x, float z, float& u, float& v) {
            u = x / 32.0f;
            v = -z / 32.0f;
        },
        [](float x0, float x1, float z0, float z1) {
            const bool underPlaza = x0 >= -WorldPlan::kPlazaHalfWidth && x1 <= WorldPlan::kPlazaHalfWidth &&
                                    z0 >= WorldPlan::kPlazaMinZ && z1 <= WorldPlan::kPlazaMaxZ;
            const float sea = Terrain::kSeaLevel - 0.5f;
            const bool underSea = Terrain::LandHeight(x0, z0) < sea && Terrain::LandHeight(x1, z0) < sea &&
                                  Terrain::LandHeight(x0, z1) < sea && Terrain::LandHeight(x1, z1) < sea;
            return !underPlaza && !underSea;
        });
    return out;
}

ModelOutput Mountains()
{
    ModelOutput out{"Mountains", {}, Material("MountainRock", "mountain", {0.06f, 0.06f, 0.07f}, 8.0f)};
    std::vector<float> xs, zs;
    for (float x = Terrain::kMountainMinX; x <= Terrain::kMountainMaxX + 0.01f; x += 10.0f)
    {
        xs.push_back(x);
    }
    for (float z = Terrain::kMountainMinZ; z <= Terrain::kMountainMaxZ + 0.01f; z += 14.0f)
    {
        zs.push_back(z);
    }
    const float spanX = Terrain::kMountainMaxX - Terrain::kMountainMinX;
    const float spanZ = Terrain::kMountainMaxZ - Terrain::kMountainMinZ;
    HeightField(
        out.mesh, xs, zs, [](float x, float z) { return Terrain::MountainHeight(x, z); }, 6.0f,
        [&](float x, float z, float& u, float& v) {
            u = (x - Terrain::kMountainMinX) / spanX;
            v = (Terrain::kMountainMaxZ - z) / spanZ;
        },
        [](float x0, float x1, float z0, float z1) {
            // Leave out what lies wholly under the heath.
            auto hidden = [](float x, float z) {
                return Terrain::MountainHeight(x, z) < Terrain::LandHeight(x, z) - 2.0f;
            };
            return !(hidden(x0, z0) && hidden(x1, z0) && hidden(x0, z1) && hidden(x1, z1));
        });
    return out;
}

ModelOutput Sea()
{
    ModelOutput out{"Sea", {}, Material("Sea", "sea", {0.7f, 0.65f, 0.55f}, 90.0f, 0.9f)};
    // The repeat (21.5 units) divides the causeway's 43, so the water below the deck matches itself too.
    const float repeat = WorldPlan::kSegmentLength / 2.0f;
    const float y = Terrain::kSeaLevel;
    const float x0 = -1000.0f;
    const float z0 = -800.0f;
    const float step = 100.0f;
    for (int i = 0; i < 24; ++i)
    {
        for (int j = 0; j < 21; ++j)
        {
            const float xa = x0 + step * static_cast<float>(i);
            const float za = z0 + step * static_cast<float>(j);
            const float xb = xa + step;
            const float zb = za + step;
            // Tiles wholly under high ground are left out.
            if (Terrain::LandHeight(xa, za) > 2.0f && Terrain::LandHeight(xb, za) > 2.0f &&
                Terrain::LandHeight(xa, zb) > 2.0f && Terrain::LandHeight(xb, zb) > 2.0f &&
                Terrain::LandHeight((xa + xb) * 0.5f, (za + zb) * 0.5f) > 2.0f)
            {
                continue;
            }
            out.mesh.PlanarQuad({xa, y, zb}, {xb, y, zb}, {xb, y, za}, {xa, y, za}, kUp, kNorth, repeat);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------------------------
// The causeway, in the causeway's own space: x across (0 on its axis), z as in the world.

// Builds one segment with `segment(builder, 0)` and lays copies of it end to end. Copying (rather than
// building each segment in place) keeps every segment's texture coordinates identical, so nothing shifts when
// the flight jumps back by one segment.
template <typename Segment>
void EverySegment(MeshBuilder& target, Segment segment)
{
    MeshBuilder one;
    segment(one, 0.0f);
    for (int k = 0; k < WorldPlan::kSegmentCount; ++k)
    {
        target.AppendTranslated(
            one, {0.0f, 0.0f, WorldPlan::kFirstSegmentZ + WorldPlan::kSegmentLength * static_cast<float>(k)});
    }
}

constexpr float kDeckHalf = 8.0f;     // paved width either side of the axis
constexpr float kWallInner = -8.0f;   // the gallery wall's inner face
constexpr float kWallOuter = -9.6f;
constexpr float kWallHeight = 16.0f;
constexpr float kRailInner = 8.0f;   // the balustrade on the sea side
constexpr float kRailOuter = 8.6f;

ModelOutput CausewayDeck()
{
    ModelOutput out{"CausewayDeck", {}, Material("Paving", "causeway-paving", {0.2f, 0.2f, 0.2f}, 24.0f)};
    const float repeatAlong = WorldPlan::kSegmentLength / 8.0f;
    EverySegment(out.mesh, [&](MeshBuilder& m, float z0) {
        for (int q = 0; q < 8; ++q)
        {
            const float za = z0 + repeatAlong * static_cast<float>(q);
            const float zb = za + repeatAlong;
            for (int half = 0; half < 2; ++half)
            {
                const float xa = half == 0 ? -kDeckHalf : 0.0f;
                const float xb = xa + kDeckHalf;
                // Explicit coordinates: u from 0 to 1 across each half, v from 0 to 1 along each repeat.
                m.MappedQuad({xa, 0.0f, zb}, {xb, 0.0f, zb}, {xb, 0.0f, za}, {xa, 0.0f, za}, kUp, 0.0f, 0.0f, 1.0f,
                             1.0f);
            }
        }
    });
    return out;
}

ModelOutput CausewayGallery()
{
    ModelOutput out{
        "CausewayGallery", {}, Material("GalleryFacade", "gallery-facade", {0.15f, 0.14f, 0.12f}, 16.0f, 1.15f)};
    const float bay = WorldPlan::kBay;
    EverySegment(out.mesh, [&](MeshBuilder& m, float z0) {
        for (int b = 0; b < 4; ++b)
        {
            const float za = z0 + bay * static_cast<float>(b);
            const float zb = za + bay;
            // Inner face (towards +x): seen from the deck, +z is to the right.
            m.MappedQuad({kWallInner, kWallHeight, za}, {kWallInner, kWallHeight, zb}, {kWallInner, 0.0f, zb},
                         {kWallInner, 0.0f, za}, {1.0f, 0.0f, 0.0f}, 0.0f, 0.0f, 1.0f, 1.0f);
            // Outer face (towards -x), seen from the land and from above.
            m.MappedQuad({kWallOuter, kWallHeight, zb}, {kWallOuter, kWallHeight, za}, {kWallOuter, -1.2f, za},
                         {kWallOuter, -1.2f, zb}, {-1.0f, 0.0f, 0.0f}, 0.0f, 0.0f, 1.0f, 1.0f + 1.2f / kWallHeight);
        }
    });
    return out;
}

ModelOutput CausewayStone()
{
    ModelOutput out{"CausewayStone", {}, Material("Limestone", "limestone", {0.15f, 0.14f, 0.12f}, 16.0f)};
    const float bay = WorldPlan::kBay;
    EverySegment(out.mesh, [&](MeshBuilder& m, float z0) {
        const Frame at = Frame::At({0.0f, 0.0f, z0});
        // Wall top and the deck's edges and underside.
        m.Box(at, {kWallOuter - 0.3f, kWallHeight, -0.01f},
              {kWallInner + 0.3f, kWallHeight + 0.6f, WorldPlan::kSegmentLength + 0.01f}, 2.0f);
        m.Box(at, {kWallOuter, -1.2f, 0.0f}, {kRailOuter, -0.02f, WorldPlan::kSegmentLength}, 2.0f);
        for (int b = 0; b < 4; ++b)
        {
            const float zb = bay * static_cast<float>(b);
            // Pilasters on the wall, between the windows.
            m.Box(at, {kWallInner, 0.0f, zb - 0.45f}, {kWallInner + 0.5f, 15.2f, zb + 0.45f}, 2.0f, false);
            m.Box(at, {kWallInner, 15.2f, zb - 0.6f}, {kWallInner + 0.7f, 15.9f, zb + 0.6f}, 2.0f);
            // Piers standing in the sea under the deck.
            m.Box(at, {kWallOuter + 0.4f, -7.0f, zb + 1.0f}, {kRailOuter - 0.4f, -1.2f, zb + 3.2f}, 2.0f, false);
            // The parapet on the sea side, low enough to see the water over it.
            m.Box(at, {kRailInner, 0.85f, zb}, {kRailOuter, 1.1f, zb + bay}, 2.0f);
            m.Box(at, {kRailInner + 0.08f, 0.0f, zb}, {kRailOuter - 0.08f, 0.85f, zb + bay}, 2.0f, false);
            // Lamp posts on the sea side, midway between the arches' rhythm.
            const float lampZ = z0 + zb + bay * 0.5f;
            const Vec3 lamp{kRailInner - 0.6f, 0.0f, lampZ};
            m.Box(Frame::At(lamp), {-0.3f, 0.0f, -0.3f}, {0.3f, 0.5f, 0.3f}, 1.0f, false);
            m.Cylinder(Frame::At(lamp), 0.11f, 0.08f, 0.5f, 4.0f, 10, 1.0f, 1.5f, false);
            m.Box(Frame::At(lamp), {-0.3f, 4.0f, -0.3f}, {0.3f, 4.12f, 0.3f}, 1.0f);
            m.Box(Frame::At(lamp), {-0.32f, 4.88f, -0.32f}, {0.32f, 5.0f, 0.32f}, 1.0f);
            // Brackets for the wall lanterns.
            m.Box(at, {kWallInner, 4.0f, zb + bay * 0.5f - 1.9f - 0.08f},
                  {kWallInner + 0.6f, 4.12f, zb + bay * 0.5f - 1.9f + 0.08f}, 1.0f);
            m.Box(at, {kWallInner, 4.0f, zb + bay * 0.5f + 1.9f - 0.08f},
                  {kWallInner + 0.6f, 4.12f, zb + bay * 0.5f + 1.9f + 0.08f}, 1.0f);
        }
        // The grand arch at the start of each segment, springing from the wall and from a pier on the sea side.
        const float inner = kDeckHalf;
        const float outer = kDeckHalf + 1.5f;
        const float spring = 8.0f;
        const float depth = 2.0f;
        auto archPoint = [&](float angle, float radius, float z) {
            return Vec3{-std::cos(angle) * radius, spring + std::sin(angle) * radius, z0 + z};
        };
        auto archNormal = [&](float angle) { return Vec3{-std::cos(angle), std::sin(angle), 0.0f}; };
        m.Surface(
            [&](float s, float t, Vec3& p, Vec3& n) {
                p = archPoint(s * kPi, inner, t * depth);
                n = -archNormal(s * kPi);
            },
            24, 1, 6.0f, 1.0f);
        m.Surface(
            [&](float s, float t, Vec3& p, Vec3& n) {
                p = archPoint(s * kPi, outer, t * depth);
                n = archNormal(s * kPi);
            },
            24, 1, 7.0f, 1.0f);
        for (int side = 0; side < 2; ++side)
        {
            const float z = side == 0 ? 0.0f : depth;
            m.Surface(
                [&](float s, float t, Vec3& p, Vec3& n) {
                    p = archPoint(s * kPi, inner + (outer - inner) * t, z);
                    n = {0.0f, 0.0f, side == 0 ? -1.0f : 1.0f};
                },
                24, 1, 6.0f, 0.3f);
        }
        m.Box(at, {-0.7f, spring + outer - 0.3f, -0.2f}, {0.7f, spring + outer + 0.5f, depth + 0.2f}, 1.0f);
        m.Box(at, {kRailInner, 0.0f, -0.1f}, {kRailInner + 1.6f, spring, depth + 0.1f}, 2.0f, false);
        m.Box(at, {kRailInner - 0.15f, spring - 0.5f, -0.25f}, {kRailInner + 1.75f, spring, depth + 0.25f}, 1.0f);
    });
    return out;
}

ModelOutput CausewayLanterns()
{
    // Glowing glass: a high ambient factor lets the lanterns stand out in any light.
    MeshMaterial material = Material("LanternGlass", "lantern", {0.3f, 0.3f, 0.3f}, 8.0f, 3.2f);
    ModelOutput out{"CausewayLanterns", {}, material};
    const float bay = WorldPlan::kBay;
    auto lantern = [&](MeshBuilder& m, const Vec3& base) {
        m.Cylinder(Frame::At(base), 0.2f, 0.26f, 0.0f, 0.7f, 6, 6.0f, 1.0f, false);
        m.Cylinder(Frame::At(base + Vec3{0.0f, 0.7f, 0.0f}), 0.26f, 0.02f, 0.0f, 0.28f, 6, 6.0f, 0.3f, false);
        m.Disc(Frame{base, {1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, -1.0f}}, 0.2f, 6, 0.2f);
    };
    EverySegment(out.mesh, [&](MeshBuilder& m, float z0) {
        for (int b = 0; b < 4; ++b)
        {
            const float mid = z0 + bay * (static_cast<float>(b) + 0.5f);
            lantern(m, {kRailInner - 0.6f, 4.12f, mid});
            lantern(m, {kWallInner + 0.45f, 4.12f, mid - 1.9f});
            lantern(m, {kWallInner + 0.45f, 4.12f, mid + 1.9f});
        }
    });
    return out;
}

// ---------------------------------------------------------------------------------------------------------------
// What travels with the camera

ModelOutput RingOuter()
{
    // Actor 14: a flat graduated band facing the camera, yawing slowly; four beads make its turning readable.
    ModelOutput out{"RingOuter", {}, Material("Brass", "brass", {0.9f, 0.75f, 0.5f}, 64.0f)};
    const Frame facing{{}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, -1.0f, 0.0f}};
    out.mesh.Band(facing, 0.8f, 0.95f, 0.03f, 96, 8.0f);
    for (int k = 0; k < 4; ++k)
    {
        const float a = static_cast<float>(k) * kPi * 0.5f;
        out.mesh.Sphere(Frame::At({std::cos(a) * 0.95f, std::sin(a) * 0.95f, 0.0f}), 0.045f, 12, 8, 1.0f, 1.0f);
    }
    return out;
}

// A torus in the yz plane (axis x) with pins on its z axis, about which the scene rolls it.
ModelOutput GimbalRing(const std::string& stem, float radius, float tube, bool globe)
{
    ModelOutput out{stem, {}, Material("Brass", "brass", {0.9f, 0.75f, 0.5f}, 64.0f)};
    Hoop(out.mesh, {}, {1.0f, 0.0f, 0.0f}, radius, tube, 64);
    out.mesh.Sphere(Frame::At({0.0f, 0.0f, radius + tube}), tube * 1.4f, 10, 6, 1.0f, 1.0f);
    out.mesh.Sphere(Frame::At({0.0f, 0.0f, -radius - tube}), tube * 1.4f, 10, 6, 1.0f, 1.0f);
    if (globe)
    {
        out.mesh.Sphere(Frame{}, 0.11f, 24, 14, 2.0f, 1.0f);
        Hoop(out.mesh, {}, {0.0f, 1.0f, 0.0f}, 0.125f, 0.012f, 32);
    }
    return out;
}

ModelOutput PaperGlider()
{
    // Actor 19: a paper dart printed with a star chart, nose towards +z; rolling it banks it.
    ModelOutput out{"PaperGlider", {}, Material("StarChartPaper", "star-chart-paper", {0.1f, 0.1f, 0.1f}, 8.0f, 2.2f)};
    MeshBuilder& m = out.mesh;
    // Wing tips stay clear of the outer ring's sweep whatever the roll (the glider rides 1.35 from its centre).
    const Vec3 nose{0.0f, 0.0f, 0.42f};
    const Vec3 left{-0.3f, 0.04f, -0.12f};
    const Vec3 right{0.3f, 0.04f, -0.12f};
    const Vec3 tail{0.0f, 0.0f, -0.26f};
    const Vec3 keel{0.0f, -0.09f, -0.2f};
    const float thick = 0.004f;
    const Vec3 lift{0.0f, thick, 0.0f};
    // Each wing has a top and an underside, each mapped as seen from its own side.
    for (int side = 0; side < 2; ++side)
    {
        const Vec3& tip = side == 0 ? left : right;
        const Vec3 n = Normalize(Cross(tip - nose, tail - nose)) * (side == 0 ? -1.0f : 1.0f);
        const Vec3 up = n.y >= 0.0f ? n : -n;
        m.PlanarTriangle(nose + lift, tip + lift, tail + lift, up, kNorth, 0.64f, 0.5f, 0.5f);
        m.PlanarTriangle(nose, tip, tail, -up, -kNorth, 0.64f, 0.5f, 0.5f);
    }
    m.PlanarTriangle(nose, tail, keel, {1.0f, 0.0f, 0.0f}, kUp, 0.64f, 0.5f, 0.5f);
    m.PlanarTriangle(nose - Vec3{thick, 0.0f, 0.0f}, tail - Vec3{thick, 0.0f, 0.0f}, keel - Vec3{thick, 0.0f, 0.0f},
                     {-1.0f, 0.0f, 0.0f}, kUp, 0.64f, 0.5f, 0.5f);
    return out;
}

ModelOutput WickerLantern()
{
    // Actor 20: a woven cane ball, the start-up wicker texture on a sphere.
    MeshMaterial material = Material("Wicker", "dirty-wicker-weave1", {0.12f, 0.1f, 0.08f}, 10.0f, 1.6f);
    ModelOutput out{"WickerLantern", {}, material};
    out.mesh.Sphere(Frame{}, 0.22f, 24, 14, 3.0f, 1.5f);
    return out;
}

// ---------------------------------------------------------------------------------------------------------------
// The final view's landmark

ModelOutput GreatArmillary()
{
    ModelOutput out{"GreatArmillary", {}, Material("Brass", "brass", {0.9f, 0.75f, 0.5f}, 48.0f)};
    MeshBuilder& m = out.mesh;
    const Vec3 c{0.0f, 86.0f, 0.0f};
    const float latitude = 40.0f * kPi / 180.0f;
    const Vec3 polar = Normalize(Vec3{0.0f, std::sin(latitude), std::cos(latitude)});
    const Vec3 side = Normalize(Vec3{1.0f, 0.0f, -0.35f});
    Hoop(m, c, side, 78.0f, 2.2f, 112);                               // meridian, facing the final view
    Hoop(m, c, polar, 70.0f, 1.8f, 112);                              // equator
    Hoop(m, c, Normalize(RotateX(polar, 0.41f)), 70.0f, 2.5f, 112);   // ecliptic
    Hoop(m, c, Normalize(Cross(side, polar)), 62.0f, 1.4f, 96);
    Rod(m, c - polar * 84.0f, c + polar * 84.0f, 1.2f);
    m.Sphere(Frame::At(c), 10.0f, 32, 18, 4.0f, 2.0f);
    // Two legs from the base's top up to the meridian, either side of its lowest point; their feet stay on the
    // base as the whole turns.
    const Vec3 along = Normalize(Cross(side, kUp));
    for (float sign : {-1.0f, 1.0f})
    {
        const float a = 0.25f * sign;
        const Vec3 onRing = c + (along * std::sin(a) - kUp * std::cos(a)) * 78.0f;
        Rod(m, {onRing.x * 0.55f, 0.0f, onRing.z * 0.55f}, onRing, 1.8f);
    }
    return out;
}

ModelOutput GreatArmillaryBase()
{
    ModelOutput out{"GreatArmillaryBase", {}, Material("Limestone", "limestone", {0.15f, 0.14f, 0.12f}, 16.0f)};
    out.mesh.Box(Frame{}, {-26.0f, -12.0f, -26.0f}, {26.0f, 0.0f, 26.0f}, 4.0f, false);
    out.mesh.Box(Frame{}, {-20.0f, 0.0f, -20.0f}, {20.0f, 3.0f, 20.0f}, 4.0f, false);
    out.mesh.Box(Frame{}, {-16.0f, 3.0f, -16.0f}, {16.0f, 6.0f, 16.0f}, 4.0f, false);
    return out;
}

}   // namespace

std::vector<ModelOutput> ModelSet::BuildAll()
{
    std::vector<ModelOutput> models;
    models.push_back(Plaza());
    models.push_back(CompassRose());
    models.push_back(Colonnade());
    models.push_back(Plinth());
    models.push_back(Armillary());
    models.push_back(Orrery());
    models.push_back(Meadow());
    models.push_back(Mountains());
    models.push_back(Sea());
    models.push_back(CausewayDeck());
    models.push_back(CausewayGallery());
    models.push_back(CausewayStone());
    models.push_back(CausewayLanterns());
    models.push_back(RingOuter());
    models.push_back(GimbalRing("RingMiddle", 0.62f, 0.032f, false));
    models.push_back(GimbalRing("RingInner", 0.42f, 0.028f, true));
    models.push_back(PaperGlider());
    models.push_back(WickerLantern());
    models.push_back(GreatArmillary());
    models.push_back(GreatArmillaryBase());
    return models;
}
