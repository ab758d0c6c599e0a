// The interface of every event sent through the event manager, and the shared pointer events travel in.
// Events are immutable once sent; nothing here dispatches them (that is EventManager's job).
#pragma once

#include "events/EngineTypes.h"

#include <chrono>
#include <iosfwd>
#include <memory>
#include <string>

class IEventData;

// Shared by sender, queue and listeners; an event is never copied on dispatch.
using SharedEventData = std::shared_ptr<IEventData>;

using EventTimeStamp = std::chrono::time_point<std::chrono::steady_clock, std::chrono::nanoseconds>;

class IEventData
{
public:
    virtual ~IEventData() = default;

    virtual const EventType& GetEventType() const = 0;
    virtual EventTimeStamp GetTimeStamp() const = 0;
    // The payload as text, values separated by single spaces; the time stamp is not part of it.
    virtual void Serialize(std::ostream& out) const = 0;
    // Reads what Serialize wrote, overwriting the payload. A malformed stream leaves `in` failed.
    virtual void Deserialize(std::istream& in) = 0;
    // A fresh event of the same class and payload, stamped with the moment of copying.
    virtual SharedEventData Copy() const = 0;
    virtual const std::string& GetName() const = 0;
};
