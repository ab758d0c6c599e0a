// Recovered edits: see ChoreographyRecovery.h.
#include "app/live/timeline/ChoreographyRecovery.h"

#include <cstdint>
#include <iostream>
#include <utility>

#include "app/FileReplacer.h"
#include "scene/choreography/ChoreographyFile.h"

ChoreographyRecovery::ChoreographyRecovery(const std::string& file, const std::string& autosave)
{
    const std::optional<std::int64_t> autosaved = FileReplacer::LastWritten(autosave);
    if (!autosaved)
    {
        return;
    }
    const std::optional<std::int64_t> saved = FileReplacer::LastWritten(file);
    const bool newer = !saved || *autosaved >= *saved;
    const std::string aside = FileReplacer::FreeName(file + kRecoverySuffix);
    std::string problem;
    if (!FileReplacer::Rename(autosave, aside, &problem))
    {
        m_offered = autosave;
        m_autosaveInstead = FileReplacer::FreeName(autosave);
        std::cerr << autosave << ": edits not saved in an earlier run are here, but could not be moved aside ("
                  << problem << "); this run autosaves to " << *m_autosaveInstead << std::endl;
        return;
    }
    m_offered = aside;
    std::cerr << aside << ": edits not saved in an earlier run (" << (newer ? "newer" : "older")
              << " than the file); the timeline panel (F2) opens them" << std::endl;
}

std::optional<Choreography> ChoreographyRecovery::Open(std::string* problem)
{
    if (m_offered.empty())
    {
        return std::nullopt;
    }
    std::optional<Choreography> recovered = ChoreographyFile::LoadForEditing(m_offered, problem);
    if (recovered)
    {
        std::cerr << m_offered << ": opened in the timeline panel; the file's version is one undo away" << std::endl;
        m_opened = std::exchange(m_offered, std::string());
    }
    return recovered;
}

void ChoreographyRecovery::Saved()
{
    if (!m_opened.empty())
    {
        FileReplacer::Remove(m_opened);
        m_opened.clear();
    }
}
