// EventManager: registration, trigger, queue, abort and the budgeted update.
// It does not catch what listeners throw, and it is not re-entrant through Update.
#include "events/EventManager.h"

#include <algorithm>

EventManager::EventManager(const std::string& debugName) : m_debugName(debugName)
{
}

EventManager::EventManager(const std::string& debugName, FrameTimer::TimeSource budgetClock)
    : m_budgetTimer(std::move(budgetClock)), m_debugName(debugName)
{
}

EventManager::~EventManager() = default;

bool EventManager::AddListener(const EventDelegate& delegate, const EventType& type)
{
    ListenerList& listeners = m_listeners[type];
    const bool alreadyThere = std::any_of(listeners.begin(), listeners.end(), [&](const Listener& listener) {
        return !listener.removed && listener.delegate == delegate;
    });
    if (alreadyThere)
    {
        return false;
    }
    listeners.push_back(Listener{delegate});
    return true;
}

bool EventManager::RemoveListener(const EventDelegate& delegate, const EventType& type)
{
    const auto found = m_listeners.find(type);
    if (found == m_listeners.end())
    {
        return false;
    }
    ListenerList& listeners = found->second;
    for (auto it = listeners.begin(); it != listeners.end(); ++it)
    {
        if (it->removed || !(it->delegate == delegate))
        {
            continue;
        }
        if (m_dispatchDepth > 0)
        {
            // A walk may be standing on this node; unlinking it now would pull the list out from under it.
            it->removed = true;
            m_hasRemovedListeners = true;
        }
        else
        {
            listeners.erase(it);
        }
        return true;
    }
    return false;
}

bool EventManager::TriggerEvent(const SharedEventData& event)
{
    if (!event)
    {
        return false;
    }
    const auto found = m_listeners.find(event->GetEventType());
    if (found == m_listeners.end())
    {
        return false;
    }
    ListenerList& listeners = found->second;
    const bool anyLive =
        std::any_of(listeners.begin(), listeners.end(), [](const Listener& listener) { return !listener.removed; });
    if (!anyLive)
    {
        return false;
    }
    Dispatch(listeners, event);
    return true;
}

bool EventManager::QueueEvent(const SharedEventData& event)
{
    if (!event)
    {
        return false;
    }
    // Types that never had a listener are refused outright, so events nobody can hear do not pile up.
    if (m_listeners.find(event->GetEventType()) == m_listeners.end())
    {
        return false;
    }
    m_queues[m_activeQueue].push_back(event);
    return true;
}

bool EventManager::AbortEvent(const EventType& type, bool allOfType)
{
    if (m_listeners.find(type) == m_listeners.end())
    {
        return false;
    }
    bool removedAny = false;
    std::deque<SharedEventData>& queue = m_queues[m_activeQueue];
    for (auto it = queue.begin(); it != queue.end();)
    {
        if ((*it)->GetEventType() != type)
        {
            ++it;
            continue;
        }
        it = queue.erase(it);
        removedAny = true;
        if (!allOfType)
        {
            break;
        }
    }
    return removedAny;
}

bool EventManager::Update(float maxSeconds)
{
    m_budgetTimer.Start();   // the budget timer always runs, so Start restarts its measured run here

    const int processing = m_activeQueue;
    m_activeQueue = (processing + 1) % 2;
    m_queues[m_activeQueue].clear();

    std::deque<SharedEventData>& queue = m_queues[processing];
    while (!queue.empty())
    {
        const SharedEventData event = std::move(queue.front());
        queue.pop_front();

        const auto found = m_listeners.find(event->GetEventType());
        if (found != m_listeners.end())
        {
            Dispatch(found->second, event);
        }

        m_budgetTimer.Tick();
        if (m_budgetTimer.TotalTime() >= maxSeconds)
        {
            break;
        }
    }

    const bool allDispatched = queue.empty();
    // Left-overs go first in the next update, ahead of everything queued during this one.
    if (!allDispatched)
    {
        std::deque<SharedEventData>& next = m_queues[m_activeQueue];
        next.insert(next.begin(), std::make_move_iterator(queue.begin()), std::make_move_iterator(queue.end()));
        queue.clear();
    }
    return allDispatched;
}

std::size_t EventManager::GetPendingEventCount() const
{
    return m_queues[m_activeQueue].size();
}

std::vector<SharedEventData> EventManager::GetPendingEvents() const
{
    const std::deque<SharedEventData>& queue = m_queues[m_activeQueue];
    return std::vector<SharedEventData>(queue.begin(), queue.end());
}

void EventManager::Dispatch(ListenerList& listeners, const SharedEventData& event)
{
    ++m_dispatchDepth;
    // std::list iterators survive push_back, so listeners appended during the walk are reached in this
    // dispatch; removed ones stay linked (marked) until the outermost dispatch ends.
    for (auto it = listeners.begin(); it != listeners.end(); ++it)
    {
        if (!it->removed)
        {
            it->delegate(event);
        }
    }
    --m_dispatchDepth;

    if (m_dispatchDepth == 0 && m_hasRemovedListeners)
    {
        UnlinkRemovedListeners();
    }
}

void EventManager::UnlinkRemovedListeners()
{
    for (auto& entry : m_listeners)
    {
        entry.second.remove_if([](const Listener& listener) { return listener.removed; });
    }
    m_hasRemovedListeners = false;
}
