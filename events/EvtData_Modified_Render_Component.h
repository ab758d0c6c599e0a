// Tells the scene tree that an actor's render component was re-initialised by an override, so the node
// refreshes what it read from the component. Carries only the actor id.
#pragma once

#include "events/BaseEventData.h"

class EvtData_Modified_Render_Component : public BaseEventData
{
public:
    static const EventType s_eventType;
    static const std::string s_name;

    explicit EvtData_Modified_Render_Component(ActorId actorId);

    const EventType& GetEventType() const override { return s_eventType; }
    const std::string& GetName() const override { return s_name; }
    // The id alone, with no trailing separator.
    void Serialize(std::ostream& out) const override;
    void Deserialize(std::istream& in) override;
    SharedEventData Copy() const override;

    ActorId GetActorId() const { return m_actorId; }

private:
    ActorId m_actorId;
};
