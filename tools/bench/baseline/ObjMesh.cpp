// ObjMesh: see ObjMesh.h. Every index is checked against the parsed arrays before it is used, so a malformed
// file is refused instead of read out of bounds.
#include "tools/bench/baseline/ObjMesh.h"

#include <tiny_obj_loader.h>

#include <array>
#include <cmath>
#include <iostream>

namespace
{
using Vec3 = std::array<float, 3>;

Vec3 Sub(const Vec3& a, const Vec3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

float Dot(const Vec3& a, const Vec3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Zero (or not finite) stays zero.
Vec3 Normalised(const Vec3& v)
{
    const float length = std::sqrt(Dot(v, v));
    if (!(length > 0.0f) || !std::isfinite(length))
    {
        return {0.0f, 0.0f, 0.0f};
    }
    return {v[0] / length, v[1] / length, v[2] / length};
}

// An index from the file is usable when it names a whole entry of an array of `width` floats.
bool InRange(int index, std::size_t arraySize, std::size_t width)
{
    return index >= 0 && (static_cast<std::size_t>(index) + 1) * width <= arraySize;
}
}

std::optional<ObjMesh> ObjMesh::Load(const std::string& fileName)
{
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warning;
    std::string error;
    if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warning, &error, fileName.c_str()))
    {
        const std::string reason = error.substr(0, error.find('\n'));
        std::cerr << fileName << ": cannot load the mesh" << (reason.empty() ? "" : ": " + reason) << "\n";
        return std::nullopt;
    }
    return Build(fileName, attrib, shapes, materials);
}

std::optional<ObjMesh> ObjMesh::Build(const std::string& fileName, const tinyobj::attrib_t& attrib,
                                      const std::vector<tinyobj::shape_t>& shapes,
                                      const std::vector<tinyobj::material_t>& materials)
{
    if (shapes.empty())
    {
        std::cerr << fileName << ": the mesh has no shape to draw\n";
        return std::nullopt;
    }
    // Only the first shape is drawn, as three index triples per face whatever the stored counts say.
    const tinyobj::mesh_t& mesh = shapes.front().mesh;
    const std::size_t corners = mesh.num_face_vertices.size() * 3;
    if (corners == 0)
    {
        std::cerr << fileName << ": the first shape has no triangles\n";
        return std::nullopt;
    }
    if (corners > mesh.indices.size())
    {
        std::cerr << fileName << ": the first shape lists " << mesh.num_face_vertices.size() << " faces but only "
                  << mesh.indices.size() << " corners\n";
        return std::nullopt;
    }
    if (corners > kMaxCorners)
    {
        std::cerr << fileName << ": the first shape has " << corners << " triangle corners; 16-bit indices number "
                  << kMaxCorners << " at most\n";
        return std::nullopt;
    }

    ObjMesh result;
    result.vertices.reserve(corners);
    result.indices.reserve(corners);
    for (std::size_t corner = 0; corner < corners; ++corner)
    {
        const tinyobj::index_t& index = mesh.indices[corner];
        if (!InRange(index.vertex_index, attrib.vertices.size(), 3))
        {
            std::cerr << fileName << ": corner " << corner << " names position " << index.vertex_index
                      << ", which the file does not have\n";
            return std::nullopt;
        }
        MeshVertex vertex{};
        const std::size_t p = static_cast<std::size_t>(index.vertex_index) * 3;
        vertex.position[0] = attrib.vertices[p];
        vertex.position[1] = attrib.vertices[p + 1];
        vertex.position[2] = attrib.vertices[p + 2];
        vertex.position[3] = 1.0f;
        // A corner without a normal or texture coordinate (index -1) keeps zeros there; one that names an
        // entry the file lacks is an error.
        if (index.normal_index >= 0)
        {
            if (!InRange(index.normal_index, attrib.normals.size(), 3))
            {
                std::cerr << fileName << ": corner " << corner << " names normal " << index.normal_index
                          << ", which the file does not have\n";
                return std::nullopt;
            }
            const std::size_t n = static_cast<std::size_t>(index.normal_index) * 3;
            vertex.normal[0] = attrib.normals[n];
            vertex.normal[1] = attrib.normals[n + 1];
            vertex.normal[2] = attrib.normals[n + 2];
        }
        if (index.texcoord_index >= 0)
        {
            if (!InRange(index.texcoord_index, attrib.texcoords.size(), 2))
            {
                std::cerr << fileName << ": corner " << corner << " names texture coordinate " << index.texcoord_index
                          << ", which the file does not have\n";
                return std::nullopt;
            }
            const std::size_t t = static_cast<std::size_t>(index.texcoord_index) * 2;
            vertex.texCoord[0] = attrib.texcoords[t];
            vertex.texCoord[1] = attrib.texcoords[t + 1];
        }
        result.indices.push_back(static_cast<std::uint16_t>(result.vertices.size()));
        result.vertices.push_back(vertex);
    }
    ComputeTangents(result.vertices, result.indices);

    if (!materials.empty())
    {
        const tinyobj::material_t& first = materials.front();
        result.hasMaterial = true;
        for (int i = 0; i < 3; ++i)
        {
            result.material.ambient[i] = first.ambient[i];
            result.material.diffuse[i] = first.diffuse[i];
            result.material.specular[i] = first.specular[i];
        }
        result.material.shininess = first.shininess;
        result.material.diffuseTexture = first.diffuse_texname;
        result.material.bumpTexture = first.bump_texname;
    }
    return result;
}

void ObjMesh::ComputeTangents(std::vector<MeshVertex>& vertices, const std::vector<std::uint16_t>& indices)
{
    std::vector<Vec3> sums(vertices.size(), Vec3{0.0f, 0.0f, 0.0f});
    for (std::size_t i = 0; i + 2 < indices.size(); i += 3)
    {
        const std::uint16_t corner[3] = {indices[i], indices[i + 1], indices[i + 2]};
        if (corner[0] >= vertices.size() || corner[1] >= vertices.size() || corner[2] >= vertices.size())
        {
            continue;
        }
        const MeshVertex& v0 = vertices[corner[0]];
        const MeshVertex& v1 = vertices[corner[1]];
        const MeshVertex& v2 = vertices[corner[2]];
        const Vec3 p0{v0.position[0], v0.position[1], v0.position[2]};
        const Vec3 e1 = Sub({v1.position[0], v1.position[1], v1.position[2]}, p0);
        const Vec3 e2 = Sub({v2.position[0], v2.position[1], v2.position[2]}, p0);
        const float s1 = v1.texCoord[0] - v0.texCoord[0];
        const float t1 = v1.texCoord[1] - v0.texCoord[1];
        const float s2 = v2.texCoord[0] - v0.texCoord[0];
        const float t2 = v2.texCoord[1] - v0.texCoord[1];
        const float area = s1 * t2 - s2 * t1;
        if (area == 0.0f || !std::isfinite(area))
        {
            continue;
        }
        const float r = 1.0f / area;
        const Vec3 direction{(t2 * e1[0] - t1 * e2[0]) * r, (t2 * e1[1] - t1 * e2[1]) * r,
                             (t2 * e1[2] - t1 * e2[2]) * r};
        if (!std::isfinite(direction[0]) || !std::isfinite(direction[1]) || !std::isfinite(direction[2]))
        {
            continue;
        }
        for (const std::uint16_t c : corner)
        {
            sums[c][0] += direction[0];
            sums[c][1] += direction[1];
            sums[c][2] += direction[2];
        }
    }

    for (std::size_t i = 0; i < vertices.size(); ++i)
    {
        MeshVertex& vertex = vertices[i];
        const Vec3 n = Normalised({vertex.normal[0], vertex.normal[1], vertex.normal[2]});
        const float along = Dot(n, sums[i]);
        Vec3 tangent = Normalised({sums[i][0] - n[0] * along, sums[i][1] - n[1] * along, sums[i][2] - n[2] * along});
        if (Dot(tangent, tangent) == 0.0f)
        {
            // Any axis across the normal: the one of the coordinate axes least aligned with it.
            const Vec3 axis = std::fabs(n[0]) < 0.9f ? Vec3{1.0f, 0.0f, 0.0f} : Vec3{0.0f, 1.0f, 0.0f};
            tangent = Normalised(Cross(Cross(n, axis), n));
            if (Dot(tangent, tangent) == 0.0f)
            {
                tangent = {1.0f, 0.0f, 0.0f};
            }
        }
        vertex.tangent[0] = tangent[0];
        vertex.tangent[1] = tangent[1];
        vertex.tangent[2] = tangent[2];
    }
}
