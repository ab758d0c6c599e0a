// The timeline panel's document: see ChoreographyEditor.h.
#include "app/live/timeline/ChoreographyEditor.h"

#include "app/FileReplacer.h"
#include "scene/choreography/ChoreographyFile.h"

#include <iostream>
#include <unordered_set>
#include <utility>

namespace
{
// What `older` holds that `newer` does not share with it: the lists of the one that are not the other's.
std::size_t UnsharedBytes(const Choreography& older, const Choreography& newer)
{
    std::size_t bytes = 0;
    const auto add = [&bytes](const auto& mine, const auto& theirs) {
        bytes += mine.Identity() != theirs.Identity() ? mine.ElementBytes() : 0;
    };
    add(older.camera, newer.camera);
    add(older.actors, newer.actors);
    add(older.tracks, newer.tracks);
    std::unordered_set<const void*> shared;
    for (const Choreography::Track& track : newer.tracks)
    {
        shared.insert(track.keys.Identity());
    }
    for (const Choreography::Track& track : older.tracks)
    {
        bytes += shared.count(track.keys.Identity()) == 0 ? track.keys.ElementBytes() : 0;
    }
    return bytes;
}

}

ChoreographyEditor::ChoreographyEditor(Choreography start, std::string fileName) : m_fileName(std::move(fileName))
{
    SetCurrent(NewVersion(std::move(start)));
    m_savedRevision = m_playedRevision = m_autosavedRevision = m_current.revision;
    FindRecovery();
}

ChoreographyEditor::~ChoreographyEditor() = default;

void ChoreographyEditor::Change(Choreography next)
{
    if (next == m_current.choreography)
    {
        return;
    }
    Version previous = SetCurrent(NewVersion(std::move(next)));
    if (!m_gestureStart)
    {
        PushUndo(std::move(previous));
        m_redo.clear();
    }
}

void ChoreographyEditor::BeginGesture()
{
    if (!m_gestureStart)
    {
        m_gestureStart = m_current;
    }
}

void ChoreographyEditor::EndGesture()
{
    if (!m_gestureStart)
    {
        return;
    }
    Version start = std::move(*m_gestureStart);
    m_gestureStart.reset();
    if (start.revision != m_current.revision)   // a drag that ended where it began is no step
    {
        PushUndo(std::move(start));
        m_redo.clear();
    }
}

bool ChoreographyEditor::Undo()
{
    EndGesture();
    if (m_undo.empty())
    {
        return false;
    }
    UndoStep step = std::move(m_undo.back());
    m_undo.pop_back();
    m_undoBytes -= step.bytes;
    m_redo.push_back(SetCurrent(std::move(step.version)));
    return true;
}

bool ChoreographyEditor::Redo()
{
    EndGesture();
    if (m_redo.empty())
    {
        return false;
    }
    Version next = std::move(m_redo.back());
    m_redo.pop_back();
    PushUndo(SetCurrent(std::move(next)));
    return true;
}

std::shared_ptr<const Choreography> ChoreographyEditor::TakeToPlay()
{
    if (!m_problems.empty() || m_current.revision == m_playedRevision)
    {
        return nullptr;
    }
    m_playedRevision = m_current.revision;
    return std::make_shared<const Choreography>(m_current.choreography);
}

bool ChoreographyEditor::AdoptFile(std::shared_ptr<const Choreography> loaded)
{
    EndGesture();
    Version outside = NewVersion(*loaded);
    if (HasUnsavedChanges() && *loaded != m_current.choreography)
    {
        // The maker's edits win over a change made elsewhere: they stay what is edited and plays, and are on the
        // disk before anything else happens; the file's new version is one undo away and in FILE.bak once saved.
        QueueAutosave();
        m_savedRevision = outside.revision;
        PushUndo(std::move(outside));
        m_redo.clear();
        std::cerr << BaseFileName() << ": changed on disk; the timeline panel's unsaved edits stay (and are in "
                  << AutosaveFileName() << "), the file's version is one undo away" << std::endl;
        return true;
    }
    if (*loaded != m_current.choreography)
    {
        PushUndo(SetCurrent(std::move(outside)));
        m_redo.clear();
    }
    m_savedRevision = m_playedRevision = m_autosavedRevision = m_current.revision;
    return false;
}

std::string ChoreographyEditor::AutosaveFileName() const
{
    return m_autosaveFile ? *m_autosaveFile : BaseFileName() + kAutosaveSuffix;
}

std::string ChoreographyEditor::BaseFileName() const
{
    return m_fileName.empty() ? std::string(kNewFileName) : m_fileName;
}

bool ChoreographyEditor::Save()
{
    const std::string fileName = m_fileName.empty() ? FreeFileName(kNewFileName) : m_fileName;
    if (!m_problems.empty())
    {
        std::cerr << fileName << ": not saved, since this version cannot be played yet (" << m_problems.front().Where()
                  << ": " << m_problems.front().what << "); it is kept in " << AutosaveFileName() << std::endl;
        QueueAutosave();
        return false;
    }
    const bool replacing = FileReplacer::Exists(fileName);
    std::string problem;
    if (!FileReplacer::Write(fileName, ChoreographyFile::Write(m_current.choreography),
                             replacing ? fileName + kBackupSuffix : std::string(), &problem))
    {
        std::cerr << problem << std::endl;
        QueueAutosave();
        return false;
    }
    // Any autosave of an unnamed version sits beside "choreography.xml"; it goes with the first save too.
    const std::string autosave = AutosaveFileName();
    m_fileName = fileName;
    m_savedRevision = m_current.revision;
    m_autosave.Wait();
    FileReplacer::Remove(autosave);
    FileReplacer::Remove(AutosaveFileName());
    m_autosavedRevision = m_current.revision;
    // A recovered version that was opened is in the file now, with whatever was made of it.
    if (!m_openedRecovery.empty())
    {
        FileReplacer::Remove(m_openedRecovery);
        m_openedRecovery.clear();
    }
    const Choreography& saved = m_current.choreography;
    std::cerr << fileName << ": choreography saved (" << saved.camera.size() << " camera segments, "
              << saved.actors.size() << " actor rows, " << saved.tracks.size() << " tracks"
              << (replacing ? ", the previous version in " + fileName + kBackupSuffix : std::string()) << ")"
              << std::endl;
    return true;
}

void ChoreographyEditor::Tick(double nowSeconds)
{
    if (const std::optional<std::string> failure = m_autosave.TakeFailure())
    {
        std::cerr << *failure << " (the autosave is tried again)" << std::endl;
        m_autosavedRevision = 0;
    }
    if (HasUnsavedChanges() && m_current.revision != m_autosavedRevision &&
        nowSeconds - m_lastAutosave >= kAutosaveSeconds)
    {
        m_lastAutosave = nowSeconds;
        QueueAutosave();
    }
}

std::optional<std::string> ChoreographyEditor::WriteRecovery()
{
    if (m_recoveryDone)
    {
        return std::nullopt;
    }
    m_recoveryDone = true;
    EndGesture();
    const std::string autosave = AutosaveFileName();
    if (!HasUnsavedChanges())
    {
        m_autosave.Wait();
        FileReplacer::Remove(autosave);
        return std::nullopt;
    }
    QueueAutosave();
    m_autosave.Wait();
    if (const std::optional<std::string> failure = m_autosave.TakeFailure())
    {
        std::cerr << *failure << "; the unsaved edits could not be kept" << std::endl;
        return std::nullopt;
    }
    std::cerr << BaseFileName() << ": unsaved edits kept in " << autosave
              << (m_problems.empty() ? "" : " (a version that cannot be played yet, as it was)")
              << "; the next start with this file offers them" << std::endl;
    return autosave;
}

bool ChoreographyEditor::OpenRecovery(std::string* problem)
{
    if (m_recoveryFile.empty())
    {
        return false;
    }
    std::optional<Choreography> recovered = ChoreographyFile::LoadForEditing(m_recoveryFile, problem);
    if (!recovered)
    {
        return false;
    }
    std::cerr << m_recoveryFile << ": opened in the timeline panel; the file's version is one undo away" << std::endl;
    m_openedRecovery = std::exchange(m_recoveryFile, std::string());
    Change(std::move(*recovered));
    return true;
}

void ChoreographyEditor::FindRecovery()
{
    const std::string autosave = AutosaveFileName();
    const std::optional<std::int64_t> autosaved = FileReplacer::LastWritten(autosave);
    if (!autosaved)
    {
        return;
    }
    const std::optional<std::int64_t> saved = FileReplacer::LastWritten(BaseFileName());
    const bool newer = !saved || *autosaved >= *saved;
    const std::string aside = FreeFileName(BaseFileName() + kRecoverySuffix);
    std::string problem;
    if (!FileReplacer::Rename(autosave, aside, &problem))
    {
        m_recoveryFile = autosave;
        m_autosaveFile = FreeFileName(autosave);
        std::cerr << autosave << ": edits not saved in an earlier run are here, but could not be moved aside ("
                  << problem << "); this run autosaves to " << *m_autosaveFile << std::endl;
        return;
    }
    m_recoveryFile = aside;
    std::cerr << aside << ": edits not saved in an earlier run (" << (newer ? "newer" : "older")
              << " than the file); the timeline panel (F2) opens them" << std::endl;
}

std::string ChoreographyEditor::FreeFileName(const std::string& name)
{
    // The extension is what follows the last dot of the last part of the name, as long as that dot does not start
    // it (".hidden" has none).
    const std::size_t part = name.find_last_of("/\\") + 1;
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > part;
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot) : std::string();
    std::string candidate = name;
    for (unsigned number = 2;; ++number)
    {
        // A folder that cannot be looked into ends the search; writing there fails and says so.
        if (!FileReplacer::Exists(candidate))
        {
            return candidate;
        }
        candidate = stem + "-" + std::to_string(number) + extension;
    }
}

// `version` was current until the version now current replaced it.
void ChoreographyEditor::PushUndo(Version version)
{
    const std::size_t bytes = UnsharedBytes(version.choreography, m_current.choreography);
    m_undo.push_back({std::move(version), bytes});
    m_undoBytes += bytes;
    while (m_undo.size() > kUndoDepth || (m_undoBytes > kUndoBytes && m_undo.size() > 1))
    {
        m_undoBytes -= m_undo.front().bytes;
        m_undo.pop_front();
    }
}

ChoreographyEditor::Version ChoreographyEditor::SetCurrent(Version version)
{
    // Only what an edit made anew needs checking when it was made from a version that plays.
    const bool fromValid = m_problems.empty() && m_current.revision != 0;
    m_problems =
        fromValid ? version.choreography.ValidateEditOf(m_current.choreography) : version.choreography.Validate();
    return std::exchange(m_current, std::move(version));
}

void ChoreographyEditor::QueueAutosave()
{
    m_autosavedRevision = m_current.revision;
    m_autosave.Queue(AutosaveFileName(), m_current.choreography, m_problems);
}
