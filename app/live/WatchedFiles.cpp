// engine.exe --watch's files: see WatchedFiles.h.
#include "app/live/WatchedFiles.h"

#include <iostream>

#include "actors/MeshParseCache.h"
#include "app/FrameStats.h"
#include "app/live/ShaderWatcher.h"
#include "app/live/timeline/ChoreographyReloader.h"
#include "graphics/D3DClass.h"
#include "graphics/GraphicsClass.h"
#include "graphics/registries/ShaderHolder.h"

WatchedFiles::WatchedFiles() : m_meshCache(std::make_unique<MeshParseCache>())
{
    MeshParseCache::SetInstance(m_meshCache.get());
}

WatchedFiles::~WatchedFiles()
{
    Shutdown();
}

void WatchedFiles::Start(GraphicsClass& graphics, const std::string& worldFile, WorldReloader::ComponentKinds kinds,
                         const std::string& choreographyFile, FileChangePoller::Timing timing, bool withReloadKey)
{
    m_shaders = std::make_unique<ShaderWatcher>(*graphics.GetShaders(), graphics.GetD3D()->GetDevice(), timing);
    m_world = std::make_unique<WorldReloader>(worldFile, std::move(kinds), timing);
    if (!choreographyFile.empty())
    {
        m_choreography = std::make_unique<ChoreographyReloader>(choreographyFile, timing);
    }
    std::cerr << "watching " << graphics.GetShaders()->Size() << " shader files and " << m_world->WatchedFiles().size()
              << " world files" << (m_choreography ? " and the choreography" : "") << " for changes"
              << (withReloadKey ? "; F5 reloads the world" : "") << std::endl;
}

WatchedFiles::Changes WatchedFiles::Reload(std::int64_t nowNanoseconds, bool worldAsked, BaseEngineLogic& logic,
                                           SceneTree* tree)
{
    Changes changes;
    m_shaders->Poll(nowNanoseconds);
    // The world's files are looked at every frame, asked or not, so that an edit and F5 together make one reload.
    const bool worldChanged = m_world->FilesChanged(nowNanoseconds);
    if ((worldChanged || worldAsked) && tree != nullptr)
    {
        PhaseStopwatch stopwatch;
        changes.world = m_world->Reload(logic, *tree);
        changes.worldBuildMs = stopwatch.Milliseconds();
    }
    changes.choreography = m_choreography ? m_choreography->Poll(nowNanoseconds) : nullptr;
    return changes;
}

std::string WatchedFiles::ChoreographyFile() const
{
    return m_choreography ? m_choreography->FileName() : std::string();
}

std::string WatchedFiles::WorldProblem() const
{
    return m_world ? m_world->Problem() : std::string();
}

std::string WatchedFiles::Problems() const
{
    std::string problems = m_shaders ? m_shaders->Problems() : std::string();
    for (const std::string* problem :
         {m_world ? &m_world->Problem() : nullptr, m_choreography ? &m_choreography->Problem() : nullptr})
    {
        if (problem != nullptr && !problem->empty())
        {
            problems += (problems.empty() ? "" : "\n") + *problem;
        }
    }
    return problems;
}

void WatchedFiles::Shutdown()
{
    m_shaders.reset();
    m_world.reset();
    m_choreography.reset();
    if (m_meshCache != nullptr && MeshParseCache::Instance() == m_meshCache.get())
    {
        MeshParseCache::SetInstance(nullptr);
    }
}
