// The interface of everything the scene tree keeps or walks: properties, transform, the per-frame update and
// the pre-render / render / children / post-render walk, and child management. Only SceneNode implements it
// directly; the interface knows no Direct3D type beyond a forward declaration of the device context.
#pragma once

#include "events/EngineTypes.h"
#include "scene/NodeProperties.h"

#include <memory>

class SceneTree;
struct ID3D11DeviceContext;

class ISceneNode
{
public:
    virtual const NodeProperties& GetProperties() const = 0;
    // `fromWorld` null means "the inverse of toWorld".
    virtual void SetTransform(const Matrix4x4& toWorld, const Matrix4x4* fromWorld) = 0;
    // Results of type int are 0 for success.
    virtual int OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context) = 0;
    virtual int Refresh(SceneTree* scene) = 0;
    virtual int PreRender(SceneTree* scene, ID3D11DeviceContext* context) = 0;
    virtual int Render(SceneTree* scene, ID3D11DeviceContext* context) = 0;
    virtual int RenderChildren(SceneTree* scene, ID3D11DeviceContext* context) = 0;
    virtual int PostRender(SceneTree* scene) = 0;
    virtual bool AddChild(std::shared_ptr<ISceneNode> child) = 0;
    virtual bool RemoveChild(ActorId id) = 0;
    virtual ~ISceneNode() = default;
};
