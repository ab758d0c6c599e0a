// One OBJ file turned into what the baseline draws: the first shape as one vertex per triangle corner with unit
// tangents, 16-bit indices 0, 1, 2, ..., and the first material's colours and texture names. The same rules as
// the engine's mesh component, without an actor or a texture registry; it creates no Direct3D object.
#pragma once

#include "graphics/bindables/MeshVertex.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tinyobj
{
struct attrib_t;
struct shape_t;
struct material_t;
}

struct ObjMaterial
{
    float ambient[3] = {0.0f, 0.0f, 0.0f};    // MTL Ka
    float diffuse[3] = {0.0f, 0.0f, 0.0f};    // Kd
    float specular[3] = {0.0f, 0.0f, 0.0f};   // Ks
    float shininess = 0.0f;                   // Ns
    std::string diffuseTexture;               // map_Kd
    std::string bumpTexture;                  // map_bump, map_Bump or bump; empty when the material has none
};

class ObjMesh
{
public:
    // 16-bit indices number the corners 0 .. 65535.
    static constexpr std::size_t kMaxCorners = 65536;

    // Loads the file (materials are looked up relative to the working directory) and builds the mesh. Empty,
    // with "file: reason" on standard error, for a file that cannot be read or parsed, one without shapes or
    // triangles, indices outside the file's arrays, or more corners than 16-bit indices can number.
    static std::optional<ObjMesh> Load(const std::string& fileName);

    // The same from data already parsed; `fileName` only names the source in messages.
    static std::optional<ObjMesh> Build(const std::string& fileName, const tinyobj::attrib_t& attrib,
                                        const std::vector<tinyobj::shape_t>& shapes,
                                        const std::vector<tinyobj::material_t>& materials);

    // Per-corner sums of each triangle's texture-space u direction, made perpendicular to the normal and unit
    // length. Triangles whose texture coordinates span no area add nothing; a corner left without a direction
    // gets an axis perpendicular to its normal, so the normal-mapping shader never divides by zero.
    static void ComputeTangents(std::vector<MeshVertex>& vertices, const std::vector<std::uint16_t>& indices);

    std::vector<MeshVertex> vertices;
    std::vector<std::uint16_t> indices;
    bool hasMaterial = false;
    ObjMaterial material;
};
