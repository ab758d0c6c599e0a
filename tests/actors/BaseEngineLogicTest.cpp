// The engine logic: world loading from real files, bad entries, the move listener, per-frame time,
// actor creation while running, and that shutdown frees every actor and component.
#include "actors/Actor.h"
#include "actors/ActorFactory.h"
#include "actors/BaseEngineLogic.h"
#include "actors/MeshParseCache.h"
#include "actors/ProcessManager.h"
#include "actors/TransformComponent.h"
#include "events/EventManager.h"
#include "events/EvtData_Move_Actor.h"
#include "events/EvtData_New_Actor.h"
#include "events/EvtData_Request_New_Actor.h"
#include "tests/ScratchDirectory.h"
#include "tests/actors/TestComponents.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
std::size_t LineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

struct CountingProcess : Process
{
    void OnUpdate(float deltaMs) override { updates.push_back(deltaMs); }
    std::vector<float> updates;
};

// Collects every event of one type it is registered for.
struct EventCollector
{
    std::vector<SharedEventData> events;
    static void OnEvent(void* object, SharedEventData event)
    {
        static_cast<EventCollector*>(object)->events.push_back(event);
    }
    EventDelegate Delegate() { return EventDelegate(this, &EventCollector::OnEvent); }
};

class EngineLogicTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ComponentCalls().clear();
        logic = std::make_unique<BaseEngineLogic>();
        logic->SetState(EngineLogicState::Initialising);
        ASSERT_TRUE(logic->Init());
        logic->GetActorFactory()->RegisterComponent<ProbeComponent>();
        logic->SetState(EngineLogicState::LoadingWorld);

        crate = scratch.Write("Crate.xml", R"(<Actor type="Crate" resource="Crate.xml">
  <TransformComponent><Position x="1" y="2" z="3"/></TransformComponent>
  <ProbeComponent/>
</Actor>)");
        bare = scratch.Write("Bare.xml", R"(<Actor type="Bare" resource="Bare.xml"><ProbeComponent/></Actor>)");
    }

    // Writes a world whose StaticActors element holds `entries`, and loads it with errors captured.
    bool LoadWorldWith(const std::string& entries)
    {
        const std::string world =
            scratch.Write("World.xml", "<World>\n<StaticActors>\n" + entries + "</StaticActors>\n</World>\n");
        return Load(world);
    }

    bool Load(const std::string& worldFile)
    {
        testing::internal::CaptureStderr();
        const bool loaded = logic->LoadWorld(worldFile.c_str());
        errors = testing::internal::GetCapturedStderr();
        return loaded;
    }

    std::string Entry(const std::string& file, const std::string& children = "")
    {
        return "<Actor resource=\"" + file + "\">" + children + "</Actor>\n";
    }

    std::shared_ptr<TransformComponent> TransformOf(ActorId id)
    {
        const auto actor = logic->GetActor(id).lock();
        return actor ? std::dynamic_pointer_cast<TransformComponent>(actor->GetComponent("TransformComponent").lock())
                     : nullptr;
    }

    EventManager manager{"Vantor Event Mgr"};
    ScratchDirectory scratch;
    std::unique_ptr<BaseEngineLogic> logic;
    std::string crate;
    std::string bare;
    std::string errors;
};
}

TEST_F(EngineLogicTest, MissingDefinitionIsReportedAndConsumesNoId)
{
    const std::string missing = scratch.File("Missing.xml");
    EXPECT_TRUE(LoadWorldWith(Entry(crate) + Entry(missing) + Entry(bare)));
    EXPECT_EQ(logic->GetActorCount(), 2u);
    EXPECT_EQ(logic->GetActor(1).lock()->GetType(), "Crate");
    EXPECT_EQ(logic->GetActor(2).lock()->GetType(), "Bare");
    EXPECT_TRUE(logic->GetActor(3).expired());
    EXPECT_NE(errors.find(missing), std::string::npos) << errors;
    EXPECT_EQ(LineCount(errors), 1u) << errors;
}

TEST_F(EngineLogicTest, EntryWithoutResourceIsSkippedAndLoadingGoesOn)
{
    EXPECT_TRUE(LoadWorldWith("<Actor/>\n" + Entry(crate)));
    EXPECT_EQ(logic->GetActorCount(), 1u);
    EXPECT_FALSE(logic->GetActor(1).expired());
    EXPECT_NE(errors.find("World.xml"), std::string::npos) << errors;
    EXPECT_NE(errors.find("line 3"), std::string::npos) << errors;
    EXPECT_NE(errors.find("\"resource\""), std::string::npos) << errors;
    EXPECT_EQ(LineCount(errors), 1u) << errors;
}

TEST_F(EngineLogicTest, WorldWithoutStaticActorsIsEmptyButLoaded)
{
    EXPECT_TRUE(Load(scratch.Write("Empty.xml", "<World><Other/></World>")));
    EXPECT_EQ(logic->GetActorCount(), 0u);
    EXPECT_TRUE(errors.empty()) << errors;
}

TEST_F(EngineLogicTest, UnreadableOrMalformedWorldLoadsNothing)
{
    EXPECT_FALSE(Load(scratch.File("NoSuchWorld.xml")));
    EXPECT_NE(errors.find("NoSuchWorld.xml"), std::string::npos) << errors;
    EXPECT_EQ(LineCount(errors), 1u) << errors;

    // The first entry parses before the error; a half-read world still builds nothing.
    const std::string broken =
        scratch.Write("Broken.xml", "<World><StaticActors>" + Entry(crate) + "<Actor resource=\"x\"");
    EXPECT_FALSE(Load(broken));
    EXPECT_NE(errors.find(broken), std::string::npos) << errors;
    EXPECT_EQ(logic->GetActorCount(), 0u);

    EXPECT_FALSE(Load(scratch.Write("Blank.xml", "   \n")));
    EXPECT_FALSE(Load(""));
}

TEST_F(EngineLogicTest, EntryChildrenOverrideTheDefinition)
{
    EXPECT_TRUE(LoadWorldWith(Entry(crate, R"(<TransformComponent><Position x="-4"/></TransformComponent>
<ProbeComponent tag="world"/>)")));
    ASSERT_TRUE(TransformOf(1));
    EXPECT_EQ(TransformOf(1)->GetPosition(), (std::array<float, 3>{-4, 0, 0}));
    EXPECT_EQ(ComponentCalls(), (std::vector<std::string>{"ProbeComponent.Init", "ProbeComponent.Init(world)",
                                                          "ProbeComponent.OnChanged", "ProbeComponent.PostInit"}));
}

TEST_F(EngineLogicTest, EachLoadedActorIsOfferedAsANewActorEvent)
{
    // Nobody listens in the engine, so the offers are dropped there.
    EXPECT_TRUE(LoadWorldWith(Entry(crate) + Entry(bare)));
    EXPECT_EQ(manager.GetPendingEventCount(), 0u);

    // With a listener they are queued, one per actor, without a second id.
    EventCollector collector;
    manager.AddListener(collector.Delegate(), EvtData_New_Actor::s_eventType);
    EXPECT_TRUE(LoadWorldWith(Entry(crate) + Entry(bare)));
    EXPECT_TRUE(collector.events.empty()) << "queued, not triggered";
    manager.Update(20.0f);
    ASSERT_EQ(collector.events.size(), 2u);
    const auto& first = dynamic_cast<const EvtData_New_Actor&>(*collector.events[0]);
    EXPECT_EQ(first.GetActorId(), 3u);
    EXPECT_EQ(first.GetSecondaryId(), 0xFFFFFFFFu);
    manager.RemoveListener(collector.Delegate(), EvtData_New_Actor::s_eventType);
}

TEST_F(EngineLogicTest, QueuedMoveReachesTheTransformAtTheNextUpdate)
{
    ASSERT_TRUE(LoadWorldWith(Entry(crate)));
    logic->SetState(EngineLogicState::Running);
    const Matrix4x4 target = Matrix4x4::RotationYawPitchRoll(1, 0, 0) * Matrix4x4::Translation(5, 6, 7);
    EXPECT_TRUE(manager.QueueEvent(std::make_shared<EvtData_Move_Actor>(1, target)));
    EXPECT_EQ(TransformOf(1)->GetPosition(), (std::array<float, 3>{1, 2, 3}));
    manager.Update(20.0f);
    EXPECT_EQ(TransformOf(1)->GetTransform(), target);
}

TEST_F(EngineLogicTest, MovesForUnknownActorsOrActorsWithoutTransformDoNothing)
{
    ASSERT_TRUE(LoadWorldWith(Entry(crate) + Entry(bare)));
    const Matrix4x4 before = TransformOf(1)->GetTransform();
    logic->MoveActor(2, Matrix4x4::Translation(9, 9, 9));
    logic->MoveActor(99, Matrix4x4::Translation(9, 9, 9));
    logic->MoveActor(0, Matrix4x4::Translation(9, 9, 9));
    EXPECT_EQ(TransformOf(1)->GetTransform(), before);
    EXPECT_EQ(logic->GetActor(2).lock()->GetComponentCount(), 1u);
}

TEST_F(EngineLogicTest, ComponentsReceiveWholeMillisecondsEveryFrame)
{
    ASSERT_TRUE(LoadWorldWith(Entry(crate)));
    const auto probe =
        std::dynamic_pointer_cast<ProbeComponent>(logic->GetActor(1).lock()->GetComponent("ProbeComponent").lock());
    ASSERT_TRUE(probe);

    logic->OnUpdate(100.0f, 0.0169f);
    EXPECT_EQ(probe->LastDeltaMs(), 16.0f);
    logic->OnUpdate(100.0f, 0.0009f);
    EXPECT_EQ(probe->LastDeltaMs(), 0.0f);
    logic->OnUpdate(100.0f, 1.0e9f);
    EXPECT_GT(probe->LastDeltaMs(), 2.0e9f) << "an absurd frame time is clamped, not undefined";
    EXPECT_NEAR(logic->GetLifetime(), 0.0169f + 0.0009f + 1.0e9f, 1.0f);
}

TEST_F(EngineLogicTest, ProcessesRunOnlyWhileRunning)
{
    auto process = std::make_shared<CountingProcess>();
    logic->GetProcessManager()->AttachProcess(process);
    logic->OnUpdate(0.0f, 0.0205f);
    EXPECT_TRUE(process->updates.empty());
    logic->SetState(EngineLogicState::Running);
    logic->OnUpdate(0.0f, 0.0205f);
    EXPECT_EQ(process->updates, (std::vector<float>{20.0f}));
}

TEST_F(EngineLogicTest, CreatingWhileRunningAnnouncesTheActorBeforeReturning)
{
    EventCollector collector;
    manager.AddListener(collector.Delegate(), EvtData_Request_New_Actor::s_eventType);

    ASSERT_TRUE(logic->CreateActor(crate, nullptr, nullptr, 0));
    EXPECT_TRUE(collector.events.empty()) << "not while loading the world";

    logic->SetState(EngineLogicState::Running);
    const Matrix4x4 initial = Matrix4x4::Translation(4, 5, 6);
    const auto actor = logic->CreateActor(crate, nullptr, &initial, 0);
    ASSERT_TRUE(actor);
    ASSERT_EQ(collector.events.size(), 1u);
    const auto& request = dynamic_cast<const EvtData_Request_New_Actor&>(*collector.events[0]);
    EXPECT_EQ(request.GetResource(), crate);
    EXPECT_TRUE(request.HasTransform());
    EXPECT_EQ(request.GetActorId(), actor->GetId());
    manager.RemoveListener(collector.Delegate(), EvtData_Request_New_Actor::s_eventType);
}

TEST_F(EngineLogicTest, RequestedIdAlreadyTakenKeepsTheFirstActor)
{
    const auto first = logic->CreateActor(crate, nullptr, nullptr, 0);
    const auto second = logic->CreateActor(bare, nullptr, nullptr, first->GetId());
    ASSERT_TRUE(second);
    EXPECT_EQ(second->GetId(), first->GetId());
    EXPECT_EQ(logic->GetActor(first->GetId()).lock(), first);
    EXPECT_EQ(logic->GetActorCount(), 1u);
    second->Destroy();
    EXPECT_TRUE(logic->GetActor(42).expired());
}

TEST_F(EngineLogicTest, ShutdownFreesActorsAndComponentsAndStopsListening)
{
    ASSERT_TRUE(LoadWorldWith(Entry(crate) + Entry(bare)));
    std::vector<std::weak_ptr<Actor>> actors;
    std::vector<std::weak_ptr<ActorComponent>> components;
    for (ActorId id : {1u, 2u})
    {
        const auto actor = logic->GetActor(id).lock();
        actors.push_back(actor);
        components.push_back(actor->GetComponent("ProbeComponent"));
    }
    components.push_back(TransformOf(1));
    // A component still held elsewhere survives, but no longer keeps its actor alive.
    const std::shared_ptr<ActorComponent> kept = components.back().lock();

    logic.reset();

    for (const auto& actor : actors)
    {
        EXPECT_TRUE(actor.expired());
    }
    EXPECT_TRUE(components[0].expired());
    EXPECT_TRUE(components[1].expired());
    EXPECT_EQ(kept->GetOwner(), nullptr);
    EXPECT_FALSE(manager.TriggerEvent(std::make_shared<EvtData_Move_Actor>(1, Matrix4x4{})))
        << "the move listener was removed";
}

TEST(EngineLogicWithoutManager, InitNeedsAnEventManager)
{
    ASSERT_EQ(IEventManager::Get(), nullptr);
    BaseEngineLogic logic;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(logic.Init());
    EXPECT_EQ(LineCount(testing::internal::GetCapturedStderr()), 1u);
}

// A world names one definition for many actors, and a load reads it from disk once: each actor still gets
// components of its own with its own overrides, and the next load reads the definition as it is then.
TEST_F(EngineLogicTest, ActorsOfOneDefinitionAreEachTheirOwnAndTheNextLoadReadsItAgain)
{
    std::string entries;
    for (int i = 1; i <= 4; ++i)
    {
        entries +=
            Entry(crate, "<TransformComponent><Position x=\"" + std::to_string(10 * i) + "\"/></TransformComponent>");
    }
    entries += Entry(crate);
    ASSERT_TRUE(LoadWorldWith(entries));
    ASSERT_EQ(logic->GetActorCount(), 5u);
    for (ActorId id = 1; id <= 4; ++id)
    {
        ASSERT_TRUE(TransformOf(id));
        EXPECT_EQ(TransformOf(id)->GetPosition(), (std::array<float, 3>{10.0f * static_cast<float>(id), 0, 0}));
    }
    EXPECT_EQ(TransformOf(5)->GetPosition(), (std::array<float, 3>{1, 2, 3})) << "the definition as written";
    EXPECT_NE(TransformOf(1).get(), TransformOf(2).get());
    EXPECT_EQ(MeshParseCache::Instance(), nullptr) << "the load's own parse cache went with it";

    scratch.Write("Crate.xml", R"(<Actor type="Crate" resource="Crate.xml">
  <TransformComponent><Position x="7" y="8" z="9"/></TransformComponent>
  <ProbeComponent/>
</Actor>)");
    ASSERT_TRUE(LoadWorldWith(Entry(crate)));
    ASSERT_TRUE(TransformOf(6));
    EXPECT_EQ(TransformOf(6)->GetPosition(), (std::array<float, 3>{7, 8, 9}));
}
