// A listener as the event manager stores it: an object pointer and a free function (a static trampoline)
// that receives the object and the event. It owns nothing: a listener must remove itself before it dies.
#pragma once

#include "events/IEventData.h"

#include <cassert>

class EventDelegate
{
public:
    // The trampoline casts `object` back to its class and the event to the concrete EvtData_ class it was
    // registered for; the manager only calls it with events of that type.
    using Function = void (*)(void* object, SharedEventData event);

    EventDelegate(void* object, Function function) : m_object(object), m_function(function) {}

    // Each call hands the listener its own share of the event, never a copy of the event itself.
    void operator()(const SharedEventData& event) const { m_function(m_object, event); }

    // Both pointers identify a listener: one object may listen through several functions, and one function
    // may serve several objects.
    bool operator==(const EventDelegate& other) const
    {
        return m_object == other.m_object && m_function == other.m_function;
    }

    void* GetListenerObject() const { return m_object; }
    Function GetFunction() const { return m_function; }

private:
    void* m_object;
    Function m_function;
};

// What a listener's member function taking a concrete event is made of: its class and the event's class.
template <class Member>
struct EventHandlerParts;
template <class Listener_, class Event_>
struct EventHandlerParts<void (Listener_::*)(const Event_&)>
{
    using Listener = Listener_;
    using Event = Event_;
};

// The trampoline of `Handler`, a listener's member function taking the concrete event it was registered for.
template <auto Handler>
void EventTrampoline(void* object, SharedEventData event)
{
    using Parts = EventHandlerParts<decltype(Handler)>;
    assert(event && event->GetEventType() == Parts::Event::s_eventType && "a listener is registered for one type");
    (static_cast<typename Parts::Listener*>(object)->*Handler)(static_cast<const typename Parts::Event&>(*event));
}

// The delegate that calls `Handler` on `object`: ListenerDelegate<&SceneTree::OnMoveActor>(this). The same
// handler and object always make an equal delegate, so one expression both adds and removes a listener.
template <auto Handler>
EventDelegate ListenerDelegate(typename EventHandlerParts<decltype(Handler)>::Listener* object)
{
    return EventDelegate(object, &EventTrampoline<Handler>);
}
