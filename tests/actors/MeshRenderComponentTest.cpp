// The mesh render component with the application's shader registry and device: shader names read from XML,
// each file compiled once however many actors name it, the sentinels, and the mesh node it builds (or, without
// a transform, does not build).
#include "actors/Actor.h"
#include "actors/MeshRenderComponent.h"
#include "graphics/AnsiConversion.h"
#include "graphics/drawables/D3D11Mesh.h"
#include "graphics/DxException.h"
#include "graphics/registries/ShaderHolder.h"
#include "scene/RootNode.h"
#include "tests/graphics/GraphicsHarness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

namespace
{
const char* const kPixelShader = "float4 PixelShaderFX(float4 position : SV_POSITION) : SV_TARGET\n"
                                 "{\n    return float4(1.0f, 1.0f, 1.0f, 1.0f);\n}\n";

std::shared_ptr<MeshRenderComponent> RenderComponentOf(const std::shared_ptr<Actor>& actor)
{
    return std::dynamic_pointer_cast<MeshRenderComponent>(
        actor->GetComponent(MeshRenderComponent::s_name.c_str()).lock());
}

std::string RenderElement(const std::string& pixelShader, const std::string& vertexShader)
{
    return "<MeshRenderComponent><PixelShader>" + pixelShader + "</PixelShader><VertexShader>" + vertexShader +
           "</VertexShader></MeshRenderComponent>";
}
}

TEST(MeshRenderComponent, AShaderNamedByTwoActorsIsCompiledOnce)
{
    DrawingWorld world;
    ShaderHolder& shaders = *ShaderHolder::Instance();
    const std::string shader = world.scratch.Write("Shared.fx", kPixelShader);
    const std::string obj = world.WriteObj("quad", DrawingWorld::kFacingQuadObj);
    const std::string mesh = "<MeshComponent><Obj>" + obj + "</Obj></MeshComponent>";

    auto first = world.MakeActor(1, DrawingWorld::TransformAt(0, 0, 0) + mesh +
                                        RenderElement(shader, "BasicNormalMapVertexShader.fx"));
    ASSERT_TRUE(first);
    ASSERT_TRUE(shaders.Contains(AnsiToWide(shader)));
    ID3D11PixelShader* compiled = shaders.Get(AnsiToWide(shader)).GetPixelShader();
    ASSERT_NE(compiled, nullptr);
    const size_t registered = shaders.Size();

    // Were it compiled again, the broken text now in the file would fail.
    world.scratch.Write("Shared.fx", "this does not compile");
    auto second = world.MakeActor(2, DrawingWorld::TransformAt(0, 0, 0) + mesh +
                                         RenderElement(shader, "BasicNormalMapVertexShader.fx"));
    ASSERT_TRUE(second);
    EXPECT_EQ(shaders.Size(), registered);
    EXPECT_EQ(shaders.Get(AnsiToWide(shader)).GetPixelShader(), compiled);
    EXPECT_EQ(RenderComponentOf(second)->GetPixelShaderFile(), shader);
    EXPECT_EQ(RenderComponentOf(second)->GetVertexShaderFile(), "BasicNormalMapVertexShader.fx");
}

TEST(MeshRenderComponent, NoPShaderAsksForNothingButOtherLetterCaseIsAFileName)
{
    DrawingWorld world;
    ShaderHolder& shaders = *ShaderHolder::Instance();
    const size_t before = shaders.Size();
    auto actor = world.MakeActor(1, DrawingWorld::TransformAt(0, 0, 0) + RenderElement("NoPShader", "NoVShader"));
    ASSERT_TRUE(actor);
    EXPECT_EQ(shaders.Size(), before);
    EXPECT_FALSE(shaders.Contains(L"NoPShader"));

    testing::internal::CaptureStderr();
    world.MakeActor(2, DrawingWorld::TransformAt(0, 0, 0) + RenderElement("nopshader", "NoVShader"));
    const std::string messages = testing::internal::GetCapturedStderr();
    // Taken as a file name without an extension: registered, not compiled, no file touched.
    EXPECT_TRUE(shaders.Contains(L"nopshader"));
    EXPECT_NE(messages.find("nopshader: the shader does not compile"), std::string::npos) << messages;
}

TEST(MeshRenderComponent, AShaderFileThatCannotBeUsedEndsTheLoadAndIsReportedOnceForWhatFailed)
{
    DrawingWorld world;
    // The messages naming `file`, one per line.
    const auto linesNaming = [](const std::string& messages, const std::string& file) {
        std::vector<std::string> lines;
        std::istringstream stream(messages);
        for (std::string line; std::getline(stream, line);)
        {
            if (line.find(file) != std::string::npos)
            {
                lines.push_back(line.substr(line.find(file) + file.size()));
            }
        }
        return lines;
    };

    testing::internal::CaptureStderr();
    EXPECT_THROW(world.MakeActor(1, DrawingWorld::TransformAt(0, 0, 0) + RenderElement("NoSuchShader.fx", "NoVShader")),
                 DxException);
    const std::string missing = testing::internal::GetCapturedStderr();
    const std::vector<std::string> missingLines = linesNaming(missing, "NoSuchShader.fx");
    EXPECT_EQ(missingLines.size(), 1u) << missing;

    // Compiled byte code that reads fine but belongs to another stage: a vertex shader named as a pixel shader.
    ID3DBlob* vertexCode = ShaderHolder::Instance()->Get(L"BasicNormalMapVertexShader.fx").GetByteCode();
    const std::string wrongKind =
        world.scratch.Write("Vertex.cso", std::string(static_cast<const char*>(vertexCode->GetBufferPointer()),
                                                      vertexCode->GetBufferSize()));
    testing::internal::CaptureStderr();
    EXPECT_THROW(world.MakeActor(2, DrawingWorld::TransformAt(0, 0, 0) + RenderElement(wrongKind, "NoVShader")),
                 DxException);
    const std::string refused = testing::internal::GetCapturedStderr();
    const std::vector<std::string> refusedLines = linesNaming(refused, wrongKind);
    ASSERT_EQ(refusedLines.size(), 1u) << refused;
    ASSERT_EQ(missingLines.size(), 1u);
    EXPECT_NE(refusedLines[0], missingLines[0]) << "a file that was read is not reported as unreadable";
}

TEST(MeshRenderComponent, BuildsOneMeshNodeAtTheActorsTransformAndNoneWithoutATransform)
{
    DrawingWorld world;
    auto actor = world.MakeQuadActor(7, 1.0f, 2.0f, 3.0f);
    ASSERT_TRUE(actor);
    const auto node = std::dynamic_pointer_cast<D3D11Mesh>(world.tree->FindActorNode(7));
    ASSERT_TRUE(node);
    EXPECT_EQ(RenderComponentOf(actor)->GetSceneNode(), node) << "one node, announced and kept";
    EXPECT_EQ(node->GetProperties().m_toWorld, Matrix4x4::Translation(1.0f, 2.0f, 3.0f));
    const auto& main = world.tree->GetRoot()->GetGroup(DrawPass_Main)->GetChildren();
    ASSERT_EQ(main.size(), 1u);
    EXPECT_EQ(main[0], node);

    testing::internal::CaptureStderr();
    auto loose = world.MakeActor(8, DrawingWorld::MeshElements(world.WriteObj("q", DrawingWorld::kFacingQuadObj)));
    const std::string messages = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(loose);
    EXPECT_NE(messages.find("has a MeshRenderComponent but no TransformComponent"), std::string::npos) << messages;
    EXPECT_EQ(RenderComponentOf(loose)->GetSceneNode(), nullptr);
    EXPECT_EQ(world.tree->FindActorNode(8), nullptr);
}
