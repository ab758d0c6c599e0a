// LightNode: keeping the node's copy of the light record in step with its component.
// The light's direction is not stored here; it is the node's transform.
#include "scene/LightNode.h"

#include "actors/Actor.h"
#include "actors/LightRenderComponent.h"

LightNode::LightNode(BaseRenderComponent* renderComponent, DrawPass renderPass, const Matrix4x4* toWorld,
                     const LightRecord& light)
    : SceneNode(renderComponent, renderPass, toWorld), m_light(light)
{
}

int LightNode::Refresh(SceneTree* scene)
{
    if (m_renderComponent != nullptr)
    {
        if (const std::shared_ptr<Actor>& owner = m_renderComponent->GetOwner())
        {
            const auto component = std::dynamic_pointer_cast<LightRenderComponent>(
                owner->GetComponent(LightRenderComponent::s_name.c_str()).lock());
            if (component)
            {
                m_light = component->GetLight();
            }
        }
    }
    return SceneNode::Refresh(scene);
}
