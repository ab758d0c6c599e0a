// AutosaveWriter: one worker thread, woken for each queued version and stopped at destruction after the queue is
// empty.
#include "app/live/timeline/AutosaveWriter.h"

#include "app/FileReplacer.h"
#include "scene/choreography/ChoreographyFile.h"

#include <utility>

AutosaveWriter::AutosaveWriter() : m_thread([this] { Run(); })
{
}

AutosaveWriter::~AutosaveWriter()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void AutosaveWriter::Queue(std::string file, Choreography version, std::vector<Choreography::Problem> problems)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queued = Job{std::move(file), std::move(version), std::move(problems)};
    }
    m_wake.notify_one();
}

void AutosaveWriter::Wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_queued && !m_writing; });
}

std::optional<std::string> AutosaveWriter::TakeFailure()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_failure, std::nullopt);
}

std::string AutosaveWriter::Text(const Choreography& version, const std::vector<Choreography::Problem>& problems)
{
    std::string text;
    if (!problems.empty())
    {
        // A comment may not hold "--".
        std::string why = problems.front().Where() + ": " + problems.front().what;
        for (std::size_t at = why.find("--"); at != std::string::npos; at = why.find("--", at))
        {
            why.insert(at + 1, " ");
        }
        text = "<!-- This version cannot be played yet: " + why + " -->\n";
    }
    return text + ChoreographyFile::Write(version);
}

void AutosaveWriter::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
    {
        m_wake.wait(lock, [this] { return m_queued.has_value() || m_stopping; });
        if (!m_queued)
        {
            return;   // stopping, with nothing left to write
        }
        Job job = std::move(*m_queued);
        m_queued.reset();
        m_writing = true;
        lock.unlock();

        std::string problem;
        const bool written = FileReplacer::Write(job.file, Text(job.version, job.problems), {}, &problem);
        job = {};   // the version's lists are released before the editor may change them again

        lock.lock();
        m_writing = false;
        m_failure = written ? std::nullopt : std::optional<std::string>(problem);
        if (!m_queued)
        {
            m_idle.notify_all();
        }
    }
}
