// The event manager: registration rules, trigger and queue delivery order, the time budget and its
// carry-over, abort, changes to the listener lists during a dispatch, and the process-wide pointer.
#include "events/EventManager.h"
#include "events/EvtData_Destroy_Actor.h"
#include "events/EvtData_Move_Actor.h"
#include "events/EvtData_New_Actor.h"
#include "tests/app/FakeClock.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
const EventType kMove = EvtData_Move_Actor::s_eventType;
const EventType kDestroy = EvtData_Destroy_Actor::s_eventType;

SharedEventData Move(ActorId id)
{
    return std::make_shared<EvtData_Move_Actor>(id, Matrix4x4{});
}

SharedEventData Destroy(ActorId id)
{
    return std::make_shared<EvtData_Destroy_Actor>(id);
}

ActorId IdOf(const SharedEventData& event)
{
    if (const auto* move = dynamic_cast<const EvtData_Move_Actor*>(event.get()))
    {
        return move->GetActorId();
    }
    return dynamic_cast<const EvtData_Destroy_Actor&>(*event).GetActorId();
}

// A listener that logs "name:id" for every event it receives and may run an action afterwards.
struct Recorder
{
    std::string name;
    std::vector<std::string>* log;
    std::function<void(const SharedEventData&)> action;
    std::vector<SharedEventData> received;

    static void OnEvent(void* object, SharedEventData event)
    {
        auto* self = static_cast<Recorder*>(object);
        self->log->push_back(self->name + ":" + std::to_string(IdOf(event)));
        self->received.push_back(event);
        if (self->action)
        {
            self->action(event);
        }
    }
    // A second function, so that one object can listen twice.
    static void OnEventAgain(void* object, SharedEventData event)
    {
        auto* self = static_cast<Recorder*>(object);
        self->log->push_back(self->name + "-again:" + std::to_string(IdOf(event)));
    }

    EventDelegate Delegate() { return EventDelegate(this, &Recorder::OnEvent); }
};

class EventManagerTest : public testing::Test
{
protected:
    FakeClock clock;
    EventManager manager{"Test Event Mgr", clock.Source()};
    std::vector<std::string> log;
    Recorder a{"a", &log, {}, {}};
    Recorder b{"b", &log, {}, {}};
    Recorder c{"c", &log, {}, {}};
};
}

TEST_F(EventManagerTest, DuplicateRegistrationIsRefusedAndDeliversOnce)
{
    EXPECT_TRUE(manager.AddListener(a.Delegate(), kMove));
    EXPECT_FALSE(manager.AddListener(a.Delegate(), kMove));
    EXPECT_TRUE(manager.AddListener(a.Delegate(), kDestroy)) << "the same delegate may listen to another type";
    EXPECT_TRUE(manager.TriggerEvent(Move(1)));
    EXPECT_EQ(log, (std::vector<std::string>{"a:1"}));
}

TEST_F(EventManagerTest, ObjectAndFunctionTogetherIdentifyAListener)
{
    const EventDelegate second(&a, &Recorder::OnEventAgain);
    EXPECT_TRUE(manager.AddListener(a.Delegate(), kMove));
    EXPECT_TRUE(manager.AddListener(second, kMove));
    EXPECT_TRUE(manager.AddListener(EventDelegate(&b, &Recorder::OnEvent), kMove)) << "same function, other object";
    EXPECT_TRUE(manager.RemoveListener(a.Delegate(), kMove));
    EXPECT_FALSE(manager.RemoveListener(a.Delegate(), kMove));
    manager.TriggerEvent(Move(2));
    EXPECT_EQ(log, (std::vector<std::string>{"a-again:2", "b:2"}));
}

TEST_F(EventManagerTest, TriggerCallsListenersInRegistrationOrderWithTheSameEvent)
{
    manager.AddListener(b.Delegate(), kMove);
    manager.AddListener(a.Delegate(), kMove);
    manager.AddListener(c.Delegate(), kMove);
    const SharedEventData event = Move(3);
    EXPECT_TRUE(manager.TriggerEvent(event));
    EXPECT_EQ(log, (std::vector<std::string>{"b:3", "a:3", "c:3"}));
    ASSERT_EQ(a.received.size(), 1u);
    EXPECT_EQ(a.received[0].get(), event.get()) << "listeners share the event; it is never copied";
}

TEST_F(EventManagerTest, TypesWithoutListenersAreRefused)
{
    EXPECT_FALSE(manager.TriggerEvent(Move(1)));
    EXPECT_FALSE(manager.QueueEvent(Move(1)));
    EXPECT_FALSE(manager.QueueEvent(nullptr));
    EXPECT_FALSE(manager.TriggerEvent(nullptr));
    EXPECT_FALSE(manager.RemoveListener(a.Delegate(), kMove));
    EXPECT_FALSE(manager.AbortEvent(kMove, true));

    // An event queued before any listener existed is gone for good.
    manager.AddListener(a.Delegate(), kMove);
    EXPECT_TRUE(manager.Update(20.0f));
    EXPECT_TRUE(log.empty());
}

TEST_F(EventManagerTest, AnEmptiedTypeStillQueuesButNoLongerTriggers)
{
    manager.AddListener(a.Delegate(), kMove);
    manager.RemoveListener(a.Delegate(), kMove);
    EXPECT_TRUE(manager.QueueEvent(Move(1)));
    EXPECT_FALSE(manager.TriggerEvent(Move(1)));
    EXPECT_TRUE(manager.Update(20.0f));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(manager.GetPendingEventCount(), 0u);
}

TEST_F(EventManagerTest, QueuedEventsArriveAtTheNextUpdateInQueueOrder)
{
    manager.AddListener(a.Delegate(), kMove);
    manager.AddListener(b.Delegate(), kDestroy);
    manager.QueueEvent(Move(1));
    manager.QueueEvent(Destroy(2));
    manager.QueueEvent(Move(3));
    EXPECT_TRUE(log.empty()) << "queueing delivers nothing by itself";
    EXPECT_TRUE(manager.Update(20.0f));
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "b:2", "a:3"}));
    EXPECT_TRUE(manager.Update(20.0f));
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(EventManagerTest, EventsQueuedByListenersWaitForTheNextUpdate)
{
    a.action = [&](const SharedEventData& event) {
        if (IdOf(event) < 3)
        {
            manager.QueueEvent(Move(IdOf(event) + 1));
        }
    };
    manager.AddListener(a.Delegate(), kMove);
    manager.QueueEvent(Move(1));
    manager.Update(20.0f);
    EXPECT_EQ(log, (std::vector<std::string>{"a:1"}));
    manager.Update(20.0f);
    manager.Update(20.0f);
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "a:2", "a:3"}));
}

TEST_F(EventManagerTest, BudgetCarriesTheRestOverAheadOfLaterEvents)
{
    // Each delivery takes one fake second, so a one-second budget is spent by the first event.
    a.action = [&](const SharedEventData&) { clock.Advance(1.0); };
    manager.AddListener(a.Delegate(), kMove);
    manager.QueueEvent(Move(1));
    manager.QueueEvent(Move(2));
    manager.QueueEvent(Move(3));

    EXPECT_FALSE(manager.Update(1.0f));
    EXPECT_EQ(log, (std::vector<std::string>{"a:1"}));
    EXPECT_EQ(manager.GetPendingEventCount(), 2u);

    manager.QueueEvent(Move(4));
    EXPECT_TRUE(manager.Update(20.0f));
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "a:2", "a:3", "a:4"}));
}

TEST_F(EventManagerTest, LeftoversGoBeforeEventsQueuedDuringTheSameUpdate)
{
    a.action = [&](const SharedEventData& event) {
        clock.Advance(0.6);
        if (IdOf(event) == 1)
        {
            manager.QueueEvent(Move(10));
        }
    };
    manager.AddListener(a.Delegate(), kMove);
    manager.QueueEvent(Move(1));
    manager.QueueEvent(Move(2));
    manager.QueueEvent(Move(3));

    EXPECT_FALSE(manager.Update(1.0f));   // 1 (0.6 s) and 2 (1.2 s) go out, 3 is left
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "a:2"}));
    EXPECT_TRUE(manager.Update(20.0f));
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "a:2", "a:3", "a:10"}));
}

TEST_F(EventManagerTest, AZeroBudgetStillDeliversOneEventPerUpdate)
{
    manager.AddListener(a.Delegate(), kMove);
    manager.QueueEvent(Move(1));
    manager.QueueEvent(Move(2));
    EXPECT_FALSE(manager.Update(0.0f));
    EXPECT_TRUE(manager.Update(0.0f));
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "a:2"}));
    EXPECT_TRUE(manager.Update(0.0f)) << "nothing pending counts as all delivered";
}

TEST_F(EventManagerTest, AbortRemovesTheFirstOrEveryPendingEventOfAType)
{
    manager.AddListener(a.Delegate(), kMove);
    manager.AddListener(b.Delegate(), kDestroy);
    manager.QueueEvent(Move(1));
    manager.QueueEvent(Destroy(2));
    manager.QueueEvent(Move(3));
    EXPECT_TRUE(manager.AbortEvent(kMove, false));
    manager.Update(20.0f);
    EXPECT_EQ(log, (std::vector<std::string>{"b:2", "a:3"}));

    log.clear();
    manager.QueueEvent(Move(4));
    manager.QueueEvent(Move(5));
    manager.QueueEvent(Destroy(6));
    EXPECT_TRUE(manager.AbortEvent(kMove, true));
    EXPECT_FALSE(manager.AbortEvent(kMove, true)) << "nothing of the type is left";
    manager.Update(20.0f);
    EXPECT_EQ(log, (std::vector<std::string>{"b:6"}));
}

TEST_F(EventManagerTest, AbortDoesNotTouchTheQueueBeingDelivered)
{
    a.action = [&](const SharedEventData& event) {
        if (IdOf(event) == 1)
        {
            EXPECT_FALSE(manager.AbortEvent(kMove, true));
        }
    };
    manager.AddListener(a.Delegate(), kMove);
    manager.QueueEvent(Move(1));
    manager.QueueEvent(Move(2));
    manager.Update(20.0f);
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "a:2"}));
}

TEST_F(EventManagerTest, ListenerRemovingItselfDuringDispatchSkipsNoOther)
{
    b.action = [&](const SharedEventData&) { EXPECT_TRUE(manager.RemoveListener(b.Delegate(), kMove)); };
    manager.AddListener(a.Delegate(), kMove);
    manager.AddListener(b.Delegate(), kMove);
    manager.AddListener(c.Delegate(), kMove);
    EXPECT_TRUE(manager.TriggerEvent(Move(1)));
    EXPECT_TRUE(manager.TriggerEvent(Move(2)));
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "b:1", "c:1", "a:2", "c:2"}));
    EXPECT_TRUE(manager.AddListener(b.Delegate(), kMove)) << "a removed listener may register again";
}

TEST_F(EventManagerTest, ListenerRemovingAnotherDuringDispatchSilencesOnlyThatOne)
{
    a.action = [&](const SharedEventData&) { manager.RemoveListener(b.Delegate(), kMove); };
    manager.AddListener(a.Delegate(), kMove);
    manager.AddListener(b.Delegate(), kMove);
    manager.AddListener(c.Delegate(), kMove);
    manager.QueueEvent(Move(1));
    manager.QueueEvent(Move(2));
    manager.Update(20.0f);
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "c:1", "a:2", "c:2"}));
}

TEST_F(EventManagerTest, RemovalInsideANestedTriggerIsSafe)
{
    // a triggers a destroy event whose listener removes a and b from the move list being walked.
    a.action = [&](const SharedEventData& event) {
        if (IdOf(event) == 1)
        {
            manager.TriggerEvent(Destroy(9));
        }
    };
    c.action = [&](const SharedEventData& event) {
        if (IdOf(event) == 9)
        {
            manager.RemoveListener(a.Delegate(), kMove);
            manager.RemoveListener(b.Delegate(), kMove);
        }
    };
    manager.AddListener(a.Delegate(), kMove);
    manager.AddListener(b.Delegate(), kMove);
    manager.AddListener(c.Delegate(), kMove);
    manager.AddListener(c.Delegate(), kDestroy);
    manager.TriggerEvent(Move(1));
    manager.TriggerEvent(Move(2));
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "c:9", "c:1", "c:2"}));
}

TEST_F(EventManagerTest, ListenerAddedDuringDispatchIsCalledInTheSameDispatch)
{
    a.action = [&](const SharedEventData&) { manager.AddListener(b.Delegate(), kMove); };
    manager.AddListener(a.Delegate(), kMove);
    manager.TriggerEvent(Move(1));
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "b:1"}));
}

TEST_F(EventManagerTest, DestroyingTheManagerReleasesPendingEventsUndelivered)
{
    std::weak_ptr<IEventData> pending;
    {
        EventManager local("Local");
        local.AddListener(a.Delegate(), kMove);
        SharedEventData event = Move(1);
        pending = event;
        local.QueueEvent(event);
    }
    EXPECT_TRUE(pending.expired());
    EXPECT_TRUE(log.empty());
}

TEST(EventManagerProcessPointer, NewestManagerIsProcessWideAndOlderOnesStayUsable)
{
    ASSERT_EQ(IEventManager::Get(), nullptr);
    auto first = std::make_unique<EventManager>("First");
    EXPECT_EQ(IEventManager::Get(), first.get());
    {
        EventManager second("Second");
        EXPECT_EQ(IEventManager::Get(), &second);

        // The first manager is still owned and alive: its owner can use it and free it.
        std::vector<std::string> log;
        Recorder r{"r", &log, {}, {}};
        EXPECT_TRUE(first->AddListener(r.Delegate(), kMove));
        EXPECT_TRUE(first->TriggerEvent(Move(1)));
        EXPECT_EQ(log.size(), 1u);

        first.reset();
        EXPECT_EQ(IEventManager::Get(), &second) << "destroying an older manager leaves the pointer alone";
    }
    EXPECT_EQ(IEventManager::Get(), nullptr);
}
