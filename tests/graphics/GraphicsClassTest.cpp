// The graphics object as start-up leaves it (the harness initialised it exactly as the application does):
// registries published and filled with the start-up textures and shaders, the scripted scene built, and a
// frame that renders the scene, runs the overlay and presents.
#include "app/SystemClass.h"
#include "graphics/D3DClass.h"
#include "graphics/GraphicsClass.h"
#include "graphics/registries/ShaderHolder.h"
#include "graphics/registries/TextureHolder.h"
#include "scene/Scene3.h"
#include "tests/graphics/GraphicsHarness.h"

#include <gtest/gtest.h>
#include <imgui.h>

TEST(GraphicsClass, PublishesItsRegistriesWithTheStartUpTexturesAndShaders)
{
    GraphicsClass& graphics = SystemClass::GetGraphics();
    ASSERT_NE(graphics.GetTextures(), nullptr);
    ASSERT_NE(graphics.GetShaders(), nullptr);
    EXPECT_EQ(TextureHolder::Instance(), graphics.GetTextures());
    EXPECT_EQ(ShaderHolder::Instance(), graphics.GetShaders());
    for (const char* name : GraphicsClass::kStartupTextures)
    {
        SCOPED_TRACE(name);
        ASSERT_TRUE(graphics.GetTextures()->Contains(name));
        EXPECT_NE(graphics.GetTextures()->Get(name).GetTexture(), nullptr);
    }
    for (const wchar_t* name : {L"BasicNormalMapPixelShader.fx", L"BasicNormalMapVertexShader.fx", L"SkyPixelShader.fx",
                                L"SkyVertexShader.fx", L"PostPS.fx", L"PostVS.fx"})
    {
        EXPECT_NO_THROW(graphics.GetShaders()->Get(name));
    }
    ASSERT_NE(graphics.GetScene(), nullptr);
    EXPECT_EQ(graphics.GetScene()->GetName(), "First s");
    EXPECT_TRUE(graphics_harness::ApplicationScene().GetSceneTree().HasRenderTargets());
}

TEST(GraphicsClass, FrameRendersTheSceneRunsTheOverlayAndPresents)
{
    GraphicsClass& graphics = SystemClass::GetGraphics();
    SceneTree& tree = graphics_harness::ApplicationScene().GetSceneTree();
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    graphics_harness::Context()->ClearRenderTargetView(tree.GetOffscreenRenderTargetView(), grey);
    const int overlayFrames = ImGui::GetFrameCount();

    EXPECT_TRUE(graphics.Frame());
    EXPECT_EQ(ImGui::GetFrameCount(), overlayFrames + 1);
    // The scene drew its first sky into the offscreen image: nothing is left at the grey or the clear colour.
    const std::vector<uint8_t> pixel = graphics_harness::PixelOf(tree.GetOffscreenTexture(), 5, 5);
    EXPECT_NE(pixel, (std::vector<uint8_t>{128, 128, 128, 255}));
    EXPECT_NE(pixel, (std::vector<uint8_t>{0, 0, 0, 255}));
    EXPECT_TRUE(graphics.Frame()) << "and again";
}
