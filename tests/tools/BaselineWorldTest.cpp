// The baseline's reading of world and actor files: it must find exactly the meshes the engine draws, with the
// engine's matrices (overrides included), and the light the engine lights with; bad entries are skipped.
#include "tests/ScratchDirectory.h"
#include "tests/tools/BenchWorldSupport.h"
#include "tools/bench/baseline/BaselineWorld.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
constexpr const char* kBlock = R"(<Actor type="Block" resource="Block.xml">
  <TransformComponent><Position x="1" y="2" z="3"/><YawPitchRoll x="90" y="0" z="0"/></TransformComponent>
  <MeshComponent><Obj>Block.obj</Obj></MeshComponent>
  <MeshRenderComponent><PixelShader>Block.ps.fx</PixelShader><VertexShader>Block.vs.fx</VertexShader></MeshRenderComponent>
</Actor>)";

class BaselineWorldTest : public testing::Test
{
protected:
    void SetUp() override { scratch.Write("Block.xml", kBlock); }

    // Loads `entries` as the world's static actors, in both the baseline and the engine's logic.
    void Load(const std::string& entries)
    {
        scratch.Write("World1.xml", "<World><StaticActors>\n" + entries + "</StaticActors></World>\n");
        WorkingDirectory inside(scratch.Path());
        testing::internal::CaptureStderr();
        loaded = world.Load("World1.xml");
        errors = testing::internal::GetCapturedStderr();
        // The engine reports the same bad entries in its own words; only the baseline's are checked.
        testing::internal::CaptureStderr();
        engine.logic.LoadWorld("World1.xml");
        testing::internal::GetCapturedStderr();
    }

    // The engine's matrix for actor `id`.
    Matrix4x4 EngineMatrix(ActorId id)
    {
        const auto transform = engine.Component<TransformComponent>(id);
        return transform ? transform->GetTransform() : Matrix4x4{};
    }

    ScratchDirectory scratch;
    BaselineWorld world;
    EngineWorld engine;
    bool loaded = false;
    std::string errors;
};

void ExpectSameMatrix(const Matrix4x4& actual, const Matrix4x4& expected)
{
    for (int e = 0; e < 16; ++e)
    {
        EXPECT_NEAR(actual.m[e], expected.m[e], 1e-6f) << "element " << e;
    }
}

TEST_F(BaselineWorldTest, OverridesChangeOnlyWhatTheyName)
{
    Load(R"(<Actor resource="Block.xml"/>
<Actor resource="Block.xml"><TransformComponent><Position x="7"/></TransformComponent></Actor>
<Actor resource="Block.xml"><TransformComponent><YawPitchRoll x="0.5" y="0.25" angleType="rad"/></TransformComponent>
  <MeshRenderComponent><PixelShader>Other.ps.fx</PixelShader></MeshRenderComponent><MeshComponent><Obj>Other.obj</Obj></MeshComponent></Actor>
<Actor resource="Block.xml"><NotAComponent/><transformcomponent><Position x="-1" y="-2" z="-3"/></transformcomponent></Actor>
)");
    ASSERT_TRUE(loaded);
    ASSERT_EQ(world.Meshes().size(), 4u);
    for (const MeshInstance& mesh : world.Meshes())
    {
        SCOPED_TRACE("actor " + std::to_string(mesh.actorNumber));
        ExpectSameMatrix(mesh.world, EngineMatrix(mesh.actorNumber));
    }
    // A position override keeps the definition's turn; an angle override keeps its place.
    EXPECT_FLOAT_EQ(world.Meshes()[1].world.m[12], 7.0f);
    EXPECT_NEAR(world.Meshes()[1].world.m[2], -1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(world.Meshes()[2].world.m[13], 2.0f);
    EXPECT_EQ(world.Meshes()[2].objFile, "Other.obj");
    EXPECT_EQ(world.Meshes()[2].pixelShader, "Other.ps.fx");
    EXPECT_EQ(world.Meshes()[2].vertexShader, "Block.vs.fx");
    // Component names match in any letter case; an unknown override is only skipped.
    EXPECT_FLOAT_EQ(world.Meshes()[3].world.m[14], -3.0f);
}

TEST_F(BaselineWorldTest, OnlyActorsTheEngineDrawsBecomeMeshes)
{
    scratch.Write("NoObj.xml", R"(<Actor type="A" resource="NoObj.xml"><TransformComponent/>
  <MeshComponent><Obj>NoObj</Obj></MeshComponent><MeshRenderComponent/></Actor>)");
    scratch.Write("NoRender.xml", R"(<Actor type="A" resource="NoRender.xml"><TransformComponent/>
  <MeshComponent><Obj>Block.obj</Obj></MeshComponent></Actor>)");
    scratch.Write("NoTransform.xml", R"(<Actor type="A" resource="NoTransform.xml">
  <MeshComponent><Obj>Block.obj</Obj></MeshComponent><MeshRenderComponent/></Actor>)");
    scratch.Write("Unknown.xml", R"(<Actor type="A" resource="Unknown.xml"><TransformComponent/>
  <MeshComponent><Obj>Block.obj</Obj></MeshComponent><MeshRenderComponent/><Teleporter/></Actor>)");
    scratch.Write("NoType.xml", R"(<Actor resource="NoType.xml"><TransformComponent/></Actor>)");
    Load(R"(<Actor resource="NoObj.xml"/>
<Actor resource="NoRender.xml"/>
<Actor resource="NoTransform.xml"/>
<Actor resource="Unknown.xml"/>
<Actor resource="Missing.xml"/>
<Actor resource="NoType.xml"/>
<Actor/>
<Actor resource="Block.xml"/>
)");
    ASSERT_TRUE(loaded);
    ASSERT_EQ(world.Meshes().size(), 1u);
    EXPECT_EQ(world.Meshes()[0].objFile, "Block.obj");
    EXPECT_EQ(world.ActorCount(), 4u);
    for (const char* named : {"Unknown.xml", "Missing.xml", "NoType.xml", "resource"})
    {
        EXPECT_NE(errors.find(named), std::string::npos) << named << " is not reported in:\n" << errors;
    }
}

TEST_F(BaselineWorldTest, TheFirstLightShinesAlongItsZAxis)
{
    scratch.Write("Sun.xml", R"(<Actor type="Sun" resource="Sun.xml">
  <TransformComponent><YawPitchRoll x="0" y="90" z="0"/></TransformComponent>
  <LightRenderComponent><Light type="DirectionalLight"><Ambient r="0.1" g="0.2" b="0.3" a="1"/>
  <Diffuse r="1" g="0.5" b="0.25" a="1"/></Light></LightRenderComponent></Actor>)");
    scratch.Write("Moon.xml", R"(<Actor type="Moon" resource="Moon.xml"><TransformComponent/>
  <LightRenderComponent><Light><Ambient r="0.9" g="0.9" b="0.9" a="1"/></Light></LightRenderComponent></Actor>)");
    Load(R"(<Actor resource="Block.xml"/><Actor resource="Sun.xml"/><Actor resource="Moon.xml"/>)");
    ASSERT_TRUE(world.Light().has_value());
    const WorldLight& light = *world.Light();
    // Pitched down by 90 degrees, the z axis points straight down.
    EXPECT_NEAR(light.direction[0], 0.0f, 1e-6f);
    EXPECT_NEAR(light.direction[1], -1.0f, 1e-6f);
    EXPECT_NEAR(light.direction[2], 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(light.ambient[2], 0.3f);
    EXPECT_FLOAT_EQ(light.diffuse[1], 0.5f);
    // Colours the file leaves out keep the light's defaults.
    EXPECT_FLOAT_EQ(light.specular[0], 0.8f);
}

TEST_F(BaselineWorldTest, AWorldThatCannotBeReadFailsAndOneWithoutActorsIsEmpty)
{
    WorkingDirectory inside(scratch.Path());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(world.Load("Absent.xml"));
    scratch.Write("Broken.xml", "<World><StaticActors>");
    EXPECT_FALSE(world.Load("Broken.xml"));
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("Absent.xml"), std::string::npos);
    EXPECT_NE(reported.find("Broken.xml"), std::string::npos);

    scratch.Write("Empty.xml", "<World/>");
    EXPECT_TRUE(world.Load("Empty.xml"));
    EXPECT_TRUE(world.Meshes().empty());
    EXPECT_FALSE(world.Light().has_value());
}

// The presentation's own world, as the build copies it beside the tests.
TEST(ShippedWorld, TheBaselineDrawsWhatTheEngineLoads)
{
    if (!std::filesystem::exists("World1.xml"))
    {
        GTEST_SKIP() << "no World1.xml in the working directory";
    }
    BaselineWorld world;
    ASSERT_TRUE(world.Load("World1.xml"));
    EngineWorld engine;
    ASSERT_TRUE(engine.logic.LoadWorld("World1.xml"));

    std::size_t engineMeshes = 0;
    for (ActorId id = 1; !engine.logic.GetActor(id).expired(); ++id)
    {
        const auto mesh = engine.Component<StandInMesh>(id);
        if (mesh && mesh->Text("Obj") != "NoObj" && engine.Component<StandInMeshRender>(id) &&
            engine.Component<TransformComponent>(id))
        {
            ++engineMeshes;
        }
    }
    EXPECT_EQ(world.Meshes().size(), engineMeshes);
    EXPECT_GT(world.Meshes().size(), 0u);
    for (const MeshInstance& mesh : world.Meshes())
    {
        const auto transform = engine.Component<TransformComponent>(mesh.actorNumber);
        ASSERT_TRUE(transform) << "actor " << mesh.actorNumber;
        EXPECT_EQ(engine.Component<StandInMesh>(mesh.actorNumber)->Text("Obj"), mesh.objFile);
        ExpectSameMatrix(mesh.world, transform->GetTransform());
    }
}
}
