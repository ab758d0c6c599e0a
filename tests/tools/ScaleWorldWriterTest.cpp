// The scale benchmark's worlds: they load in the engine's own logic with every block where the writer says,
// the files they name exist and load, and the baseline reads the same matrices from them as the engine does.
#include "graphics/formats/TargaFile.h"
#include "tests/ScratchDirectory.h"
#include "tests/tools/BenchWorldSupport.h"
#include "tools/bench/baseline/BaselineWorld.h"
#include "tools/bench/baseline/ObjMesh.h"
#include "tools/bench/scale/ScaleWorldWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

namespace
{
class ScaleWorldTest : public testing::TestWithParam<int>
{
protected:
    ScratchDirectory scratch;
};

TEST_P(ScaleWorldTest, LoadsInTheEngineLogicWithEveryBlockInItsPlace)
{
    const int count = GetParam();
    ASSERT_TRUE(ScaleWorldWriter::Write(scratch.Path().string(), count));
    WorkingDirectory inside(scratch.Path());
    EngineWorld engine;

    testing::internal::CaptureStderr();
    ASSERT_TRUE(engine.logic.LoadWorld(ScaleWorldWriter::kWorldFile));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    std::set<std::pair<float, float>> places;
    for (int i = 0; i < count; ++i)
    {
        const ActorId id = static_cast<ActorId>(i + 1);
        const auto transform = engine.Component<TransformComponent>(id);
        const auto mesh = engine.Component<StandInMesh>(id);
        const auto render = engine.Component<StandInMeshRender>(id);
        ASSERT_TRUE(transform && mesh && render) << "actor " << id;
        const auto expected = ScaleWorldWriter::PositionOf(i, count);
        const auto position = transform->GetPosition();
        EXPECT_FLOAT_EQ(position[0], expected[0]);
        EXPECT_FLOAT_EQ(position[1], expected[1]);
        EXPECT_FLOAT_EQ(position[2], expected[2]);
        const float yaw = transform->GetYawPitchRoll().yaw;
        const float expectedYaw = ScaleWorldWriter::YawOf(i) * 0.017453292f;
        EXPECT_NEAR(std::sin(yaw), std::sin(expectedYaw), 1e-4f);
        EXPECT_NEAR(std::cos(yaw), std::cos(expectedYaw), 1e-4f);
        EXPECT_EQ(mesh->Text("Obj"), ScaleWorldWriter::kBlockObjFile);
        EXPECT_EQ(render->Text("VertexShader"), "BasicNormalMapVertexShader.fx");
        EXPECT_EQ(render->Text("PixelShader"), "BasicNormalMapPixelShader.fx");
        places.insert({position[0], position[2]});
    }
    EXPECT_EQ(places.size(), static_cast<std::size_t>(count)) << "two blocks share a place";
    EXPECT_TRUE(engine.Component<LightRenderComponent>(static_cast<ActorId>(count + 1)));
    EXPECT_TRUE(engine.logic.GetActor(static_cast<ActorId>(count + 2)).expired());
}

TEST_P(ScaleWorldTest, TheBaselineReadsTheSameMatricesAsTheEngine)
{
    const int count = GetParam();
    ASSERT_TRUE(ScaleWorldWriter::Write(scratch.Path().string(), count));
    WorkingDirectory inside(scratch.Path());
    EngineWorld engine;
    ASSERT_TRUE(engine.logic.LoadWorld(ScaleWorldWriter::kWorldFile));
    BaselineWorld baseline;
    ASSERT_TRUE(baseline.Load(ScaleWorldWriter::kWorldFile));

    ASSERT_EQ(baseline.Meshes().size(), static_cast<std::size_t>(count));
    EXPECT_EQ(baseline.ActorCount(), static_cast<unsigned>(count + 1));
    for (const MeshInstance& mesh : baseline.Meshes())
    {
        const auto transform = engine.Component<TransformComponent>(mesh.actorNumber);
        ASSERT_TRUE(transform);
        for (int e = 0; e < 16; ++e)
        {
            EXPECT_FLOAT_EQ(mesh.world.m[e], transform->GetTransform().m[e]) << "actor " << mesh.actorNumber;
        }
    }
    ASSERT_TRUE(baseline.Light().has_value());
    const Matrix4x4& light = engine.Component<TransformComponent>(static_cast<ActorId>(count + 1))->GetTransform();
    EXPECT_FLOAT_EQ(baseline.Light()->direction[0], light.m[8]);
    EXPECT_FLOAT_EQ(baseline.Light()->direction[1], light.m[9]);
    EXPECT_FLOAT_EQ(baseline.Light()->direction[2], light.m[10]);
}

INSTANTIATE_TEST_SUITE_P(ActorCounts, ScaleWorldTest, testing::Values(1, 10, 100));

TEST(ScaleWorldFiles, TheBlockIsAClosedTexturedCubeFacingOutwards)
{
    ScratchDirectory scratch;
    ASSERT_TRUE(ScaleWorldWriter::Write(scratch.Path().string(), 1));
    WorkingDirectory inside(scratch.Path());

    const std::optional<ObjMesh> mesh = ObjMesh::Load(ScaleWorldWriter::kBlockObjFile);
    ASSERT_TRUE(mesh.has_value());
    ASSERT_EQ(mesh->indices.size(), 36u);
    for (std::size_t t = 0; t < mesh->indices.size(); t += 3)
    {
        // Front faces are clockwise on screen, which in this left-handed world makes the edge cross product
        // point along the outward normal; a block centred on (0, 0.5, 0) has that normal pointing away from it.
        const MeshVertex& a = mesh->vertices[mesh->indices[t]];
        const MeshVertex& b = mesh->vertices[mesh->indices[t + 1]];
        const MeshVertex& c = mesh->vertices[mesh->indices[t + 2]];
        const float e1[3] = {b.position[0] - a.position[0], b.position[1] - a.position[1],
                             b.position[2] - a.position[2]};
        const float e2[3] = {c.position[0] - a.position[0], c.position[1] - a.position[1],
                             c.position[2] - a.position[2]};
        const float cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                e1[0] * e2[1] - e1[1] * e2[0]};
        const float centre[3] = {(a.position[0] + b.position[0] + c.position[0]) / 3.0f,
                                 (a.position[1] + b.position[1] + c.position[1]) / 3.0f - 0.5f,
                                 (a.position[2] + b.position[2] + c.position[2]) / 3.0f};
        EXPECT_GT(cross[0] * centre[0] + cross[1] * centre[1] + cross[2] * centre[2], 0.0f) << "triangle " << t / 3;
        EXPECT_GT(cross[0] * a.normal[0] + cross[1] * a.normal[1] + cross[2] * a.normal[2], 0.0f)
            << "triangle " << t / 3;
    }
    ASSERT_TRUE(mesh->hasMaterial);
    EXPECT_EQ(mesh->material.diffuseTexture, ScaleWorldWriter::kAlbedoFile);
    EXPECT_EQ(mesh->material.bumpTexture, ScaleWorldWriter::kNormalFile);

    for (const char* texture : {ScaleWorldWriter::kAlbedoFile, ScaleWorldWriter::kNormalFile})
    {
        TargaFile targa;
        EXPECT_TRUE(targa.Load(texture)) << texture;
        EXPECT_EQ(targa.GetWidth(), 64);
        EXPECT_EQ(targa.GetHeight(), 64);
    }
}

TEST(ScaleWorldFiles, ACountOutsideTheRangeWritesNothing)
{
    ScratchDirectory scratch;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ScaleWorldWriter::Write(scratch.Path().string(), 0));
    EXPECT_FALSE(ScaleWorldWriter::Write(scratch.Path().string(), ScaleWorldWriter::kMaxActors + 1));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("World1.xml"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.Path()));
}

TEST(ScaleWorldFiles, AFolderThatCannotBeWrittenIsReported)
{
    ScratchDirectory scratch;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ScaleWorldWriter::Write((scratch.Path() / "missing").string(), 10));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write"), std::string::npos);
}
}
