// The top of the node hierarchy: one plain group node per render pass, so that passes are walked in a fixed
// order (main, extra 1, extra 2) and the hidden pass is kept but never walked. It draws nothing itself.
#pragma once

#include "scene/SceneNode.h"

class RootNode : public SceneNode
{
public:
    RootNode();

    // Walks the groups of passes 0, 1 and 2 (their own PreRender/PostRender are skipped, so groups push no
    // matrix); the hidden group is never walked.
    int RenderChildren(SceneTree* scene, ID3D11DeviceContext* context) override;
    // Files the node under the group of its pass; false, keeping nothing, for a pass outside 0..3.
    bool AddChild(std::shared_ptr<ISceneNode> child) override;
    // Removes the id from every group; true when any group had it.
    bool RemoveChild(ActorId id) override;

    // The group node of a pass, or null for a pass outside 0..3.
    SceneNode* GetGroup(DrawPass pass) const;
};
