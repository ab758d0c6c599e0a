// The scene tree's Direct3D side on the real device: the targets and states construction creates and binds,
// the frame (nothing without a camera, the hierarchy over the clear colour, the selected sky, the post pass
// into the back buffer, what stays bound, the same picture again whatever was bound between frames), and the
// resize path of the application's own scene.
#include "graphics/drawables/D3D11Offscreen.h"
#include "graphics/drawables/D3D11Sky.h"
#include "graphics/sharing/PerObjectConstantRing.h"
#include "scene/FreeCameraNode.h"
#include "scene/Scene3.h"
#include "tests/graphics/GpuReadback.h"
#include "tests/graphics/GraphicsHarness.h"

#include <gtest/gtest.h>

#include <wrl/client.h>

using graphics_harness::Context;
using graphics_harness::Device;
using graphics_harness::kHeight;
using graphics_harness::kWidth;
using graphics_harness::PixelOf;
using Microsoft::WRL::ComPtr;

namespace
{
const std::vector<uint8_t> kClearPixel = {0, 0, 0, 255};

D3D11_TEXTURE2D_DESC DescOf(ID3D11Texture2D* texture)
{
    D3D11_TEXTURE2D_DESC desc = {};
    texture->GetDesc(&desc);
    return desc;
}

ComPtr<ID3D11Texture2D> TextureOf(ID3D11View* view)
{
    ComPtr<ID3D11Resource> resource;
    view->GetResource(resource.GetAddressOf());
    ComPtr<ID3D11Texture2D> texture;
    resource.As(&texture);
    return texture;
}

ComPtr<ID3D11Texture2D> BackBuffer()
{
    ComPtr<ID3D11Texture2D> backBuffer;
    graphics_harness::SwapChain()->GetBuffer(0, IID_PPV_ARGS(backBuffer.GetAddressOf()));
    return backBuffer;
}

D3D11_VIEWPORT BoundViewport()
{
    UINT count = 1;
    D3D11_VIEWPORT viewport = {};
    Context()->RSGetViewports(&count, &viewport);
    return viewport;
}

bool IsDark(const std::vector<uint8_t>& pixel)
{
    return pixel[0] < 8 && pixel[1] < 8 && pixel[2] < 8;
}
}

TEST(SceneTreeFrame, ConstructionCreatesTheTargetsAndBindsThem)
{
    DrawingWorld world;
    SceneTree& tree = *world.tree;
    ASSERT_TRUE(tree.HasRenderTargets());
    const D3D11_TEXTURE2D_DESC offscreen = DescOf(tree.GetOffscreenTexture());
    EXPECT_EQ(offscreen.Width, static_cast<UINT>(kWidth));
    EXPECT_EQ(offscreen.Height, static_cast<UINT>(kHeight));
    EXPECT_EQ(offscreen.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    EXPECT_EQ(offscreen.BindFlags, 0xA8u);
    const D3D11_TEXTURE2D_DESC depth = DescOf(tree.GetDepthStencilBuffer());
    EXPECT_EQ(depth.Format, DXGI_FORMAT_D24_UNORM_S8_UINT);
    EXPECT_EQ(depth.BindFlags, static_cast<UINT>(D3D11_BIND_DEPTH_STENCIL));
    EXPECT_EQ(TextureOf(tree.GetRenderTargetView()), BackBuffer());
    EXPECT_EQ(TextureOf(tree.GetOffscreenShaderResourceView()).Get(), tree.GetOffscreenTexture());
    EXPECT_NE(tree.GetSky(0), nullptr);
    EXPECT_NE(tree.GetSky(1), nullptr);
    EXPECT_NE(tree.GetSky(0)->GetTextureView(), tree.GetSky(1)->GetTextureView());

    ComPtr<ID3D11RenderTargetView> target;
    ComPtr<ID3D11DepthStencilView> depthView;
    Context()->OMGetRenderTargets(1, target.GetAddressOf(), depthView.GetAddressOf());
    EXPECT_EQ(target.Get(), tree.GetOffscreenRenderTargetView());
    EXPECT_EQ(depthView.Get(), tree.GetDepthStencilView());
    ComPtr<ID3D11DepthStencilState> depthState;
    UINT stencilReference = 0;
    Context()->OMGetDepthStencilState(depthState.GetAddressOf(), &stencilReference);
    ASSERT_TRUE(depthState);
    D3D11_DEPTH_STENCIL_DESC depthDesc = {};
    depthState->GetDesc(&depthDesc);
    EXPECT_EQ(depthDesc.DepthFunc, D3D11_COMPARISON_LESS);
    EXPECT_EQ(stencilReference, 1u);
    ComPtr<ID3D11RasterizerState> raster;
    Context()->RSGetState(raster.GetAddressOf());
    ASSERT_TRUE(raster);
    D3D11_RASTERIZER_DESC rasterDesc = {};
    raster->GetDesc(&rasterDesc);
    EXPECT_EQ(rasterDesc.CullMode, D3D11_CULL_BACK);
    const D3D11_VIEWPORT viewport = BoundViewport();
    EXPECT_EQ(viewport.Width, static_cast<float>(kWidth));
    EXPECT_EQ(viewport.Height, static_cast<float>(kHeight));
}

TEST(SceneTreeFrame, WithoutACameraNothingIsTouchedNotEvenTheClears)
{
    DrawingWorld world;
    world.tree->SetCamera(nullptr);
    const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    Context()->ClearRenderTargetView(world.tree->GetOffscreenRenderTargetView(), red);
    EXPECT_EQ(world.tree->Render(Context()), 0);
    EXPECT_EQ(PixelOf(world.tree->GetOffscreenTexture(), 3, 3), (std::vector<uint8_t>{255, 0, 0, 255}));
}

TEST(SceneTreeFrame, WithoutASkyOnlyTheHierarchyShowsOverTheClearColour)
{
    DrawingWorld world;
    world.camera->SetPosition(0.0f, 0.0f, -5.0f);
    world.MakeQuadActor(1, 0.0f, 0.0f, 0.0f);
    world.tree->SetSkySelector(2);
    ASSERT_EQ(world.tree->Render(Context()), 0);
    ID3D11Texture2D* offscreen = world.tree->GetOffscreenTexture();
    EXPECT_FALSE(IsDark(PixelOf(offscreen, kWidth / 2, kHeight / 2))) << "the quad, lit and textured";
    EXPECT_EQ(PixelOf(offscreen, 0, 0), kClearPixel);
    EXPECT_EQ(PixelOf(offscreen, kWidth - 1, kHeight - 1), kClearPixel);
}

TEST(SceneTreeFrame, ThePostPassCarriesTheImageUprightIntoTheBackBuffer)
{
    DrawingWorld world;
    world.camera->SetPosition(0.0f, 0.0f, -5.0f);
    // Up and to the left of the centre: with a 90-degree field of view at distance 5, near pixel (44, 30).
    world.MakeQuadActor(1, -3.0f, 2.5f, 0.0f);
    world.tree->SetSkySelector(2);
    ASSERT_EQ(world.tree->Render(Context()), 0);
    ID3D11Texture2D* offscreen = world.tree->GetOffscreenTexture();
    ASSERT_FALSE(IsDark(PixelOf(offscreen, 44, 30)));
    ASSERT_EQ(PixelOf(offscreen, 120, 90), kClearPixel);

    const ComPtr<ID3D11Texture2D> backBuffer = BackBuffer();
    ASSERT_EQ(DescOf(backBuffer.Get()).Width, static_cast<UINT>(kWidth));
    EXPECT_FALSE(IsDark(PixelOf(backBuffer.Get(), 44, 30)));
    EXPECT_TRUE(IsDark(PixelOf(backBuffer.Get(), 120, 90)));
    EXPECT_TRUE(IsDark(PixelOf(backBuffer.Get(), 44, 90))) << "not mirrored top to bottom";
    EXPECT_TRUE(IsDark(PixelOf(backBuffer.Get(), 120, 30))) << "not mirrored left to right";

    // What the frame leaves bound: the back buffer with the depth view, and the offscreen image as input 0.
    ComPtr<ID3D11RenderTargetView> target;
    ComPtr<ID3D11DepthStencilView> depth;
    Context()->OMGetRenderTargets(1, target.GetAddressOf(), depth.GetAddressOf());
    EXPECT_EQ(target.Get(), world.tree->GetRenderTargetView());
    EXPECT_EQ(depth.Get(), world.tree->GetDepthStencilView());
    ComPtr<ID3D11ShaderResourceView> input;
    Context()->PSGetShaderResources(0, 1, input.GetAddressOf());
    EXPECT_EQ(input.Get(), world.tree->GetOffscreenShaderResourceView());
}

TEST(SceneTreeFrame, EachFrameDrawsTheSamePictureWhateverWasBoundBehindTheBindablesBackBefore)
{
    DrawingWorld world;
    world.camera->SetPosition(0.0f, 0.0f, -5.0f);
    // Two textures and the sky, so that the post pass, the sky and each mesh change what the next one finds.
    world.MakeQuadActor(1, -1.5f, 0.0f, 0.0f);
    world.MakeQuadActor(2, 1.5f, 0.0f, 0.0f, DrawingWorld::LitMaterial("dirty-wicker-weave1-albedo.dds"));
    world.tree->SetSkySelector(0);
    ASSERT_EQ(world.tree->Render(Context()), 0);
    const std::vector<uint8_t> first = graphics_harness::PixelsOf(BackBuffer().Get());
    const std::size_t leftQuad = 4 * (kHeight / 2 * kWidth + 55);   // -1.5 of 5 units right of the centre
    ASSERT_FALSE(IsDark({first.begin() + leftQuad, first.begin() + leftQuad + 4}));

    ASSERT_EQ(world.tree->Render(Context()), 0);
    EXPECT_EQ(graphics_harness::PixelsOf(BackBuffer().Get()), first) << "the second frame";

    // Between frames others set state directly (the overlay, a capture): here a wireframe rasterizer state,
    // which the meshes' own state would have replaced only if the frame let their binds through.
    D3D11_RASTERIZER_DESC wireDesc = {};
    wireDesc.FillMode = D3D11_FILL_WIREFRAME;
    wireDesc.CullMode = D3D11_CULL_NONE;
    wireDesc.DepthClipEnable = TRUE;
    ComPtr<ID3D11RasterizerState> wireframe;
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateRasterizerState(&wireDesc, wireframe.GetAddressOf()));
    Context()->RSSetState(wireframe.Get());
    ASSERT_EQ(world.tree->Render(Context()), 0);
    EXPECT_EQ(graphics_harness::PixelsOf(BackBuffer().Get()), first) << "after a direct bind";
}

TEST(SceneTreeFrame, TheSelectorPicksWhichSkyIsDrawn)
{
    DrawingWorld world;
    const auto corner = [&](std::uint32_t selector) {
        world.tree->SetSkySelector(selector);
        world.tree->Render(Context());
        return PixelOf(world.tree->GetOffscreenTexture(), kWidth / 2, 4);
    };
    const std::vector<uint8_t> first = corner(0);
    const std::vector<uint8_t> second = corner(1);
    EXPECT_NE(first, kClearPixel);
    EXPECT_NE(second, kClearPixel);
    EXPECT_NE(first, second) << "two different sky textures";
    EXPECT_EQ(corner(7), kClearPixel);
    EXPECT_EQ(corner(0), first) << "and back";
}

TEST(SceneTreeFrame, ResizeRebuildsEveryTargetButKeepsTheProjection)
{
    Scene3& scene = graphics_harness::ApplicationScene();
    SceneTree& tree = scene.GetSceneTree();
    const Matrix4x4 projection = scene.GetCamera()->GetProj();
    EngineOptions options = graphics_harness::Options();
    options.m_screenWidth = 200;
    options.m_screenHeight = 100;
    ASSERT_EQ(scene.OnResize(options, Device(), Context()), 0);

    EXPECT_EQ(DescOf(tree.GetOffscreenTexture()).Width, 200u);
    EXPECT_EQ(DescOf(tree.GetOffscreenTexture()).Height, 100u);
    EXPECT_EQ(DescOf(TextureOf(tree.GetRenderTargetView()).Get()).Width, 200u);
    EXPECT_EQ(DescOf(TextureOf(tree.GetRenderTargetView()).Get()).Height, 100u);
    EXPECT_EQ(DescOf(BackBuffer().Get()).Width, 200u);
    EXPECT_EQ(DescOf(tree.GetDepthStencilBuffer()).Width, 200u);
    EXPECT_EQ(DescOf(tree.GetDepthStencilBuffer()).Height, 100u);
    EXPECT_EQ(DescOf(TextureOf(tree.GetOffscreenRenderTargetView()).Get()).Width, 200u);
    EXPECT_EQ(BoundViewport().Width, 200.0f);
    EXPECT_EQ(BoundViewport().Height, 100.0f);
    EXPECT_EQ(scene.GetCamera()->GetProj(), projection);
    EXPECT_EQ(scene.Render(Context()), 0);

    // A minimised window (0 x 0) keeps what there is.
    ID3D11Texture2D* kept = tree.GetOffscreenTexture();
    options.m_screenWidth = 0;
    options.m_screenHeight = 0;
    ASSERT_EQ(scene.OnResize(options, Device(), Context()), 0);
    EXPECT_EQ(tree.GetOffscreenTexture(), kept);
    EXPECT_EQ(DescOf(BackBuffer().Get()).Width, 200u);

    ASSERT_EQ(scene.OnResize(graphics_harness::Options(), Device(), Context()), 0);
    EXPECT_EQ(DescOf(tree.GetOffscreenTexture()).Width, static_cast<UINT>(kWidth));
    EXPECT_EQ(DescOf(BackBuffer().Get()).Height, static_cast<UINT>(kHeight));
}

// The mesh pass holds its meshes' draws until all their constants are in the ring (one map a pass), and binds
// the pixel stage's constants again only where the material changes. Drawn through the per-draw buffer instead
// (every mesh mapped, bound and drawn at once), the same world must give the same frames to the byte: runs of
// one material, a material that comes back after others, overlapping quads, and a ring so small that it fills
// up twice within a pass, so that the held draws are made before it is discarded.
TEST(SceneTreeFrame, TheHeldDrawsOfAPassDrawWhatMeshesDrawnOneByOneDraw)
{
    const auto frames = [](bool ring, UINT slots) {
        PerObjectConstantRing::Allow(ring);
        PerObjectConstantRing::SizeNewRings(slots);
        std::vector<std::vector<uint8_t>> pictures;
        {
            DrawingWorld world;
            world.camera->SetPosition(0.0f, 0.0f, -6.0f);
            const std::string materials[] = {
                DrawingWorld::LitMaterial("brass-albedo.dds"),
                DrawingWorld::LitMaterial("dirty-wicker-weave1-albedo.dds"),
                "newmtl Plain\nKa 0.3 0.3 0.3\nKd 0.2 0.6 0.9\nKs 0.5 0.5 0.5\nNs 8\n",
            };
            const int pattern[] = {0, 0, 0, 0, 1, 2, 1, 0, 0, 2, 2, 2, 1, 0, 0, 0, 1, 1, 2, 0};
            for (int i = 0; i < 20; ++i)
            {
                const float x = -3.0f + 1.5f * static_cast<float>(i % 5);
                const float y = 1.5f - 1.0f * static_cast<float>(i / 5);
                world.MakeQuadActor(static_cast<ActorId>(i + 1), x, y, 0.1f * static_cast<float>(i % 3),
                                    materials[pattern[i]]);
            }
            world.tree->SetSkySelector(0);
            for (int frame = 0; frame < 3; ++frame)
            {
                // The camera moves, so every frame writes every mesh's constants anew.
                world.camera->SetPosition(0.1f * static_cast<float>(frame), 0.0f, -6.0f);
                world.camera->UpdateViewMatrix();
                EXPECT_EQ(world.tree->Render(Context()), 0);
                pictures.push_back(graphics_harness::PixelsOf(BackBuffer().Get()));
            }
        }
        PerObjectConstantRing::Allow(true);
        PerObjectConstantRing::SizeNewRings(0);
        return pictures;
    };
    const auto oneByOne = frames(false, 0);
    ASSERT_EQ(oneByOne.size(), 3u);
    EXPECT_NE(oneByOne[0], oneByOne[1]) << "the camera moved";
    EXPECT_TRUE(frames(true, 0) == oneByOne);
    EXPECT_TRUE(frames(true, 7) == oneByOne) << "a ring of 7 slots, full twice in every pass";
}
