// RootNode: the four pass groups and the sorting of added nodes into them.
// Groups are plain SceneNodes held directly in the child list; they never join the parent/radius bookkeeping.
#include "scene/RootNode.h"

#include <cstdint>

RootNode::RootNode() : SceneNode(nullptr, DrawPass_Main, nullptr)
{
    m_children.reserve(DrawPass_Count);
    for (std::int32_t pass = DrawPass_Main; pass < DrawPass_Count; ++pass)
    {
        m_children.push_back(std::make_shared<SceneNode>(nullptr, static_cast<DrawPass>(pass), nullptr));
    }
}

int RootNode::RenderChildren(SceneTree* scene, ID3D11DeviceContext* context)
{
    for (DrawPass pass : {DrawPass_Main, DrawPass_Extra1, DrawPass_Extra2})
    {
        if (SceneNode* group = GetGroup(pass))
        {
            group->RenderChildren(scene, context);
        }
    }
    return 0;
}

bool RootNode::AddChild(std::shared_ptr<ISceneNode> child)
{
    if (!child)
    {
        return false;
    }
    // Taken as unsigned, so a negative pass is as far out of range as a too large one.
    const auto pass = static_cast<std::uint32_t>(child->GetProperties().m_renderPass);
    if (pass >= m_children.size() || !m_children[pass])
    {
        return false;
    }
    return m_children[pass]->AddChild(std::move(child));
}

bool RootNode::RemoveChild(ActorId id)
{
    bool removed = false;
    for (const auto& group : m_children)
    {
        removed = group->RemoveChild(id) || removed;
    }
    return removed;
}

SceneNode* RootNode::GetGroup(DrawPass pass) const
{
    const auto index = static_cast<std::uint32_t>(pass);
    if (index >= m_children.size())
    {
        return nullptr;
    }
    return static_cast<SceneNode*>(m_children[index].get());
}
