// Writes the timeline panel's unsaved version to its autosave file on a thread of its own, so that neither turning
// a large choreography into text nor waiting for the disk ever costs a frame. One write at a time; a version queued
// while another is written replaces any version still waiting, since only the newest matters. Writes go through
// FileReplacer, so an autosave file is always a whole version. It decides nothing about when to write.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "scene/choreography/Choreography.h"

class AutosaveWriter
{
public:
    AutosaveWriter();
    // Finishes a write in progress and any queued one: what was queued is the user's work.
    ~AutosaveWriter();
    AutosaveWriter(const AutosaveWriter&) = delete;
    AutosaveWriter& operator=(const AutosaveWriter&) = delete;

    // Queues `version` for `file`. With `problems`, the file's first line says that the version cannot be played
    // yet, and why. The copy is cheap: the version shares its lists with the editor's.
    void Queue(std::string file, Choreography version, std::vector<Choreography::Problem> problems);
    // Returns once everything queued so far is written (or has failed).
    void Wait();
    // The last write's failure, once, or nothing when it succeeded.
    std::optional<std::string> TakeFailure();

    // The text of an autosave: Write()'s text, after a comment line naming the first problem, if any.
    static std::string Text(const Choreography& version, const std::vector<Choreography::Problem>& problems);

private:
    struct Job
    {
        std::string file;
        Choreography version;
        std::vector<Choreography::Problem> problems;
    };

    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Job> m_queued;
    bool m_writing = false;
    bool m_stopping = false;
    std::optional<std::string> m_failure;
    std::thread m_thread;
};
