// SceneNode: construction from a render component, transforms, the render walk and child management.
// No Direct3D call is made here; the context is only passed on to the nodes that draw.
#include "scene/SceneNode.h"

#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "actors/BaseRenderComponent.h"
#include "actors/TransformComponent.h"
#include "scene/SceneTree.h"
#include "scene/SubmissionProfile.h"

#include <algorithm>
#include <cassert>
#include <cmath>

SceneNode::SceneNode(BaseRenderComponent* renderComponent, DrawPass renderPass, const Matrix4x4* toWorld)
{
    SceneNode::SetTransform(toWorld != nullptr ? *toWorld : Matrix4x4::Identity(), nullptr);
    m_props.m_radius = 0.0f;
    m_renderComponent = renderComponent;
    if (renderComponent != nullptr)
    {
        const std::shared_ptr<Actor>& owner = renderComponent->GetOwner();
        m_props.m_actorId = owner ? owner->GetId() : kInvalidActorId;
        m_props.m_name = renderComponent->GetName();
    }
    else
    {
        m_props.m_actorId = kInvalidActorId;
        m_props.m_name = "SceneNode";
    }
    m_props.m_renderPass = renderPass;
}

void SceneNode::SetTransform(const Matrix4x4& toWorld, const Matrix4x4* fromWorld)
{
    m_props.m_toWorld = toWorld;
    // A singular matrix gives a non-finite inverse; nothing reads m_fromWorld for drawing, so it is kept as is.
    m_props.m_fromWorld = fromWorld != nullptr ? *fromWorld : toWorld.Inverse();
}

int SceneNode::OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context)
{
    for (const auto& child : m_children)
    {
        child->OnUpdate(scene, step, context);
    }
    return 0;
}

int SceneNode::Refresh(SceneTree* scene)
{
    m_props.m_material.m_diffuse = m_renderComponent != nullptr ? m_renderComponent->GetColor() : Color4{};
    for (const auto& child : m_children)
    {
        child->Refresh(scene);
    }
    return 0;
}

int SceneNode::PreRender(SceneTree* scene, ID3D11DeviceContext* context)
{
    (void)context;
    assert(scene != nullptr && "nodes are walked by a scene tree");
    if (m_props.m_actorId != kInvalidActorId)
    {
        const SubmissionProfile::Scope timed(SubmissionProfile::Lookups);
        if (const TransformComponent* transform = m_transformLink.Find(*scene, m_props.m_actorId))
        {
            m_props.m_toWorld = transform->GetTransform();
        }
    }
    scene->PushNodeMatrix(m_props.m_toWorld);
    return 0;
}

int SceneNode::Render(SceneTree* scene, ID3D11DeviceContext* context)
{
    (void)scene;
    (void)context;
    return 0;
}

int SceneNode::RenderChildren(SceneTree* scene, ID3D11DeviceContext* context)
{
    for (const auto& child : m_children)
    {
        if (child->PreRender(scene, context) == 0)
        {
            child->Render(scene, context);
            child->RenderChildren(scene, context);
        }
        child->PostRender(scene);
    }
    return 0;
}

int SceneNode::PostRender(SceneTree* scene)
{
    assert(scene != nullptr && "nodes are walked by a scene tree");
    scene->PopNodeMatrix();
    return 0;
}

bool SceneNode::AddChild(std::shared_ptr<ISceneNode> child)
{
    if (!child)
    {
        return false;
    }
    // Every node kind derives from SceneNode; the parent link is not part of the interface.
    if (auto* node = dynamic_cast<SceneNode*>(child.get()))
    {
        node->m_parent = this;
    }
    const NodeProperties& props = child->GetProperties();
    const float* m = props.m_toWorld.m;
    const float reach = std::sqrt(m[12] * m[12] + m[13] * m[13] + m[14] * m[14]) + props.m_radius;
    if (m_props.m_radius < reach)
    {
        m_props.m_radius = reach;
    }
    m_children.push_back(std::move(child));
    return true;
}

bool SceneNode::RemoveChild(ActorId id)
{
    if (id == kInvalidActorId)
    {
        return false;
    }
    const auto found = std::find_if(m_children.begin(), m_children.end(),
                                    [id](const auto& child) { return child->GetProperties().m_actorId == id; });
    if (found == m_children.end())
    {
        return false;
    }
    m_children.erase(found);
    return true;
}
