// Carries an actor's complete new world transform. Queued by the scripted scene each frame; the scene tree
// and the engine logic apply it when the manager next runs its queue.
#pragma once

#include "events/BaseEventData.h"
#include "events/Matrix4x4.h"

class EvtData_Move_Actor : public BaseEventData
{
public:
    static const EventType s_eventType;
    static const std::string s_name;

    EvtData_Move_Actor(ActorId actorId, const Matrix4x4& transform);

    const EventType& GetEventType() const override { return s_eventType; }
    const std::string& GetName() const override { return s_name; }
    void Serialize(std::ostream& out) const override;
    void Deserialize(std::istream& in) override;
    SharedEventData Copy() const override;

    ActorId GetActorId() const { return m_actorId; }
    const Matrix4x4& GetTransform() const { return m_transform; }

private:
    ActorId m_actorId;
    Matrix4x4 m_transform;
};
