// The sky: its sphere (counts, index bounds, the seam, the poles), its own depth and rasteriser states, the
// constants it writes, its texture, and how it fills only what the meshes left when drawn after them.
#include "graphics/drawables/D3D11Sky.h"
#include "graphics/bindables/DepthStencilState.h"
#include "graphics/bindables/RasterizerState.h"
#include "graphics/bindables/ShaderResource.h"
#include "scene/FreeCameraNode.h"
#include "scene/MatrixStack.h"
#include "scene/Scene3.h"
#include "tests/graphics/GpuReadback.h"
#include "tests/graphics/GraphicsHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using graphics_harness::Context;
using graphics_harness::Device;
using graphics_harness::PixelOf;
using graphics_harness::PixelsOf;

namespace
{
float Length(const float* v)
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}
}

TEST(D3D11SkySphere, Has901VerticesAnd5220IndicesInRangeAndASeamOnEveryRing)
{
    std::vector<MeshVertex> vertices;
    std::vector<std::uint16_t> indices;
    D3D11Sky::BuildSphere(vertices, indices);
    ASSERT_EQ(vertices.size(), 901u);
    ASSERT_EQ(indices.size(), 5220u);
    EXPECT_LT(*std::max_element(indices.begin(), indices.end()), 901);
    for (size_t i = 0; i < indices.size(); i += 3)
    {
        EXPECT_TRUE(indices[i] != indices[i + 1] && indices[i + 1] != indices[i + 2] && indices[i] != indices[i + 2])
            << "degenerate triangle " << i / 3;
    }
    for (const MeshVertex& v : vertices)
    {
        EXPECT_NEAR(Length(v.position), 5000.0f, 0.05f);
        EXPECT_NEAR(Length(v.tangent), 1.0f, 1e-5f);
    }
    EXPECT_EQ(vertices[0].position[1], 5000.0f);
    EXPECT_EQ(vertices[900].position[1], -5000.0f);
    EXPECT_EQ(vertices[900].texCoord[1], 1.0f);
    // The first and last vertex of a ring coincide but carry u = 0 and u = 1, so the texture wraps once.
    for (int ring = 0; ring < 29; ++ring)
    {
        const MeshVertex& first = vertices[1 + ring * 31];
        const MeshVertex& last = vertices[1 + ring * 31 + 30];
        for (int k = 0; k < 3; ++k)
        {
            EXPECT_NEAR(first.position[k], last.position[k], 0.01f) << "ring " << ring;
        }
        EXPECT_EQ(first.texCoord[0], 0.0f);
        EXPECT_FLOAT_EQ(last.texCoord[0], 1.0f);
    }
}

TEST(D3D11Sky, UsesLessOrEqualDepthNoCullingAndItsOwnTexture)
{
    const D3D11Sky& sky = *graphics_harness::ApplicationScene().GetSceneTree().GetSky(0);
    const auto& binds = sky.GetBindables();
    ASSERT_EQ(binds.size(), 14u);
    const auto* depth = dynamic_cast<const DepthStencilState*>(binds[8].get());
    const auto* raster = dynamic_cast<const RasterizerState*>(binds[9].get());
    const auto* texture = dynamic_cast<const ShaderResource*>(binds[4].get());
    ASSERT_TRUE(depth && raster && texture);
    D3D11_DEPTH_STENCIL_DESC depthDesc = {};
    depth->Get()->GetDesc(&depthDesc);
    EXPECT_EQ(depthDesc.DepthFunc, D3D11_COMPARISON_LESS_EQUAL);
    D3D11_RASTERIZER_DESC rasterDesc = {};
    raster->Get()->GetDesc(&rasterDesc);
    EXPECT_EQ(rasterDesc.CullMode, D3D11_CULL_NONE);
    EXPECT_EQ(texture->GetSlot(), 0u);
    EXPECT_NE(texture->GetView(), nullptr);
    EXPECT_EQ(texture->GetView(), sky.GetTextureView());
}

TEST(D3D11Sky, PreRenderWritesTheCameraAndZerosForTheRest)
{
    DrawingWorld world;
    D3D11Sky& sky = *world.tree->GetSky(1);
    world.camera->SetPosition(0.0f, 96.0f, 0.0f);
    world.camera->Pitch(0.3f);
    world.camera->UpdateViewMatrix();
    ASSERT_EQ(sky.PreRender(world.tree.get(), Context()), 0);
    EXPECT_EQ(world.tree->GetMatrixStack().Size(), 2u);
    sky.PostRender(world.tree.get());

    const auto read = [](auto* buffer, auto& out) {
        const std::vector<uint8_t> bytes = ReadBuffer(Device(), Context(), buffer->GetBuffer());
        ASSERT_EQ(bytes.size(), sizeof(out));
        std::memcpy(&out, bytes.data(), sizeof(out));
    };
    cbPerObject vs{};
    cbPerObject ps{};
    cbPerFrame frame{};
    read(sky.GetVsPerObject(), vs);
    read(sky.GetPsPerObject(), ps);
    read(sky.GetPsPerFrame(), frame);
    EXPECT_EQ(vs.world, Matrix4x4::Identity());
    EXPECT_EQ(vs.worldInvTranspose, Matrix4x4::Identity());
    EXPECT_EQ(vs.view, world.camera->GetView().Transposed());
    EXPECT_EQ(vs.projection, world.camera->GetProj().Transposed());
    EXPECT_EQ(vs.materialAmbient[0], 0.0f);
    EXPECT_EQ(std::memcmp(&vs, &ps, sizeof(vs)), 0);
    const cbPerFrame zero{};
    EXPECT_EQ(std::memcmp(&frame, &zero, sizeof(frame)), 0);
}

TEST(D3D11Sky, FromAboveEveryDirectionHitsTheSphere)
{
    DrawingWorld world;
    world.tree->SetSkySelector(0);
    world.camera->SetPosition(0.0f, 96.0f, 0.0f);
    // Straight ahead, straight up and straight down (the caps and the seam included).
    for (const float pitch : {0.0f, -1.5f, 1.5f, 3.0f})
    {
        SCOPED_TRACE(pitch);
        world.camera->Pitch(pitch);
        ASSERT_EQ(world.tree->Render(Context()), 0);
        const std::vector<uint8_t> pixels = PixelsOf(world.tree->GetOffscreenTexture());
        size_t cleared = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
        {
            cleared += pixels[i] == 0 && pixels[i + 1] == 0 && pixels[i + 2] == 0;
        }
        EXPECT_EQ(cleared, 0u) << "pixels left at the clear colour";
    }
}

TEST(D3D11Sky, FillsOnlyWhatTheMeshesLeft)
{
    DrawingWorld world;
    world.camera->SetPosition(0.0f, 0.0f, -5.0f);
    world.MakeQuadActor(1, 0.0f, 0.0f, 0.0f);
    const unsigned cx = graphics_harness::kWidth / 2;
    const unsigned cy = graphics_harness::kHeight / 2;

    world.tree->SetSkySelector(2);
    world.tree->Render(Context());
    const std::vector<uint8_t> meshOnly = PixelOf(world.tree->GetOffscreenTexture(), cx, cy);
    const std::vector<uint8_t> clearCorner = PixelOf(world.tree->GetOffscreenTexture(), 1, 1);
    EXPECT_EQ(clearCorner, (std::vector<uint8_t>{0, 0, 0, 255}));
    EXPECT_NE(meshOnly, clearCorner);

    world.tree->SetSkySelector(0);
    world.tree->Render(Context());
    EXPECT_EQ(PixelOf(world.tree->GetOffscreenTexture(), cx, cy), meshOnly) << "the mesh keeps its pixel";
    EXPECT_NE(PixelOf(world.tree->GetOffscreenTexture(), 1, 1), clearCorner) << "the sky fills the rest";
}

TEST(D3D11Sky, ATextureThatDoesNotLoadLeavesTheSlotEmptyAndStillDraws)
{
    DrawingWorld world;
    testing::internal::CaptureStderr();
    auto sky = std::make_shared<D3D11Sky>(nullptr, Device(), L"no-such-sky.dds");
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("no-such-sky.dds"), std::string::npos) << messages;
    EXPECT_EQ(sky->GetTextureView(), nullptr);
    ASSERT_TRUE(sky->IsDrawable());
    EXPECT_EQ(static_cast<const ShaderResource*>(sky->GetBindables()[4].get())->GetView(), nullptr);
    world.camera->UpdateViewMatrix();
    ASSERT_EQ(sky->PreRender(world.tree.get(), Context()), 0);
    EXPECT_EQ(sky->Render(world.tree.get(), Context()), 0);
    sky->PostRender(world.tree.get());
}
