// Announces an actor created by world loading. Queued once per static actor; nothing listens for it, so the
// manager drops it (queueing refuses types that never had a listener).
#pragma once

#include "events/BaseEventData.h"

class EvtData_New_Actor : public BaseEventData
{
public:
    static const EventType s_eventType;
    static const std::string s_name;

    // World loading stores 0xFFFFFFFF in `secondaryId`, meaning "no second id".
    EvtData_New_Actor(ActorId actorId, unsigned secondaryId);

    const EventType& GetEventType() const override { return s_eventType; }
    const std::string& GetName() const override { return s_name; }
    void Serialize(std::ostream& out) const override;
    void Deserialize(std::istream& in) override;
    SharedEventData Copy() const override;

    ActorId GetActorId() const { return m_actorId; }
    unsigned GetSecondaryId() const { return m_secondaryId; }

private:
    ActorId m_actorId;
    unsigned m_secondaryId;
};
