// The timeline panel's document: the choreography being edited, its undo and redo history, which version is the
// one to play, and keeping the maker's work: saving with a backup of the version saved over, an autosave of
// unsaved edits every few seconds and before anything risky, and the recovery of an autosave that an earlier run
// left behind. Portable and free of ImGui: the panel draws it, LiveTools plays what it hands out. It never plays
// anything itself, and writes files only when asked to save, when autosaving (Tick) and at quitting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/live/timeline/AutosaveWriter.h"
#include "scene/choreography/Choreography.h"

class ChoreographyEditor
{
public:
    // The history holds at most this many steps, and at most kUndoBytes of what its versions do not share with
    // each other (a version shares all the tracks an edit did not touch), whichever is reached first; the oldest
    // steps go first, and the newest stays whatever its size.
    static constexpr std::size_t kUndoDepth = 256;
    static constexpr std::size_t kUndoBytes = std::size_t{256} << 20;
    // Unsaved edits are written to the autosave at most this often.
    static constexpr double kAutosaveSeconds = 3.0;
    // The file a choreography is first saved to when none was named (--choreography): in the working folder,
    // under the first free name of "choreography.xml", "choreography-2.xml", ...
    static constexpr const char* kNewFileName = "choreography.xml";
    static constexpr const char* kBackupSuffix = ".bak";
    static constexpr const char* kAutosaveSuffix = ".autosave.xml";
    // An autosave found at start-up is moved aside to FILE.recovered.xml (or the first free such name), so that
    // this run's autosaves never write over it.
    static constexpr const char* kRecoverySuffix = ".recovered.xml";

    // `start` is what plays now (valid); `fileName` the file it came from, empty for the compiled-in one. An
    // autosave left beside the file by an earlier run is moved aside and offered (RecoveryFile), and said so on
    // standard error; the file itself is not touched.
    ChoreographyEditor(Choreography start, std::string fileName);
    ~ChoreographyEditor();
    ChoreographyEditor(const ChoreographyEditor&) = delete;
    ChoreographyEditor& operator=(const ChoreographyEditor&) = delete;

    // The version being edited; it may be invalid while an edit is half done (see Problems).
    const Choreography& Current() const { return m_current.choreography; }
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
    std::size_t UndoSteps() const { return m_undo.size(); }
    // Each ends any gesture first. False when there was nothing to undo or redo.
    bool Undo();
    bool Redo();

    // The current version when it is valid and differs from the one handed out last, once: what to play.
    std::shared_ptr<const Choreography> TakeToPlay();
    // The file changed on disk and was loaded (--watch). Without unsaved edits, `loaded` becomes the version
    // edited and the file's, what was edited before one undo away; the caller plays it. With unsaved edits, they
    // stay the version edited (and are autosaved at once), `loaded` becomes the file's version, one undo away;
    // returns true, and the caller plays nothing new.
    bool AdoptFile(std::shared_ptr<const Choreography> loaded);

    // Whether the current version differs from the file's (what was loaded or saved last).
    bool HasUnsavedChanges() const { return m_current.revision != m_savedRevision; }
    // Where Save writes; empty until the first save when no file was named.
    const std::string& FileName() const { return m_fileName; }
    // Where unsaved edits are autosaved: FILE.autosave.xml beside the file (for an unnamed one, beside
    // "choreography.xml" in the working folder).
    std::string AutosaveFileName() const;

    // Writes the current version to its file (choosing a new one in the working folder when there is none),
    // keeping the version there as FILE.bak, so that a failure leaves the file as it was. The autosave goes once
    // the file holds everything. One line on standard error says what was written or why nothing was; false when
    // nothing was (a version that cannot be played is not saved: it stays in the autosave).
    bool Save();
    // Once per frame, with the time in seconds on any steady clock: queues an autosave of unsaved edits when the
    // last one is kAutosaveSeconds old. The writing happens on the autosave's own thread.
    void Tick(double nowSeconds);
    // At quitting: with unsaved edits, writes them to the autosave at once (as they are, playable or not) and
    // says so on standard error, returning the file; with none, removes the autosave. Done once.
    std::optional<std::string> WriteRecovery();

    // The edits an earlier run left unsaved (see the constructor), until opened or dismissed; empty when none.
    const std::string& RecoveryFile() const { return m_recoveryFile; }
    // Makes the recovered version the one edited, one undo step away from the file's; the file itself is written
    // only when the user saves, and the recovered file is removed then. False, with the reason, when it cannot be
    // read.
    bool OpenRecovery(std::string* problem = nullptr);
    // Stops offering it; the recovered file stays where it is.
    void DismissRecovery() { m_recoveryFile.clear(); }

    // The first of `name`, then `name` with "-2", "-3" ... before its extension, that does not exist.
    static std::string FreeFileName(const std::string& name);

private:
    // A version and its number: equal numbers are the same version, so that telling whether what is edited was
    // saved or played never compares whole choreographies.
    struct Version
    {
        Choreography choreography;
        std::uint64_t revision = 0;
    };
    struct UndoStep
    {
        Version version;
        std::size_t bytes = 0;   // what it holds that the version after it does not share
    };

    Version NewVersion(Choreography choreography) { return {std::move(choreography), ++m_lastRevision}; }
    // Makes `version` current and returns the version it replaces.
    Version SetCurrent(Version version);
    void PushUndo(Version version);
    // The file or, before the first save of an unnamed version, the name it will most likely get.
    std::string BaseFileName() const;
    void QueueAutosave();
    void FindRecovery();

    Version m_current;
    std::vector<Choreography::Problem> m_problems;
    std::deque<UndoStep> m_undo;
    std::size_t m_undoBytes = 0;
    std::vector<Version> m_redo;
    std::optional<Version> m_gestureStart;
    std::uint64_t m_lastRevision = 0;
    std::uint64_t m_savedRevision = 0;
    std::uint64_t m_playedRevision = 0;
    std::uint64_t m_autosavedRevision = 0;
    double m_lastAutosave = -1e300;
    std::string m_fileName;
    std::string m_recoveryFile;
    // The recovered file that was opened, removed by the next clean save.
    std::string m_openedRecovery;
    // Where autosaves go when an earlier run's could not be moved out of their place.
    std::optional<std::string> m_autosaveFile;
    bool m_recoveryDone = false;
    AutosaveWriter m_autosave;
};
