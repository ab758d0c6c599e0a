// Actors and component ids: the case-insensitive name hash, one component per id, lookups by id or name,
// walks in ascending id order, and breaking the actor/component ownership cycle.
#include "actors/Actor.h"
#include "actors/TransformComponent.h"
#include "tests/actors/TestComponents.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace
{
// The same sums with 64-bit arithmetic and one reduction at the end, to check the block-wise reduction.
ComponentId ReferenceHash(const std::string& text)
{
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    for (unsigned char c : text)
    {
        a += (c >= 'A' && c <= 'Z') ? c + 32 : c;
        b += a;
    }
    return static_cast<ComponentId>(((b % 65521) << 16) | (a % 65521));
}

std::shared_ptr<Actor> ActorWith(ActorId id, std::vector<std::shared_ptr<ActorComponent>> components)
{
    auto actor = std::make_shared<Actor>(id);
    for (auto& component : components)
    {
        actor->AddComponent(component);
        component->SetOwner(actor);
    }
    return actor;
}

// A transform component that reports its walks, to place it among the recording kinds.
struct RecordingTransform : TransformComponent
{
    void PostInit() override { ComponentCalls().push_back("TransformComponent.PostInit"); }
    void Update(float) override { ComponentCalls().push_back("TransformComponent.Update"); }
};
}

TEST(ComponentIdHash, MatchesTheKnownValues)
{
    EXPECT_EQ(ActorComponent::ComponentIdFromName("abc"), 0x024A0126u);
    EXPECT_EQ(ActorComponent::ComponentIdFromName("TransformComponent"), 0x490007AFu);
    EXPECT_EQ(ActorComponent::ComponentIdFromName("MeshComponent"), 0x26360580u);
    EXPECT_EQ(ActorComponent::ComponentIdFromName("MeshRenderComponent"), 0x4F890800u);
    EXPECT_EQ(ActorComponent::ComponentIdFromName("LightRenderComponent"), 0x57D6086Bu);
    EXPECT_EQ(TransformComponent().GetId(), 0x490007AFu);
}

TEST(ComponentIdHash, IgnoresLetterCaseAndMapsNothingToZero)
{
    EXPECT_EQ(ActorComponent::ComponentIdFromName("transformcomponent"), 0x490007AFu);
    EXPECT_EQ(ActorComponent::ComponentIdFromName("TRANSFORMCOMPONENT"), 0x490007AFu);
    EXPECT_EQ(ActorComponent::ComponentIdFromName(std::string("ABC")), 0x024A0126u);
    EXPECT_EQ(ActorComponent::ComponentIdFromName(static_cast<const char*>(nullptr)), 0u);
    EXPECT_EQ(ActorComponent::ComponentIdFromName(""), 0u);
    // Only ASCII letters fold; other bytes are summed as they are.
    EXPECT_NE(ActorComponent::ComponentIdFromName("[abc"), ActorComponent::ComponentIdFromName("{abc"));
}

TEST(ComponentIdHash, LongNamesAreReducedWithoutOverflow)
{
    // Several 5552-byte blocks of the largest byte value.
    const std::string longName(20000, '\xFF');
    EXPECT_EQ(ActorComponent::ComponentIdFromName(longName), ReferenceHash(longName));
    const std::string mixed = std::string(7000, 'Q') + "Component" + std::string(9000, 'z');
    EXPECT_EQ(ActorComponent::ComponentIdFromName(mixed), ReferenceHash(mixed));
}

TEST(ActorComponents, NewActorIsUnknownAndEmpty)
{
    const Actor actor(7);
    EXPECT_EQ(actor.GetId(), 7u);
    EXPECT_EQ(actor.GetType(), "Unknown");
    EXPECT_EQ(actor.GetResource(), "Unknown");
    EXPECT_EQ(actor.GetComponentCount(), 0u);
    EXPECT_TRUE(actor.GetComponent("TransformComponent").expired());
}

TEST(ActorComponents, FirstComponentPerIdStays)
{
    Actor actor(1);
    auto first = std::make_shared<TransformComponent>();
    auto second = std::make_shared<TransformComponent>();
    EXPECT_TRUE(actor.AddComponent(first));
    EXPECT_FALSE(actor.AddComponent(second));
    EXPECT_FALSE(actor.AddComponent(nullptr));
    EXPECT_EQ(actor.GetComponentCount(), 1u);
    EXPECT_EQ(actor.GetComponent("TransformComponent").lock(), first);
}

TEST(ActorComponents, LookupByNameIgnoresCaseAndMissingNamesGiveNothing)
{
    Actor actor(1);
    auto transform = std::make_shared<TransformComponent>();
    actor.AddComponent(transform);
    EXPECT_EQ(actor.GetComponent("transformcomponent").lock(), transform);
    EXPECT_EQ(actor.GetComponent(0x490007AFu).lock(), transform);
    EXPECT_EQ(actor.GetComponent("MeshComponent").lock(), nullptr);
}

TEST(ActorComponents, WalksVisitComponentsInAscendingIdOrder)
{
    ComponentCalls().clear();
    const auto actor =
        ActorWith(3, {std::make_shared<FakeLightRenderComponent>(), std::make_shared<RecordingTransform>(),
                      std::make_shared<FakeMeshRenderComponent>(), std::make_shared<FakeMeshComponent>()});
    actor->PostInit();
    actor->Update(16.0f);
    EXPECT_EQ(ComponentCalls(),
              (std::vector<std::string>{"MeshComponent.PostInit", "TransformComponent.PostInit",
                                        "MeshRenderComponent.PostInit", "LightRenderComponent.PostInit",
                                        "MeshComponent.Update", "TransformComponent.Update",
                                        "MeshRenderComponent.Update", "LightRenderComponent.Update"}));
    actor->Destroy();
}

TEST(ActorLifetime, DestroyBreaksTheOwnershipCycle)
{
    std::weak_ptr<Actor> weakActor;
    std::weak_ptr<ActorComponent> weakTransform;
    std::shared_ptr<ActorComponent> keptMesh = std::make_shared<FakeMeshComponent>();
    {
        auto transform = std::make_shared<TransformComponent>();
        weakTransform = transform;
        auto actor = ActorWith(4, {transform, keptMesh});
        weakActor = actor;
        EXPECT_EQ(keptMesh->GetOwner(), actor);
        actor->Destroy();
        EXPECT_EQ(actor->GetComponentCount(), 0u);
    }
    EXPECT_TRUE(weakActor.expired());
    EXPECT_TRUE(weakTransform.expired());
    EXPECT_EQ(keptMesh->GetOwner(), nullptr) << "a component held elsewhere no longer keeps its actor alive";
}

TEST(ActorLifetime, DestroyIsSafeWhenComponentsHoldTheLastReference)
{
    std::weak_ptr<Actor> weakActor;
    Actor* raw = nullptr;
    {
        auto actor = ActorWith(5, {std::make_shared<TransformComponent>()});
        weakActor = actor;
        raw = actor.get();
    }
    ASSERT_FALSE(weakActor.expired()) << "the cycle keeps the actor alive";
    raw->Destroy();   // frees the actor from inside its own member function
    EXPECT_TRUE(weakActor.expired());
}
