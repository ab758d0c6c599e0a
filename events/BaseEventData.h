// Common base of the concrete events: stamps each event with the steady clock when it is constructed.
// It adds no payload and no type id; those belong to the EvtData_ classes.
#pragma once

#include "events/IEventData.h"

class BaseEventData : public IEventData
{
public:
    BaseEventData();

    EventTimeStamp GetTimeStamp() const override { return m_timeStamp; }

private:
    const EventTimeStamp m_timeStamp;
};
