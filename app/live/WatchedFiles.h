// engine.exe --watch: the files watched while it runs (every shader of the registry, the world and its actor files,
// and the choreography file given with --choreography) and what changed since the last look, with the mesh parse
// cache that lets a world reload parse only the meshes whose files changed (docs/editing.md). It reloads shaders
// itself and builds a changed world aside; swapping a world or a choreography in at the moment on screen is the
// live tools' (LiveTools).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/live/FileChangePoller.h"
#include "app/live/WorldReloader.h"
#include "scene/choreography/Choreography.h"

class BaseEngineLogic;
class ChoreographyReloader;
class GraphicsClass;
class MeshParseCache;
class SceneTree;
class ShaderWatcher;

class WatchedFiles
{
public:
    // Before start-up: installs the mesh parse cache, so that the start-up world fills it.
    WatchedFiles();
    ~WatchedFiles();
    WatchedFiles(const WatchedFiles&) = delete;
    WatchedFiles& operator=(const WatchedFiles&) = delete;

    // Start-up's end: starts watching, and says what on standard error (`withReloadKey`: F5 reloads the world too).
    // `choreographyFile` is empty for the compiled-in choreography, which no file holds.
    void Start(GraphicsClass& graphics, const std::string& worldFile, WorldReloader::ComponentKinds kinds,
               const std::string& choreographyFile, FileChangePoller::Timing timing, bool withReloadKey);

    // What changed since the last look.
    struct Changes
    {
        // The world was built again from its files and swapped into the logic and the scene tree.
        bool world = false;
        double worldBuildMs = 0.0;
        // The choreography file's new version, when it changed and can be played.
        std::shared_ptr<const Choreography> choreography;
    };
    // Once per frame, `nowNanoseconds` on a steady clock: reloads the shaders that changed, builds the world again
    // into `logic` and `tree` when its files changed or `worldAsked` (F5; not without a tree), and reads the
    // choreography file when it changed. A world or a choreography that fails keeps what is on screen.
    Changes Reload(std::int64_t nowNanoseconds, bool worldAsked, BaseEngineLogic& logic, SceneTree* tree);
    // The choreography file watched; empty without one.
    std::string ChoreographyFile() const;

    // What the last reloads could not do (compiler messages, a world or choreography file that failed), one after
    // the other, for the overlay; empty when everything loaded.
    std::string Problems() const;
    // Why the world's last reload failed; empty when it did not.
    std::string WorldProblem() const;

    // Null before Start.
    ShaderWatcher* Shaders() const { return m_shaders.get(); }
    WorldReloader* World() const { return m_world.get(); }

    // Before the graphics object goes: the watchers hold the shader registry and the device.
    void Shutdown();

private:
    std::unique_ptr<MeshParseCache> m_meshCache;
    std::unique_ptr<ShaderWatcher> m_shaders;
    std::unique_ptr<WorldReloader> m_world;
    std::unique_ptr<ChoreographyReloader> m_choreography;   // with --choreography
};
