// MeshComponent: OBJ loading and checking and the vertex, index and tangent build. Portable, so the sanitizer
// and fuzzing builds read OBJ and MTL files exactly as the engine does; the texture requests, which need the
// Direct3D device, live in MeshComponentTextures.cpp (Windows) and MeshComponentWithoutDevice.cpp (native).
#include "actors/MeshComponent.h"

#include "actors/MeshParseCache.h"

#include <tinyxml.h>

#include <cmath>
#include <iostream>
#include <optional>
#include <sstream>

const std::string MeshComponent::s_name = "MeshComponent";

namespace
{
const char* DocumentName(const TiXmlElement* element)
{
    const TiXmlDocument* document = element != nullptr ? element->GetDocument() : nullptr;
    const char* name = document != nullptr ? document->Value() : nullptr;
    return name != nullptr && *name != '\0' ? name : "(unnamed document)";
}

struct Float3
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

float Dot(const Float3& a, const Float3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

bool IsFinite(const Float3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Zero (and anything non-finite) normalises to zero.
Float3 Normalized(const Float3& v)
{
    const float length = std::sqrt(Dot(v, v));
    if (!(length > 0.0f) || !std::isfinite(length))
    {
        return {};
    }
    return {v.x / length, v.y / length, v.z / length};
}

// A unit vector perpendicular to `n` (a unit vector or zero): the world axis least aligned with it, with its
// share along `n` removed. For a zero normal any direction is perpendicular; x is taken.
Float3 PerpendicularAxis(const Float3& n)
{
    const Float3 axis = std::fabs(n.x) < 0.9f ? Float3{1.0f, 0.0f, 0.0f} : Float3{0.0f, 1.0f, 0.0f};
    const float along = Dot(n, axis);
    const Float3 t = Normalized({axis.x - n.x * along, axis.y - n.y * along, axis.z - n.z * along});
    return Dot(t, t) > 0.0f ? t : Float3{1.0f, 0.0f, 0.0f};
}

bool IndexFits(int index, std::size_t arraySize, std::size_t stride)
{
    return index >= 0 && static_cast<std::size_t>(index) < arraySize / stride;
}

// The material files an OBJ file names on its "mtllib" lines, separated by ", ". The loader's own warnings about
// materials say only ".mtl"; this names the file that was damaged or lacks the material.
std::string MaterialLibraries(const std::string& objFile)
{
    std::string names;
    for (const std::string& name : MeshParseCache::MaterialFiles(objFile))
    {
        names += (names.empty() ? "" : ", ") + name;
    }
    return names;
}
}

bool MeshComponent::Init(const TiXmlElement* element)
{
    if (element == nullptr)
    {
        return false;
    }
    const TiXmlElement* obj = element->FirstChildElement("Obj");
    const char* text = obj != nullptr ? obj->GetText() : nullptr;
    if (text == nullptr || *text == '\0')
    {
        std::cerr << DocumentName(element) << ": <" << element->Value() << "> on line " << element->Row()
                  << " names no OBJ file in <Obj>; use \"" << kNoObj << "\" for an actor without geometry\n";
        return false;
    }
    const std::string fileName = text;
    if (fileName == kNoObj)
    {
        m_objFile = fileName;
        m_attrib = {};
        m_shapes.clear();
        m_materials.clear();
        return true;
    }

    // While the engine watches its files, a mesh whose files have not changed since they were last parsed is
    // taken as it was then (it was checked and reported then).
    MeshParseCache* cache = MeshParseCache::Instance();
    if (const MeshParseCache::Mesh* kept = cache != nullptr ? cache->Find(fileName) : nullptr)
    {
        m_objFile = fileName;
        m_attrib = kept->attrib;
        m_shapes = kept->shapes;
        m_materials = kept->materials;
        LoadMaterialTextures();
        return true;
    }
    const MeshParseCache::Stamps stamps = cache != nullptr ? MeshParseCache::Take(fileName) : MeshParseCache::Stamps{};

    // Loaded aside and kept only when the whole file is usable, so a failed override leaves the old mesh.
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warning;
    std::string error;
    if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warning, &error, fileName.c_str()))
    {
        // The loader's first line says what went wrong ("Cannot open file [...]", a parse error, ...).
        const std::string reason = error.substr(0, error.find('\n'));
        std::cerr << fileName << ": cannot load the mesh" << (reason.empty() ? "" : ": " + reason) << "\n";
        return false;
    }
    // Warnings are problems the loader got over, such as a material file it could not find: worth a line
    // each, since the mesh then draws with fallbacks.
    std::istringstream warnings(warning);
    std::optional<std::string> libraries;
    for (std::string line; std::getline(warnings, line);)
    {
        if (line.empty())
        {
            continue;
        }
        if (line.find(".mtl") != std::string::npos)
        {
            if (!libraries)
            {
                libraries = MaterialLibraries(fileName);
            }
            if (!libraries->empty() && line.find(*libraries) == std::string::npos)
            {
                line += " (material library: " + *libraries + ")";
            }
        }
        std::cerr << fileName << ": " << line << "\n";
    }
    if (!CheckFirstShape(fileName, attrib, shapes))
    {
        return false;
    }
    if (shapes.empty())
    {
        std::cerr << fileName << ": has no faces; the actor's mesh draws nothing\n";
    }

    m_objFile = fileName;
    m_attrib = std::move(attrib);
    m_shapes = std::move(shapes);
    m_materials = std::move(materials);
    if (cache != nullptr)
    {
        cache->Store(fileName, stamps, MeshParseCache::Mesh{m_attrib, m_shapes, m_materials});
    }
    LoadMaterialTextures();
    return true;
}

bool MeshComponent::CheckFirstShape(const std::string& fileName, const tinyobj::attrib_t& attrib,
                                    const std::vector<tinyobj::shape_t>& shapes)
{
    if (shapes.empty())
    {
        return true;
    }
    const tinyobj::mesh_t& mesh = shapes.front().mesh;
    const std::size_t corners = mesh.num_face_vertices.size() * 3;
    if (corners > mesh.indices.size())
    {
        std::cerr << fileName << ": the first shape lists " << mesh.num_face_vertices.size() << " faces but only "
                  << mesh.indices.size() << " corners\n";
        return false;
    }
    if (corners > kMaxCorners)
    {
        std::cerr << fileName << ": the first shape has " << corners << " triangle corners; at most " << kMaxCorners
                  << " fit 16-bit indices\n";
        return false;
    }
    for (std::size_t i = 0; i < corners; ++i)
    {
        const tinyobj::index_t& index = mesh.indices[i];
        // Normals and texture coordinates are optional (-1); positions are not.
        const bool fits = IndexFits(index.vertex_index, attrib.vertices.size(), 3) &&
                          (index.normal_index == -1 || IndexFits(index.normal_index, attrib.normals.size(), 3)) &&
                          (index.texcoord_index == -1 || IndexFits(index.texcoord_index, attrib.texcoords.size(), 2));
        if (!fits)
        {
            std::cerr << fileName << ": face " << i / 3 + 1 << " of the first shape refers to a position, normal or "
                      << "texture coordinate that the file does not define\n";
            return false;
        }
    }
    return true;
}

std::vector<std::string> MeshComponent::TextureNames(const tinyobj::material_t& material)
{
    return {material.alpha_texname,     material.ambient_texname,      material.bump_texname,
            material.diffuse_texname,   material.displacement_texname, material.emissive_texname,
            material.metallic_texname,  material.normal_texname,       material.reflection_texname,
            material.roughness_texname, material.sheen_texname,        material.specular_highlight_texname,
            material.specular_texname};
}

MeshData MeshComponent::BuildVertices() const
{
    MeshData data;
    if (m_shapes.empty())
    {
        return data;
    }
    const tinyobj::mesh_t& mesh = m_shapes.front().mesh;
    // Init refused shapes with fewer triples than this or with more corners than kMaxCorners.
    const std::size_t corners = mesh.num_face_vertices.size() * 3;
    data.vertices.reserve(corners);
    data.indices.reserve(corners);

    const auto& positions = m_attrib.vertices;
    const auto& normals = m_attrib.normals;
    const auto& texcoords = m_attrib.texcoords;
    for (std::size_t corner = 0; corner < corners; ++corner)
    {
        const tinyobj::index_t& index = mesh.indices[corner];
        MeshVertex vertex{};
        if (IndexFits(index.vertex_index, positions.size(), 3))
        {
            const std::size_t p = static_cast<std::size_t>(index.vertex_index) * 3;
            vertex.position[0] = positions[p];
            vertex.position[1] = positions[p + 1];
            vertex.position[2] = positions[p + 2];
        }
        vertex.position[3] = 1.0f;
        if (IndexFits(index.normal_index, normals.size(), 3))
        {
            const std::size_t n = static_cast<std::size_t>(index.normal_index) * 3;
            vertex.normal[0] = normals[n];
            vertex.normal[1] = normals[n + 1];
            vertex.normal[2] = normals[n + 2];
        }
        if (IndexFits(index.texcoord_index, texcoords.size(), 2))
        {
            const std::size_t t = static_cast<std::size_t>(index.texcoord_index) * 2;
            vertex.texCoord[0] = texcoords[t];
            vertex.texCoord[1] = texcoords[t + 1];
        }
        data.indices.push_back(static_cast<std::uint16_t>(data.vertices.size()));
        data.vertices.push_back(vertex);
    }
    ComputeTangents(data.vertices, data.indices);
    return data;
}

void MeshComponent::ComputeTangents(std::vector<MeshVertex>& vertices, const std::vector<std::uint16_t>& indices)
{
    std::vector<Float3> accumulated(vertices.size());
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
        const Float3 e1{v1.position[0] - v0.position[0], v1.position[1] - v0.position[1],
                        v1.position[2] - v0.position[2]};
        const Float3 e2{v2.position[0] - v0.position[0], v2.position[1] - v0.position[1],
                        v2.position[2] - v0.position[2]};
        const float s1 = v1.texCoord[0] - v0.texCoord[0];
        const float t1 = v1.texCoord[1] - v0.texCoord[1];
        const float s2 = v2.texCoord[0] - v0.texCoord[0];
        const float t2 = v2.texCoord[1] - v0.texCoord[1];
        const float area = s1 * t2 - s2 * t1;
        // Texture coordinates that span no area give no u direction; dividing by them would spread infinities
        // into every corner the triangle shares.
        if (area == 0.0f || !std::isfinite(1.0f / area))
        {
            continue;
        }
        const float r = 1.0f / area;
        const Float3 sdir{(t2 * e1.x - t1 * e2.x) * r, (t2 * e1.y - t1 * e2.y) * r, (t2 * e1.z - t1 * e2.z) * r};
        if (!IsFinite(sdir))
        {
            continue;
        }
        for (const std::uint16_t c : corner)
        {
            accumulated[c].x += sdir.x;
            accumulated[c].y += sdir.y;
            accumulated[c].z += sdir.z;
        }
    }

    for (std::size_t i = 0; i < vertices.size(); ++i)
    {
        MeshVertex& vertex = vertices[i];
        const Float3 n = Normalized({vertex.normal[0], vertex.normal[1], vertex.normal[2]});
        const Float3& a = accumulated[i];
        const float along = Dot(n, a);
        Float3 t = Normalized({a.x - n.x * along, a.y - n.y * along, a.z - n.z * along});
        // No usable u direction (only zero-area triangles, or one parallel to the normal): the shaders
        // normalise the tangent, and a zero one would turn the whole pixel into NaN.
        if (!(Dot(t, t) > 0.0f))
        {
            t = PerpendicularAxis(n);
        }
        vertex.tangent[0] = t.x;
        vertex.tangent[1] = t.y;
        vertex.tangent[2] = t.z;
    }
}
