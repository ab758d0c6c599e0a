// World reload: see WorldReloader.h.
#include "app/live/WorldReloader.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>

#include <tinyxml.h>

#include "actors/Actor.h"
#include "actors/ActorFactory.h"
#include "actors/BaseEngineLogic.h"
#include "actors/WorldFile.h"
#include "files/XmlFileLoader.h"
#include "scene/SceneTree.h"

namespace
{
// The "resource" of every actor entry of a world's root, in order; entries without one are counted in
// `unnamed`.
std::vector<std::string> ActorResources(const TiXmlElement* root, int& unnamed)
{
    std::vector<std::string> resources;
    unnamed = 0;
    for (const WorldFile::Entry& entry : WorldFile::ActorEntries(root))
    {
        if (entry.resource != nullptr)
        {
            resources.emplace_back(entry.resource);
        }
        else
        {
            ++unnamed;
        }
    }
    return resources;
}

// The new world, loaded aside exactly as start-up loads one (a logic of its own, so ids start at 1 again),
// noting what start-up would pass over: an actor that could not be built, an entry that names no actor file.
class StagedWorld : public BaseEngineLogic
{
public:
    std::shared_ptr<Actor> CreateActor(const std::string& resourceFile, const TiXmlElement* overrides,
                                       const Matrix4x4* initialTransform, ActorId requestedId) override
    {
        building = resourceFile;
        std::shared_ptr<Actor> actor =
            BaseEngineLogic::CreateActor(resourceFile, overrides, initialTransform, requestedId);
        if (!actor && !failedActor)
        {
            failedActor = resourceFile;
        }
        return actor;
    }

    bool LoadWorldHook(const TiXmlElement* root) override
    {
        resources = ActorResources(root, unnamed);
        return BaseEngineLogic::LoadWorldHook(root);
    }

    std::string building;                     // the actor file being built, for an exception's report
    std::optional<std::string> failedActor;   // the first actor file that did not build
    std::optional<std::vector<std::string>> resources;
    int unnamed = 0;
};
}

WorldReloader::WorldReloader(std::string worldFile, ComponentKinds kinds, FileChangePoller::Timing timing)
    : m_worldFile(std::move(worldFile)), m_kinds(std::move(kinds)), m_poller(timing)
{
    TiXmlDocument document;
    int unnamed = 0;
    WatchWorld(XmlFileLoader::Load(document, m_worldFile) ? ActorResources(document.FirstChildElement(), unnamed)
                                                          : std::vector<std::string>{});
}

void WorldReloader::WatchWorld(const std::vector<std::string>& resources)
{
    m_files = {m_worldFile};
    for (const std::string& resource : resources)
    {
        if (std::find(m_files.begin(), m_files.end(), resource) == m_files.end())
        {
            m_files.push_back(resource);
        }
    }
    m_poller.SetFiles(m_files);
}

bool WorldReloader::FilesChanged(std::int64_t nowNanoseconds)
{
    return !m_poller.Poll(nowNanoseconds).empty();
}

bool WorldReloader::Reload(BaseEngineLogic& logic, SceneTree& tree)
{
    m_problem.clear();
    tree.HoldNewNodes();
    StagedWorld staged;
    try
    {
        if (staged.Init() && staged.GetActorFactory())
        {
            if (m_kinds)
            {
                m_kinds(*staged.GetActorFactory());
            }
            staged.SetState(EngineLogicState::LoadingWorld);
            if (!staged.LoadWorld(m_worldFile.c_str()))
            {
                m_problem = m_worldFile + ": the world could not be loaded";
            }
            else if (staged.failedActor)
            {
                m_problem = *staged.failedActor + ": the actor could not be built";
            }
            else if (staged.unnamed > 0)
            {
                m_problem = m_worldFile + ": an actor entry names no actor file (no \"resource\")";
            }
        }
        else
        {
            m_problem = m_worldFile + ": no event manager to build the world with";
        }
    }
    catch (const std::exception& error)
    {
        // A shader file named by an edited actor file may not exist; at start-up that ends the program, here it
        // is a bad edit like any other.
        m_problem = (staged.building.empty() ? m_worldFile : staged.building) + ": " + error.what();
    }
    catch (...)
    {
        // Direct3D failures (a shader file that cannot be read, among them) have named their file already.
        m_problem = (staged.building.empty() ? m_worldFile : staged.building) +
                    ": building the actor failed on the graphics side (see above)";
    }
    if (staged.resources)
    {
        WatchWorld(*staged.resources);
    }
    if (!m_problem.empty())
    {
        tree.DropHeldNodes();
        std::cerr << m_problem << "; the world stays as it was\n";
        return false;
    }
    tree.CommitHeldNodes();
    logic.AdoptWorld(staged);
    return true;
}
