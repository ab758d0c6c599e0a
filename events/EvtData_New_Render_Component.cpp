// EvtData_New_Render_Component: type id, name and copy.
// The text form is deliberately empty: a node pointer means nothing outside this process.
#include "events/EvtData_New_Render_Component.h"

const EventType EvtData_New_Render_Component::s_eventType = 0xAF4AFF75;
const std::string EvtData_New_Render_Component::s_name = "EvtData_New_Render_Component";

EvtData_New_Render_Component::EvtData_New_Render_Component(ActorId actorId, std::shared_ptr<ISceneNode> sceneNode)
    : m_actorId(actorId), m_sceneNode(std::move(sceneNode))
{
}

void EvtData_New_Render_Component::Serialize(std::ostream&) const
{
}

void EvtData_New_Render_Component::Deserialize(std::istream&)
{
}

SharedEventData EvtData_New_Render_Component::Copy() const
{
    return std::make_shared<EvtData_New_Render_Component>(m_actorId, m_sceneNode);
}
