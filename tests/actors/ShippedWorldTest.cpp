// The world the build ships in bin/, loaded as the application loads it: every component kind registered, the
// scene tree listening first. Every entry must load without a word on standard error, the actors the scripted
// scene moves must exist with their transforms, and every mesh actor must get a node that can draw.
#include "actors/Actor.h"
#include "actors/ActorFactory.h"
#include "actors/LightRenderComponent.h"
#include "actors/MeshComponent.h"
#include "actors/MeshRenderComponent.h"
#include "graphics/drawables/D3D11Mesh.h"
#include "tests/graphics/GraphicsHarness.h"

#include <gtest/gtest.h>

TEST(ShippedWorld, LoadsWithoutComplaintAndGivesEveryMeshADrawableNode)
{
    EventManager manager("Vantor Event Mgr");
    std::unique_ptr<BaseEngineLogic> logic;
    SceneTree tree(graphics_harness::Options(), graphics_harness::Device(), graphics_harness::Context(),
                   [&logic] { return logic.get(); });
    tree.SetCamera(std::make_shared<FreeCameraNode>(graphics_harness::Options()));
    logic = std::make_unique<BaseEngineLogic>();
    logic->SetState(EngineLogicState::Initialising);
    ASSERT_TRUE(logic->Init());
    logic->GetActorFactory()->RegisterComponent<MeshRenderComponent>();
    logic->GetActorFactory()->RegisterComponent<MeshComponent>();
    logic->GetActorFactory()->RegisterComponent<LightRenderComponent>();
    logic->SetState(EngineLogicState::LoadingWorld);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(logic->LoadWorld("World1.xml"));
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(errors.empty()) << errors;
    logic->SetState(EngineLogicState::Running);

    EXPECT_GE(logic->GetActorCount(), 20u);
    for (ActorId id : {5u, 12u, 13u, 14u, 17u, 19u, 20u})
    {
        const auto actor = logic->GetActor(id).lock();
        ASSERT_TRUE(actor) << "actor " << id;
        EXPECT_FALSE(actor->GetComponent("TransformComponent").expired()) << "actor " << id;
    }
    size_t meshes = 0;
    for (ActorId id = 1; id <= logic->GetActorCount(); ++id)
    {
        const auto actor = logic->GetActor(id).lock();
        if (!actor || actor->GetComponent("MeshRenderComponent").expired())
        {
            continue;
        }
        ++meshes;
        const auto mesh = std::dynamic_pointer_cast<D3D11Mesh>(tree.FindActorNode(id));
        ASSERT_TRUE(mesh) << "actor " << id;
        EXPECT_TRUE(mesh->IsDrawable()) << "actor " << id;
        EXPECT_GT(mesh->GetIndexBuffer()->m_count, 0u) << "actor " << id;
    }
    EXPECT_GE(meshes, 7u);
    EXPECT_EQ(tree.Render(graphics_harness::Context()), 0);
}
