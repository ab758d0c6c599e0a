// Hands a render component's freshly built scene node to the scene tree. The event shares the node; the
// node itself is only forward-declared here, so events stay free of scene and Direct3D headers.
#pragma once

#include "events/BaseEventData.h"

class ISceneNode;

class EvtData_New_Render_Component : public BaseEventData
{
public:
    static const EventType s_eventType;
    static const std::string s_name;

    // `sceneNode` may be empty when the component could not build its node.
    EvtData_New_Render_Component(ActorId actorId, std::shared_ptr<ISceneNode> sceneNode);

    const EventType& GetEventType() const override { return s_eventType; }
    const std::string& GetName() const override { return s_name; }
    // A scene node has no text form: both write and read nothing.
    void Serialize(std::ostream& out) const override;
    void Deserialize(std::istream& in) override;
    // The copy shares the same node.
    SharedEventData Copy() const override;

    ActorId GetActorId() const { return m_actorId; }
    const std::shared_ptr<ISceneNode>& GetSceneNode() const { return m_sceneNode; }

private:
    ActorId m_actorId;
    std::shared_ptr<ISceneNode> m_sceneNode;
};
