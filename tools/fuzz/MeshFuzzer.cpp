// Fuzz target "mesh": any bytes as an OBJ file beside a fixed MTL, and as an MTL beside a fixed OBJ, each loaded
// through MeshComponent the way an actor file names it. Beyond not crashing, a mesh that loads must build the
// arrays the drawable uploads: one vertex and one 16-bit index per corner, indices in range, tangents of unit
// length. Texture requests need the Direct3D device and are tested under Wine.
#include "actors/MeshComponent.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzWorkspace.h"

#include <tinyxml.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace
{
TiXmlDocument g_inputObj;
TiXmlDocument g_fixedObj;

void LoadAndCheck(const TiXmlDocument& actor)
{
    MeshComponent mesh;
    if (!mesh.Init(actor.FirstChildElement()))
    {
        return;
    }
    const MeshData data = mesh.BuildVertices();
    const std::size_t faces = mesh.GetShapes().empty() ? 0 : mesh.GetShapes().front().mesh.num_face_vertices.size();
    FUZZ_CHECK(data.vertices.size() == faces * 3, "one vertex per triangle corner of the first shape");
    FUZZ_CHECK(data.indices.size() == data.vertices.size(), "one index per vertex");
    FUZZ_CHECK(data.vertices.size() <= MeshComponent::kMaxCorners, "every corner has a 16-bit index");
    for (std::size_t i = 0; i < data.indices.size(); ++i)
    {
        FUZZ_CHECK(data.indices[i] == i, "corners are drawn in order");
    }
    for (const MeshVertex& vertex : data.vertices)
    {
        const float x = vertex.tangent[0], y = vertex.tangent[1], z = vertex.tangent[2];
        const float length = std::sqrt(x * x + y * y + z * z);
        FUZZ_CHECK(std::fabs(length - 1.0f) < 1e-3f, "every tangent is finite and of unit length");
        FUZZ_CHECK(vertex.position[3] == 1.0f, "positions are points");
    }
    for (const tinyobj::material_t& material : mesh.GetMaterials())
    {
        FUZZ_CHECK(MeshComponent::TextureNames(material).size() == 13, "thirteen texture slots per material");
    }
}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const FuzzWorkspace& workspace = FuzzWorkspace::Get();
    workspace.Write("Fixed.mtl", "newmtl Stone\nKa 0.1 0.1 0.1\nKd 0.8 0.7 0.6\nKs 0.2 0.2 0.2\nNs 32\n"
                                 "map_Kd stone.dds\nmap_bump stone-normal.tga\n");
    workspace.Write("Fixed.obj", "mtllib Input.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n"
                                 "vt 0 1\nvn 0 0 1\nusemtl Stone\nf 1/1/1 2/2/1 3/3/1 4/4/1\n");
    g_inputObj.Parse("<MeshComponent><Obj>Input.obj</Obj></MeshComponent>");
    g_fixedObj.Parse("<MeshComponent><Obj>Fixed.obj</Obj></MeshComponent>");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzWorkspace& workspace = FuzzWorkspace::Get();
    // The input as the OBJ, naming whatever material file it likes (Fixed.mtl, or itself as Input.mtl).
    workspace.Write("Input.obj", data, size);
    workspace.Write("Input.mtl", data, size);
    LoadAndCheck(g_inputObj);
    // The input as the material file of a well-formed quad.
    LoadAndCheck(g_fixedObj);
    return 0;
}
