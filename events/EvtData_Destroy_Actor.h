// Asks the scene tree to drop an actor's node. No part of the engine sends it today; the scene tree listens,
// so a future sender needs nothing more than this class.
#pragma once

#include "events/BaseEventData.h"

class EvtData_Destroy_Actor : public BaseEventData
{
public:
    static const EventType s_eventType;
    static const std::string s_name;

    explicit EvtData_Destroy_Actor(ActorId actorId);

    const EventType& GetEventType() const override { return s_eventType; }
    const std::string& GetName() const override { return s_name; }
    // Same form as the other id-only event: the id with no trailing separator.
    void Serialize(std::ostream& out) const override;
    void Deserialize(std::istream& in) override;
    SharedEventData Copy() const override;

    ActorId GetActorId() const { return m_actorId; }

private:
    ActorId m_actorId;
};
