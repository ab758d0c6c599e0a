// The choreography being edited: see ChoreographyDocument.h.
#include "app/live/timeline/ChoreographyDocument.h"

#include <iostream>
#include <utility>

#include "app/FileReplacer.h"
#include "scene/choreography/ChoreographyFile.h"

ChoreographyDocument::ChoreographyDocument(Choreography start, std::string fileName)
    : m_fileName(std::move(fileName)), m_editor(std::move(start)), m_recovery(BaseFileName())
{
    m_savedRevision = m_autosavedRevision = m_editor.Revision();
}

ChoreographyDocument::~ChoreographyDocument() = default;

std::string ChoreographyDocument::BaseFileName() const
{
    return m_fileName.empty() ? std::string(kNewFileName) : m_fileName;
}

bool ChoreographyDocument::Save()
{
    m_editor.EndGesture();
    const std::string fileName = m_fileName.empty() ? FileReplacer::FreeName(kNewFileName) : m_fileName;
    const std::vector<Choreography::Problem>& problems = m_editor.Problems();
    const bool replacing = FileReplacer::Exists(fileName);
    std::string problem;
    // A version that cannot be played is not saved: the file keeps one that can.
    const bool written =
        problems.empty() && FileReplacer::Write(fileName, ChoreographyFile::Write(m_editor.Current()),
                                                replacing ? fileName + kBackupSuffix : std::string(), &problem);
    if (!written)
    {
        const std::string why = problems.empty()
                                    ? problem
                                    : "this version cannot be played yet (" + problems.front().Where() + ": " +
                                          problems.front().what + "); it is kept in " + AutosaveFileName();
        std::cerr << fileName << ": not saved: " << why << std::endl;
        QueueAutosave();
        m_model.SetStatus("not saved: " + why);
        return false;
    }
    // Any autosave of an unnamed version sits beside "choreography.xml"; it goes with the first save too, and this
    // program's files follow the name chosen.
    const std::string autosave = AutosaveFileName();
    if (fileName != BaseFileName())
    {
        m_recovery.Rename(fileName);
    }
    m_fileName = fileName;
    m_savedRevision = m_autosavedRevision = m_editor.Revision();
    m_autosave.Wait();
    FileReplacer::Remove(autosave);
    FileReplacer::Remove(AutosaveFileName());
    const bool keptOpened = !m_opened || *m_opened == *m_beforeOpened || m_editor.Current() != *m_beforeOpened;
    m_recovery.Saved(keptOpened);
    if (keptOpened)
    {
        m_beforeOpened.reset();
        m_opened.reset();
    }
    const Choreography& saved = m_editor.Current();
    std::cerr << fileName << ": choreography saved (" << saved.camera.size() << " camera segments, "
              << saved.actors.size() << " actor rows, " << saved.tracks.size() << " tracks"
              << (replacing ? ", the previous version in " + fileName + kBackupSuffix : std::string()) << ")"
              << std::endl;
    m_model.SetStatus("saved to " + fileName);
    return true;
}

void ChoreographyDocument::Tick(double nowSeconds)
{
    if (const std::optional<std::string> failure = m_autosave.TakeFailure())
    {
        std::cerr << *failure << " (the autosave is tried again)" << std::endl;
        m_autosavedRevision = 0;
    }
    if (HasUnsavedChanges() && m_editor.Revision() != m_autosavedRevision &&
        nowSeconds - m_lastAutosave >= kAutosaveSeconds)
    {
        m_lastAutosave = nowSeconds;
        QueueAutosave();
    }
}

std::optional<std::string> ChoreographyDocument::WriteRecovery()
{
    if (m_recoveryWritten)
    {
        return std::nullopt;
    }
    m_recoveryWritten = true;
    m_editor.EndGesture();
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
              << (m_editor.Problems().empty() ? "" : " (a version that cannot be played yet, as it was)")
              << "; the next start with this file offers them" << std::endl;
    return autosave;
}

bool ChoreographyDocument::AdoptFile(std::shared_ptr<const Choreography> loaded)
{
    m_editor.EndGesture();
    if (HasUnsavedChanges() && *loaded != m_editor.Current())
    {
        // The maker's edits win over a change made elsewhere: they stay what is edited and plays, and are on the
        // disk before anything else happens; the file's new version is one undo away and in FILE.bak once saved.
        QueueAutosave();
        m_savedRevision = m_editor.PutBelow(*loaded);
        std::cerr << BaseFileName() << ": changed on disk; the timeline panel's unsaved edits stay (and are in "
                  << AutosaveFileName() << "), the file's version is one undo away" << std::endl;
        return true;
    }
    if (*loaded != m_editor.Current())
    {
        // Taken over without a word, the maker would not know that their own version is now one undo away.
        m_editor.Change(*loaded);
        std::cerr << BaseFileName() << ": saved elsewhere (another program or editor) and taken in; this "
                  << "program's own version is one undo away" << std::endl;
        m_model.SetStatus("taken in a save made elsewhere: your own version is one undo away");
    }
    m_editor.MarkPlayed();
    m_savedRevision = m_autosavedRevision = m_editor.Revision();
    return false;
}

bool ChoreographyDocument::OpenRecovery(std::size_t index, std::string* problem)
{
    std::string why;
    std::optional<Choreography> recovered = m_recovery.Open(index, &why);
    if (!recovered)
    {
        m_model.SetStatus("recovered version not opened: " + why);
        if (problem != nullptr)
        {
            *problem = why;
        }
        return false;
    }
    m_editor.EndGesture();
    m_beforeOpened = m_editor.Current();
    m_opened = *recovered;
    m_editor.Change(std::move(*recovered));
    m_model.SetStatus("recovered version opened: what was edited before is one undo away");
    return true;
}

bool ChoreographyDocument::DiscardRecovery(std::size_t index, std::string* problem)
{
    std::string why;
    const bool discarded = m_recovery.Discard(index, &why);
    m_model.SetStatus(discarded ? "recovered version discarded" : "recovered version not discarded: " + why);
    if (!discarded && problem != nullptr)
    {
        *problem = why;
    }
    return discarded;
}

void ChoreographyDocument::RecordReplay(double seconds, double milliseconds)
{
    m_replay = Replay{seconds, milliseconds};
    m_replayReported = false;
}

void ChoreographyDocument::ReportReplay()
{
    if (m_replayReported || !m_replay || m_editor.InGesture())
    {
        return;
    }
    m_replayReported = true;
    std::cerr << (m_fileName.empty() ? "the timeline panel" : m_fileName) << ": edit played, replayed to "
              << m_replay->seconds << " s in " << static_cast<int>(m_replay->milliseconds) << " ms" << std::endl;
}

void ChoreographyDocument::QueueAutosave()
{
    m_autosavedRevision = m_editor.Revision();
    m_autosave.Queue(AutosaveFileName(), m_editor.Current(), m_editor.Problems());
}
