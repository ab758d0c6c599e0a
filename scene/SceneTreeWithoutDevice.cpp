// SceneTree's Direct3D side in the native build, where there is no Direct3D: every tree is one without a
// device, exactly like a Windows tree built with a null device. It keeps the scene graph buildable and testable
// under the native sanitizer builds; it draws nothing and resizes nothing.
#include "scene/SceneTree.h"

struct SceneTree::FrameResources
{
};

void SceneTree::FrameResourcesDeleter::operator()(FrameResources* frame) const
{
    delete frame;
}

void SceneTree::CreateFrameResources(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context)
{
    (void)options;
    (void)device;
    (void)context;
}

int SceneTree::Render(ID3D11DeviceContext* context)
{
    (void)context;
    return 0;
}

int SceneTree::OnResize(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context)
{
    (void)options;
    (void)device;
    (void)context;
    return 0;
}
