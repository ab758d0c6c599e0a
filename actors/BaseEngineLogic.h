// The engine logic: owns the actor factory, every actor and a process manager; loads the world file, hands
// each frame's time to the components, and applies EvtData_Move_Actor events to transform components.
// It draws nothing and knows no scene node; the scene tree follows moves through its own listener.
#pragma once

#include "events/EngineTypes.h"
#include "events/IEventData.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class Actor;
class ActorFactory;
class EvtData_Move_Actor;
class ProcessManager;
class TiXmlElement;
struct Matrix4x4;

// Set by the application; it only moves forward.
enum class EngineLogicState : std::int32_t
{
    Uninitialised = 0,
    Initialising = 1,
    LoadingWorld = 2,
    Running = 3,
};

class BaseEngineLogic
{
public:
    BaseEngineLogic();
    // Removes the move listener, then breaks every actor/component ownership cycle so that the actors and
    // their components are freed (only what others still hold survives).
    virtual ~BaseEngineLogic();

    BaseEngineLogic(const BaseEngineLogic&) = delete;
    BaseEngineLogic& operator=(const BaseEngineLogic&) = delete;

    // Creates the factory and the process manager and registers the move listener with the process-wide
    // event manager. False, with a line on standard error, when no event manager exists yet.
    bool Init();
    EngineLogicState GetState() const { return m_state; }

    // Per frame: components receive the elapsed time in whole milliseconds (0.0169 s gives 16.0).
    // `totalSeconds` is not used.
    virtual void OnUpdate(float totalSeconds, float elapsedSeconds);
    // Empty when no actor has that id.
    virtual std::weak_ptr<Actor> GetActor(ActorId id);
    // False only when the file has no element at all (missing, unreadable or malformed files included).
    // Entries that fail are reported on standard error and skipped; loading goes on with the next one.
    virtual bool LoadWorld(const char* worldFile);
    virtual bool LoadWorldHook(const TiXmlElement* root);
    // Builds the actor through the factory and keeps it, unless an actor with the same id is already kept
    // (the new one is still returned). While Running it also triggers EvtData_Request_New_Actor.
    virtual std::shared_ptr<Actor> CreateActor(const std::string& resourceFile, const TiXmlElement* overrides,
                                               const Matrix4x4* initialTransform, ActorId requestedId);
    // Replaces the transform component's matrix. Does nothing for an unknown id or an actor without a
    // transform component.
    virtual void MoveActor(ActorId id, const Matrix4x4& transform);
    virtual void SetState(EngineLogicState state) { m_state = state; }

    // A world reload: takes the actors and the actor factory of `other`, a logic that loaded the new world
    // aside, in place of this logic's own, whose actors are destroyed. Fresh ids go on from `other`'s factory;
    // `other` is left with neither. State, lifetime and listener stay as they are.
    void AdoptWorld(BaseEngineLogic& other);

    // Null before Init. The application registers its Direct3D-side component kinds here (see ActorFactory).
    const std::shared_ptr<ActorFactory>& GetActorFactory() const { return m_actorFactory; }
    const std::shared_ptr<ProcessManager>& GetProcessManager() const { return m_processManager; }
    std::size_t GetActorCount() const { return m_actors.size(); }
    // Every actor, in ascending id order (for whatever walks them all: the overlay's table, the seek's start).
    const std::map<ActorId, std::shared_ptr<Actor>>& GetActors() const { return m_actors; }
    // Seconds of elapsed time summed by OnUpdate.
    float GetLifetime() const { return m_lifetime; }

private:
    void OnMoveActor(const EvtData_Move_Actor& move);
    void DestroyActors();

    std::map<ActorId, std::shared_ptr<Actor>> m_actors;
    std::shared_ptr<ActorFactory> m_actorFactory;
    EngineLogicState m_state = EngineLogicState::Uninitialised;
    float m_lifetime = 0.0f;
    std::shared_ptr<ProcessManager> m_processManager;
    bool m_listening = false;
};
