// Render components read from real actor files: the colour element, the light element with its defaults and
// bad values, the node a light builds (and does not build without a transform), and the announcement.
#include "events/EvtData_Modified_Render_Component.h"
#include "events/EvtData_New_Render_Component.h"
#include "scene/D3DLightNode11.h"
#include "scene/LightManager.h"
#include "scene/RootNode.h"
#include "tests/scene/SceneTestSupport.h"

namespace
{
std::shared_ptr<LightRenderComponent> LightOf(const std::shared_ptr<Actor>& actor)
{
    return std::dynamic_pointer_cast<LightRenderComponent>(
        actor->GetComponent(LightRenderComponent::s_name.c_str()).lock());
}

std::shared_ptr<TestRenderComponent> TestComponentOf(const std::shared_ptr<Actor>& actor)
{
    return std::dynamic_pointer_cast<TestRenderComponent>(
        actor->GetComponent(TestRenderComponent::s_name.c_str()).lock());
}

// Collects the announcements of one kind (EvtData_New_Render_Component or EvtData_Modified_Render_Component)
// while it lives.
template <typename Event>
struct Announcements
{
    explicit Announcements(IEventManager& manager) : manager(manager)
    {
        manager.AddListener(Delegate(), Event::s_eventType);
    }
    ~Announcements() { manager.RemoveListener(Delegate(), Event::s_eventType); }
    EventDelegate Delegate() { return EventDelegate(this, &Announcements::OnEvent); }

    IEventManager& manager;
    std::vector<std::shared_ptr<Event>> events;
    static void OnEvent(void* object, SharedEventData event)
    {
        static_cast<Announcements*>(object)->events.push_back(std::static_pointer_cast<Event>(event));
    }
};

class RenderComponentTest : public testing::Test
{
protected:
    SceneWorld world;
};

TEST_F(RenderComponentTest, ColourElementFillsMissingAttributesWithOne)
{
    auto partial = world.MakeActor(1, "<TestRenderComponent><Color r=\"0.5\"/></TestRenderComponent>");
    EXPECT_EQ(TestComponentOf(partial)->GetColor(), (Color4{0.5f, 1.0f, 1.0f, 1.0f}));

    testing::internal::CaptureStderr();
    auto unreadable = world.MakeActor(2, "<TestRenderComponent><Color r=\"red\" g=\"0.25\" b=\"0.5\" a=\"0\"/>"
                                         "</TestRenderComponent>");
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(TestComponentOf(unreadable)->GetColor(), (Color4{1.0f, 0.25f, 0.5f, 0.0f}));
    EXPECT_NE(errors.find("actor2-"), std::string::npos) << errors;
    EXPECT_NE(errors.find("\"r\""), std::string::npos) << errors;
}

TEST_F(RenderComponentTest, WithoutColourTheComponentIsOpaqueWhite)
{
    auto actor = world.MakeActor(1, "<TestRenderComponent/>");
    EXPECT_EQ(TestComponentOf(actor)->GetColor(), (Color4{1.0f, 1.0f, 1.0f, 1.0f}));
}

TEST_F(RenderComponentTest, OverrideWithoutColourKeepsTheColourRead)
{
    auto actor = world.MakeActor(1, "<TestRenderComponent><Color r=\"0\" g=\"0\" b=\"0\" a=\"1\"/>"
                                    "</TestRenderComponent>");
    TiXmlDocument overrides;
    overrides.Parse("<Override><TestRenderComponent/></Override>");
    world.logic->GetActorFactory()->ModifyActor(actor, overrides.RootElement());
    EXPECT_EQ(TestComponentOf(actor)->GetColor(), (Color4{0.0f, 0.0f, 0.0f, 1.0f}));
}

TEST_F(RenderComponentTest, GetSceneNodeBuildsOnceAndAnnouncesOnce)
{
    Announcements<EvtData_New_Render_Component> announcements(world.manager);
    auto actor = world.MakeActor(1, "<TestRenderComponent/>");
    auto component = TestComponentOf(actor);

    ASSERT_EQ(announcements.events.size(), 1u);
    EXPECT_EQ(announcements.events[0]->GetActorId(), 1u);
    EXPECT_EQ(announcements.events[0]->GetSceneNode(), component->GetSceneNode());
    EXPECT_EQ(component->GetSceneNode(), component->GetSceneNode());
    EXPECT_EQ(component->BuildCount(), 1);
}

TEST_F(RenderComponentTest, AnOverrideWhileTheLogicRunsAnnouncesTheChangeWithItsOwnersId)
{
    auto light =
        world.MakeActor(4, SceneWorld::TransformAt(0, 0, 0) +
                               "<LightRenderComponent><Light><Diffuse r=\"1\" g=\"0\" b=\"0\" a=\"1\"/></Light>"
                               "</LightRenderComponent>");
    auto other = world.MakeActor(6, "<TestRenderComponent/>");
    ASSERT_TRUE(light && other);
    ASSERT_EQ(world.logic->GetState(), EngineLogicState::Running);
    Announcements<EvtData_Modified_Render_Component> changes(world.manager);

    TiXmlDocument overrides;
    overrides.Parse("<Override><LightRenderComponent><Light><Diffuse r=\"0\" g=\"0\" b=\"1\" a=\"1\"/></Light>"
                    "</LightRenderComponent></Override>");
    world.logic->GetActorFactory()->ModifyActor(light, overrides.RootElement());
    ASSERT_EQ(changes.events.size(), 1u);
    EXPECT_EQ(changes.events[0]->GetActorId(), 4u);
    // Triggered, not queued: the tree has already refreshed the light's node.
    EXPECT_EQ(world.manager.GetPendingEventCount(), 0u);
    const auto node = std::dynamic_pointer_cast<D3DLightNode11>(world.tree->FindActorNode(4));
    ASSERT_TRUE(node);
    EXPECT_EQ(node->GetLight()->m_diffuse, (Color4{0.0f, 0.0f, 1.0f, 1.0f}));

    TiXmlDocument recolour;
    recolour.Parse("<Override><TestRenderComponent><Color r=\"0\"/></TestRenderComponent></Override>");
    world.logic->GetActorFactory()->ModifyActor(other, recolour.RootElement());
    ASSERT_EQ(changes.events.size(), 2u);
    EXPECT_EQ(changes.events[1]->GetActorId(), 6u);
}

TEST_F(RenderComponentTest, LightReadsEveryElementOfItsDefinition)
{
    auto actor = world.MakeActor(1, SceneWorld::TransformAt(1, 2, 3) + R"(<LightRenderComponent>
        <Light type="SpotLight">
          <Attenuation const="0.5" linear="0.25" exp="0.125"/>
          <Ambient r="0.1" g="0.2" b="0.3" a="0.4"/>
          <Diffuse r="0.5" g="0.6" b="0.7" a="0.8"/>
          <Specular r="0.9" g="1.0" b="1.1" a="1.2"/>
          <Shape range="50" spot="8"/>
        </Light>
      </LightRenderComponent>)");
    const LightRecord& light = LightOf(actor)->GetLight();
    EXPECT_EQ(light.m_type, LightType_Spot);
    EXPECT_FLOAT_EQ(light.m_attenuation[0], 0.5f);
    EXPECT_FLOAT_EQ(light.m_attenuation[1], 0.25f);
    EXPECT_FLOAT_EQ(light.m_attenuation[2], 0.125f);
    EXPECT_EQ(light.m_ambient, (Color4{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_EQ(light.m_diffuse, (Color4{0.5f, 0.6f, 0.7f, 0.8f}));
    EXPECT_EQ(light.m_specular, (Color4{0.9f, 1.0f, 1.1f, 1.2f}));
    EXPECT_FLOAT_EQ(light.m_range, 50.0f);
    EXPECT_FLOAT_EQ(light.m_spot, 8.0f);
}

TEST_F(RenderComponentTest, LightTypeNamesAreExactAndCaseSensitive)
{
    const std::pair<const char*, LightType> cases[] = {
        {"DirectionalLight", LightType_Directional},
        {"PointLight", LightType_Point},
        {"SpotLight", LightType_Spot},
        {"spotlight", LightType_Directional},
        {"SpotLights", LightType_Directional},
        {"", LightType_Directional},
    };
    ActorId id = 1;
    for (const auto& [name, type] : cases)
    {
        auto actor = world.MakeActor(id++, SceneWorld::TransformAt(0, 0, 0) + "<LightRenderComponent><Light type=\"" +
                                               name + "\"/></LightRenderComponent>");
        EXPECT_EQ(LightOf(actor)->GetLight().m_type, type) << name;
    }
    auto untyped =
        world.MakeActor(id, SceneWorld::TransformAt(0, 0, 0) + "<LightRenderComponent><Light/></LightRenderComponent>");
    EXPECT_EQ(LightOf(untyped)->GetLight().m_type, LightType_Directional);
}

TEST_F(RenderComponentTest, LightWithoutLightElementIsTheDefaultWhiteLightAndSaysSo)
{
    testing::internal::CaptureStderr();
    auto actor = world.MakeActor(1, SceneWorld::TransformAt(0, 0, 0) + "<LightRenderComponent/>");
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("no <Light> element"), std::string::npos) << errors;

    const LightRecord& light = LightOf(actor)->GetLight();
    const LightRecord defaults;
    EXPECT_EQ(light.m_type, LightType_Directional);
    EXPECT_EQ(light.m_ambient, (Color4{0.2f, 0.2f, 0.2f, 1.0f}));
    EXPECT_EQ(light.m_diffuse, (Color4{0.9f, 0.9f, 0.9f, 1.0f}));
    EXPECT_EQ(light.m_specular, (Color4{0.8f, 0.8f, 0.8f, 1.0f}));
    EXPECT_FLOAT_EQ(light.m_attenuation[0], 1.0f);
    EXPECT_FLOAT_EQ(light.m_attenuation[1], 0.0f);
    EXPECT_FLOAT_EQ(light.m_range, defaults.m_range);
    EXPECT_FLOAT_EQ(light.m_spot, defaults.m_spot);
}

TEST_F(RenderComponentTest, LightKeepsDefaultsForMissingChildrenAndBadNumbers)
{
    testing::internal::CaptureStderr();
    auto actor =
        world.MakeActor(1, SceneWorld::TransformAt(0, 0, 0) + R"(<LightRenderComponent><Light type="PointLight">
          <Diffuse r="0.5" g="oops"/>
          <Shape spot="2"/>
        </Light></LightRenderComponent>)");
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("\"g\""), std::string::npos) << errors;

    const LightRecord& light = LightOf(actor)->GetLight();
    EXPECT_EQ(light.m_type, LightType_Point);
    EXPECT_EQ(light.m_diffuse, (Color4{0.5f, 0.9f, 0.9f, 1.0f}));
    EXPECT_EQ(light.m_ambient, (Color4{0.2f, 0.2f, 0.2f, 1.0f}));
    EXPECT_FLOAT_EQ(light.m_attenuation[0], 1.0f);
    EXPECT_FLOAT_EQ(light.m_range, 0.0f);
    EXPECT_FLOAT_EQ(light.m_spot, 2.0f);
}

TEST_F(RenderComponentTest, OverrideOfOneLightChildLeavesTheOthers)
{
    auto actor = world.MakeActor(1, SceneWorld::TransformAt(0, 0, 0) + R"(<LightRenderComponent><Light type="SpotLight">
          <Ambient r="0.3" g="0.3" b="0.3" a="1"/><Diffuse r="1" g="0" b="0" a="1"/>
        </Light></LightRenderComponent>)");
    TiXmlDocument overrides;
    overrides.Parse(
        "<Override><LightRenderComponent><Light type=\"SpotLight\"><Diffuse r=\"0\" g=\"1\" b=\"0\" a=\"1\"/>"
        "</Light></LightRenderComponent></Override>");
    testing::internal::CaptureStderr();
    world.logic->GetActorFactory()->ModifyActor(actor, overrides.RootElement());
    // An override that changes only the colour is normal and not reported.
    TiXmlDocument colourOnly;
    colourOnly.Parse("<Override><LightRenderComponent><Color r=\"0\"/></LightRenderComponent></Override>");
    world.logic->GetActorFactory()->ModifyActor(actor, colourOnly.RootElement());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    const LightRecord& light = LightOf(actor)->GetLight();
    EXPECT_EQ(light.m_type, LightType_Spot);
    EXPECT_EQ(light.m_ambient, (Color4{0.3f, 0.3f, 0.3f, 1.0f}));
    EXPECT_EQ(light.m_diffuse, (Color4{0.0f, 1.0f, 0.0f, 1.0f}));
    EXPECT_EQ(LightOf(actor)->GetColor(), (Color4{0.0f, 1.0f, 1.0f, 1.0f}));
}

TEST_F(RenderComponentTest, LightNodeIsAHiddenNodeAtTheActorsTransform)
{
    // The light precedes the transform in the file: nodes are built after every component exists.
    auto actor = world.MakeActor(3, "<LightRenderComponent><Light><Diffuse r=\"0.25\" g=\"0.25\" b=\"0.25\" a=\"1\"/>"
                                    "</Light></LightRenderComponent>" +
                                        SceneWorld::TransformAt(4, 5, 6));
    auto node = std::dynamic_pointer_cast<D3DLightNode11>(LightOf(actor)->GetSceneNode());
    ASSERT_TRUE(node);
    EXPECT_EQ(node->GetProperties().m_actorId, 3u);
    EXPECT_EQ(node->GetProperties().m_name, "LightRenderComponent");
    EXPECT_EQ(node->GetProperties().m_renderPass, DrawPass_Hidden);
    EXPECT_EQ(node->GetProperties().m_toWorld, Matrix4x4::Translation(4.0f, 5.0f, 6.0f));
    EXPECT_EQ(node->GetLight()->m_diffuse, (Color4{0.25f, 0.25f, 0.25f, 1.0f}));
    EXPECT_EQ(world.tree->FindActorNode(3), node);
}

TEST_F(RenderComponentTest, LightWithoutTransformGetsNoNodeButIsStillAnnounced)
{
    Announcements<EvtData_New_Render_Component> announcements(world.manager);
    testing::internal::CaptureStderr();
    auto actor = world.MakeActor(8, "<LightRenderComponent><Light/></LightRenderComponent>");
    ASSERT_TRUE(actor);
    EXPECT_FALSE(LightOf(actor)->GetSceneNode());
    const std::string errors = testing::internal::GetCapturedStderr();

    ASSERT_EQ(announcements.events.size(), 1u);
    EXPECT_EQ(announcements.events[0]->GetActorId(), 8u);
    EXPECT_FALSE(announcements.events[0]->GetSceneNode());
    EXPECT_NE(errors.find("no TransformComponent"), std::string::npos) << errors;
    EXPECT_FALSE(world.tree->FindActorNode(8));
    EXPECT_TRUE(world.tree->GetLightManager()->m_lights.empty());
}
}
