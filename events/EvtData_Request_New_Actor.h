// Sent (triggered) when the running engine logic creates an actor: which definition file it came from,
// the initial transform it was given, if any, and the id it received. Nothing listens for it yet.
#pragma once

#include "events/BaseEventData.h"
#include "events/Matrix4x4.h"

class EvtData_Request_New_Actor : public BaseEventData
{
public:
    static const EventType s_eventType;
    static const std::string s_name;

    // `transform` may be null: the event then carries no transform (HasTransform() is false).
    EvtData_Request_New_Actor(const std::string& resource, const Matrix4x4* transform, ActorId actorId);

    const EventType& GetEventType() const override { return s_eventType; }
    const std::string& GetName() const override { return s_name; }
    // The resource is written as one word: a file name with spaces does not survive a round trip.
    void Serialize(std::ostream& out) const override;
    void Deserialize(std::istream& in) override;
    SharedEventData Copy() const override;

    const std::string& GetResource() const { return m_resource; }
    bool HasTransform() const { return m_hasTransform; }
    // Meaningful only when HasTransform() is true.
    const Matrix4x4& GetTransform() const { return m_transform; }
    ActorId GetActorId() const { return m_actorId; }

private:
    std::string m_resource;
    bool m_hasTransform = false;
    Matrix4x4 m_transform;
    ActorId m_actorId;
};
