// The engine's one event switchboard: listeners per event type in registration order, synchronous triggers,
// and a double-buffered queue dispatched once per frame within a time budget. Single-threaded; no locks.
// It stores listeners as raw delegates and owns none of them.
#pragma once

#include "app/FrameTimer.h"
#include "events/IEventManager.h"

#include <deque>
#include <list>
#include <map>
#include <string>

class EventManager : public IEventManager
{
public:
    // `debugName` is for diagnostics only. `budgetClock` replaces the budget timer's clock (tests drive it).
    explicit EventManager(const std::string& debugName);
    EventManager(const std::string& debugName, FrameTimer::TimeSource budgetClock);
    ~EventManager() override;

    bool AddListener(const EventDelegate& delegate, const EventType& type) override;
    // Safe from inside a listener, even for the list being dispatched: the entry is only marked there and
    // unlinked once the outermost dispatch has finished, so no other listener is skipped.
    bool RemoveListener(const EventDelegate& delegate, const EventType& type) override;
    bool TriggerEvent(const SharedEventData& event) override;
    bool QueueEvent(const SharedEventData& event) override;
    bool AbortEvent(const EventType& type, bool allOfType) override;
    // The budget is checked after each event, so at least one pending event is delivered per call even
    // with a budget of 0. Events queued by listeners during the call wait for the next one.
    bool Update(float maxSeconds) override;
    std::vector<SharedEventData> GetPendingEvents() const override;

    const std::string& GetDebugName() const { return m_debugName; }
    // Events waiting for the next Update.
    std::size_t GetPendingEventCount() const;

private:
    struct Listener
    {
        EventDelegate delegate;
        bool removed = false;   // removed during a dispatch; unlinked when the dispatch ends
    };
    using ListenerList = std::list<Listener>;

    // Calls the live listeners front to back, including any appended while the walk runs.
    void Dispatch(ListenerList& listeners, const SharedEventData& event);
    void UnlinkRemovedListeners();

    std::map<EventType, ListenerList> m_listeners;   // an entry, once made, stays even when its list empties
    FrameTimer m_budgetTimer;
    std::string m_debugName;
    // Deques rather than lists: a million queued events a second would otherwise mean a million node
    // allocations; order, front removal and the carry-over splice behave the same.
    std::deque<SharedEventData> m_queues[2];
    int m_activeQueue = 0;     // the queue QueueEvent appends to
    int m_dispatchDepth = 0;   // listeners may trigger events, so dispatches nest
    bool m_hasRemovedListeners = false;
};
