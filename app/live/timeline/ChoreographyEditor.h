// The timeline panel's document: the choreography being edited, its undo and redo history, which version is the
// one to play, and saving it so that no work is lost (a backup of the version saved over, a recovery file for
// edits still unsaved at quitting). Portable and free of ImGui: the panel draws it, LiveTools plays what it hands
// out. It never plays anything itself and never writes a file except when asked.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scene/choreography/Choreography.h"

class ChoreographyEditor
{
public:
    // Whole copies are kept for undo; a choreography is a few kilobytes, so this bounds the history to a few
    // megabytes even for large files.
    static constexpr std::size_t kUndoDepth = 256;
    // The file a choreography is first saved to when none was named (--choreography): in the working folder,
    // under the first free name of "choreography.xml", "choreography-2.xml", ...
    static constexpr const char* kNewFileName = "choreography.xml";
    static constexpr const char* kBackupSuffix = ".bak";
    static constexpr const char* kRecoverySuffix = ".recovered.xml";

    // `start` is what plays now (valid); `fileName` the file it came from, empty for the compiled-in one.
    ChoreographyEditor(Choreography start, std::string fileName);

    // The version being edited; it may be invalid while an edit is half done (see Problems).
    const Choreography& Current() const { return m_current; }
    // What is wrong with Current(); empty when it can be played and saved.
    const std::vector<Choreography::Problem>& Problems() const { return m_problems; }

    // Replaces the current version with `next`. Outside a gesture each change is one undo step; within one
    // (BeginGesture .. EndGesture, a drag of a number) the whole gesture is one.
    void Change(Choreography next);
    void BeginGesture();
    void EndGesture();
    bool InGesture() const { return m_gestureStart.has_value(); }

    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    // Each ends any gesture first. False when there was nothing to undo or redo.
    bool Undo();
    bool Redo();

    // The current version when it is valid and differs from the one handed out last, once: what to play.
    std::shared_ptr<const Choreography> TakeToPlay();
    // The file changed on disk and `loaded` now plays (--watch): it becomes the version edited and the file's,
    // one undo step away from what was edited before, so that no edit of the panel's is lost to it.
    void AdoptFile(std::shared_ptr<const Choreography> loaded);

    // Whether the current version differs from the file's (what was loaded or saved last).
    bool HasUnsavedChanges() const { return m_current != m_saved; }
    // Where Save writes; empty until the first save when no file was named.
    const std::string& FileName() const { return m_fileName; }

    // Writes the current version to its file (choosing a new one in the working folder when there is none),
    // after copying the version there to FILE.bak, through a temporary file so that a failed write leaves the
    // file as it was. One line on standard error says what was written or why nothing was; false when nothing
    // was (an invalid version is not written).
    bool Save();
    // At quitting: when there are unsaved edits, writes them (the last valid version when the current one is
    // not) to FILE.recovered.xml beside the file, or to the first free such name, and says so on standard error.
    // Returns the file written, if any. Done once; later calls do nothing.
    std::optional<std::string> WriteRecovery();

    // The first of `name`, then `name` with "-2", "-3" ... before its extension, that does not exist.
    static std::string FreeFileName(const std::string& name);

private:
    void PushUndo(Choreography version);
    void SetCurrent(Choreography version);
    // The version handed out to play last (at first the loaded one): what a recovery falls back on when the
    // current one is invalid.
    const Choreography& LastValid() const { return *m_played; }

    Choreography m_current;
    Choreography m_saved;
    std::vector<Choreography::Problem> m_problems;
    std::deque<Choreography> m_undo;
    std::vector<Choreography> m_redo;
    std::optional<Choreography> m_gestureStart;
    std::shared_ptr<const Choreography> m_played;   // never null
    std::string m_fileName;
    bool m_recoveryDone = false;
};
