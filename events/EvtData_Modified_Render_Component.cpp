// EvtData_Modified_Render_Component: type id, name, copy and text form.
// Nothing in the engine serialises it; the text form exists for tools and tests.
#include "events/EvtData_Modified_Render_Component.h"

#include <istream>
#include <ostream>

const EventType EvtData_Modified_Render_Component::s_eventType = 0x80FE9766;
const std::string EvtData_Modified_Render_Component::s_name = "EvtData_Modified_Render_Component";

EvtData_Modified_Render_Component::EvtData_Modified_Render_Component(ActorId actorId) : m_actorId(actorId)
{
}

void EvtData_Modified_Render_Component::Serialize(std::ostream& out) const
{
    out << m_actorId;
}

void EvtData_Modified_Render_Component::Deserialize(std::istream& in)
{
    in >> m_actorId;
}

SharedEventData EvtData_Modified_Render_Component::Copy() const
{
    return std::make_shared<EvtData_Modified_Render_Component>(m_actorId);
}
