// Recovered edits and their owners: see ChoreographyRecovery.h.
#include "app/live/timeline/ChoreographyRecovery.h"

#include <algorithm>
#include <atomic>
#include <iostream>
#include <utility>

#include "app/FileReplacer.h"
#include "scene/choreography/ChoreographyFile.h"

#ifdef _WIN32
#include <process.h>
#define ENGINE_PROCESS_ID _getpid
#else
#include <unistd.h>
#define ENGINE_PROCESS_ID getpid
#endif

namespace
{
// Documents of one process (the tests open several at once) get tags of their own too.
std::atomic<unsigned> g_documents{0};

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What a file beside the document is, from what follows the document's name: an autosave or a recovered version,
// and its program's tag (empty for the names of older runs, which had none).
struct Found
{
    bool autosave = false;
    bool recovered = false;
    std::string tag;
};

Found Classify(const std::string& rest)
{
    Found found;
    std::string after;
    if (rest.rfind(ChoreographyRecovery::kAutosaveKind, 0) == 0 && EndsWith(rest, ".xml"))
    {
        found.autosave = true;
        after = rest.substr(std::string(ChoreographyRecovery::kAutosaveKind).size());
    }
    else if (rest.rfind(ChoreographyRecovery::kRecoveredKind, 0) == 0 && EndsWith(rest, ".xml"))
    {
        found.recovered = true;
        after = rest.substr(std::string(ChoreographyRecovery::kRecoveredKind).size());
    }
    if (!after.empty() && after.front() == '-')
    {
        found.tag = after.substr(1, after.find_first_of("-.", 1) - 1);
    }
    return found;
}
}

ChoreographyRecovery::ChoreographyRecovery(const std::string& file)
{
    Rename(file);
    for (const std::string& found : FileReplacer::StartingWith(m_file + "."))
    {
        TakeOver(found);
    }
    Sort();
}

void ChoreographyRecovery::Rename(const std::string& file)
{
    if (m_lock.Held())
    {
        // What was left under the old name stays this program's for as long as it runs.
        m_formerLocks.push_back(std::move(m_lock));
    }
    m_file = file;
    const std::string process = std::to_string(ENGINE_PROCESS_ID());
    // A tag whose lock another document of this process holds is skipped; one a dead program left is free.
    for (int tries = 0; tries < 1000 && !m_lock.Held(); ++tries)
    {
        m_tag = process + "_" + std::to_string(++g_documents);
        m_lock = ProgramLock(m_file + kLockKind + m_tag);
    }
    if (!m_lock.Held())
    {
        // A folder that cannot be written: the autosave fails there too and says so; nothing is taken over.
        std::cerr << m_file << kLockKind << m_tag << ": cannot be created; this program's autosave is "
                  << "not told apart from another's" << std::endl;
    }
    m_autosave = m_file + kAutosaveKind + "-" + m_tag + ".xml";
}

void ChoreographyRecovery::TakeOver(const std::string& file)
{
    const Found found = Classify(file.substr(m_file.size()));
    if (!found.autosave && !found.recovered)
    {
        return;
    }
    const bool ours = found.tag == m_tag;
    if (!ours && !found.tag.empty() && ProgramLock::HeldByAnyone(m_file + kLockKind + found.tag))
    {
        return;   // its program is running and offers it itself
    }
    if (!m_lock.Held())
    {
        return;
    }
    const std::optional<std::int64_t> written = FileReplacer::LastWritten(file);
    if (!written)
    {
        return;
    }
    std::string kept = file;
    if (!(ours && found.recovered))
    {
        kept = FileReplacer::FreeName(m_file + kRecoveredKind + "-" + m_tag + ".xml");
        std::string problem;
        if (!FileReplacer::Rename(file, kept, &problem))
        {
            if (!FileReplacer::Exists(file))
            {
                return;   // another program starting now took it first
            }
            std::cerr << file << ": edits not saved in a run that has ended are here, but could not be moved aside ("
                      << problem << "); they are offered where they are" << std::endl;
            kept = file;
        }
    }
    const std::optional<std::int64_t> saved = FileReplacer::LastWritten(m_file);
    Version version{kept, *written, FileReplacer::LocalTime(*written)};
    std::cerr << kept << ": edits not saved in a run that has ended (written " << version.time << ", "
              << (!saved || *written >= *saved ? "newer" : "older")
              << " than the file); the timeline panel (F2) offers them" << std::endl;
    m_versions.push_back(std::move(version));
}

void ChoreographyRecovery::Sort()
{
    std::stable_sort(m_versions.begin(), m_versions.end(),
                     [](const Version& a, const Version& b) { return a.written > b.written; });
}

bool ChoreographyRecovery::IsOffered(std::size_t index, std::string* problem) const
{
    if (index < Offered().size())
    {
        return true;
    }
    if (problem != nullptr)
    {
        *problem = "recovered version " + std::to_string(index + 1) + " is not offered (any more)";
    }
    return false;
}

std::optional<Choreography> ChoreographyRecovery::Open(std::size_t index, std::string* problem)
{
    if (!IsOffered(index, problem))
    {
        return std::nullopt;
    }
    std::optional<Choreography> recovered = ChoreographyFile::LoadForEditing(m_versions[index].file, problem);
    if (recovered)
    {
        std::cerr << m_versions[index].file << ": opened in the timeline panel; what was edited before is one undo "
                  << "away" << std::endl;
        std::optional<Version> before = std::exchange(m_opened, m_versions[index]);
        m_versions.erase(m_versions.begin() + static_cast<std::ptrdiff_t>(index));
        if (before)
        {
            m_versions.push_back(std::move(*before));
            Sort();
        }
    }
    return recovered;
}

bool ChoreographyRecovery::Discard(std::size_t index, std::string* problem)
{
    if (!IsOffered(index, problem))
    {
        return false;
    }
    if (!FileReplacer::Remove(m_versions[index].file))
    {
        if (problem != nullptr)
        {
            *problem = m_versions[index].file + ": cannot be removed";
        }
        return false;
    }
    std::cerr << m_versions[index].file << ": discarded" << std::endl;
    m_versions.erase(m_versions.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

void ChoreographyRecovery::Saved(bool keptOpened)
{
    if (m_opened && keptOpened)
    {
        FileReplacer::Remove(m_opened->file);
        m_opened.reset();
    }
}
