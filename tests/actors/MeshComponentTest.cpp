// The mesh component with real OBJ/MTL files: what Init accepts and refuses (with a message naming the file),
// the vertex and index arrays BuildVertices makes, and the tangents and their guard against texture
// coordinates that span no area. Portable: it runs natively under the sanitizers too.
#include "actors/MeshComponent.h"
#include "actors/MeshParseCache.h"
#include "tests/actors/MeshComponentFixture.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>

namespace
{
// A unit cube, two triangles per face, each face mapped over the whole texture.
std::string CubeObj()
{
    std::ostringstream obj;
    obj << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
        << "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
        << "vn 0 0 -1\nvn 0 0 1\nvn -1 0 0\nvn 1 0 0\nvn 0 -1 0\nvn 0 1 0\n";
    const int faces[6][4] = {{1, 2, 3, 4}, {6, 5, 8, 7}, {5, 1, 4, 8}, {2, 6, 7, 3}, {5, 6, 2, 1}, {4, 3, 7, 8}};
    for (int f = 0; f < 6; ++f)
    {
        const int n = f + 1;
        obj << "f " << faces[f][0] << "/1/" << n << " " << faces[f][1] << "/2/" << n << " " << faces[f][2] << "/3/" << n
            << "\n";
        obj << "f " << faces[f][0] << "/1/" << n << " " << faces[f][2] << "/3/" << n << " " << faces[f][3] << "/4/" << n
            << "\n";
    }
    return obj.str();
}

}

TEST_F(MeshComponentTest, NoObjAndAFileWithoutFacesBuildEmptyMeshes)
{
    ASSERT_TRUE(InitWith("NoObj"));
    EXPECT_EQ(m_component->GetObjFile(), "NoObj");
    EXPECT_TRUE(m_component->GetShapes().empty());
    EXPECT_TRUE(m_component->GetMaterials().empty());
    EXPECT_TRUE(m_component->GetAttrib().vertices.empty());
    const MeshData data = m_component->BuildVertices();
    EXPECT_TRUE(data.vertices.empty());
    EXPECT_TRUE(data.indices.empty());

    testing::internal::CaptureStderr();
    ASSERT_TRUE(InitFromObj("v 0 0 0\nv 1 0 0\nv 0 1 0\n"));
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("has no faces"), std::string::npos) << messages;
    EXPECT_TRUE(m_component->BuildVertices().vertices.empty());
}

TEST_F(MeshComponentTest, AQuadArrivesAsTwoTrianglesWithOneVertexPerCorner)
{
    ASSERT_TRUE(InitFromObj(kQuad));
    const MeshData data = m_component->BuildVertices();
    ASSERT_EQ(data.vertices.size(), 6u);
    EXPECT_EQ(data.indices, (std::vector<std::uint16_t>{0, 1, 2, 3, 4, 5}));
    // However the loader splits it, the two triangles use only the quad's corners, all four of them, and
    // together cover its area once.
    std::set<std::pair<float, float>> corners;
    float area = 0.0f;
    for (size_t t = 0; t < 6; t += 3)
    {
        const float* a = data.vertices[t].position;
        const float* b = data.vertices[t + 1].position;
        const float* c = data.vertices[t + 2].position;
        area += std::fabs((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1])) / 2.0f;
    }
    for (const MeshVertex& v : data.vertices)
    {
        corners.insert({v.position[0], v.position[1]});
        EXPECT_EQ(v.position[2], 0.0f);
        EXPECT_EQ(v.position[3], 1.0f);
        // Texture coordinates as stored (v not flipped): this quad maps each corner to its own x and y.
        EXPECT_EQ(v.texCoord[0], v.position[0]);
        EXPECT_EQ(v.texCoord[1], v.position[1]);
        EXPECT_EQ(v.normal[2], -1.0f);
        EXPECT_EQ(v.color[0] + v.color[1] + v.color[2] + v.color[3], 0.0f);
    }
    EXPECT_EQ(corners.size(), 4u);
    EXPECT_FLOAT_EQ(area, 1.0f);
}

TEST_F(MeshComponentTest, OnlyTheFirstShapeIsBuilt)
{
    ASSERT_TRUE(InitFromObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\nv 6 5 5\nv 5 6 5\n"
                            "o first\nf 1 2 3\no second\nf 4 5 6\nf 4 6 5\n"));
    ASSERT_EQ(m_component->GetShapes().size(), 2u);
    const MeshData data = m_component->BuildVertices();
    ASSERT_EQ(data.vertices.size(), 3u);
    for (const MeshVertex& v : data.vertices)
    {
        EXPECT_LT(v.position[0], 2.0f);
    }
}

TEST_F(MeshComponentTest, ACubeGives36VerticesAndOneTangentPerFace)
{
    ASSERT_TRUE(InitFromObj(CubeObj()));
    const MeshData data = m_component->BuildVertices();
    ASSERT_EQ(data.vertices.size(), 36u);
    ASSERT_EQ(data.indices.size(), 36u);
    for (std::uint16_t i = 0; i < 36; ++i)
    {
        EXPECT_EQ(data.indices[i], i);
    }
    for (size_t face = 0; face < 6; ++face)
    {
        const MeshVertex& first = data.vertices[face * 6];
        ExpectUnitAndFinite(first);
        for (size_t corner = 1; corner < 6; ++corner)
        {
            const MeshVertex& v = data.vertices[face * 6 + corner];
            for (int k = 0; k < 3; ++k)
            {
                EXPECT_NEAR(v.tangent[k], first.tangent[k], 1e-6f) << "face " << face << " corner " << corner;
            }
        }
        // Gram-Schmidt leaves the tangent in the face's plane.
        const float dot = first.tangent[0] * first.normal[0] + first.tangent[1] * first.normal[1] +
                          first.tangent[2] * first.normal[2];
        EXPECT_NEAR(dot, 0.0f, 1e-6f);
    }
}

TEST_F(MeshComponentTest, AFlatTriangleInTheXyPlaneHasTangentAlongX)
{
    ASSERT_TRUE(InitFromObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\n"
                            "f 1/1/1 2/2/1 3/3/1\n"));
    const MeshData data = m_component->BuildVertices();
    ASSERT_EQ(data.vertices.size(), 3u);
    for (const MeshVertex& v : data.vertices)
    {
        EXPECT_FLOAT_EQ(v.tangent[0], 1.0f);
        EXPECT_FLOAT_EQ(v.tangent[1], 0.0f);
        EXPECT_FLOAT_EQ(v.tangent[2], 0.0f);
    }
}

TEST_F(MeshComponentTest, TextureCoordinatesWithoutAreaStillGiveFiniteTangentsAcrossTheNormal)
{
    // Every corner maps to the same texel: the u direction is undefined. The second triangle shares no
    // corner with it (one vertex per corner), so its good tangent must not be spoilt either.
    ASSERT_TRUE(InitFromObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\n"
                            "f 1/1/1 2/1/1 3/1/1\nf 1/2/1 2/3/1 3/4/1\n"));
    const MeshData data = m_component->BuildVertices();
    ASSERT_EQ(data.vertices.size(), 6u);
    for (const MeshVertex& v : data.vertices)
    {
        ExpectUnitAndFinite(v);
        EXPECT_NEAR(v.tangent[2], 0.0f, 1e-6f) << "perpendicular to the normal (0, 0, 1)";
    }
    EXPECT_FLOAT_EQ(data.vertices[3].tangent[0], 1.0f);

    // Corners without a normal or texture coordinate get zeros there, and still a usable tangent.
    ASSERT_TRUE(InitFromObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
    for (const MeshVertex& v : m_component->BuildVertices().vertices)
    {
        EXPECT_EQ(v.normal[0] + v.normal[1] + v.normal[2], 0.0f);
        EXPECT_EQ(v.texCoord[0] + v.texCoord[1], 0.0f);
        ExpectUnitAndFinite(v);
    }
}

TEST_F(MeshComponentTest, MissingOrEmptyObjElementsAndUnreadableFilesAreRefusedWithAMessage)
{
    testing::internal::CaptureStderr();
    EXPECT_FALSE(InitFromXml("<MeshComponent/>"));
    EXPECT_FALSE(InitFromXml("<MeshComponent><Obj></Obj></MeshComponent>"));
    EXPECT_FALSE(InitWith(m_scratch.File("missing.obj")));
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("names no OBJ file"), std::string::npos) << messages;
    EXPECT_NE(messages.find("missing.obj: cannot load the mesh"), std::string::npos) << messages;
}

TEST_F(MeshComponentTest, AMaterialMissingFromItsLibraryIsReportedWithTheLibraryNamed)
{
    // A damaged material file leaves the mesh without its material; the message must say which file to look at.
    testing::internal::CaptureStderr();
    ASSERT_TRUE(InitFromObj(std::string("usemtl Brass\n") + kQuad, "\x01\x7f garbage, no material here\n"));
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("Brass"), std::string::npos) << messages;
    EXPECT_NE(messages.find("mesh.mtl"), std::string::npos) << messages;
    EXPECT_EQ(m_component->BuildVertices().vertices.size(), 6u);
}

TEST_F(MeshComponentTest, FacesThatPointOutsideTheFileAreRefusedInsteadOfReadPastItsArrays)
{
    const struct
    {
        const char* what;
        const char* obj;
    } cases[] = {
        {"position", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n"},
        {"normal", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//4\n"},
        {"texture coordinate", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/7 3/1\n"},
        {"relative position before the first", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -5\n"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(InitFromObj(c.obj));
        const std::string messages = testing::internal::GetCapturedStderr();
        EXPECT_NE(messages.find(".obj: face 1 of the first shape refers to"), std::string::npos) << messages;
    }
}

TEST_F(MeshComponentTest, AMeshBeyond65536CornersIsRefusedRatherThanWrappingItsIndices)
{
    const auto triangles = [](int count) {
        std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
        for (int i = 0; i < count; ++i)
        {
            obj += "f 1 2 3\n";
        }
        return obj;
    };
    // 21845 triangles are 65535 corners, numbered 0 .. 65534: the largest mesh that fits.
    ASSERT_TRUE(InitFromObj(triangles(21845)));
    const MeshData data = m_component->BuildVertices();
    EXPECT_EQ(data.indices.size(), 65535u);
    EXPECT_EQ(data.indices.back(), 65534u);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(InitFromObj(triangles(21846)));
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find(".obj: the first shape has 65538 triangle corners"), std::string::npos) << messages;
}

TEST_F(MeshComponentTest, AFailedReloadKeepsTheMeshItHad)
{
    const std::string good = m_scratch.Write("good.obj", kQuad);
    const std::string bad = m_scratch.Write("bad.obj", "v 0 0 0\nf 1 2 3\n");
    m_document.Parse(("<MeshComponent><Obj>" + good + "</Obj></MeshComponent>").c_str());
    MeshComponent component;
    ASSERT_TRUE(component.Init(m_document.RootElement()));
    TiXmlDocument override;
    override.Parse(("<MeshComponent><Obj>" + bad + "</Obj></MeshComponent>").c_str());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(component.Init(override.RootElement()));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(component.GetObjFile(), good);
    EXPECT_EQ(component.BuildVertices().vertices.size(), 6u);
}

TEST_F(MeshComponentTest, WithAParseCacheOnlyMeshesWhoseObjOrMtlChangedAreParsedAgain)
{
    MeshParseCache cache;
    MeshParseCache::SetInstance(&cache);
    struct Unset
    {
        ~Unset() { MeshParseCache::SetInstance(nullptr); }
    } unset;
    const std::string mtl =
        std::filesystem::path(m_scratch.Write("kept.mtl", "newmtl m\nKd 0.25 0.5 0.75\n")).generic_string();
    const std::string obj = m_scratch.Write("kept.obj", "mtllib " + mtl + "\nusemtl m\n" + kQuad);
    const auto touch = [](const std::string& path) {
        static int seconds = 0;
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() +
                                                   std::chrono::seconds(++seconds));
    };

    ASSERT_TRUE(InitWith(obj));
    ASSERT_TRUE(InitWith(obj));
    EXPECT_EQ(cache.StoreCount(), 1u) << "an unchanged mesh was parsed again";
    EXPECT_EQ(m_component->BuildVertices().vertices.size(), 6u);
    ASSERT_NE(m_component->GetFirstMaterial(), nullptr);
    EXPECT_EQ(m_component->GetFirstMaterial()->diffuse[2], 0.75f);

    m_scratch.Write("kept.mtl", "newmtl m\nKd 0.25 0.5 1\n");
    touch(mtl);
    ASSERT_TRUE(InitWith(obj));
    EXPECT_EQ(cache.StoreCount(), 2u);
    EXPECT_EQ(m_component->GetFirstMaterial()->diffuse[2], 1.0f);

    m_scratch.Write("kept.obj", "mtllib " + mtl + "\nusemtl m\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    touch(obj);
    ASSERT_TRUE(InitWith(obj));
    EXPECT_EQ(cache.StoreCount(), 3u);
    EXPECT_EQ(m_component->BuildVertices().vertices.size(), 3u);
    ASSERT_TRUE(InitWith(obj));
    EXPECT_EQ(cache.StoreCount(), 3u);
}

// A load of a world keeps a parse cache of its own while it lasts, so that an OBJ named by many actors is
// parsed once; a cache already set (a watching engine's) is used instead and stays, and so do its parses.
TEST_F(MeshComponentTest, ALoadsOwnParseCacheParsesEachMeshOnceAndGoesWithTheLoad)
{
    const std::string obj = m_scratch.Write("shared.obj", kQuad);
    ASSERT_EQ(MeshParseCache::Instance(), nullptr);
    {
        const MeshParseCache::ForOneLoad load;
        MeshParseCache* own = MeshParseCache::Instance();
        ASSERT_NE(own, nullptr);
        ASSERT_TRUE(InitWith(obj));
        ASSERT_TRUE(InitWith(obj));
        EXPECT_EQ(own->StoreCount(), 1u);
        EXPECT_EQ(m_component->BuildVertices().vertices.size(), 6u);
        {
            const MeshParseCache::ForOneLoad inner;
            EXPECT_EQ(MeshParseCache::Instance(), own);
        }
        EXPECT_EQ(MeshParseCache::Instance(), own);
    }
    EXPECT_EQ(MeshParseCache::Instance(), nullptr);

    MeshParseCache watching;
    MeshParseCache::SetInstance(&watching);
    struct Unset
    {
        ~Unset() { MeshParseCache::SetInstance(nullptr); }
    } unset;
    {
        const MeshParseCache::ForOneLoad load;
        EXPECT_EQ(MeshParseCache::Instance(), &watching);
        ASSERT_TRUE(InitWith(obj));
    }
    EXPECT_EQ(MeshParseCache::Instance(), &watching);
    EXPECT_EQ(watching.StoreCount(), 1u);
}
