// An actor's geometry: the Wavefront OBJ file named in XML, loaded with its MTL materials by tinyobjloader, and
// the textures those materials name handed to the texture registry. On request it builds the drawable's vertex
// and 16-bit index arrays from the first shape. It draws nothing and keeps no Direct3D object of its own.
#pragma once

#include "actors/ActorComponent.h"
#include "graphics/bindables/MeshVertex.h"

#include <tiny_obj_loader.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One vertex per triangle corner and the indices 0, 1, 2, ... that draw them.
struct MeshData
{
    std::vector<MeshVertex> vertices;
    std::vector<std::uint16_t> indices;
};

class MeshComponent : public ActorComponent
{
public:
    static const std::string s_name;   // "MeshComponent"
    // The "Obj" text of an actor that has no geometry.
    static constexpr const char* kNoObj = "NoObj";
    // Indices are 16-bit, so corners are numbered 0 .. 65535 and no more.
    static constexpr std::size_t kMaxCorners = 65536;

    // Reads the first "Obj" child and loads that file with its materials, then asks the texture registry for
    // every texture the materials name. "NoObj" loads nothing and succeeds. False, with "file: reason" on
    // standard error, for a missing or empty "Obj", a file that cannot be read or parsed, a first shape whose
    // indices point outside the file's arrays, or one with more corners than 16-bit indices can number.
    bool Init(const TiXmlElement* element) override;
    const std::string& GetName() const override { return s_name; }

    // The first shape's triangles, three index triples per face, with unit tangents. Empty for "NoObj" or a
    // file without shapes. A corner without a normal or texture coordinate gets zeros there.
    MeshData BuildVertices() const;

    // Per-corner accumulation of each triangle's texture-space u direction, then Gram-Schmidt against the
    // normal. Triangles whose texture coordinates span no area add nothing; a corner left without a usable
    // direction gets an axis perpendicular to its normal, so every tangent is finite and of unit length.
    static void ComputeTangents(std::vector<MeshVertex>& vertices, const std::vector<std::uint16_t>& indices);

    // Null for a mesh without materials.
    const tinyobj::material_t* GetFirstMaterial() const { return m_materials.empty() ? nullptr : &m_materials[0]; }
    const tinyobj::attrib_t& GetAttrib() const { return m_attrib; }
    const std::vector<tinyobj::shape_t>& GetShapes() const { return m_shapes; }
    const std::vector<tinyobj::material_t>& GetMaterials() const { return m_materials; }
    const std::string& GetObjFile() const { return m_objFile; }

    // The thirteen texture file names of a material, in the order the registry is asked for them.
    static std::vector<std::string> TextureNames(const tinyobj::material_t& material);

private:
    // Checks the first shape against the loaded arrays; false, with a message naming the file, when it
    // cannot be drawn safely.
    static bool CheckFirstShape(const std::string& fileName, const tinyobj::attrib_t& attrib,
                                const std::vector<tinyobj::shape_t>& shapes);
    void LoadMaterialTextures() const;

    tinyobj::attrib_t m_attrib;
    std::vector<tinyobj::shape_t> m_shapes;
    std::vector<tinyobj::material_t> m_materials;
    std::string m_objFile;
};
