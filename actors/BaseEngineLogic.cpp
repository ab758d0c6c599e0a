// BaseEngineLogic: world loading, actor bookkeeping, the per-frame walk and the move listener.
// Bad world data is reported on standard error and skipped; nothing here throws for it.
#include "actors/BaseEngineLogic.h"

#include "actors/Actor.h"
#include "actors/ActorFactory.h"
#include "actors/ComponentLookup.h"
#include "actors/MeshParseCache.h"
#include "actors/ProcessManager.h"
#include "actors/TransformComponent.h"
#include "actors/WorldFile.h"
#include "files/XmlFileLoader.h"
#include "events/EvtData_Move_Actor.h"
#include "events/EvtData_New_Actor.h"
#include "events/EvtData_Request_New_Actor.h"
#include "events/IEventManager.h"

#include <tinyxml.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <iostream>
#include <limits>

namespace
{
// Stored in EvtData_New_Actor's second id: world actors have none.
constexpr unsigned kNoSecondaryId = 0xFFFFFFFF;

// Whole milliseconds, truncated toward zero. Clamped first: converting an out-of-range float to an integer
// is undefined, and a stall of 25 days or a bad clock value must not become one.
float WholeMilliseconds(float elapsedSeconds)
{
    const float ms = elapsedSeconds * 1000.0f;
    if (std::isnan(ms))
    {
        return 0.0f;
    }
    constexpr float kLimit = 2147483520.0f;   // the largest float below 2^31
    return static_cast<float>(static_cast<std::int32_t>(std::clamp(ms, -kLimit, kLimit)));
}
}

BaseEngineLogic::BaseEngineLogic() = default;

BaseEngineLogic::~BaseEngineLogic()
{
    if (m_listening)
    {
        if (IEventManager* manager = IEventManager::Get())
        {
            manager->RemoveListener(ListenerDelegate<&BaseEngineLogic::OnMoveActor>(this),
                                    EvtData_Move_Actor::s_eventType);
        }
    }
    m_processManager.reset();
    m_actorFactory.reset();
    DestroyActors();
}

void BaseEngineLogic::DestroyActors()
{
    // Each component owns its actor; without clearing those owners no actor would ever be freed.
    for (auto& entry : m_actors)
    {
        entry.second->Destroy();
    }
    m_actors.clear();
}

void BaseEngineLogic::AdoptWorld(BaseEngineLogic& other)
{
    if (&other == this)
    {
        return;
    }
    DestroyActors();
    m_actors = std::move(other.m_actors);
    other.m_actors.clear();
    m_actorFactory = std::move(other.m_actorFactory);
}

bool BaseEngineLogic::Init()
{
    m_actorFactory = std::make_shared<ActorFactory>();
    m_processManager = std::make_shared<ProcessManager>();

    IEventManager* manager = IEventManager::Get();
    if (manager == nullptr)
    {
        std::cerr << "engine logic: no event manager to listen to; it must be created first\n";
        return false;
    }
    manager->AddListener(ListenerDelegate<&BaseEngineLogic::OnMoveActor>(this), EvtData_Move_Actor::s_eventType);
    m_listening = true;
    return true;
}

void BaseEngineLogic::OnUpdate(float totalSeconds, float elapsedSeconds)
{
    (void)totalSeconds;
    m_lifetime += elapsedSeconds;
    const float deltaMs = WholeMilliseconds(elapsedSeconds);

    if (m_state == EngineLogicState::Running && m_processManager)
    {
        m_processManager->UpdateProcesses(deltaMs);
    }
    for (auto& entry : m_actors)
    {
        entry.second->Update(deltaMs);
    }
}

std::weak_ptr<Actor> BaseEngineLogic::GetActor(ActorId id)
{
    const auto found = m_actors.find(id);
    if (found == m_actors.end())
    {
        return {};
    }
    return found->second;
}

bool BaseEngineLogic::LoadWorld(const char* worldFile)
{
    if (worldFile == nullptr || *worldFile == '\0')
    {
        std::cerr << "(world): no file name given\n";
        return false;
    }
    // A world names the same few files for thousands of actors: while it loads, each actor definition is read
    // from disk once, and each mesh parsed once.
    const XmlFileLoader::ReadOnce readOnce;
    const MeshParseCache::ForOneLoad meshes;
    TiXmlDocument document;
    // A parse error can leave a partial tree behind; a half-read world is not loaded at all.
    std::string problem;
    if (!XmlFileLoader::Load(document, worldFile, &problem))
    {
        std::cerr << worldFile << ": cannot read world: " << problem << '\n';
        return false;
    }
    const TiXmlElement* root = document.FirstChildElement();
    if (root == nullptr)
    {
        std::cerr << worldFile << ": no root element\n";
        return false;
    }

    for (const WorldFile::Entry& entry : WorldFile::ActorEntries(root))
    {
        if (entry.resource == nullptr)
        {
            std::cerr << worldFile << ": actor entry <" << entry.element->Value() << "> on line "
                      << entry.element->Row() << " has no \"resource\" attribute; skipped\n";
            continue;
        }
        const std::shared_ptr<Actor> actor = CreateActor(entry.resource, entry.element, nullptr, kInvalidActorId);
        if (actor)
        {
            // Nobody listens for new actors, so the manager refuses this; it is offered all the same.
            if (IEventManager* manager = IEventManager::Get())
            {
                manager->QueueEvent(std::make_shared<EvtData_New_Actor>(actor->GetId(), kNoSecondaryId));
            }
        }
    }
    return LoadWorldHook(root);
}

bool BaseEngineLogic::LoadWorldHook(const TiXmlElement* root)
{
    (void)root;
    return true;
}

std::shared_ptr<Actor> BaseEngineLogic::CreateActor(const std::string& resourceFile, const TiXmlElement* overrides,
                                                    const Matrix4x4* initialTransform, ActorId requestedId)
{
    assert(m_actorFactory && "BaseEngineLogic::Init must run before actors are created");
    if (!m_actorFactory)
    {
        return {};
    }
    std::shared_ptr<Actor> actor =
        m_actorFactory->CreateActor(resourceFile.c_str(), overrides, initialTransform, requestedId);
    if (!actor)
    {
        return {};
    }
    m_actors.emplace(actor->GetId(), actor);   // an id already taken keeps its first actor

    if (m_state == EngineLogicState::Running)
    {
        if (IEventManager* manager = IEventManager::Get())
        {
            manager->TriggerEvent(
                std::make_shared<EvtData_Request_New_Actor>(resourceFile, initialTransform, actor->GetId()));
        }
    }
    return actor;
}

void BaseEngineLogic::MoveActor(ActorId id, const Matrix4x4& transform)
{
    const std::shared_ptr<Actor> actor = GetActor(id).lock();
    if (!actor)
    {
        return;
    }
    const auto component = FindComponent<TransformComponent>(*actor);
    if (component)
    {
        component->SetTransform(transform);
    }
}

void BaseEngineLogic::OnMoveActor(const EvtData_Move_Actor& move)
{
    MoveActor(move.GetActorId(), move.GetTransform());
}
