// A component that puts its actor into the scene: it adds the one operation that hands out the actor's scene
// node. Nothing else is known here about what the node draws.
#pragma once

#include "actors/ActorComponent.h"

#include <memory>

class ISceneNode;

class RenderComponentInterface : public ActorComponent
{
public:
    virtual std::shared_ptr<ISceneNode> GetSceneNode() = 0;
};
