// Change polling: see FileChangePoller.h.
#include "app/live/FileChangePoller.h"

#include <set>

void FileChangePoller::SetFiles(const std::vector<std::string>& paths)
{
    const std::set<std::string> wanted(paths.begin(), paths.end());
    for (auto file = m_files.begin(); file != m_files.end();)
    {
        file = wanted.count(file->first) != 0 ? std::next(file) : m_files.erase(file);
    }
    for (const std::string& path : wanted)
    {
        Watch(path);
    }
}

void FileChangePoller::Watch(const std::string& path)
{
    if (m_files.count(path) == 0)
    {
        m_files[path].accepted = FileStamp::Of(path);
    }
}

std::vector<std::string> FileChangePoller::Poll(std::int64_t nowNanoseconds)
{
    std::vector<std::string> changed;
    if (m_lastPoll && nowNanoseconds - *m_lastPoll < m_timing.intervalNanoseconds)
    {
        return changed;
    }
    m_lastPoll = nowNanoseconds;
    for (auto& [path, file] : m_files)
    {
        const std::optional<FileStamp> stamp = FileStamp::Of(path);
        // Missing or empty: most likely the middle of a save. Whatever state comes next must settle afresh.
        if (!stamp || stamp->size == 0)
        {
            file.seen.reset();
            continue;
        }
        if (stamp == file.accepted && !file.retry)
        {
            file.seen.reset();
            continue;
        }
        if (stamp != file.seen)
        {
            file.seen = stamp;
            file.seenSince = nowNanoseconds;
        }
        if (nowNanoseconds - file.seenSince >= m_timing.settleNanoseconds)
        {
            file.accepted = stamp;
            file.retry = false;
            file.seen.reset();
            changed.push_back(path);
        }
    }
    return changed;
}

void FileChangePoller::Retry(const std::string& path)
{
    const auto found = m_files.find(path);
    if (found != m_files.end())
    {
        found->second.retry = true;
        found->second.seen.reset();
    }
}
