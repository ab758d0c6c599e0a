// The scene tree's listeners and bookkeeping: new nodes into the map and the hierarchy, moves, changes while
// loading, destruction, the one-light rule with its light constants, the update walk and listener lifetime.
#include "events/EvtData_Destroy_Actor.h"
#include "events/EvtData_Modified_Render_Component.h"
#include "events/EvtData_Move_Actor.h"
#include "events/EvtData_New_Render_Component.h"
#include "graphics/bindables/ConstantBufferLayouts.h"
#include "scene/FreeCameraNode.h"
#include "scene/LightManager.h"
#include "scene/LightNode.h"
#include "scene/RootNode.h"
#include "tests/scene/SceneTestSupport.h"

#include <cstring>
#include <sstream>

namespace
{
std::string LightActor(const std::string& transform, const std::string& diffuse)
{
    return transform +
           "<LightRenderComponent><Light type=\"DirectionalLight\">"
           "<Ambient r=\"0.1\" g=\"0.1\" b=\"0.1\" a=\"1\"/>"
           "<Diffuse " +
           diffuse +
           "/>"
           "<Specular r=\"0.5\" g=\"0.5\" b=\"0.5\" a=\"1\"/>"
           "</Light></LightRenderComponent>";
}

std::shared_ptr<LightNode> LightNodeOf(const SceneWorld& world, ActorId id)
{
    return std::dynamic_pointer_cast<LightNode>(world.tree->FindActorNode(id));
}

class SceneTreeTest : public testing::Test
{
protected:
    void Walk() { world.tree->GetRoot()->RenderChildren(world.tree.get(), nullptr); }

    cbPerFrame FilledConstants()
    {
        cbPerFrame constants;
        std::memset(&constants, 0x7F, sizeof(constants));
        world.tree->GetLightManager()->FillLightConstants(constants);
        return constants;
    }

    SceneWorld world;
};

TEST_F(SceneTreeTest, NewRenderComponentMapsTheNodeAndFilesItByPass)
{
    auto actor = world.MakeActor(5, "<TestRenderComponent pass=\"1\"/>");
    ASSERT_TRUE(actor);

    const auto node = world.tree->FindActorNode(5);
    ASSERT_TRUE(node);
    EXPECT_EQ(world.tree->GetActorNodeCount(), 1u);
    const auto& extra1 = world.tree->GetRoot()->GetGroup(DrawPass_Extra1)->GetChildren();
    ASSERT_EQ(extra1.size(), 1u);
    EXPECT_EQ(extra1[0], node);
    EXPECT_TRUE(world.tree->GetRoot()->GetGroup(DrawPass_Main)->GetChildren().empty());
}

TEST_F(SceneTreeTest, NodeOfActorZeroJoinsTheHierarchyButNotTheMap)
{
    auto node = std::make_shared<RecordingNode>("no actor", DrawPass_Main);
    world.manager.TriggerEvent(std::make_shared<EvtData_New_Render_Component>(0, node));
    EXPECT_EQ(world.tree->GetActorNodeCount(), 0u);
    ASSERT_EQ(world.tree->GetRoot()->GetGroup(DrawPass_Main)->GetChildren().size(), 1u);

    // Neither a move nor a destroy for id 0 finds it.
    world.manager.TriggerEvent(std::make_shared<EvtData_Move_Actor>(0, Matrix4x4::Translation(1.0f, 1.0f, 1.0f)));
    world.manager.TriggerEvent(std::make_shared<EvtData_Destroy_Actor>(0));
    EXPECT_EQ(node->GetProperties().m_toWorld, Matrix4x4::Identity());
    EXPECT_EQ(world.tree->GetRoot()->GetGroup(DrawPass_Main)->GetChildren().size(), 1u);
}

TEST_F(SceneTreeTest, EmptyNodeAddsNothingAnywhere)
{
    auto actor = world.MakeActor(5, "<TestRenderComponent fail=\"yes\"/>");
    ASSERT_TRUE(actor);
    EXPECT_EQ(world.tree->GetActorNodeCount(), 0u);
    EXPECT_FALSE(world.tree->FindActorNode(5));
    for (DrawPass pass : {DrawPass_Main, DrawPass_Extra1, DrawPass_Extra2, DrawPass_Hidden})
    {
        EXPECT_TRUE(world.tree->GetRoot()->GetGroup(pass)->GetChildren().empty());
    }
    EXPECT_FALSE(world.tree->AddChild(9, nullptr));
    EXPECT_EQ(world.tree->GetActorNodeCount(), 0u);

    // The component tries again on the next request rather than remembering the failure.
    auto component =
        std::dynamic_pointer_cast<TestRenderComponent>(actor->GetComponent(TestRenderComponent::s_name.c_str()).lock());
    const int builds = component->BuildCount();
    EXPECT_FALSE(component->GetSceneNode());
    EXPECT_EQ(component->BuildCount(), builds + 1);
}

TEST_F(SceneTreeTest, SecondNodeForAnIdReplacesTheMapEntryButStaysInTheHierarchy)
{
    auto first = std::make_shared<RecordingNode>("first", DrawPass_Main);
    auto second = std::make_shared<RecordingNode>("second", DrawPass_Extra2);
    EXPECT_TRUE(world.tree->AddChild(4, first));
    EXPECT_TRUE(world.tree->AddChild(4, second));
    EXPECT_EQ(world.tree->FindActorNode(4), second);
    EXPECT_EQ(world.tree->GetRoot()->GetGroup(DrawPass_Main)->GetChildren().size(), 1u);

    // A pass the root refuses still leaves the map entry behind.
    auto refused = std::make_shared<RecordingNode>("refused", static_cast<DrawPass>(7));
    EXPECT_FALSE(world.tree->AddChild(6, refused));
    EXPECT_EQ(world.tree->FindActorNode(6), refused);
}

TEST_F(SceneTreeTest, MoveSetsTheNodeAtOnceAndTheNextPreRenderFollowsTheComponent)
{
    auto actor = world.MakeActor(3, SceneWorld::TransformAt(0.0f, 0.0f, 0.0f) + "<TestRenderComponent/>");
    const auto node = world.tree->FindActorNode(3);
    ASSERT_TRUE(node);

    const Matrix4x4 moved =
        Matrix4x4::RotationYawPitchRoll(0.4f, 0.0f, 0.0f) * Matrix4x4::Translation(1.0f, 2.0f, 3.0f);
    world.manager.TriggerEvent(std::make_shared<EvtData_Move_Actor>(3, moved));
    EXPECT_EQ(node->GetProperties().m_toWorld, moved);
    ExpectMatrixNear(node->GetProperties().m_fromWorld * moved, Matrix4x4::Identity());
    // The logic heard the same event after the tree.
    EXPECT_EQ(TransformOf(actor)->GetTransform(), moved);

    // Whatever the component holds at draw time wins over the event's matrix.
    TransformOf(actor)->SetPosition(-4.0f, 0.0f, 0.0f);
    Walk();
    EXPECT_EQ(node->GetProperties().m_toWorld, TransformOf(actor)->GetTransform());

    // A move for an id without a node changes nothing.
    world.manager.TriggerEvent(std::make_shared<EvtData_Move_Actor>(42, moved));
    EXPECT_EQ(world.tree->GetActorNodeCount(), 1u);
}

TEST_F(SceneTreeTest, DestroyRemovesTheNodeFromMapAndHierarchy)
{
    world.MakeActor(3, "<TestRenderComponent/>");
    world.MakeActor(4, "<TestRenderComponent pass=\"2\"/>");
    world.manager.TriggerEvent(std::make_shared<EvtData_Destroy_Actor>(3));
    EXPECT_FALSE(world.tree->FindActorNode(3));
    EXPECT_TRUE(world.tree->GetRoot()->GetGroup(DrawPass_Main)->GetChildren().empty());
    EXPECT_TRUE(world.tree->FindActorNode(4));
    EXPECT_FALSE(world.tree->RemoveChild(3));
    EXPECT_FALSE(world.tree->RemoveChild(0));
}

TEST_F(SceneTreeTest, ModifiedComponentRefreshesTheNodeOnlyOnceTheWorldIsLoaded)
{
    auto actor = world.MakeActor(2, LightActor(SceneWorld::TransformAt(0, 0, 0), "r=\"1\" g=\"0\" b=\"0\" a=\"1\""));
    const auto light = LightNodeOf(world, 2);
    ASSERT_TRUE(light);
    ASSERT_EQ(light->GetLight()->m_diffuse, (Color4{1.0f, 0.0f, 0.0f, 1.0f}));

    TiXmlDocument overrides;
    overrides.Parse("<Override><LightRenderComponent><Color r=\"0.5\" g=\"0.5\" b=\"0.5\" a=\"1\"/>"
                    "<Light><Diffuse r=\"0\" g=\"1\" b=\"0\" a=\"1\"/></Light></LightRenderComponent></Override>");
    ASSERT_FALSE(overrides.Error());

    world.logic->SetState(EngineLogicState::LoadingWorld);
    world.logic->GetActorFactory()->ModifyActor(actor, overrides.RootElement());
    EXPECT_EQ(light->GetLight()->m_diffuse, (Color4{1.0f, 0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(light->GetProperties().m_material.m_diffuse, (Color4{1.0f, 1.0f, 1.0f, 1.0f}));

    world.logic->SetState(EngineLogicState::Running);
    world.manager.TriggerEvent(std::make_shared<EvtData_Modified_Render_Component>(2));
    EXPECT_EQ(light->GetLight()->m_diffuse, (Color4{0.0f, 1.0f, 0.0f, 1.0f}));
    EXPECT_EQ(light->GetProperties().m_material.m_diffuse, (Color4{0.5f, 0.5f, 0.5f, 1.0f}));
    // Changes the next mesh would draw with.
    EXPECT_FLOAT_EQ(FilledConstants().lightDiffuse[1], 1.0f);

    // Unknown ids and id 0 are ignored.
    world.manager.TriggerEvent(std::make_shared<EvtData_Modified_Render_Component>(77));
    world.manager.TriggerEvent(std::make_shared<EvtData_Modified_Render_Component>(0));
}

TEST_F(SceneTreeTest, OnlyTheFirstLightLightsAndItsDestructionFallsBackToTheDefaultLight)
{
    // The first light's z axis points straight down: pitch +90 degrees turns (0, 0, 1) into (0, -1, 0).
    const std::string down = "<TransformComponent><YawPitchRoll x=\"0\" y=\"90\" z=\"0\"/></TransformComponent>";
    world.MakeActor(2, LightActor(down, "r=\"1\" g=\"0.5\" b=\"0.25\" a=\"1\""));
    world.MakeActor(3, LightActor(SceneWorld::TransformAt(0, 0, 0), "r=\"0\" g=\"0\" b=\"1\" a=\"1\""));

    const auto first = LightNodeOf(world, 2);
    const auto second = LightNodeOf(world, 3);
    ASSERT_TRUE(first && second);
    const auto& hidden = world.tree->GetRoot()->GetGroup(DrawPass_Hidden)->GetChildren();
    EXPECT_EQ(hidden.size(), 2u);
    const auto& lights = world.tree->GetLightManager()->m_lights;
    ASSERT_EQ(lights.size(), 1u);
    EXPECT_EQ(lights.front(), first);

    auto camera = std::make_shared<FreeCameraNode>(world.options);
    camera->SetPosition(1.0f, 2.0f, 3.0f);
    world.tree->SetCamera(camera);
    world.tree->GetLightManager()->PrepareFrame(world.tree.get());

    cbPerFrame lit = FilledConstants();
    EXPECT_FLOAT_EQ(lit.lightAmbient[0], 0.1f);
    EXPECT_FLOAT_EQ(lit.lightDiffuse[0], 1.0f);
    EXPECT_FLOAT_EQ(lit.lightDiffuse[1], 0.5f);
    EXPECT_FLOAT_EQ(lit.lightDiffuse[2], 0.25f);
    EXPECT_FLOAT_EQ(lit.lightSpecular[3], 1.0f);
    EXPECT_NEAR(lit.lightDirection[0], 0.0f, 1e-6f);
    EXPECT_NEAR(lit.lightDirection[1], -1.0f, 1e-6f);
    EXPECT_NEAR(lit.lightDirection[2], 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(lit.lightDirection[3], 1.0f);
    EXPECT_FLOAT_EQ(lit.eyePosition[0], 1.0f);
    EXPECT_FLOAT_EQ(lit.eyePosition[1], 2.0f);
    EXPECT_FLOAT_EQ(lit.eyePosition[2], 3.0f);
    // The reserved block is not the light manager's.
    EXPECT_EQ(lit.reserved[0], 0x7F);

    world.manager.TriggerEvent(std::make_shared<EvtData_Destroy_Actor>(2));
    EXPECT_TRUE(lights.empty());   // the second light does not move up
    EXPECT_EQ(hidden.size(), 1u);

    const cbPerFrame fallback = FilledConstants();
    const float expected[4][4] = {
        {0.2f, 0.2f, 0.2f, 1.0f}, {0.9f, 0.9f, 0.9f, 1.0f}, {0.8f, 0.8f, 0.8f, 1.0f}, {0.0f, -1.0f, 0.0f, 1.0f}};
    const float* actual[4] = {fallback.lightAmbient, fallback.lightDiffuse, fallback.lightSpecular,
                              fallback.lightDirection};
    for (int row = 0; row < 4; ++row)
    {
        for (int i = 0; i < 4; ++i)
        {
            EXPECT_FLOAT_EQ(actual[row][i], expected[row][i]) << "row " << row << ", element " << i;
        }
    }
    // The default light is seen from the origin, not from the camera.
    EXPECT_FLOAT_EQ(fallback.eyePosition[0], 0.0f);
    EXPECT_FLOAT_EQ(fallback.eyePosition[1], 0.0f);
    EXPECT_FLOAT_EQ(fallback.eyePosition[2], 0.0f);
}

TEST_F(SceneTreeTest, LightFollowsMovesOfItsActor)
{
    world.MakeActor(2, LightActor(SceneWorld::TransformAt(0, 0, 0), "r=\"1\" g=\"1\" b=\"1\" a=\"1\""));
    // Yaw +90 degrees turns the light's z axis to +x.
    world.manager.TriggerEvent(
        std::make_shared<EvtData_Move_Actor>(2, Matrix4x4::RotationYawPitchRoll(1.5707964f, 0.0f, 0.0f)));
    const cbPerFrame constants = FilledConstants();
    EXPECT_NEAR(constants.lightDirection[0], 1.0f, 1e-6f);
    EXPECT_NEAR(constants.lightDirection[2], 0.0f, 1e-6f);
}

TEST_F(SceneTreeTest, LightWithoutCameraYetIsSeenFromTheOrigin)
{
    world.MakeActor(2, LightActor(SceneWorld::TransformAt(0, 0, 0), "r=\"1\" g=\"1\" b=\"1\" a=\"1\""));
    const cbPerFrame constants = FilledConstants();
    EXPECT_FLOAT_EQ(constants.eyePosition[0], 0.0f);
    EXPECT_FLOAT_EQ(constants.eyePosition[1], 0.0f);
    EXPECT_FLOAT_EQ(constants.eyePosition[2], 0.0f);
}

TEST_F(SceneTreeTest, UpdateWalksTheHierarchyButStopsAtLights)
{
    world.MakeActor(2, LightActor(SceneWorld::TransformAt(0, 0, 0), "r=\"1\" g=\"1\" b=\"1\" a=\"1\""));
    auto underLight = std::make_shared<RecordingNode>("under light", DrawPass_Main);
    LightNodeOf(world, 2)->AddChild(underLight);
    auto group = std::make_shared<RecordingNode>("hidden plain", DrawPass_Hidden);
    auto nested = std::make_shared<RecordingNode>("nested", DrawPass_Main);
    group->AddChild(nested);
    world.tree->GetRoot()->AddChild(group);

    EXPECT_EQ(world.tree->OnUpdate(nullptr), 0);
    // Unlike drawing, the update reaches every pass, hidden included, except below a light.
    const std::vector<std::string> expected = {"hidden plain.OnUpdate", "nested.OnUpdate"};
    EXPECT_EQ(WalkLog(), expected);
}

TEST_F(SceneTreeTest, DestroyedTreeNoLongerListens)
{
    world.tree.reset();
    EXPECT_FALSE(world.manager.TriggerEvent(
        std::make_shared<EvtData_New_Render_Component>(1, std::make_shared<RecordingNode>("late", DrawPass_Main))));
    EXPECT_FALSE(world.manager.TriggerEvent(std::make_shared<EvtData_Destroy_Actor>(1)));
    EXPECT_FALSE(world.manager.TriggerEvent(std::make_shared<EvtData_Modified_Render_Component>(1)));
    // The logic still hears moves; the tree does not.
    EXPECT_TRUE(world.manager.TriggerEvent(std::make_shared<EvtData_Move_Actor>(1, Matrix4x4())));
}

TEST(SceneTreeWithoutEventManager, SaysSoAndStillWorksAsAHierarchy)
{
    ASSERT_EQ(IEventManager::Get(), nullptr);
    EngineOptions options;
    testing::internal::CaptureStderr();
    {
        SceneTree tree(options, nullptr, nullptr, nullptr);
        EXPECT_TRUE(tree.AddChild(1, std::make_shared<RecordingNode>("node", DrawPass_Main)));
        EXPECT_EQ(tree.GetLogic(), nullptr);
        EXPECT_EQ(tree.OnUpdate(nullptr), 0);
    }
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("no event manager"), std::string::npos) << errors;
}
}
