// EvtData_Request_New_Actor: type id, name, copy and text form.
// The matrix is written only when the event carries one.
#include "events/EvtData_Request_New_Actor.h"

#include <istream>
#include <ostream>

const EventType EvtData_Request_New_Actor::s_eventType = 0x40378C64;
const std::string EvtData_Request_New_Actor::s_name = "EvtData_Request_New_Actor";

EvtData_Request_New_Actor::EvtData_Request_New_Actor(const std::string& resource, const Matrix4x4* transform,
                                                     ActorId actorId)
    : m_resource(resource), m_hasTransform(transform != nullptr), m_actorId(actorId)
{
    if (transform != nullptr)
    {
        m_transform = *transform;
    }
}

void EvtData_Request_New_Actor::Serialize(std::ostream& out) const
{
    // The flag goes out as 0 or 1 even on a stream set to boolalpha.
    out << m_resource << ' ' << (m_hasTransform ? 1 : 0) << ' ';
    if (m_hasTransform)
    {
        for (float value : m_transform.m)
        {
            out << value << ' ';
        }
    }
    out << m_actorId << ' ';
}

void EvtData_Request_New_Actor::Deserialize(std::istream& in)
{
    int flag = 0;
    in >> m_resource >> flag;
    m_hasTransform = in && flag != 0;
    if (m_hasTransform)
    {
        for (float& value : m_transform.m)
        {
            in >> value;
        }
    }
    in >> m_actorId;
}

SharedEventData EvtData_Request_New_Actor::Copy() const
{
    return std::make_shared<EvtData_Request_New_Actor>(m_resource, m_hasTransform ? &m_transform : nullptr, m_actorId);
}
