// Owner of the scene: the node hierarchy under a RootNode, the active camera, the walk's matrix stack, the
// light manager, the actor-to-node map and the sky selector. It follows actors through four event listeners
// (new, modified and destroyed render components, moves). Its Direct3D side (the two skies, the post-processing
// node, the render targets, the frame and the resize path) lives in SceneTreeFrame.cpp, built for Windows
// only; a tree made without a device (and every tree of the native build) has none and draws nothing.
#pragma once

#include "events/EngineTypes.h"
#include "events/IEventData.h"
#include "events/Matrix4x4.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class BaseEngineLogic;
class D3D11Offscreen;
class D3D11Sky;
class EvtData_Destroy_Actor;
class EvtData_Modified_Render_Component;
class EvtData_Move_Actor;
class EvtData_New_Render_Component;
class FreeCameraNode;
class IEventManager;
class IFramePassListener;
class ISceneNode;
class LightManager;
class MatrixStack;
class RootNode;
struct EngineOptions;
struct ID3D11DepthStencilView;
struct ID3D11Device;
struct ID3D11DeviceContext;
struct ID3D11RenderTargetView;
struct ID3D11ShaderResourceView;
struct ID3D11Texture2D;

// How the scene reaches the engine logic. Asked on every use rather than once, because the application creates
// the logic after the scene; it may return null (no logic yet), which reads as "no actors".
using EngineLogicSource = std::function<BaseEngineLogic*()>;

class SceneTree
{
public:
    // Registers the four listeners with the process-wide event manager, which must exist already (without
    // one, a line on standard error and the tree never hears of actors). With a device it also builds the
    // skies ("10.dds", "11.dds"), the post-processing node ("PostPS.fx") and the render targets at the options'
    // size, on the swap chain of the application's graphics object, and binds them; a failed Direct3D call
    // throws DxException. Without a device there is no Direct3D side.
    SceneTree(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context,
              EngineLogicSource logicSource);
    // Removes the listeners in registration order before anything else goes.
    ~SceneTree();

    SceneTree(const SceneTree&) = delete;
    SceneTree& operator=(const SceneTree&) = delete;

    // Updates the hierarchy with the fixed step 10.0, which no node uses.
    int OnUpdate(ID3D11DeviceContext* context);
    // The frame: hierarchy and selected sky into the offscreen target, then the post pass into the back
    // buffer. Does nothing without a root, a camera or a Direct3D side. Always 0.
    int Render(ID3D11DeviceContext* context);
    // Rebuilds the offscreen target, the swap chain's buffers, the back-buffer view, the depth buffer and the
    // viewport at the options' size. A size of 0 in either direction (a minimised window) keeps the current
    // targets. Nodes, states and the camera's projection are not touched. Always 0.
    int OnResize(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context);

    // Maps a non-zero id to the node (replacing an older entry), makes the first light node the scene's light,
    // and files the node under the root by its pass. An empty node is refused: false, nothing recorded.
    bool AddChild(ActorId id, std::shared_ptr<ISceneNode> node);
    // Forgets the id's node (and its light) and removes the id from every pass group.
    bool RemoveChild(ActorId id);

    // A world reload builds its actors while the old world is still on screen. From HoldNewNodes on, nodes that
    // render components announce are kept aside instead of entering the scene, and changes of render
    // components are ignored, so the old world stays exactly as it is.
    void HoldNewNodes();
    // Puts the held nodes in place of every actor's node (the old ones leave the hierarchy, the actor map and
    // the light manager), adding them in the order they were announced, and stops holding.
    void CommitHeldNodes();
    // Forgets the held nodes and stops holding; the scene is as it was.
    void DropHeldNodes();
    bool IsHoldingNodes() const { return m_held.has_value(); }

    // The walk's matrix operations: push makes the new top `matrix` x the previous top.
    void PushNodeMatrix(const Matrix4x4& matrix);
    void PopNodeMatrix();
    const Matrix4x4& CurrentMatrix() const;

    const std::shared_ptr<FreeCameraNode>& GetCamera() const { return m_camera; }
    void SetCamera(std::shared_ptr<FreeCameraNode> camera) { m_camera = std::move(camera); }
    const std::shared_ptr<LightManager>& GetLightManager() const { return m_lightManager; }
    // 0: the first sky, 1: the second, anything else: no sky.
    std::uint32_t GetSkySelector() const { return m_skySelector; }
    void SetSkySelector(std::uint32_t selector) { m_skySelector = selector; }

    const std::shared_ptr<RootNode>& GetRoot() const { return m_root; }
    const MatrixStack& GetMatrixStack() const { return *m_matrixStack; }
    // The node mapped to the id, or empty.
    std::shared_ptr<ISceneNode> FindActorNode(ActorId id) const;
    std::size_t GetActorNodeCount() const { return m_actorMap.size(); }
    // Null while the application has no engine logic.
    BaseEngineLogic* GetLogic() const { return m_logicSource ? m_logicSource() : nullptr; }
    // Counts the changes that may give an actor other components: nodes added or removed, render components
    // modified. Nodes keep the components they looked up until it changes; moves leave it alone.
    std::uint64_t GetActorGeneration() const { return m_actorGeneration; }

    // Told when each pass of the frame has been submitted (the device timer); null, the default, tells nobody.
    // Not owned: it must outlive the tree or be taken back first.
    void SetPassListener(IFramePassListener* listener) { m_passListener = listener; }
    IFramePassListener* GetPassListener() const { return m_passListener; }

    // The Direct3D side, for inspection; all null for a tree without a device.
    bool HasRenderTargets() const { return m_frame != nullptr; }
    D3D11Sky* GetSky(std::uint32_t selector) const;
    D3D11Offscreen* GetOffscreen() const;
    ID3D11Texture2D* GetOffscreenTexture() const;
    ID3D11ShaderResourceView* GetOffscreenShaderResourceView() const;
    ID3D11RenderTargetView* GetOffscreenRenderTargetView() const;
    ID3D11RenderTargetView* GetRenderTargetView() const;
    ID3D11Texture2D* GetDepthStencilBuffer() const;
    ID3D11DepthStencilView* GetDepthStencilView() const;

private:
    void OnNewRenderComponent(const EvtData_New_Render_Component& event);
    void OnDestroyActor(const EvtData_Destroy_Actor& event);
    void OnMoveActor(const EvtData_Move_Actor& event);
    void OnModifiedRenderComponent(const EvtData_Modified_Render_Component& event);

    // The Direct3D members; defined where they are built (SceneTreeFrame.cpp, or an empty stand-in natively).
    struct FrameResources;
    struct FrameResourcesDeleter
    {
        void operator()(FrameResources* frame) const;
    };
    void CreateFrameResources(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context);
    void RegisterListeners(IEventManager& manager);

    std::shared_ptr<RootNode> m_root;
    std::shared_ptr<FreeCameraNode> m_camera;
    std::shared_ptr<LightManager> m_lightManager;
    std::shared_ptr<MatrixStack> m_matrixStack;
    std::map<ActorId, std::shared_ptr<ISceneNode>> m_actorMap;
    std::uint32_t m_skySelector = 0;
    std::uint64_t m_actorGeneration = 0;
    // Set while a reload holds announced nodes back: actor id and node, in announcement order.
    std::optional<std::vector<std::pair<ActorId, std::shared_ptr<ISceneNode>>>> m_held;
    EngineLogicSource m_logicSource;
    bool m_listening = false;
    std::unique_ptr<FrameResources, FrameResourcesDeleter> m_frame;
    IFramePassListener* m_passListener = nullptr;
};
