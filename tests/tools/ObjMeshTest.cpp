// OBJ files into the baseline's vertex and index arrays: the engine's rules (first shape, one vertex per
// corner, tangents from texture directions) and the refusal of files that would be read out of bounds.
#include "tests/ScratchDirectory.h"
#include "tests/tools/BenchWorldSupport.h"
#include "tools/bench/baseline/ObjMesh.h"

#include <tiny_obj_loader.h>

#include <gtest/gtest.h>

#include <cmath>

namespace
{
std::optional<ObjMesh> LoadText(const ScratchDirectory& scratch, const std::string& obj, const std::string& mtl = "")
{
    scratch.Write("mesh.obj", obj);
    if (!mtl.empty())
    {
        scratch.Write("mesh.mtl", mtl);
    }
    WorkingDirectory inside(scratch.Path());
    return ObjMesh::Load("mesh.obj");
}

float Length(const float* v)
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

TEST(ObjMesh, AQuadArrivesAsTwoTrianglesOfUnsharedCorners)
{
    ScratchDirectory scratch;
    const auto mesh = LoadText(scratch, "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                        "vn 0 0 1\nf 1/1/1 2/2/1 3/3/1 4/4/1\n");
    ASSERT_TRUE(mesh.has_value());
    ASSERT_EQ(mesh->vertices.size(), 6u);
    EXPECT_EQ(mesh->indices, (std::vector<std::uint16_t>{0, 1, 2, 3, 4, 5}));
    for (const MeshVertex& vertex : mesh->vertices)
    {
        EXPECT_EQ(vertex.position[3], 1.0f);
        EXPECT_EQ(vertex.color[0] + vertex.color[1] + vertex.color[2] + vertex.color[3], 0.0f);
        // u grows along +x on this face.
        EXPECT_NEAR(vertex.tangent[0], 1.0f, 1e-6f);
        EXPECT_NEAR(vertex.tangent[1], 0.0f, 1e-6f);
    }
    EXPECT_FALSE(mesh->hasMaterial);
}

TEST(ObjMesh, OnlyTheFirstShapeIsDrawnWithTheFirstMaterial)
{
    ScratchDirectory scratch;
    const auto mesh = LoadText(scratch,
                               "mtllib mesh.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\n"
                               "o first\nusemtl Brass\nf 1 2 3\no second\nusemtl Other\nf 2 3 4\nf 1 3 4\n",
                               "newmtl Brass\nKa 0.1 0.2 0.3\nKd 0.4 0.5 0.6\nKs 0.7 0.8 0.9\nNs 32\n"
                               "map_Kd brass.dds\nmap_bump brass-normal.dds\nnewmtl Other\nmap_Kd other.dds\n");
    ASSERT_TRUE(mesh.has_value());
    EXPECT_EQ(mesh->vertices.size(), 3u);
    ASSERT_TRUE(mesh->hasMaterial);
    EXPECT_FLOAT_EQ(mesh->material.ambient[2], 0.3f);
    EXPECT_FLOAT_EQ(mesh->material.diffuse[0], 0.4f);
    EXPECT_FLOAT_EQ(mesh->material.specular[1], 0.8f);
    EXPECT_FLOAT_EQ(mesh->material.shininess, 32.0f);
    EXPECT_EQ(mesh->material.diffuseTexture, "brass.dds");
    EXPECT_EQ(mesh->material.bumpTexture, "brass-normal.dds");
}

TEST(ObjMesh, TangentsAreFiniteUnitAndAcrossTheNormalEvenWithoutTextureArea)
{
    ScratchDirectory scratch;
    // The second triangle's texture coordinates all coincide: its texture direction is undefined.
    const auto mesh = LoadText(scratch, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvt 0 0\nvt 1 0\nvt 0 1\n"
                                        "vn 0 0 1\nvn 1 0 0\nf 1/1/1 2/2/1 3/3/1\nf 1/1/2 3/1/2 4/1/2\n");
    ASSERT_TRUE(mesh.has_value());
    ASSERT_EQ(mesh->vertices.size(), 6u);
    for (const MeshVertex& vertex : mesh->vertices)
    {
        EXPECT_NEAR(Length(vertex.tangent), 1.0f, 1e-5f);
        const float across = vertex.tangent[0] * vertex.normal[0] + vertex.tangent[1] * vertex.normal[1] +
                             vertex.tangent[2] * vertex.normal[2];
        EXPECT_NEAR(across, 0.0f, 1e-5f);
    }
    EXPECT_NEAR(mesh->vertices[0].tangent[0], 1.0f, 1e-6f);
}

TEST(ObjMesh, FilesThatCannotBeDrawnAreRefusedWithTheirName)
{
    ScratchDirectory scratch;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadText(scratch, "v 0 0 0\nv 1 0 0\n").has_value());   // no faces
    {
        WorkingDirectory inside(scratch.Path());
        EXPECT_FALSE(ObjMesh::Load("absent.obj").has_value());
    }
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("mesh.obj"), std::string::npos);
    EXPECT_NE(reported.find("absent.obj"), std::string::npos);
}

TEST(ObjMesh, IndicesOutsideTheFilesArraysAreRefused)
{
    tinyobj::attrib_t attrib;
    attrib.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    attrib.normals = {0, 0, 1};
    tinyobj::shape_t shape;
    shape.mesh.num_face_vertices = {3};
    const auto corner = [](int position, int normal, int texcoord) {
        tinyobj::index_t index;
        index.vertex_index = position;
        index.normal_index = normal;
        index.texcoord_index = texcoord;
        return index;
    };
    testing::internal::CaptureStderr();
    shape.mesh.indices = {corner(0, 0, -1), corner(1, 0, -1), corner(3, 0, -1)};
    EXPECT_FALSE(ObjMesh::Build("position.obj", attrib, {shape}, {}).has_value());
    shape.mesh.indices = {corner(0, 0, -1), corner(1, 1, -1), corner(2, 0, -1)};
    EXPECT_FALSE(ObjMesh::Build("normal.obj", attrib, {shape}, {}).has_value());
    shape.mesh.indices = {corner(0, 0, -1), corner(1, 0, 0), corner(2, 0, -1)};
    EXPECT_FALSE(ObjMesh::Build("texcoord.obj", attrib, {shape}, {}).has_value());
    shape.mesh.indices = {corner(0, 0, -1), corner(1, 0, -1)};
    EXPECT_FALSE(ObjMesh::Build("short.obj", attrib, {shape}, {}).has_value());
    const std::string reported = testing::internal::GetCapturedStderr();
    for (const char* name : {"position.obj", "normal.obj", "texcoord.obj", "short.obj"})
    {
        EXPECT_NE(reported.find(name), std::string::npos) << name;
    }

    // Without normals or texture coordinates (index -1) the corner keeps zeros there.
    shape.mesh.indices = {corner(0, -1, -1), corner(1, -1, -1), corner(2, -1, -1)};
    const auto bare = ObjMesh::Build("bare.obj", attrib, {shape}, {});
    ASSERT_TRUE(bare.has_value());
    EXPECT_EQ(bare->vertices[1].normal[2], 0.0f);
    EXPECT_NEAR(Length(bare->vertices[1].tangent), 1.0f, 1e-5f);
}

TEST(ObjMesh, MoreCornersThanSixteenBitIndicesNumberAreRefused)
{
    tinyobj::attrib_t attrib;
    attrib.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    tinyobj::shape_t shape;
    tinyobj::index_t index;
    index.vertex_index = 0;
    index.normal_index = -1;
    index.texcoord_index = -1;
    const std::size_t fits = ObjMesh::kMaxCorners / 3;   // 21845 triangles, 65535 corners
    shape.mesh.num_face_vertices.assign(fits, 3);
    shape.mesh.indices.assign(fits * 3 + 3, index);
    const auto largest = ObjMesh::Build("largest.obj", attrib, {shape}, {});
    ASSERT_TRUE(largest.has_value());
    EXPECT_EQ(largest->indices.back(), 65534);

    shape.mesh.num_face_vertices.push_back(3);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ObjMesh::Build("huge.obj", attrib, {shape}, {}).has_value());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("huge.obj"), std::string::npos);
}
}
