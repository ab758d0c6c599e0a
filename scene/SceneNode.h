// The one base implementation of ISceneNode: a property record, an ordered list of children that it shares,
// a non-owning parent pointer, and the recursive walk every node kind uses. It draws nothing itself; drawables
// override Render.
#pragma once

#include "scene/ActorComponentLink.h"
#include "scene/ISceneNode.h"

#include <memory>
#include <vector>

class BaseRenderComponent;
class TransformComponent;

class SceneNode : public ISceneNode
{
public:
    // `renderComponent` (may be null) is the component that made the node: it gives the node its actor id and
    // name and is read, not owned. `toWorld` null means identity.
    SceneNode(BaseRenderComponent* renderComponent, DrawPass renderPass, const Matrix4x4* toWorld);
    ~SceneNode() override = default;

    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;

    const NodeProperties& GetProperties() const override { return m_props; }
    void SetTransform(const Matrix4x4& toWorld, const Matrix4x4* fromWorld) override;
    int OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context) override;
    // The material colour becomes the render component's colour (opaque white without one), then children.
    int Refresh(SceneTree* scene) override;
    // Follows the actor's transform component when there is one, then pushes the node's matrix.
    int PreRender(SceneTree* scene, ID3D11DeviceContext* context) override;
    int Render(SceneTree* scene, ID3D11DeviceContext* context) override;
    // Walks the children in list order; a child whose PreRender fails is neither drawn nor walked into, but
    // its PostRender still runs so that pushes and pops stay balanced.
    int RenderChildren(SceneTree* scene, ID3D11DeviceContext* context) override;
    int PostRender(SceneTree* scene) override;
    // Appends a share of `child` (false for an empty pointer) and grows the radius to enclose it.
    bool AddChild(std::shared_ptr<ISceneNode> child) override;
    // Drops the first direct child with this non-zero actor id.
    bool RemoveChild(ActorId id) override;

    const std::vector<std::shared_ptr<ISceneNode>>& GetChildren() const { return m_children; }
    // The node that last took this one as a child; never cleared by removal.
    ISceneNode* GetParent() const { return m_parent; }
    BaseRenderComponent* GetRenderComponent() const { return m_renderComponent; }

protected:
    std::vector<std::shared_ptr<ISceneNode>> m_children;
    ISceneNode* m_parent = nullptr;
    NodeProperties m_props;
    BaseRenderComponent* m_renderComponent = nullptr;

private:
    ActorComponentLink<TransformComponent> m_transformLink;
};
