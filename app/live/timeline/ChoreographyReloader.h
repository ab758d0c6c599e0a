// Choreography reload (engine.exe --watch with --choreography): an edit of the choreography file is read aside
// and handed over only when the whole file can be played, so a half-saved or mistyped file never reaches the
// screen; the one playing stays and the problem is kept for standard error and the overlay. Playing the new one
// and replaying the moment on screen is the caller's. Portable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/live/FileChangePoller.h"
#include "scene/choreography/Choreography.h"

class ChoreographyReloader
{
public:
    // Starts watching `fileName` as it is now.
    ChoreographyReloader(std::string fileName, FileChangePoller::Timing timing = {});

    // When the file changed and settled since the last look (no more often than the poller's interval): the
    // choreography it now holds, or null when it cannot be played (Problem() says why, and standard error has
    // said so). Null too when nothing changed.
    std::shared_ptr<const Choreography> Poll(std::int64_t nowNanoseconds);

    // "file:line: what is wrong" for the last change that could not be played; empty once one could.
    const std::string& Problem() const { return m_problem; }
    const std::string& FileName() const { return m_fileName; }

private:
    std::string m_fileName;
    FileChangePoller m_poller;
    std::string m_problem;
};
