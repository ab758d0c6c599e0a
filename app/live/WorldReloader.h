// World reload (engine.exe --watch): F5, or an edit of the world file or of an actor file it names, builds the
// whole world again from the files while the old one stays on screen, and swaps it in only when every file
// loaded: the new actors into the engine logic, their nodes into the scene tree, the old ones out. A file that
// fails keeps the old world and is named. The window, the device, the registries and the presentation time are
// not touched here; after a swap the application replays the timeline to the moment on screen. Textures are
// kept by their registry and unchanged meshes by the mesh parse cache, so only what changed is read again.
// Portable, with the scene it fills (see app/CMakeLists.txt).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/live/FileChangePoller.h"

class ActorFactory;
class BaseEngineLogic;
class SceneTree;

class WorldReloader
{
public:
    // Registers the component kinds beyond the factory's own, as start-up does before it loads the world.
    using ComponentKinds = std::function<void(ActorFactory&)>;

    // Starts watching `worldFile` and the actor files it names now.
    WorldReloader(std::string worldFile, ComponentKinds kinds, FileChangePoller::Timing timing = {});

    // Whether the world file or one of its actor files changed and settled (looked at no more often than the
    // poller's interval; `nowNanoseconds` is a steady clock).
    bool FilesChanged(std::int64_t nowNanoseconds);

    // Builds the world from the files and, when every file loaded, puts it in place of the one `logic` and
    // `tree` hold. False, with one line on standard error naming the file, when anything failed: the world on
    // screen is then exactly as it was. Either way the actor files the world file now names are watched.
    bool Reload(BaseEngineLogic& logic, SceneTree& tree);

    // Why the last reload failed ("file: reason"); empty after a success.
    const std::string& Problem() const { return m_problem; }
    // The world file and the actor files it named when last read, in the order it names them (once each).
    const std::vector<std::string>& WatchedFiles() const { return m_files; }

private:
    // Watches the world file and the actor files of `resources`.
    void WatchWorld(const std::vector<std::string>& resources);

    std::string m_worldFile;
    ComponentKinds m_kinds;
    FileChangePoller m_poller;
    std::vector<std::string> m_files;
    std::string m_problem;
};
