// EvtData_Move_Actor: type id, name, copy and text form.
// Floats are written with the stream's default six significant digits, so the text form is lossy.
#include "events/EvtData_Move_Actor.h"

#include <istream>
#include <ostream>

const EventType EvtData_Move_Actor::s_eventType = 0xEEAA0A40;
const std::string EvtData_Move_Actor::s_name = "EvtData_Move_Actor";

EvtData_Move_Actor::EvtData_Move_Actor(ActorId actorId, const Matrix4x4& transform)
    : m_actorId(actorId), m_transform(transform)
{
}

void EvtData_Move_Actor::Serialize(std::ostream& out) const
{
    out << m_actorId << ' ';
    for (float value : m_transform.m)
    {
        out << value << ' ';
    }
}

void EvtData_Move_Actor::Deserialize(std::istream& in)
{
    in >> m_actorId;
    for (float& value : m_transform.m)
    {
        in >> value;
    }
}

SharedEventData EvtData_Move_Actor::Copy() const
{
    return std::make_shared<EvtData_Move_Actor>(m_actorId, m_transform);
}
