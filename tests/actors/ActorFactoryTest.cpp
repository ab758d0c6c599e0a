// The actor factory on real definition files: ids, component creation, bad files and bad components,
// overrides, the initial position, and that an abandoned actor is freed.
#include "actors/ActorFactory.h"
#include "actors/TransformComponent.h"
#include "events/Matrix4x4.h"
#include "tests/ScratchDirectory.h"
#include "tests/actors/TestComponents.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
const char* const kCrate = R"(<Actor type="Crate" resource="actors/Crate.xml">
  <TransformComponent><Position x="1" y="2" z="3"/><YawPitchRoll x="90"/></TransformComponent>
</Actor>)";

// Remembers every component it hands out, and the actor each earlier one belonged to by then.
class RecordingFactory : public ActorFactory
{
public:
    std::shared_ptr<ActorComponent> CreateComponent(const TiXmlElement* element) override
    {
        for (const auto& earlier : created)
        {
            if (const auto component = earlier.lock(); component && component->GetOwner())
            {
                owners.push_back(component->GetOwner());
            }
        }
        auto component = ActorFactory::CreateComponent(element);
        if (component)
        {
            created.push_back(component);
        }
        return component;
    }

    std::vector<std::weak_ptr<ActorComponent>> created;
    std::vector<std::weak_ptr<Actor>> owners;
};

std::size_t LineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class ActorFactoryTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ComponentCalls().clear();
        factory.RegisterComponent<ProbeComponent>();
        factory.RegisterComponent<FakeMeshRenderComponent>();
    }

    // Creates an actor with standard error captured into `errors`.
    std::shared_ptr<Actor> Create(const std::string& file, const TiXmlElement* overrides = nullptr,
                                  const Matrix4x4* initial = nullptr, ActorId requested = 0)
    {
        testing::internal::CaptureStderr();
        auto actor = factory.CreateActor(file.c_str(), overrides, initial, requested);
        errors = testing::internal::GetCapturedStderr();
        if (actor)
        {
            made.push_back(actor);
        }
        return actor;
    }

    std::shared_ptr<TransformComponent> TransformOf(const std::shared_ptr<Actor>& actor)
    {
        return std::dynamic_pointer_cast<TransformComponent>(actor->GetComponent("TransformComponent").lock());
    }

    void TearDown() override
    {
        for (auto& actor : made)
        {
            actor->Destroy();
        }
    }

    ScratchDirectory scratch;
    RecordingFactory factory;
    std::string errors;
    std::vector<std::shared_ptr<Actor>> made;
};
}

TEST_F(ActorFactoryTest, FreshIdsCountUpAndRequestedIdsLeaveTheCounterAlone)
{
    const std::string file = scratch.Write("Crate.xml", kCrate);
    EXPECT_EQ(Create(file)->GetId(), 1u);
    EXPECT_EQ(Create(file)->GetId(), 2u);
    EXPECT_EQ(Create(file, nullptr, nullptr, 5)->GetId(), 5u);
    EXPECT_EQ(factory.GetLastActorId(), 2u);
    EXPECT_EQ(Create(file)->GetId(), 3u);
    EXPECT_EQ(Create(file)->GetId(), 4u);
    EXPECT_EQ(Create(file)->GetId(), 5u) << "a fresh id may collide with a requested one; the logic resolves it";
    EXPECT_TRUE(errors.empty()) << errors;
}

TEST_F(ActorFactoryTest, DefinitionAttributesAndComponentsAreRead)
{
    const auto actor = Create(scratch.Write("Crate.xml", kCrate));
    ASSERT_TRUE(actor);
    EXPECT_EQ(actor->GetType(), "Crate");
    EXPECT_EQ(actor->GetResource(), "actors/Crate.xml") << "the attribute is stored, not the path that was read";
    const auto transform = TransformOf(actor);
    ASSERT_TRUE(transform);
    EXPECT_EQ(transform->GetPosition(), (std::array<float, 3>{1, 2, 3}));
    EXPECT_EQ(transform->GetOwner(), actor);
}

TEST_F(ActorFactoryTest, ComponentNamesMatchInAnyLetterCase)
{
    const auto actor = Create(scratch.Write("Lower.xml", R"(<A type="t" resource="r"><transformCOMPONENT/></A>)"));
    ASSERT_TRUE(actor);
    EXPECT_TRUE(TransformOf(actor));
}

TEST_F(ActorFactoryTest, UnreadableFilesBuildNothingAndConsumeNoId)
{
    const std::string missing = scratch.File("Missing.xml");
    EXPECT_FALSE(Create(missing));
    EXPECT_NE(errors.find(missing), std::string::npos) << errors;
    EXPECT_EQ(LineCount(errors), 1u) << errors;

    const std::string malformed = scratch.Write("Broken.xml", R"(<Actor type="t" resource="r"><TransformComponent>)");
    EXPECT_FALSE(Create(malformed));
    EXPECT_NE(errors.find(malformed), std::string::npos) << errors;
    EXPECT_EQ(LineCount(errors), 1u) << errors;

    EXPECT_FALSE(Create(scratch.Write("Empty.xml", "")));
    EXPECT_NE(errors.find("Empty.xml"), std::string::npos) << errors;

    const std::string noRoot = scratch.Write("NoRoot.xml", "<?xml version=\"1.0\"?>\n<!-- nothing -->\n");
    EXPECT_FALSE(Create(noRoot));
    EXPECT_NE(errors.find(noRoot), std::string::npos) << errors;

    EXPECT_FALSE(Create(""));
    EXPECT_EQ(LineCount(errors), 1u);
    EXPECT_EQ(factory.GetLastActorId(), 0u);
    EXPECT_TRUE(factory.created.empty());
}

TEST_F(ActorFactoryTest, RootWithoutTypeOrResourceIsRefused)
{
    EXPECT_FALSE(Create(scratch.Write("NoType.xml", R"(<Actor resource="r"><TransformComponent/></Actor>)")));
    EXPECT_NE(errors.find("NoType.xml"), std::string::npos) << errors;
    EXPECT_NE(errors.find("\"type\""), std::string::npos) << errors;

    EXPECT_FALSE(Create(scratch.Write("NoResource.xml", R"(<Actor type="t"><TransformComponent/></Actor>)")));
    EXPECT_NE(errors.find("\"resource\""), std::string::npos) << errors;
    EXPECT_EQ(LineCount(errors), 1u);
    EXPECT_EQ(factory.GetLastActorId(), 0u);
}

TEST_F(ActorFactoryTest, UnknownComponentAbandonsTheActorAndFreesWhatWasBuilt)
{
    const std::string file = scratch.Write("Odd.xml", R"(<Actor type="t" resource="r">
  <TransformComponent/>
  <WobbleComponent/>
</Actor>)");
    EXPECT_FALSE(Create(file));
    EXPECT_NE(errors.find(file), std::string::npos) << errors;
    EXPECT_NE(errors.find("WobbleComponent"), std::string::npos) << errors;
    EXPECT_NE(errors.find("line 3"), std::string::npos) << errors;
    EXPECT_EQ(LineCount(errors), 1u) << errors;

    ASSERT_EQ(factory.created.size(), 1u) << "the transform component was built before the failure";
    ASSERT_EQ(factory.owners.size(), 1u);
    EXPECT_TRUE(factory.created[0].expired());
    EXPECT_TRUE(factory.owners[0].expired()) << "the abandoned actor must not be kept alive by its components";
    EXPECT_EQ(factory.GetLastActorId(), 1u) << "the id was handed out before the components were built";
}

TEST_F(ActorFactoryTest, ComponentWhoseInitFailsAbandonsTheActor)
{
    EXPECT_FALSE(Create(scratch.Write("Fails.xml", R"(<A type="t" resource="r"><ProbeComponent fail="yes"/></A>)")));
    EXPECT_NE(errors.find("failed to initialise"), std::string::npos) << errors;
    EXPECT_EQ(ComponentCalls(), (std::vector<std::string>{"ProbeComponent.Init"}));
}

TEST_F(ActorFactoryTest, DuplicateComponentIsBuiltThenDroppedKeepingTheFirst)
{
    const auto actor = Create(scratch.Write("Twice.xml", R"(<A type="t" resource="r">
  <ProbeComponent tag="first"/><ProbeComponent tag="second"/></A>)"));
    ASSERT_TRUE(actor);
    EXPECT_EQ(actor->GetComponentCount(), 1u);
    const auto probe = std::dynamic_pointer_cast<ProbeComponent>(actor->GetComponent("ProbeComponent").lock());
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->Tag(), "first");
    EXPECT_EQ(ComponentCalls(), (std::vector<std::string>{"ProbeComponent.Init(first)", "ProbeComponent.Init(second)",
                                                          "ProbeComponent.PostInit"}));
    ASSERT_EQ(factory.created.size(), 2u);
    EXPECT_TRUE(factory.created[1].expired()) << "the dropped duplicate dies at once";
}

TEST_F(ActorFactoryTest, OverridesReinitialiseOrAddComponentsBeforePostInit)
{
    const std::string file = scratch.Write("Lamp.xml", R"(<A type="Lamp" resource="Lamp.xml">
  <TransformComponent><Position x="1" y="2" z="3"/><YawPitchRoll x="90"/><Scale x="3" y="3" z="3"/></TransformComponent>
  <ProbeComponent tag="definition"/>
</A>)");
    TiXmlDocument world;
    world.Parse(R"(<Entry resource="Lamp.xml">
  <ProbeComponent tag="override"/>
  <TransformComponent><Position x="10"/></TransformComponent>
  <MeshRenderComponent tag="added"/>
  <NoSuchComponent/>
</Entry>)");
    const auto actor = Create(file, world.FirstChildElement());
    ASSERT_TRUE(actor);

    EXPECT_EQ(ComponentCalls(),
              (std::vector<std::string>{"ProbeComponent.Init(definition)", "ProbeComponent.Init(override)",
                                        "ProbeComponent.OnChanged", "MeshRenderComponent.Init(added)",
                                        "ProbeComponent.PostInit", "MeshRenderComponent.PostInit"}));
    const auto added =
        std::dynamic_pointer_cast<FakeMeshRenderComponent>(actor->GetComponent("MeshRenderComponent").lock());
    ASSERT_TRUE(added);
    EXPECT_EQ(added->OwnerIdAtPostInit(), actor->GetId());

    // The transform keeps its orientation, moves, and forgets the scale the override left out.
    const auto transform = TransformOf(actor);
    ASSERT_TRUE(transform);
    EXPECT_EQ(transform->GetPosition(), (std::array<float, 3>{10, 0, 0}));
    EXPECT_NEAR(transform->GetYawPitchRoll().yaw, 1.5707963f, 1e-5f);
    EXPECT_EQ(transform->GetScale(), (std::array<float, 4>{1, 1, 1, 1}));

    EXPECT_NE(errors.find("NoSuchComponent"), std::string::npos) << errors;
    EXPECT_EQ(LineCount(errors), 1u) << errors;
}

TEST_F(ActorFactoryTest, InitialTransformContributesOnlyItsTranslation)
{
    const std::string file = scratch.Write("Crate.xml", kCrate);
    const Matrix4x4 initial = Matrix4x4::RotationYawPitchRoll(0.0f, 1.0f, 0.5f) * Matrix4x4::Translation(7, 8, 9);
    const auto actor = Create(file, nullptr, &initial);
    ASSERT_TRUE(actor);
    const auto transform = TransformOf(actor);
    EXPECT_EQ(transform->GetPosition(), (std::array<float, 3>{7, 8, 9}));
    EXPECT_EQ(transform->GetTransform().m[15], 1.0f);
    const YawPitchRoll angles = transform->GetYawPitchRoll();
    EXPECT_NEAR(angles.yaw, 1.5707963f, 1e-5f);
    EXPECT_NEAR(angles.pitch, 0.0f, 1e-5f);
    EXPECT_NEAR(angles.roll, 0.0f, 1e-5f);

    // Without a transform component the initial transform is simply unused.
    EXPECT_TRUE(
        Create(scratch.Write("Bare.xml", R"(<A type="t" resource="r"><ProbeComponent/></A>)"), nullptr, &initial));
}

TEST_F(ActorFactoryTest, FirstRegistrationOfANameWins)
{
    ActorFactory fresh;
    EXPECT_TRUE(fresh.IsRegistered(ActorComponent::ComponentIdFromName("TransformComponent")));
    EXPECT_FALSE(fresh.IsRegistered(ActorComponent::ComponentIdFromName("MeshComponent")));
    EXPECT_FALSE(fresh.RegisterComponent<TransformComponent>());
    EXPECT_TRUE(fresh.RegisterComponent<FakeMeshComponent>());
    EXPECT_FALSE(fresh.RegisterCreator("meshcomponent", []() -> ActorComponent* { return new ProbeComponent(); }));
    EXPECT_TRUE(fresh.IsRegistered(0x26360580u));
}
