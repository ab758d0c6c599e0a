// The mesh drawable on the real device: its bindable list in bind order, the constants it writes before each
// draw (read back from the GPU buffers; in the per-draw buffer, and in the ring's slots where the device binds
// constant buffers at an offset), nesting under another node, the fallbacks for meshes whose
// component, material, texture or shader is missing, and the lit colours the shipped shaders draw with and
// without a normal map and a diffuse texture (read back from a render target).
#include "actors/Actor.h"
#include "actors/MeshRenderComponent.h"
#include "graphics/AnsiConversion.h"
#include "graphics/bindables/BindingRecord.h"
#include "graphics/bindables/BlendState.h"
#include "graphics/drawables/D3D11Mesh.h"
#include "graphics/bindables/DepthStencilState.h"
#include "graphics/bindables/IndexBuffer.h"
#include "graphics/bindables/InputLayout.h"
#include "graphics/sharing/MeshPassBatch.h"
#include "graphics/sharing/PerObjectConstantRing.h"
#include "graphics/bindables/PixelShader.h"
#include "graphics/bindables/RasterizerState.h"
#include "graphics/bindables/SamplerState.h"
#include "graphics/bindables/ShaderResource.h"
#include "graphics/registries/ShaderClass.h"
#include "graphics/registries/ShaderHolder.h"
#include "graphics/registries/TextureHolder.h"
#include "graphics/bindables/Topology.h"
#include "graphics/bindables/VertexBuffer.h"
#include "graphics/bindables/VertexShader.h"
#include "scene/LightManager.h"
#include "scene/MatrixStack.h"
#include "scene/RootNode.h"
#include "tests/graphics/GpuReadback.h"
#include "tests/graphics/GraphicsHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <typeinfo>

using graphics_harness::Context;
using graphics_harness::Device;

namespace
{
std::shared_ptr<D3D11Mesh> MeshOf(const DrawingWorld& world, ActorId id)
{
    return std::dynamic_pointer_cast<D3D11Mesh>(world.tree->FindActorNode(id));
}

template <typename T>
T ReadConstants(const ConstantBuffer<T>* buffer)
{
    const std::vector<uint8_t> bytes = ReadBuffer(Device(), Context(), buffer->GetBuffer());
    T value;
    EXPECT_EQ(bytes.size(), sizeof(T));
    std::memcpy(&value, bytes.data(), sizeof(T));
    return value;
}

void ExpectMatrixNear(const Matrix4x4& actual, const Matrix4x4& expected, const char* what)
{
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(actual.m[i], expected.m[i], 1e-4f) << what << " element " << i;
    }
}

// What every walk does for one node: pre-render, then post-render so the matrix stack stays balanced.
void PreRenderOnly(ISceneNode& node, DrawingWorld& world)
{
    ASSERT_EQ(node.PreRender(world.tree.get(), Context()), 0);
    node.PostRender(world.tree.get());
}

// A 4 x 4 Targa texture of one colour in the world's scratch folder; its name for a material file.
std::string UniformTexture(DrawingWorld& world, const std::string& name, uint8_t r, uint8_t g, uint8_t b)
{
    std::string tga(18, '\0');
    tga[2] = 2;     // uncompressed true colour
    tga[12] = 4;    // width
    tga[14] = 4;    // height
    tga[16] = 32;   // bits per pixel
    for (int i = 0; i < 16; ++i)
    {
        tga += {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r), static_cast<char>(255)};
    }
    return std::filesystem::path(world.scratch.Write(name, tga)).generic_string();
}

// The shipped mesh shaders drawing facing quads into a small target of their own, lit by one white light that
// shines straight at them (light ambient 0.2, diffuse 0.6, no specular), seen from the camera at the origin.
class LitQuads
{
public:
    LitQuads() : target(Device(), Context(), 32, 32)
    {
        world.MakeActor(
            9, DrawingWorld::TransformAt(0, 0, 0) +
                   "<LightRenderComponent><Light type=\"DirectionalLight\">"
                   "<Ambient r=\"0.2\" g=\"0.2\" b=\"0.2\" a=\"1\"/><Diffuse r=\"0.6\" g=\"0.6\" b=\"0.6\" a=\"1\"/>"
                   "<Specular r=\"0\" g=\"0\" b=\"0\" a=\"1\"/></Light></LightRenderComponent>");
        world.camera->UpdateViewMatrix();
        world.tree->GetLightManager()->PrepareFrame(world.tree.get());
    }

    // A quad two units in front of the camera drawn with the material text `mtl`.
    std::shared_ptr<D3D11Mesh> Quad(ActorId id, const std::string& mtl)
    {
        world.MakeQuadActor(id, 0.0f, 0.0f, 2.0f, mtl);
        return MeshOf(world, id);
    }

    // Draws the mesh alone, as the scene walk would, and reads the pixel at the centre of the target.
    std::vector<uint8_t> Draw(D3D11Mesh& mesh)
    {
        target.Clear(0.0f, 0.0f, 0.0f, 1.0f);
        EXPECT_EQ(mesh.PreRender(world.tree.get(), Context()), 0);
        EXPECT_EQ(mesh.Render(world.tree.get(), Context()), 0);
        mesh.PostRender(world.tree.get());
        graphics_harness::WaitForTheGpu();
        return target.Pixel(16, 16);
    }

    DrawingWorld world;
    OffscreenTarget target;
};

// Within three steps of 255 on each colour channel: what rounding and filtering leave of an exact colour.
void ExpectColourNear(const std::vector<uint8_t>& pixel, float r, float g, float b)
{
    ASSERT_EQ(pixel.size(), 4u);
    const float expected[3] = {r, g, b};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_NEAR(pixel[i], expected[i] * 255.0f, 3.0f) << "channel " << i;
    }
}

// Keeps new meshes on the per-draw buffer while it lives, for the tests that read that buffer back.
struct PerDrawConstantsOnly
{
    PerDrawConstantsOnly() { PerObjectConstantRing::Allow(false); }
    ~PerDrawConstantsOnly() { PerObjectConstantRing::Allow(true); }
    PerDrawConstantsOnly(const PerDrawConstantsOnly&) = delete;
    PerDrawConstantsOnly& operator=(const PerDrawConstantsOnly&) = delete;
};

// What slot 0 of the vertex or pixel stage holds, with the offset and size of the binding.
struct BoundSlot
{
    Microsoft::WRL::ComPtr<ID3D11Buffer> buffer;
    UINT first = ~0u;
    UINT count = 0;
};

BoundSlot BoundPerObjectSlot(bool vertex)
{
    BoundSlot bound;
    Microsoft::WRL::ComPtr<ID3D11DeviceContext1> one;
    EXPECT_HRESULT_SUCCEEDED(Context()->QueryInterface(IID_PPV_ARGS(one.GetAddressOf())));
    if (!one)
    {
        return bound;
    }
    if (vertex)
    {
        one->VSGetConstantBuffers1(0, 1, bound.buffer.GetAddressOf(), &bound.first, &bound.count);
    }
    else
    {
        one->PSGetConstantBuffers1(0, 1, bound.buffer.GetAddressOf(), &bound.first, &bound.count);
    }
    return bound;
}

std::vector<const std::type_info*> TypesOf(const D3D11Drawable& drawable)
{
    std::vector<const std::type_info*> types;
    for (const auto& bindable : drawable.GetBindables())
    {
        types.push_back(&typeid(*bindable));
    }
    return types;
}
}

TEST(D3D11Mesh, BindsFourteenPiecesOfStateInOrderOrFifteenWithABumpTexture)
{
    const PerDrawConstantsOnly perDraw;
    DrawingWorld world;
    world.MakeQuadActor(1, 0, 0, 0, DrawingWorld::Material("brass-albedo.dds", ""));
    world.MakeQuadActor(2, 0, 0, 0, DrawingWorld::Material("brass-albedo.dds", "brass-normal.dds"));
    const auto plain = MeshOf(world, 1);
    const auto bumped = MeshOf(world, 2);
    ASSERT_TRUE(plain && bumped);

    std::vector<const std::type_info*> expected = {&typeid(VertexBuffer),
                                                   &typeid(IndexBuffer),
                                                   &typeid(VertexShader),
                                                   &typeid(PixelShader),
                                                   &typeid(ShaderResource),
                                                   &typeid(InputLayout),
                                                   &typeid(Topology),
                                                   &typeid(SamplerState),
                                                   &typeid(DepthStencilState),
                                                   &typeid(RasterizerState),
                                                   &typeid(BlendState),
                                                   &typeid(VertexConstantBuffer<cbPerObject>),
                                                   &typeid(PixelConstantBuffer<cbPerObject>),
                                                   &typeid(PixelConstantBuffer<cbPerFrame>)};
    const auto plainTypes = TypesOf(*plain);
    ASSERT_EQ(plainTypes.size(), 14u);
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(*plainTypes[i], *expected[i]) << "bindable " << i;
    }
    expected.insert(expected.begin() + 5, &typeid(ShaderResource));
    const auto bumpedTypes = TypesOf(*bumped);
    ASSERT_EQ(bumpedTypes.size(), 15u);
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(*bumpedTypes[i], *expected[i]) << "bindable " << i;
    }

    const auto& binds = bumped->GetBindables();
    const auto* diffuse = static_cast<const ShaderResource*>(binds[4].get());
    const auto* bump = static_cast<const ShaderResource*>(binds[5].get());
    EXPECT_EQ(diffuse->GetSlot(), 0u);
    EXPECT_EQ(diffuse->GetView(), TextureHolder::Instance()->Get("brass-albedo.dds").GetTexture());
    EXPECT_EQ(bump->GetSlot(), 1u);
    EXPECT_EQ(bump->GetView(), TextureHolder::Instance()->Get("brass-normal.dds").GetTexture());
    EXPECT_EQ(bumped->GetIndexBuffer(), binds[1].get());
    EXPECT_EQ(bumped->GetIndexBuffer()->m_count, 6u);
    EXPECT_EQ(static_cast<const Topology*>(binds[7].get())->m_topology, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(bumped->GetVsPerObject()->m_slot, 0u);
    EXPECT_EQ(bumped->GetPsPerObject()->m_slot, 0u);
    EXPECT_EQ(bumped->GetPsPerFrame()->m_slot, 1u);
    EXPECT_EQ(bumped->GetProperties().m_name, "MeshRenderComponent");
    EXPECT_EQ(bumped->GetProperties().m_actorId, 2u);
}

TEST(D3D11Mesh, PreRenderWritesTransposedMatricesTheMaterialAndTheLight)
{
    const PerDrawConstantsOnly perDraw;
    DrawingWorld world;
    world.MakeActor(9,
                    "<TransformComponent><YawPitchRoll x=\"0\" y=\"90\" z=\"0\"/></TransformComponent>"
                    "<LightRenderComponent><Light type=\"DirectionalLight\">"
                    "<Ambient r=\"0.1\" g=\"0.1\" b=\"0.1\" a=\"1\"/><Diffuse r=\"0.6\" g=\"0.6\" b=\"0.6\" a=\"1\"/>"
                    "<Specular r=\"0.3\" g=\"0.3\" b=\"0.3\" a=\"1\"/></Light></LightRenderComponent>");
    world.MakeActor(1, "<TransformComponent><Position x=\"1\" y=\"2\" z=\"3\"/>"
                       "<YawPitchRoll x=\"30\" y=\"0\" z=\"10\"/></TransformComponent>" +
                           DrawingWorld::MeshElements(world.WriteObj("quad", DrawingWorld::kFacingQuadObj,
                                                                     DrawingWorld::Material("brass-albedo.dds", ""))));
    world.MakeQuadActor(2, 5, 0, 0);
    const auto mesh = MeshOf(world, 1);
    ASSERT_TRUE(mesh);
    world.camera->SetPosition(4.0f, 5.0f, -6.0f);
    world.camera->UpdateViewMatrix();
    world.tree->GetLightManager()->PrepareFrame(world.tree.get());

    PreRenderOnly(*mesh, world);
    EXPECT_EQ(world.tree->GetMatrixStack().Size(), 1u);

    const Matrix4x4 w = Matrix4x4::RotationYawPitchRoll(30.0f * 0.0174532925f, 0.0f, 10.0f * 0.0174532925f) *
                        Matrix4x4::Translation(1.0f, 2.0f, 3.0f);
    const cbPerObject vs = ReadConstants(mesh->GetVsPerObject());
    ExpectMatrixNear(vs.world, w.Transposed(), "world");
    ExpectMatrixNear(vs.view, world.camera->GetView().Transposed(), "view");
    ExpectMatrixNear(vs.projection, world.camera->GetProj().Transposed(), "projection");
    // Stored as inverse(world): the shader reads it transposed, which is the inverse transpose that carries
    // normals (with w = 0, so the translation in its last row never reaches them).
    ExpectMatrixNear(vs.worldInvTranspose, w.Inverse(), "worldInvTranspose");
    EXPECT_FLOAT_EQ(vs.materialAmbient[0], 0.1f);
    EXPECT_FLOAT_EQ(vs.materialAmbient[2], 0.3f);
    EXPECT_FLOAT_EQ(vs.materialDiffuse[1], 0.5f);
    EXPECT_FLOAT_EQ(vs.materialSpecular[0], 0.7f);
    EXPECT_FLOAT_EQ(vs.materialSpecular[2], 0.9f);
    EXPECT_EQ(vs.materialSpecular[3], 32.0f) << "the shininess exponent, unchanged";
    EXPECT_FLOAT_EQ(vs.materialConstant[0], 0.1f);
    EXPECT_FLOAT_EQ(vs.materialConstant[3], 1.0f);
    // One buffer for both stages and every mesh: each mesh fills it just before its own draw.
    const auto other = MeshOf(world, 2);
    EXPECT_EQ(mesh->GetVsPerObject()->GetBuffer(), mesh->GetPsPerObject()->GetBuffer());
    EXPECT_EQ(mesh->GetVsPerObject()->GetBuffer(), other->GetVsPerObject()->GetBuffer());
    EXPECT_EQ(mesh->GetPsPerFrame()->GetBuffer(), other->GetPsPerFrame()->GetBuffer());

    const cbPerFrame frame = ReadConstants(mesh->GetPsPerFrame());
    EXPECT_FLOAT_EQ(frame.lightDiffuse[0], 0.6f);
    EXPECT_FLOAT_EQ(frame.lightAmbient[0], 0.1f);
    // Pitched 90 degrees, the light's z axis points straight down.
    EXPECT_NEAR(frame.lightDirection[1], -1.0f, 1e-5f);
    EXPECT_EQ(frame.lightDirection[3], 1.0f);
    EXPECT_FLOAT_EQ(frame.eyePosition[0], 4.0f);
    EXPECT_FLOAT_EQ(frame.eyePosition[2], -6.0f);
    EXPECT_EQ(frame.reserved[0] | frame.reserved[7], 0);

    PreRenderOnly(*other, world);
    const cbPerObject next = ReadConstants(other->GetVsPerObject());
    ExpectMatrixNear(next.world, Matrix4x4::Translation(5.0f, 0.0f, 0.0f).Transposed(), "the next mesh's world");
    const cbPerFrame same = ReadConstants(other->GetPsPerFrame());
    EXPECT_EQ(std::memcmp(&frame, &same, sizeof(cbPerFrame)), 0) << "every mesh draws with the same light";
    // A light or eye that changes between draws reaches the buffer at the next draw.
    world.camera->SetPosition(-1.0f, 0.0f, 0.0f);
    PreRenderOnly(*mesh, world);
    EXPECT_FLOAT_EQ(ReadConstants(mesh->GetPsPerFrame()).eyePosition[0], -1.0f);
}

TEST(D3D11Mesh, ANestedMeshDrawsWithItsOwnTransformTimesItsParents)
{
    const PerDrawConstantsOnly perDraw;
    DrawingWorld world;
    world.MakeQuadActor(1, 0.5f, 0.0f, 0.0f);
    const auto mesh = MeshOf(world, 1);
    ASSERT_TRUE(mesh);
    // Move the mesh from the root's group under a parent with its own transform.
    ASSERT_TRUE(world.tree->RemoveChild(1));
    const Matrix4x4 parentTransform =
        Matrix4x4::RotationYawPitchRoll(0.0f, 0.0f, 1.5707963f) * Matrix4x4::Translation(0.0f, 0.0f, 4.0f);
    auto parent = std::make_shared<SceneNode>(nullptr, DrawPass_Main, &parentTransform);
    parent->AddChild(mesh);
    world.tree->AddChild(0, parent);

    world.tree->SetSkySelector(2);
    ASSERT_EQ(world.tree->Render(Context()), 0);
    const cbPerObject drawn = ReadConstants(mesh->GetVsPerObject());
    ExpectMatrixNear(drawn.world, (Matrix4x4::Translation(0.5f, 0.0f, 0.0f) * parentTransform).Transposed(), "world");
    EXPECT_EQ(world.tree->GetMatrixStack().Size(), 1u);
}

TEST(D3D11Mesh, MissingPiecesGiveFallbacksInsteadOfCrashes)
{
    const PerDrawConstantsOnly perDraw;
    DrawingWorld world;
    testing::internal::CaptureStderr();
    // No mesh component: an empty mesh with the fallback material.
    world.MakeActor(3, DrawingWorld::TransformAt(0, 0, 0) +
                           "<MeshRenderComponent><PixelShader>BasicNormalMapPixelShader.fx</PixelShader>"
                           "<VertexShader>BasicNormalMapVertexShader.fx</VertexShader></MeshRenderComponent>");
    // No material: white, without a texture.
    world.MakeActor(4, DrawingWorld::TransformAt(0, 0, 0) +
                           DrawingWorld::MeshElements(world.WriteObj("bare", DrawingWorld::kFacingQuadObj)));
    // Textures that failed to load: no views.
    world.MakeQuadActor(5, 0, 0, 0, DrawingWorld::Material("not-there.dds", "not-there-either.dds"));
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("has no MeshComponent"), std::string::npos) << messages;

    const auto empty = MeshOf(world, 3);
    const auto bare = MeshOf(world, 4);
    const auto lost = MeshOf(world, 5);
    ASSERT_TRUE(empty && bare && lost);
    EXPECT_EQ(empty->GetIndexBuffer()->m_count, 0u);
    ASSERT_EQ(bare->GetBindables().size(), 14u);
    EXPECT_EQ(static_cast<const ShaderResource*>(bare->GetBindables()[4].get())->GetView(), nullptr);
    ASSERT_EQ(lost->GetBindables().size(), 15u);
    EXPECT_EQ(static_cast<const ShaderResource*>(lost->GetBindables()[4].get())->GetView(), nullptr);
    EXPECT_EQ(static_cast<const ShaderResource*>(lost->GetBindables()[5].get())->GetView(), nullptr);
    for (const auto& mesh : {empty, bare})
    {
        PreRenderOnly(*mesh, world);
        const cbPerObject constants = ReadConstants(mesh->GetVsPerObject());
        EXPECT_FLOAT_EQ(constants.materialDiffuse[0], 1.0f);
        EXPECT_FLOAT_EQ(constants.materialDiffuse[2], 1.0f);
        EXPECT_FLOAT_EQ(constants.materialAmbient[0], 0.0f);
    }
    world.tree->SetSkySelector(2);
    EXPECT_EQ(world.tree->Render(Context()), 0);
}

TEST(D3D11Mesh, AShaderThatDidNotCompileLeavesTheMeshWithoutBindables)
{
    DrawingWorld world;
    const std::string broken = world.scratch.Write("Broken.fx", "float4 PixelShaderFX() : SV_TARGET { return 1 }");
    testing::internal::CaptureStderr();
    world.MakeActor(6, DrawingWorld::TransformAt(0, 0, 0) + "<MeshComponent><Obj>" +
                           world.WriteObj("q", DrawingWorld::kFacingQuadObj) +
                           "</Obj></MeshComponent><MeshRenderComponent><PixelShader>" + broken +
                           "</PixelShader><VertexShader>BasicNormalMapVertexShader.fx</VertexShader>"
                           "</MeshRenderComponent>");
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("Broken.fx: the shader does not compile"), std::string::npos) << messages;
    EXPECT_NE(messages.find("draws nothing"), std::string::npos) << messages;
    const auto mesh = MeshOf(world, 6);
    ASSERT_TRUE(mesh);
    EXPECT_FALSE(mesh->IsDrawable());
    EXPECT_TRUE(mesh->GetBindables().empty());
    PreRenderOnly(*mesh, world);
    world.tree->SetSkySelector(2);
    EXPECT_EQ(world.tree->Render(Context()), 0);
}

TEST(D3D11Mesh, MeshesAlikeSkipTheirStateBindsAndAMeshThatDiffersSetsItsOwnEveryTime)
{
    LitQuads quads;
    const std::string red = UniformTexture(quads.world, "red.tga", 255, 0, 0);
    const std::string blue = UniformTexture(quads.world, "blue.tga", 0, 0, 255);
    const std::string material = "newmtl Test\nKa 1 1 1\nKd 0 0 0\nKs 0 0 0\nNs 1\nmap_Kd ";
    const auto redQuad = quads.Quad(1, material + red + "\n");
    const auto blueQuad = quads.Quad(2, material + blue + "\n");
    const auto redAgain = quads.Quad(3, material + red + "\n");
    ASSERT_TRUE(redQuad && blueQuad && redAgain);
    BindingRecord::Reset(Context());

    // Alternating meshes that differ in their texture: each draws with its own, every time.
    const std::vector<uint8_t> redPixel = quads.Draw(*redQuad);
    const std::vector<uint8_t> bluePixel = quads.Draw(*blueQuad);
    EXPECT_GT(redPixel[0], redPixel[2]);
    EXPECT_GT(bluePixel[2], bluePixel[0]);
    EXPECT_EQ(quads.Draw(*redQuad), redPixel);
    EXPECT_EQ(quads.Draw(*blueQuad), bluePixel);
    EXPECT_EQ(quads.Draw(*redAgain), redPixel);

    // A mesh alike the last one drawn finds all of its state there and binds none of it: a view set behind the
    // record's back stays, until a reset makes the mesh bind its own again.
    ID3D11ShaderResourceView* blueView = TextureHolder::Instance()->Get(blue).GetTexture();
    Context()->PSSetShaderResources(0, 1, &blueView);
    EXPECT_EQ(quads.Draw(*redQuad), bluePixel) << "a mesh alike the last one bound its state again";
    BindingRecord::Reset(Context());
    EXPECT_EQ(quads.Draw(*redQuad), redPixel);
}

TEST(D3D11Mesh, IsLitThroughItsNormalMapOrElseWithItsVertexNormalWhateverSlotOneHolds)
{
    LitQuads quads;
    const std::string albedo = UniformTexture(quads.world, "albedo.tga", 200, 100, 50);
    // Tangent-space normal (0.8, 0, 0.6): tilted away from the light, which then lights it by 0.6.
    const std::string tilted = UniformTexture(quads.world, "tilted.tga", 230, 128, 204);
    const std::string material = "newmtl Test\nKa 0.5 0.5 0.5\nKd 1 1 1\nKs 0 0 0\nNs 1\nmap_Kd " + albedo + "\n";
    const auto bumped = quads.Quad(1, material + "map_bump " + tilted + "\n");
    const auto plain = quads.Quad(2, material);
    ASSERT_TRUE(bumped && plain);
    ASSERT_EQ(plain->GetBindables().size(), 14u) << "slot 1 is left alone";

    // Albedo (200, 100, 50) / 255 times ambient 0.2 x 0.5 plus diffuse 0.6 x N.L.
    const float tiltedLight = 0.1f + 0.6f * 0.598f;   // N.L of the 8-bit normal, (0.804, 0.004, 0.6) normalised
    const float straightLight = 0.1f + 0.6f;
    ExpectColourNear(quads.Draw(*bumped), 200 / 255.0f * tiltedLight, 100 / 255.0f * tiltedLight,
                     50 / 255.0f * tiltedLight);

    // The plain quad after the bumped one: slot 1 still holds the tilted map.
    ID3D11ShaderResourceView* left = nullptr;
    Context()->PSGetShaderResources(1, 1, &left);
    EXPECT_EQ(left, TextureHolder::Instance()->Get(tilted).GetTexture());
    if (left != nullptr)
    {
        left->Release();
    }
    const std::vector<uint8_t> lit = quads.Draw(*plain);
    ExpectColourNear(lit, 200 / 255.0f * straightLight, 100 / 255.0f * straightLight, 50 / 255.0f * straightLight);

    // Nothing in slot 1 (which samples as 0, an inside-out normal), and a view full of NaNs.
    // Bound behind the bindables' back, so the binding record is reset after each, as the frame does.
    ID3D11ShaderResourceView* none = nullptr;
    Context()->PSSetShaderResources(1, 1, &none);
    BindingRecord::Reset(Context());
    EXPECT_EQ(quads.Draw(*plain), lit);
    const uint16_t halfNaN[4] = {0x7E00, 0x7E00, 0x7E00, 0x7E00};
    D3D11_TEXTURE2D_DESC desc = {};
    desc.Width = 1;
    desc.Height = 1;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_R16G16B16A16_FLOAT;
    desc.SampleDesc.Count = 1;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    const D3D11_SUBRESOURCE_DATA data = {halfNaN, sizeof(halfNaN), 0};
    Microsoft::WRL::ComPtr<ID3D11Texture2D> nanTexture;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> nanView;
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateTexture2D(&desc, &data, nanTexture.GetAddressOf()));
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateShaderResourceView(nanTexture.Get(), nullptr, nanView.GetAddressOf()));
    ID3D11ShaderResourceView* nan = nanView.Get();
    Context()->PSSetShaderResources(1, 1, &nan);
    BindingRecord::Reset(Context());
    EXPECT_EQ(quads.Draw(*plain), lit);
    // And the bumped quad after them finds its own map again.
    ExpectColourNear(quads.Draw(*bumped), 200 / 255.0f * tiltedLight, 100 / 255.0f * tiltedLight,
                     50 / 255.0f * tiltedLight);
}

TEST(D3D11Mesh, WithoutADiffuseTextureDrawsItsMaterialColourLitAsUsual)
{
    LitQuads quads;
    const std::string colour = "newmtl Test\nKa 0.5 0.5 0.5\nKd 0.25 0.5 1\nKs 0 0 0\nNs 1\n";
    testing::internal::CaptureStderr();
    const auto untextured = quads.Quad(1, colour);
    const std::string missing = std::filesystem::path(quads.world.scratch.File("not-there.tga")).generic_string();
    const auto lost = quads.Quad(2, colour + "map_Kd " + missing + "\n");
    const auto bare = quads.Quad(3, "");
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(untextured && lost && bare);

    // Ambient 0.2 x 0.5 plus diffuse 0.6 x Kd, facing the light; white albedo.
    const float r = 0.1f + 0.6f * 0.25f;
    const float g = 0.1f + 0.6f * 0.5f;
    const float b = 0.1f + 0.6f * 1.0f;
    ExpectColourNear(quads.Draw(*untextured), r, g, b);
    ExpectColourNear(quads.Draw(*lost), r, g, b);
    // No material at all: the white fallback, without ambient.
    ExpectColourNear(quads.Draw(*bare), 0.6f, 0.6f, 0.6f);
}

// Three quads of three colours, overlapping, drawn one after another into one target: with every draw reading
// its own slot of the device's ring they draw exactly what they draw through the per-draw buffer, each binds
// its slot at both stages, and the slot holds the bytes the per-draw buffer would.
TEST(D3D11Mesh, TheConstantRingDrawsWhatThePerDrawBufferDrawsAndBindsEachMeshItsOwnSlot)
{
    if (!PerObjectConstantRing::Offered(Device()))
    {
        GTEST_SKIP() << "the device binds no constant buffer at an offset";
    }
    using Slot = std::vector<uint8_t>;
    const auto draw = [](bool ring, std::vector<Slot>& constants) {
        PerObjectConstantRing::Allow(ring);
        LitQuads quads;
        const char* const colours[] = {"1 0 0", "0 1 0", "0 0 1"};
        std::vector<std::shared_ptr<D3D11Mesh>> meshes;
        for (ActorId id = 1; id <= 3; ++id)
        {
            quads.world.MakeQuadActor(id, 0.6f * (static_cast<float>(id) - 2.0f), 0.0f, 2.0f + 0.5f * id,
                                      std::string("newmtl Test\nKa 0 0 0\nKs 0 0 0\nNs 1\nKd ") + colours[id - 1] +
                                          "\n");
            meshes.push_back(MeshOf(quads.world, id));
            EXPECT_TRUE(meshes.back());
        }
        PerObjectConstantRing::Allow(true);
        const std::shared_ptr<PerObjectConstantRing> shared =
            ring ? PerObjectConstantRing::ForDevice(Device()) : nullptr;
        EXPECT_EQ(meshes[0]->GetVsPerObject() == nullptr, ring);
        quads.target.Clear(0.0f, 0.0f, 0.0f, 1.0f);
        std::vector<UINT> firsts;
        for (const auto& mesh : meshes)
        {
            EXPECT_EQ(mesh->PreRender(quads.world.tree.get(), Context()), 0);
            EXPECT_EQ(mesh->Render(quads.world.tree.get(), Context()), 0);
            mesh->PostRender(quads.world.tree.get());
            if (!ring)
            {
                const std::vector<uint8_t> bytes = ReadBuffer(Device(), Context(), mesh->GetVsPerObject()->GetBuffer());
                constants.emplace_back(bytes.begin(), bytes.end());
                continue;
            }
            for (bool vertex : {true, false})
            {
                const BoundSlot bound = BoundPerObjectSlot(vertex);
                EXPECT_EQ(bound.buffer.Get(), shared->GetBuffer()) << (vertex ? "vertex" : "pixel") << " stage";
                EXPECT_EQ(bound.first, shared->CurrentFirstConstant());
                EXPECT_EQ(bound.count, PerObjectConstantRing::kSlotConstants);
            }
            firsts.push_back(shared->CurrentFirstConstant());
            const std::vector<uint8_t> bytes = ReadBuffer(Device(), Context(), shared->GetBuffer());
            const std::size_t at = std::size_t{firsts.back()} * 16u;
            EXPECT_GE(bytes.size(), at + sizeof(cbPerObject));
            constants.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at, bytes.size())),
                                   bytes.begin() +
                                       static_cast<std::ptrdiff_t>(std::min(at + sizeof(cbPerObject), bytes.size())));
        }
        if (ring)
        {
            EXPECT_TRUE(firsts[0] != firsts[1] && firsts[1] != firsts[2] && firsts[0] != firsts[2])
                << "a slot per draw";
        }
        graphics_harness::WaitForTheGpu();
        std::vector<std::vector<uint8_t>> pixels;
        for (UINT y = 0; y < 32; y += 2)
        {
            for (UINT x = 0; x < 32; x += 2)
            {
                pixels.push_back(quads.target.Pixel(x, y));
            }
        }
        return pixels;
    };
    std::vector<Slot> ringConstants;
    std::vector<Slot> perDrawConstants;
    const auto throughRing = draw(true, ringConstants);
    const auto perDraw = draw(false, perDrawConstants);
    EXPECT_TRUE(throughRing == perDraw);
    EXPECT_TRUE(ringConstants == perDrawConstants);
    // Not three times the same quad, nor an empty picture: all three colours show.
    std::set<std::vector<uint8_t>> seen(perDraw.begin(), perDraw.end());
    EXPECT_GE(seen.size(), 4u) << "black and the three quads";
}

// Inside a mesh pass batch a mesh's draw waits for the batch to submit: nothing is drawn before, and the ring
// is mapped for the batch's writes. Then each draw reads its own slot at the vertex stage, while the pixel
// stage (the shipped shader reads only the material) keeps the first slot of a run of meshes with the same
// material and moves on where the material changes.
TEST(D3D11Mesh, HeldDrawsWaitForTheBatchAndMeshesAlikeShareThePixelStagesSlot)
{
    if (!PerObjectConstantRing::Offered(Device()))
    {
        GTEST_SKIP() << "the device binds no constant buffer at an offset";
    }
    LitQuads quads;
    const std::string red = "newmtl Red\nKa 0 0 0\nKs 0 0 0\nNs 1\nKd 1 0 0\n";
    const std::string blue = "newmtl Blue\nKa 0 0 0\nKs 0 0 0\nNs 1\nKd 0 0 1\n";
    std::vector<std::shared_ptr<D3D11Mesh>> meshes;
    const std::string* materials[] = {&red, &red, &blue};
    for (ActorId id = 1; id <= 3; ++id)
    {
        quads.world.MakeQuadActor(id, 0.6f * (static_cast<float>(id) - 2.0f), 0.0f, 2.0f + 0.5f * id,
                                  *materials[id - 1]);
        meshes.push_back(MeshOf(quads.world, id));
        ASSERT_TRUE(meshes.back());
    }
    const std::shared_ptr<PerObjectConstantRing> ring = PerObjectConstantRing::ForDevice(Device());
    ASSERT_TRUE(ring);
    const auto firstConstant = [&](bool vertex) {
        const BoundSlot bound = BoundPerObjectSlot(vertex);
        EXPECT_EQ(bound.buffer.Get(), ring->GetBuffer());
        return bound.first;
    };

    quads.target.Clear(0.0f, 0.0f, 0.0f, 1.0f);
    std::vector<UINT> slots;
    {
        MeshPassBatch batch(Context());
        for (std::size_t i = 0; i < 2; ++i)
        {
            EXPECT_EQ(meshes[i]->PreRender(quads.world.tree.get(), Context()), 0);
            EXPECT_EQ(meshes[i]->Render(quads.world.tree.get(), Context()), 0);
            meshes[i]->PostRender(quads.world.tree.get());
            slots.push_back(ring->CurrentSlot());
        }
        EXPECT_EQ(batch.HeldCount(), 2u);
        graphics_harness::WaitForTheGpu();
        EXPECT_EQ(quads.target.Pixel(16, 16), (std::vector<uint8_t>{0, 0, 0, 255})) << "nothing drawn yet";
        batch.Submit();
        EXPECT_EQ(batch.HeldCount(), 0u);
        EXPECT_EQ(firstConstant(true), slots[1] * PerObjectConstantRing::kSlotConstants);
        EXPECT_EQ(firstConstant(false), slots[0] * PerObjectConstantRing::kSlotConstants)
            << "the second red mesh keeps the first one's slot at the pixel stage";

        EXPECT_EQ(meshes[2]->PreRender(quads.world.tree.get(), Context()), 0);
        EXPECT_EQ(meshes[2]->Render(quads.world.tree.get(), Context()), 0);
        meshes[2]->PostRender(quads.world.tree.get());
        slots.push_back(ring->CurrentSlot());
        batch.Submit();
        EXPECT_EQ(firstConstant(true), slots[2] * PerObjectConstantRing::kSlotConstants);
        EXPECT_EQ(firstConstant(false), slots[2] * PerObjectConstantRing::kSlotConstants) << "blue: a slot of its own";
    }
    EXPECT_TRUE(slots[0] != slots[1] && slots[1] != slots[2]);
    graphics_harness::WaitForTheGpu();
    // The blue quad is the farthest; its visible right part shows blue, the red ones red.
    std::set<std::vector<uint8_t>> seen;
    for (UINT x = 0; x < 32; x += 2)
    {
        seen.insert(quads.target.Pixel(x, 16));
    }
    EXPECT_GE(seen.size(), 2u);
}

// The pixel stage keeps an earlier mesh's slot only while its shader reads nothing but the material. A shader
// that the registry reloads in place (as --watch does) to read a matrix too is found out at the next draw: from
// then on each mesh binds its own slot at the pixel stage, and what it reads there is its own.
TEST(D3D11Mesh, APixelShaderReloadedToReadAMatrixGivesEveryMeshItsOwnSlotAgain)
{
    if (!PerObjectConstantRing::Offered(Device()))
    {
        GTEST_SKIP() << "the device binds no constant buffer at an offset";
    }
    LitQuads quads;
    std::ifstream shippedFile("BasicNormalMapPixelShader.fx", std::ios::binary);
    const std::string shipped{std::istreambuf_iterator<char>(shippedFile), std::istreambuf_iterator<char>()};
    ASSERT_NE(shipped.find("PixelShaderFX"), std::string::npos) << "the shipped pixel shader, in the test's folder";
    const std::string file = quads.world.scratch.Write("Reloaded.fx", shipped);
    ShaderHolder& shaders = *ShaderHolder::Instance();
    ASSERT_TRUE(shaders.Register(Device(), AnsiToWide(file), ShaderClass::Pixel));

    const std::string red = "newmtl Red\nKa 0 0 0\nKs 0 0 0\nNs 1\nKd 1 0 0\n";
    std::vector<std::shared_ptr<D3D11Mesh>> meshes;
    for (ActorId id = 1; id <= 2; ++id)
    {
        const std::string obj =
            quads.world.WriteObj("reloaded" + std::to_string(id), DrawingWorld::kFacingQuadObj, red);
        quads.world.MakeActor(id, DrawingWorld::TransformAt(0.6f * static_cast<float>(id) - 0.9f, 0.0f, 2.0f) +
                                      "<MeshComponent><Obj>" + obj +
                                      "</Obj></MeshComponent><MeshRenderComponent><PixelShader>" + file +
                                      "</PixelShader><VertexShader>BasicNormalMapVertexShader.fx</VertexShader>"
                                      "</MeshRenderComponent>");
        meshes.push_back(MeshOf(quads.world, id));
        ASSERT_TRUE(meshes.back());
    }
    const std::shared_ptr<PerObjectConstantRing> ring = PerObjectConstantRing::ForDevice(Device());
    ASSERT_TRUE(ring);
    // Both meshes through a batch; the slots they wrote, and the pixel stage's slot after the second one's draw.
    const auto pass = [&] {
        std::vector<UINT> slots;
        MeshPassBatch batch(Context());
        for (const auto& mesh : meshes)
        {
            EXPECT_EQ(mesh->PreRender(quads.world.tree.get(), Context()), 0);
            EXPECT_EQ(mesh->Render(quads.world.tree.get(), Context()), 0);
            mesh->PostRender(quads.world.tree.get());
            slots.push_back(ring->CurrentSlot() * PerObjectConstantRing::kSlotConstants);
        }
        batch.Submit();
        slots.push_back(BoundPerObjectSlot(false).first);
        return slots;
    };
    std::vector<UINT> slots = pass();
    ASSERT_EQ(slots.size(), 3u);
    EXPECT_EQ(slots[2], slots[0]) << "the shipped shader reads only the material: the first mesh's slot serves";

    std::string reading = shipped;
    const std::string ending = "return float4(colour, albedo.a);";
    const std::size_t at = reading.find(ending);
    ASSERT_NE(at, std::string::npos);
    reading.replace(at, ending.size(), "return float4(colour, albedo.a) + world[3] * 0.001f;");
    quads.world.scratch.Write("Reloaded.fx", reading);
    std::string messages;
    ASSERT_EQ(shaders.Reload(Device(), AnsiToWide(file), messages), ShaderHolder::ReloadOutcome::Replaced) << messages;
    slots = pass();
    ASSERT_EQ(slots.size(), 3u);
    EXPECT_NE(slots[0], slots[1]);
    EXPECT_EQ(slots[2], slots[1]) << "a shader that reads a matrix: the second mesh binds its own slot";
}
