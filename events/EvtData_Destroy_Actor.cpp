// EvtData_Destroy_Actor: type id, name, copy and text form.
// Copy and text form mirror EvtData_Modified_Render_Component, the other id-only event.
#include "events/EvtData_Destroy_Actor.h"

#include <istream>
#include <ostream>

const EventType EvtData_Destroy_Actor::s_eventType = 0x77DD2B3A;
const std::string EvtData_Destroy_Actor::s_name = "EvtData_Destroy_Actor";

EvtData_Destroy_Actor::EvtData_Destroy_Actor(ActorId actorId) : m_actorId(actorId)
{
}

void EvtData_Destroy_Actor::Serialize(std::ostream& out) const
{
    out << m_actorId;
}

void EvtData_Destroy_Actor::Deserialize(std::istream& in)
{
    in >> m_actorId;
}

SharedEventData EvtData_Destroy_Actor::Copy() const
{
    return std::make_shared<EvtData_Destroy_Actor>(m_actorId);
}
