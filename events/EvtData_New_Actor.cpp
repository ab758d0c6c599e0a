// EvtData_New_Actor: type id, name, copy and text form.
// The text form carries the payload only, never the time stamp.
#include "events/EvtData_New_Actor.h"

#include <istream>
#include <ostream>

const EventType EvtData_New_Actor::s_eventType = 0xE86C7C31;
const std::string EvtData_New_Actor::s_name = "EvtData_New_Actor";

EvtData_New_Actor::EvtData_New_Actor(ActorId actorId, unsigned secondaryId)
    : m_actorId(actorId), m_secondaryId(secondaryId)
{
}

void EvtData_New_Actor::Serialize(std::ostream& out) const
{
    out << m_actorId << ' ' << m_secondaryId << ' ';
}

void EvtData_New_Actor::Deserialize(std::istream& in)
{
    in >> m_actorId >> m_secondaryId;
}

SharedEventData EvtData_New_Actor::Copy() const
{
    return std::make_shared<EvtData_New_Actor>(m_actorId, m_secondaryId);
}
