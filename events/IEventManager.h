// The event manager's interface and the process-wide pointer through which every part reaches it.
// Only EventManager implements it; construction and destruction keep the pointer up to date.
#pragma once

#include "events/EventDelegate.h"

#include <vector>

class IEventManager
{
public:
    // The newest manager becomes the process-wide one. An older manager is not destroyed here: its owner
    // still holds it and frees it later, and its destructor then leaves the pointer alone.
    IEventManager();
    virtual ~IEventManager();

    IEventManager(const IEventManager&) = delete;
    IEventManager& operator=(const IEventManager&) = delete;

    // The process-wide manager, or null before one is built and after it is destroyed.
    static IEventManager* Get();

    // False, changing nothing, when the delegate is already registered for the type.
    virtual bool AddListener(const EventDelegate& delegate, const EventType& type) = 0;
    // False when the type never had a listener or the delegate is not registered for it.
    virtual bool RemoveListener(const EventDelegate& delegate, const EventType& type) = 0;
    // Calls every listener of the event's type at once; false when it has none.
    virtual bool TriggerEvent(const SharedEventData& event) = 0;
    // Appends the event for the next Update; false (the event is dropped) for a null event or a type that
    // never had a listener.
    virtual bool QueueEvent(const SharedEventData& event) = 0;
    // Removes the first (or every) pending event of the type; true when at least one was removed.
    virtual bool AbortEvent(const EventType& type, bool allOfType) = 0;
    // Dispatches the events queued before this call until `maxSeconds` have been spent; the rest wait, in
    // order, for the next update. True when nothing was left over.
    virtual bool Update(float maxSeconds) = 0;
    // The events waiting for the next Update, in order; the same shared events, not copies. Whoever puts the
    // timeline back to an earlier moment queues them again (after aborting what is waiting then).
    virtual std::vector<SharedEventData> GetPendingEvents() const = 0;
};
