// Choreography reload: see ChoreographyReloader.h.
#include "app/live/timeline/ChoreographyReloader.h"

#include <iostream>

#include "scene/choreography/ChoreographyFile.h"

ChoreographyReloader::ChoreographyReloader(std::string fileName, FileChangePoller::Timing timing)
    : m_fileName(std::move(fileName)), m_poller(timing)
{
    m_poller.Watch(m_fileName);
}

std::shared_ptr<const Choreography> ChoreographyReloader::Poll(std::int64_t nowNanoseconds)
{
    if (m_poller.Poll(nowNanoseconds).empty())
    {
        return nullptr;
    }
    std::string problem;
    std::optional<Choreography> loaded = ChoreographyFile::Load(m_fileName, &problem);
    if (!loaded)
    {
        m_problem = problem;
        std::cerr << problem << " (the choreography playing is kept)" << std::endl;
        return nullptr;
    }
    m_problem.clear();
    return std::make_shared<const Choreography>(std::move(*loaded));
}
