// SceneTree: construction, the actor map and hierarchy bookkeeping, the matrix stack and the event listeners.
// Listeners ignore ids without a node and report nothing; the tree never owns the events it receives.
#include "scene/SceneTree.h"

#include "actors/BaseEngineLogic.h"
#include "events/EvtData_Destroy_Actor.h"
#include "events/EvtData_Modified_Render_Component.h"
#include "events/EvtData_Move_Actor.h"
#include "events/EvtData_New_Render_Component.h"
#include "events/IEventManager.h"
#include "scene/FreeCameraNode.h"
#include "scene/LightManager.h"
#include "scene/LightNode.h"
#include "scene/MatrixStack.h"
#include "scene/RootNode.h"

#include <cassert>
#include <iostream>

SceneTree::SceneTree(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context,
                     EngineLogicSource logicSource)
    : m_logicSource(std::move(logicSource))
{
    m_root = std::make_shared<RootNode>();
    m_matrixStack = std::make_shared<MatrixStack>();
    m_lightManager = std::make_shared<LightManager>();
    // Before the listeners: if a Direct3D call throws, no event manager is left holding a half-built tree.
    CreateFrameResources(options, device, context);

    IEventManager* manager = IEventManager::Get();
    if (manager == nullptr)
    {
        std::cerr << "scene tree: no event manager exists; actors will not reach the scene\n";
        return;
    }
    RegisterListeners(*manager);
}

void SceneTree::RegisterListeners(IEventManager& manager)
{
    // Graphics set-up runs before the engine logic starts listening, so this move listener runs first.
    manager.AddListener(ListenerDelegate<&SceneTree::OnNewRenderComponent>(this),
                        EvtData_New_Render_Component::s_eventType);
    manager.AddListener(ListenerDelegate<&SceneTree::OnDestroyActor>(this), EvtData_Destroy_Actor::s_eventType);
    manager.AddListener(ListenerDelegate<&SceneTree::OnMoveActor>(this), EvtData_Move_Actor::s_eventType);
    manager.AddListener(ListenerDelegate<&SceneTree::OnModifiedRenderComponent>(this),
                        EvtData_Modified_Render_Component::s_eventType);
    m_listening = true;
}

SceneTree::~SceneTree()
{
    if (m_listening)
    {
        if (IEventManager* manager = IEventManager::Get())
        {
            manager->RemoveListener(ListenerDelegate<&SceneTree::OnNewRenderComponent>(this),
                                    EvtData_New_Render_Component::s_eventType);
            manager->RemoveListener(ListenerDelegate<&SceneTree::OnDestroyActor>(this),
                                    EvtData_Destroy_Actor::s_eventType);
            manager->RemoveListener(ListenerDelegate<&SceneTree::OnMoveActor>(this), EvtData_Move_Actor::s_eventType);
            manager->RemoveListener(ListenerDelegate<&SceneTree::OnModifiedRenderComponent>(this),
                                    EvtData_Modified_Render_Component::s_eventType);
        }
    }
    m_frame.reset();
    m_actorMap.clear();
    m_camera.reset();
    m_lightManager.reset();
    m_matrixStack.reset();
    m_root.reset();
}

int SceneTree::OnUpdate(ID3D11DeviceContext* context)
{
    if (!m_root)
    {
        return 0;
    }
    return m_root->OnUpdate(this, 10.0f, context);
}

bool SceneTree::AddChild(ActorId id, std::shared_ptr<ISceneNode> node)
{
    // A render component that could not build its node still announces it; an empty node has no pass to be
    // filed under and would only leave a dangling map entry behind.
    if (!node)
    {
        return false;
    }
    ++m_actorGeneration;
    if (id != kInvalidActorId)
    {
        m_actorMap[id] = node;
    }
    if (auto light = std::dynamic_pointer_cast<LightNode>(node))
    {
        // Only one light lights the scene; later ones are kept in the hierarchy but ignored for lighting.
        if (m_lightManager->m_lights.empty())
        {
            m_lightManager->m_lights.push_back(std::move(light));
        }
    }
    return m_root->AddChild(std::move(node));
}

bool SceneTree::RemoveChild(ActorId id)
{
    if (id == kInvalidActorId)
    {
        return false;
    }
    ++m_actorGeneration;
    const auto found = m_actorMap.find(id);
    if (found != m_actorMap.end())
    {
        if (auto light = std::dynamic_pointer_cast<LightNode>(found->second))
        {
            m_lightManager->m_lights.remove(light);
        }
        m_actorMap.erase(found);
    }
    return m_root->RemoveChild(id);
}

void SceneTree::HoldNewNodes()
{
    m_held.emplace();
}

void SceneTree::CommitHeldNodes()
{
    if (!m_held)
    {
        return;
    }
    std::vector<std::pair<ActorId, std::shared_ptr<ISceneNode>>> held = std::move(*m_held);
    m_held.reset();
    std::vector<ActorId> old;
    for (const auto& entry : m_actorMap)
    {
        old.push_back(entry.first);
    }
    for (const ActorId id : old)
    {
        RemoveChild(id);
    }
    for (auto& [id, node] : held)
    {
        AddChild(id, std::move(node));
    }
}

void SceneTree::DropHeldNodes()
{
    m_held.reset();
}

void SceneTree::PushNodeMatrix(const Matrix4x4& matrix)
{
    m_matrixStack->Push(matrix * m_matrixStack->Top());
}

void SceneTree::PopNodeMatrix()
{
    m_matrixStack->Pop();
}

const Matrix4x4& SceneTree::CurrentMatrix() const
{
    return m_matrixStack->Top();
}

std::shared_ptr<ISceneNode> SceneTree::FindActorNode(ActorId id) const
{
    const auto found = m_actorMap.find(id);
    return found != m_actorMap.end() ? found->second : nullptr;
}

void SceneTree::OnNewRenderComponent(const EvtData_New_Render_Component& event)
{
    if (m_held)
    {
        m_held->emplace_back(event.GetActorId(), event.GetSceneNode());
        return;
    }
    AddChild(event.GetActorId(), event.GetSceneNode());
}

void SceneTree::OnDestroyActor(const EvtData_Destroy_Actor& event)
{
    RemoveChild(event.GetActorId());
}

void SceneTree::OnMoveActor(const EvtData_Move_Actor& event)
{
    if (const std::shared_ptr<ISceneNode> node = FindActorNode(event.GetActorId()))
    {
        node->SetTransform(event.GetTransform(), nullptr);
    }
}

void SceneTree::OnModifiedRenderComponent(const EvtData_Modified_Render_Component& event)
{
    // A held world's components announce changes of nodes the scene does not have yet; ids they share with
    // the world on screen must not refresh its nodes.
    if (event.GetActorId() == kInvalidActorId || m_held)
    {
        return;
    }
    ++m_actorGeneration;
    // World loading re-initialises components from overrides before their nodes exist; those changes are
    // picked up when the node is built.
    if (const BaseEngineLogic* logic = GetLogic();
        logic != nullptr && logic->GetState() == EngineLogicState::LoadingWorld)
    {
        return;
    }
    if (const std::shared_ptr<ISceneNode> node = FindActorNode(event.GetActorId()))
    {
        node->Refresh(this);
    }
}
