// The mesh component's texture requests: every texture its materials name reaches the application's texture
// registry on the real device, once, and a texture that fails leaves the mesh loaded.
#include "actors/MeshComponent.h"
#include "graphics/registries/TextureHolder.h"
#include "tests/actors/MeshComponentFixture.h"
#include "tests/graphics/GraphicsHarness.h"

#include <gtest/gtest.h>

TEST_F(MeshComponentTest, MaterialsAreKeptAndTheirTexturesReachTheRegistryOnce)
{
    TextureHolder* textures = TextureHolder::Instance();
    ASSERT_NE(textures, nullptr);
    // Textures the build generates into bin/, where the tests run; the same name twice loads once.
    const std::string mtl = "newmtl Brass\nKa 0.1 0.2 0.3\nKd 0.9 0.8 0.7\nKs 1 1 1\nNs 32\n"
                            "map_Kd brass-albedo.dds\nmap_bump brass-normal.dds\nmap_Ks brass-albedo.dds\n";
    const size_t before = textures->Size();
    const bool hadAlbedo = textures->Contains("brass-albedo.dds");
    const bool hadNormal = textures->Contains("brass-normal.dds");
    ASSERT_TRUE(InitFromObj(std::string("usemtl Brass\n") + kQuad, mtl));
    ASSERT_EQ(m_component->GetMaterials().size(), 1u);
    const tinyobj::material_t* material = m_component->GetFirstMaterial();
    ASSERT_NE(material, nullptr);
    EXPECT_FLOAT_EQ(material->diffuse[1], 0.8f);
    EXPECT_FLOAT_EQ(material->shininess, 32.0f);
    EXPECT_TRUE(textures->Contains("brass-albedo.dds"));
    EXPECT_TRUE(textures->Contains("brass-normal.dds"));
    EXPECT_NE(textures->Get("brass-normal.dds").GetTexture(), nullptr);
    EXPECT_EQ(textures->Size(), before + (hadAlbedo ? 0 : 1) + (hadNormal ? 0 : 1));

    // A texture that fails to load stays in the registry without a view; the mesh loads all the same.
    testing::internal::CaptureStderr();
    ASSERT_TRUE(InitFromObj(std::string("usemtl Lost\n") + kQuad, "newmtl Lost\nmap_Kd no-such-texture.dds\n"));
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(textures->Contains("no-such-texture.dds"));
    EXPECT_EQ(textures->Get("no-such-texture.dds").GetTexture(), nullptr);
}
