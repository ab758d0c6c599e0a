// Tells which of a set of files changed, for the reload of shaders and of the world. It only compares stamps
// (modification time and size), at most once per interval however often it is asked, and it reports a change
// only once the file has settled: an editor's save can leave a file missing, empty or half-written for a
// moment, so a file is reported when it exists, is not empty and has kept the same new stamp for a while.
// Reading and using the files is the caller's business. Portable; the clock is the caller's.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "files/FileStamp.h"

class FileChangePoller
{
public:
    struct Timing
    {
        // Stamps are read at most this often: some 30 files twenty times a second cost next to nothing.
        std::int64_t intervalNanoseconds = 50'000'000;
        // A new stamp must stay unchanged this long before the file counts as changed: longer than an editor
        // takes to write a source file, short enough that an edit shows well within a second.
        std::int64_t settleNanoseconds = 100'000'000;
    };

    FileChangePoller() = default;
    explicit FileChangePoller(Timing timing) : m_timing(timing) {}

    // Watches exactly these files from now on. A file already watched keeps what it knew; a new one is taken
    // as it is now, so only later changes of it are reported.
    void SetFiles(const std::vector<std::string>& paths);
    // Adds one file, as SetFiles does for a new one; nothing for a file already watched.
    void Watch(const std::string& path);
    bool IsWatching(const std::string& path) const { return m_files.count(path) != 0; }
    std::size_t Count() const { return m_files.size(); }

    // The files that settled into a new state since they were last reported, in name order; empty when the
    // interval since the last look has not passed. `nowNanoseconds` is any steady clock.
    std::vector<std::string> Poll(std::int64_t nowNanoseconds);
    // For a reported file that could not be used after all (it went away again between the look and the
    // read): it is reported once more when it has settled, even with the same stamp.
    void Retry(const std::string& path);

private:
    struct Watched
    {
        std::optional<FileStamp> accepted;   // the state last reported (or found when watching began)
        bool retry = false;                  // report the next settled state even if it is `accepted`
        std::optional<FileStamp> seen;       // a new state waiting to settle
        std::int64_t seenSince = 0;
    };

    Timing m_timing;
    std::map<std::string, Watched> m_files;
    std::optional<std::int64_t> m_lastPoll;
};
