// Shader hot reload (engine.exe --watch): watches every file the shader registry holds, the start-up shaders
// and each mesh's pair, and has the registry compile an edited one again. A success is drawn from the next
// frame on; a failure keeps the old shader, says why on standard error and in "shader-error.txt", and stays
// listed for the overlay until the file compiles again; a file still being saved is simply tried later. It
// never stops the program. It decides nothing about when it runs: the application polls it once per frame.
#pragma once

#include "app/live/FileChangePoller.h"

#include <cstdint>
#include <map>
#include <string>

class ShaderHolder;
struct ID3D11Device;

class ShaderWatcher
{
public:
    ShaderWatcher(ShaderHolder& shaders, ID3D11Device* device, FileChangePoller::Timing timing = {});

    // Takes in shaders registered since the last call, then reloads those whose files changed (at most once
    // per the poller's interval; `nowNanoseconds` is a steady clock). Returns how many were replaced.
    int Poll(std::int64_t nowNanoseconds);

    // The compiler's messages of every watched file whose last edit failed, one after the other; empty when
    // every file compiles.
    std::string Problems() const;
    std::size_t WatchedCount() const { return m_poller.Count(); }

private:
    ShaderHolder& m_shaders;
    ID3D11Device* m_device;
    FileChangePoller m_poller;
    std::map<std::string, std::string> m_failures;   // file name -> its messages
};
