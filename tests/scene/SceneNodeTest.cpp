// Scene nodes and the root: the pass walk, failing pre-renders, the matrix stack, nested world matrices,
// radius growth, removal by actor id and the properties a node starts with.
#include "scene/RootNode.h"
#include "tests/scene/SceneTestSupport.h"

#include "scene/MatrixStack.h"

namespace
{
class SceneNodeTest : public testing::Test
{
protected:
    // Walks the hierarchy the way the frame does: the root's own steps, then its passes.
    void WalkRoot()
    {
        RootNode& root = *world.tree->GetRoot();
        if (root.PreRender(world.tree.get(), nullptr) == 0)
        {
            root.Render(world.tree.get(), nullptr);
            root.RenderChildren(world.tree.get(), nullptr);
            root.PostRender(world.tree.get());
        }
    }

    SceneWorld world;
};

TEST_F(SceneNodeTest, PassesAreWalkedInOrderAndTheHiddenPassNever)
{
    RootNode& root = *world.tree->GetRoot();
    // Added in reverse, so only the pass order can put them right.
    auto hidden = std::make_shared<RecordingNode>("hidden", DrawPass_Hidden);
    auto extra2 = std::make_shared<RecordingNode>("extra2", DrawPass_Extra2);
    auto extra1 = std::make_shared<RecordingNode>("extra1", DrawPass_Extra1);
    auto main = std::make_shared<RecordingNode>("main", DrawPass_Main);
    for (const auto& node : {hidden, extra2, extra1, main})
    {
        EXPECT_TRUE(root.AddChild(node));
    }

    WalkRoot();

    const std::vector<std::string> expected = {
        "main.PreRender",   "main.Render",   "main.RenderChildren",   "main.PostRender",
        "extra1.PreRender", "extra1.Render", "extra1.RenderChildren", "extra1.PostRender",
        "extra2.PreRender", "extra2.Render", "extra2.RenderChildren", "extra2.PostRender",
    };
    EXPECT_EQ(WalkLog(), expected);
    // Stored all the same: it is in its group and can be removed.
    ASSERT_EQ(root.GetGroup(DrawPass_Hidden)->GetChildren().size(), 1u);
    EXPECT_EQ(root.GetGroup(DrawPass_Hidden)->GetChildren()[0], hidden);
}

TEST_F(SceneNodeTest, RootRefusesPassesOutsideTheGroups)
{
    RootNode& root = *world.tree->GetRoot();
    auto tooLarge = std::make_shared<RecordingNode>("four", static_cast<DrawPass>(4));
    auto negative = std::make_shared<RecordingNode>("minus", static_cast<DrawPass>(-1));

    EXPECT_FALSE(root.AddChild(tooLarge));
    EXPECT_FALSE(root.AddChild(negative));
    EXPECT_FALSE(root.AddChild(nullptr));

    // Nothing kept a share, and no group grew.
    EXPECT_EQ(tooLarge.use_count(), 1);
    EXPECT_EQ(negative.use_count(), 1);
    for (DrawPass pass : {DrawPass_Main, DrawPass_Extra1, DrawPass_Extra2, DrawPass_Hidden})
    {
        EXPECT_TRUE(root.GetGroup(pass)->GetChildren().empty());
    }
    EXPECT_EQ(root.GetChildren().size(), 4u);
}

TEST_F(SceneNodeTest, FailingPreRenderSkipsRenderAndChildrenButStillPops)
{
    auto parent = std::make_shared<RecordingNode>("parent", DrawPass_Main);
    auto child = std::make_shared<RecordingNode>("child", DrawPass_Main);
    auto sibling = std::make_shared<RecordingNode>("sibling", DrawPass_Main);
    parent->AddChild(child);
    parent->FailPreRender();
    world.tree->GetRoot()->AddChild(parent);
    world.tree->GetRoot()->AddChild(sibling);

    WalkRoot();

    const std::vector<std::string> expected = {
        "parent.PreRender", "parent.PostRender",      "sibling.PreRender",
        "sibling.Render",   "sibling.RenderChildren", "sibling.PostRender",
    };
    EXPECT_EQ(WalkLog(), expected);
    EXPECT_EQ(world.tree->GetMatrixStack().Size(), 1u);
}

TEST_F(SceneNodeTest, WalkLeavesTheStackBalancedAndNestedNodesDrawWithOwnTimesParent)
{
    const Matrix4x4 parentWorld =
        Matrix4x4::RotationYawPitchRoll(0.5f, 0.0f, 0.0f) * Matrix4x4::Translation(10.0f, 0.0f, 0.0f);
    const Matrix4x4 childWorld =
        Matrix4x4::RotationYawPitchRoll(0.0f, 0.0f, 0.25f) * Matrix4x4::Translation(0.0f, 2.0f, 0.0f);
    auto parent = std::make_shared<RecordingNode>("parent", DrawPass_Main, &parentWorld);
    auto child = std::make_shared<RecordingNode>("child", DrawPass_Main, &childWorld);
    auto grandchild = std::make_shared<RecordingNode>("grandchild", DrawPass_Main);
    child->AddChild(grandchild);
    parent->AddChild(child);
    world.tree->GetRoot()->AddChild(parent);

    WalkRoot();

    ExpectMatrixNear(parent->DrawnWith(), parentWorld);
    ExpectMatrixNear(child->DrawnWith(), childWorld * parentWorld);
    ExpectMatrixNear(grandchild->DrawnWith(), childWorld * parentWorld);
    // The child's origin ends up 2 units along the parent's rotated y axis, beside the parent's origin.
    const auto origin = child->DrawnWith().Transform({0.0f, 0.0f, 0.0f, 1.0f});
    EXPECT_NEAR(origin[0], 10.0f, 1e-5f);
    EXPECT_NEAR(origin[1], 2.0f, 1e-5f);
    EXPECT_EQ(world.tree->GetMatrixStack().Size(), 1u);
    EXPECT_EQ(world.tree->CurrentMatrix(), Matrix4x4::Identity());
}

TEST_F(SceneNodeTest, MatrixStackNeverUnderflows)
{
    MatrixStack stack;
    EXPECT_EQ(stack.Size(), 1u);
    stack.Push(Matrix4x4::Translation(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(stack.Top(), Matrix4x4::Translation(1.0f, 2.0f, 3.0f));
    stack.Pop();
    stack.Pop();
    stack.Pop();
    EXPECT_EQ(stack.Size(), 0u);
    EXPECT_EQ(stack.Top(), Matrix4x4::Identity());
}

TEST_F(SceneNodeTest, RadiusGrowsToEncloseChildrenOnly)
{
    // A child at (3, 4, 0) whose own radius is 1: its reach from the parent is 5 + 1.
    const Matrix4x4 at345 = Matrix4x4::Translation(3.0f, 4.0f, 0.0f);
    const Matrix4x4 atX1 = Matrix4x4::Translation(1.0f, 0.0f, 0.0f);
    const Matrix4x4 atX2 = Matrix4x4::Translation(2.0f, 0.0f, 0.0f);
    const Matrix4x4 atX10 = Matrix4x4::Translation(10.0f, 0.0f, 0.0f);
    auto makeChild = [&] {
        auto child = std::make_shared<RecordingNode>("child", DrawPass_Main, &at345);
        child->AddChild(std::make_shared<RecordingNode>("inner", DrawPass_Main, &atX1));
        return child;
    };
    ASSERT_FLOAT_EQ(makeChild()->GetProperties().m_radius, 1.0f);

    auto small = std::make_shared<RecordingNode>("small", DrawPass_Main);
    small->AddChild(std::make_shared<RecordingNode>("r2", DrawPass_Main, &atX2));
    ASSERT_FLOAT_EQ(small->GetProperties().m_radius, 2.0f);
    small->AddChild(makeChild());
    EXPECT_FLOAT_EQ(small->GetProperties().m_radius, 6.0f);

    auto large = std::make_shared<RecordingNode>("large", DrawPass_Main);
    large->AddChild(std::make_shared<RecordingNode>("r10", DrawPass_Main, &atX10));
    large->AddChild(makeChild());
    EXPECT_FLOAT_EQ(large->GetProperties().m_radius, 10.0f);

    // The root's groups are not its "children" in this sense: it stays at 0 whatever is filed.
    world.tree->GetRoot()->AddChild(makeChild());
    EXPECT_FLOAT_EQ(world.tree->GetRoot()->GetProperties().m_radius, 0.0f);
}

TEST_F(SceneNodeTest, AddChildSetsTheParentOnlyForRealChildren)
{
    auto parent = std::make_shared<RecordingNode>("parent", DrawPass_Main);
    auto child = std::make_shared<RecordingNode>("child", DrawPass_Main);
    parent->AddChild(child);
    EXPECT_EQ(child->GetParent(), parent.get());
    EXPECT_FALSE(parent->AddChild(nullptr));

    RootNode& root = *world.tree->GetRoot();
    root.AddChild(parent);
    EXPECT_EQ(parent->GetParent(), root.GetGroup(DrawPass_Main));
    EXPECT_EQ(root.GetGroup(DrawPass_Main)->GetParent(), nullptr);
}

TEST_F(SceneNodeTest, RemovalByActorIdSearchesEveryGroupAndNeverMatchesZero)
{
    auto firstActor = world.MakeActor(7, "<TestRenderComponent pass=\"0\"/>");
    auto secondActor = world.MakeActor(8, "<TestRenderComponent pass=\"1\"/>");
    ASSERT_TRUE(firstActor && secondActor);
    RootNode& root = *world.tree->GetRoot();

    // A second node of actor 7 in another pass, and nodes of no actor in two passes.
    auto component = std::dynamic_pointer_cast<BaseRenderComponent>(
        firstActor->GetComponent(TestRenderComponent::s_name.c_str()).lock());
    auto other = std::make_shared<RecordingNode>("shares id 7", DrawPass_Hidden, nullptr, component.get());
    ASSERT_EQ(other->GetProperties().m_actorId, 7u);
    root.AddChild(other);
    root.AddChild(std::make_shared<RecordingNode>("anonymous main", DrawPass_Main));
    root.AddChild(std::make_shared<RecordingNode>("anonymous hidden", DrawPass_Hidden));

    EXPECT_FALSE(root.RemoveChild(0));
    EXPECT_EQ(root.GetGroup(DrawPass_Main)->GetChildren().size(), 2u);
    EXPECT_EQ(root.GetGroup(DrawPass_Hidden)->GetChildren().size(), 2u);

    EXPECT_TRUE(root.RemoveChild(7));
    ASSERT_EQ(root.GetGroup(DrawPass_Main)->GetChildren().size(), 1u);
    EXPECT_EQ(root.GetGroup(DrawPass_Main)->GetChildren()[0]->GetProperties().m_actorId, 0u);
    ASSERT_EQ(root.GetGroup(DrawPass_Hidden)->GetChildren().size(), 1u);
    EXPECT_EQ(root.GetGroup(DrawPass_Extra1)->GetChildren().size(), 1u);

    EXPECT_FALSE(root.RemoveChild(7));
    EXPECT_FALSE(root.RemoveChild(99));
}

TEST_F(SceneNodeTest, RemovalKeepsTheOrderOfTheOthers)
{
    auto parent = std::make_shared<RecordingNode>("parent", DrawPass_Main);
    std::vector<std::shared_ptr<Actor>> actors;
    for (ActorId id : {1u, 2u, 3u})
    {
        actors.push_back(world.MakeActor(id, "<TestRenderComponent/>"));
        parent->AddChild(std::dynamic_pointer_cast<BaseRenderComponent>(
                             actors.back()->GetComponent(TestRenderComponent::s_name.c_str()).lock())
                             ->GetSceneNode());
    }
    EXPECT_TRUE(parent->RemoveChild(2));
    ASSERT_EQ(parent->GetChildren().size(), 2u);
    EXPECT_EQ(parent->GetChildren()[0]->GetProperties().m_actorId, 1u);
    EXPECT_EQ(parent->GetChildren()[1]->GetProperties().m_actorId, 3u);
}

TEST_F(SceneNodeTest, PropertiesOfANewNode)
{
    RecordingNode plain("plain", DrawPass_Extra2);
    EXPECT_EQ(plain.GetProperties().m_name, "SceneNode");
    EXPECT_EQ(plain.GetProperties().m_actorId, 0u);
    EXPECT_EQ(plain.GetProperties().m_renderPass, DrawPass_Extra2);
    EXPECT_EQ(plain.GetProperties().m_toWorld, Matrix4x4::Identity());
    EXPECT_EQ(plain.GetProperties().m_fromWorld, Matrix4x4::Identity());
    EXPECT_FLOAT_EQ(plain.GetProperties().m_radius, 0.0f);

    auto actor = world.MakeActor(4, SceneWorld::TransformAt(1.0f, 2.0f, 3.0f) + "<TestRenderComponent/>");
    auto component =
        std::dynamic_pointer_cast<BaseRenderComponent>(actor->GetComponent(TestRenderComponent::s_name.c_str()).lock());
    const NodeProperties& props = component->GetSceneNode()->GetProperties();
    EXPECT_EQ(props.m_name, "TestRenderComponent");
    EXPECT_EQ(props.m_actorId, 4u);
    EXPECT_EQ(props.m_toWorld, Matrix4x4::Translation(1.0f, 2.0f, 3.0f));
    ExpectMatrixNear(props.m_fromWorld, Matrix4x4::Translation(-1.0f, -2.0f, -3.0f));
}

TEST_F(SceneNodeTest, SetTransformKeepsTheInverseUnlessOneIsGiven)
{
    RecordingNode node("node", DrawPass_Main);
    const Matrix4x4 m = Matrix4x4::RotationYawPitchRoll(0.3f, -0.7f, 1.1f) * Matrix4x4::Translation(4.0f, -5.0f, 6.0f);
    node.SetTransform(m, nullptr);
    ExpectMatrixNear(node.GetProperties().m_fromWorld * node.GetProperties().m_toWorld, Matrix4x4::Identity());

    const Matrix4x4 given = Matrix4x4::Translation(9.0f, 9.0f, 9.0f);
    node.SetTransform(m, &given);
    EXPECT_EQ(node.GetProperties().m_toWorld, m);
    EXPECT_EQ(node.GetProperties().m_fromWorld, given);
}

TEST_F(SceneNodeTest, PreRenderFollowsTheActorsTransformComponent)
{
    auto actor = world.MakeActor(3, SceneWorld::TransformAt(1.0f, 0.0f, 0.0f) + "<TestRenderComponent/>");
    auto node = std::dynamic_pointer_cast<RecordingNode>(world.tree->FindActorNode(3));
    ASSERT_TRUE(node);

    TransformOf(actor)->SetPosition(5.0f, 6.0f, 7.0f);
    WalkRoot();
    EXPECT_EQ(node->GetProperties().m_toWorld, Matrix4x4::Translation(5.0f, 6.0f, 7.0f));
    EXPECT_EQ(node->DrawnWith(), Matrix4x4::Translation(5.0f, 6.0f, 7.0f));
    // Only the forward matrix follows; the inverse stays what the last SetTransform made it.
    ExpectMatrixNear(node->GetProperties().m_fromWorld, Matrix4x4::Translation(-1.0f, 0.0f, 0.0f));
}

TEST_F(SceneNodeTest, PreRenderFindsTheTransformOfAnActorThatWasReplaced)
{
    auto actor = world.MakeActor(3, SceneWorld::TransformAt(1.0f, 0.0f, 0.0f) + "<TestRenderComponent/>");
    auto node = std::dynamic_pointer_cast<RecordingNode>(world.tree->FindActorNode(3));
    ASSERT_TRUE(node);
    WalkRoot();
    EXPECT_EQ(node->DrawnWith(), Matrix4x4::Translation(1.0f, 0.0f, 0.0f));

    // The node keeps what it looked up until the scene's actors change. Here the world is loaded again, with
    // the actor elsewhere, while something still holds the old transform component.
    const std::shared_ptr<TransformComponent> old = TransformOf(actor);
    actor.reset();
    world.MakeLogic();
    world.MakeActor(3, SceneWorld::TransformAt(4.0f, 0.0f, 0.0f) + "<TestRenderComponent/>");
    WalkRoot();
    EXPECT_EQ(node->DrawnWith(), Matrix4x4::Translation(4.0f, 0.0f, 0.0f));
}

TEST_F(SceneNodeTest, PreRenderKeepsItsMatrixWithoutActorOrTransform)
{
    const Matrix4x4 at = Matrix4x4::Translation(2.0f, 0.0f, 0.0f);
    auto actor = world.MakeActor(6, "<TestRenderComponent/>");
    auto withoutTransform = std::dynamic_pointer_cast<SceneNode>(world.tree->FindActorNode(6));
    ASSERT_TRUE(withoutTransform);
    withoutTransform->SetTransform(at, nullptr);
    auto withoutActor = std::make_shared<RecordingNode>("loose", DrawPass_Main, &at);
    world.tree->GetRoot()->AddChild(withoutActor);

    WalkRoot();
    EXPECT_EQ(withoutTransform->GetProperties().m_toWorld, at);
    EXPECT_EQ(withoutActor->DrawnWith(), at);
}

TEST_F(SceneNodeTest, RefreshTakesTheComponentColourOrWhite)
{
    auto actor = world.MakeActor(9, "<TestRenderComponent><Color r=\"0.25\" g=\"0.5\" b=\"0.75\" a=\"0\"/>"
                                    "</TestRenderComponent>");
    auto node = world.tree->FindActorNode(9);
    ASSERT_TRUE(node);
    auto child = std::make_shared<RecordingNode>("child", DrawPass_Main);
    node->AddChild(child);

    node->Refresh(world.tree.get());
    EXPECT_EQ(node->GetProperties().m_material.m_diffuse, (Color4{0.25f, 0.5f, 0.75f, 0.0f}));
    EXPECT_EQ(child->GetProperties().m_material.m_diffuse, (Color4{1.0f, 1.0f, 1.0f, 1.0f}));
}
}
