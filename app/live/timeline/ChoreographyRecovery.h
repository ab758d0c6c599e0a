// The files through which no edit is lost, and which program each belongs to. Every running program that edits a
// choreography has a name of its own, its tag, and holds a lock for its life (ProgramLock): it autosaves to
// FILE.autosave-TAG.xml and keeps the versions it found to FILE.recovered-TAG.xml (or -TAG-2.xml, ...). At start,
// every autosave and recovered version of the file whose program is no longer running (its lock not held; older
// runs' FILE.autosave.xml and FILE.recovered.xml count too) is taken over, renamed to this program's tag, and
// offered, newest first. A version stays on the disk until the maker discards it, or until a save made after it
// was opened keeps its edits; one put aside ("Not now") is still this program's, and the next start after it ends
// offers it again. It never touches another running program's files. Portable; it only finds, reads, renames and
// removes files: the document makes what it reads the version edited.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/ProgramLock.h"
#include "scene/choreography/Choreography.h"

class ChoreographyRecovery
{
public:
    static constexpr const char* kAutosaveKind = ".autosave";
    static constexpr const char* kRecoveredKind = ".recovered";
    static constexpr const char* kLockKind = ".lock-";

    // A version offered back: its file, and when it was written (as LastWritten ticks and as the user reads it).
    struct Version
    {
        std::string file;
        std::int64_t written = 0;
        std::string time;
    };

    // Takes this program's lock beside `file` and takes over what ended programs left of it, saying so on standard
    // error; the file itself is not touched.
    explicit ChoreographyRecovery(const std::string& file);

    // Where this program autosaves `file`'s unsaved edits.
    const std::string& AutosaveFile() const { return m_autosave; }
    // The versions on offer, newest first; empty once put aside (Dismiss).
    const std::vector<Version>& Offered() const { return m_shown ? m_versions : m_none; }
    // Reads the offered version `index` (as it is, playable or not); it leaves the list, and a version opened
    // before it returns there. Nothing, with the reason, when it cannot be read.
    std::optional<Choreography> Open(std::size_t index, std::string* problem = nullptr);
    // Removes the offered version `index` from the disk: the maker decided it is not wanted.
    bool Discard(std::size_t index, std::string* problem = nullptr);
    // Stops offering the list in this run; the files stay, and the next start offers them again.
    void Dismiss() { m_shown = false; }
    // The document's file was saved: with `keptOpened`, it holds the edits of the version opened last, which has
    // done its work and goes.
    void Saved(bool keptOpened);
    // The document's file is now `file` (an unnamed version's first save): the autosave and lock follow it.
    void Rename(const std::string& file);

    // This program's own name among those editing the same file.
    const std::string& Tag() const { return m_tag; }

private:
    void TakeOver(const std::string& file);
    void Sort();
    // Whether version `index` is on offer; `problem`, when given, says why not.
    bool IsOffered(std::size_t index, std::string* problem) const;

    std::string m_file;
    std::string m_tag;
    ProgramLock m_lock;
    std::vector<ProgramLock> m_formerLocks;
    std::string m_autosave;
    std::vector<Version> m_versions;
    std::optional<Version> m_opened;
    bool m_shown = true;
    std::vector<Version> m_none;
};
