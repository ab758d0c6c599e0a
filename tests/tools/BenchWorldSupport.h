// Shared by the benchmark tool tests: run a test inside a folder (world and actor files name each other
// relative to the working directory), and load a world with the engine's own logic, the Direct3D-side mesh
// components replaced by stand-ins that keep what their element says.
#pragma once

#include "actors/Actor.h"
#include "actors/ActorComponent.h"
#include "actors/ActorFactory.h"
#include "actors/BaseEngineLogic.h"
#include "actors/LightRenderComponent.h"
#include "actors/TransformComponent.h"
#include "events/EventManager.h"

#include <tinyxml.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

// Changes the working directory for its lifetime.
class WorkingDirectory
{
public:
    explicit WorkingDirectory(const std::filesystem::path& folder) : m_previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~WorkingDirectory()
    {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path m_previous;
};

// Keeps the text of one child element; Init fails without it, as the real component does without "Obj".
template <class Kind>
class TextComponent : public ActorComponent
{
public:
    static const std::string s_name;

    bool Init(const TiXmlElement* element) override
    {
        for (const char* child : Kind::kChildren)
        {
            if (const TiXmlElement* found = element->FirstChildElement(child))
            {
                m_texts[child] = found->GetText() != nullptr ? found->GetText() : "";
            }
        }
        return !Kind::kRequired || m_texts.count(Kind::kChildren[0]) != 0;
    }
    const std::string& GetName() const override { return s_name; }
    std::string Text(const std::string& child) const
    {
        const auto found = m_texts.find(child);
        return found != m_texts.end() ? found->second : "";
    }

private:
    std::map<std::string, std::string> m_texts;
};

struct MeshKind
{
    static constexpr const char* kName = "MeshComponent";
    static constexpr const char* kChildren[1] = {"Obj"};
    static constexpr bool kRequired = true;
};
struct MeshRenderKind
{
    static constexpr const char* kName = "MeshRenderComponent";
    static constexpr const char* kChildren[2] = {"VertexShader", "PixelShader"};
    static constexpr bool kRequired = false;
};
template <class Kind>
const std::string TextComponent<Kind>::s_name = Kind::kName;

using StandInMesh = TextComponent<MeshKind>;
using StandInMeshRender = TextComponent<MeshRenderKind>;

// The engine's logic with its event manager, loading worlds as start-up does.
struct EngineWorld
{
    EventManager events{"Bench test events"};
    BaseEngineLogic logic;

    EngineWorld()
    {
        logic.SetState(EngineLogicState::Initialising);
        logic.Init();
        logic.GetActorFactory()->RegisterComponent<StandInMeshRender>();
        logic.GetActorFactory()->RegisterComponent<StandInMesh>();
        logic.GetActorFactory()->RegisterComponent<LightRenderComponent>();
        logic.SetState(EngineLogicState::LoadingWorld);
    }

    template <class T>
    std::shared_ptr<T> Component(ActorId id)
    {
        const std::shared_ptr<Actor> actor = logic.GetActor(id).lock();
        if (!actor)
        {
            return nullptr;
        }
        return std::dynamic_pointer_cast<T>(actor->GetComponent(ActorComponent::ComponentIdFromName(T::s_name)).lock());
    }
};
