// The choreography being edited, as one document with one owner that is not a window: its file (saving it, with a
// backup of the version saved over), its history (ChoreographyEditor), the editing rules and the selection
// (TimelineModel), the autosave of unsaved edits every few seconds and before anything risky, and the recovery of
// those an earlier run left (ChoreographyRecovery). The timeline panel draws it and turns input into calls on it;
// the live tools play what it hands out and edit it from the view; both hold references. Portable and free of
// ImGui. It never plays anything itself, and writes files only when asked to save, when autosaving (Tick) and at
// quitting.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/live/timeline/AutosaveWriter.h"
#include "app/live/timeline/ChoreographyEditor.h"
#include "app/live/timeline/ChoreographyRecovery.h"
#include "app/live/timeline/TimelineModel.h"

class ChoreographyDocument
{
public:
    // Unsaved edits are written to the autosave at most this often.
    static constexpr double kAutosaveSeconds = 3.0;
    // The file a choreography is first saved to when none was named (--choreography): in the working folder,
    // under the first free name of "choreography.xml", "choreography-2.xml", ...
    static constexpr const char* kNewFileName = "choreography.xml";
    static constexpr const char* kBackupSuffix = ".bak";

    // `start` is what plays now (valid); `fileName` the file it came from, empty for the compiled-in one. The
    // autosaves and recovered versions that ended programs left beside the file are taken over and offered
    // (Recovered).
    ChoreographyDocument(Choreography start, std::string fileName);
    ~ChoreographyDocument();
    ChoreographyDocument(const ChoreographyDocument&) = delete;
    ChoreographyDocument& operator=(const ChoreographyDocument&) = delete;

    ChoreographyEditor& Editor() { return m_editor; }
    const ChoreographyEditor& Editor() const { return m_editor; }
    TimelineModel& Model() { return m_model; }
    const TimelineModel& Model() const { return m_model; }

    // Where Save writes; empty until the first save when no file was named.
    const std::string& FileName() const { return m_fileName; }
    // Where this program autosaves unsaved edits: FILE.autosave-TAG.xml beside the file, TAG its own (for an
    // unnamed one, beside "choreography.xml" in the working folder).
    const std::string& AutosaveFileName() const { return m_recovery.AutosaveFile(); }
    // Whether the version edited differs from the file's (what was loaded or saved last).
    bool HasUnsavedChanges() const { return m_editor.Revision() != m_savedRevision; }

    // Ends any gesture and writes the version edited to its file (choosing a new one in the working folder when
    // there is none), keeping the version there as FILE.bak, so that a failure leaves the file as it was. The
    // program's own autosave goes once the file holds everything, and a recovered version opened before the save
    // goes with it when the save keeps its edits. One line on standard error, and the model's status, say what
    // was written or why nothing was; false when nothing was (a version that cannot be played is not saved: it
    // stays in the autosave).
    bool Save();
    // Once per frame, with the time in seconds on any steady clock: queues an autosave of unsaved edits when the
    // last one is kAutosaveSeconds old. The writing happens on the autosave's own thread.
    void Tick(double nowSeconds);
    // At quitting: with unsaved edits, writes them to the autosave at once (as they are, playable or not) and says
    // so on standard error, returning the file; with none, removes this program's autosave (never another's).
    // Done once.
    std::optional<std::string> WriteRecovery();
    // The file changed on disk and was loaded (--watch). Without unsaved edits, `loaded` becomes the version edited
    // and the file's, what was edited before one undo away, and the status and standard error say so; the caller
    // plays it. With unsaved edits, they stay the
    // version edited (and are autosaved at once), `loaded` becomes the file's version, one undo away; returns
    // true, and the caller plays nothing new.
    bool AdoptFile(std::shared_ptr<const Choreography> loaded);

    // The edits ended programs left unsaved, newest first, until each is opened or discarded; empty when none or
    // once put aside for this run ("Not now").
    const std::vector<ChoreographyRecovery::Version>& Recovered() const { return m_recovery.Offered(); }
    // Makes recovered version `index` the one edited, one undo step away from what was edited; the file itself is
    // written only when the user saves. False, with the reason, when it cannot be read.
    bool OpenRecovery(std::size_t index = 0, std::string* problem = nullptr);
    // Removes recovered version `index` from the disk.
    bool DiscardRecovery(std::size_t index, std::string* problem = nullptr);
    void DismissRecovery() { m_recovery.Dismiss(); }

    // What playing an edit cost: the moment replayed to and the milliseconds, to show; and once per frame, the
    // last one on standard error once the edit is done (a drag replays in every frame and is told once, at its end).
    struct Replay
    {
        double seconds = 0.0;
        double milliseconds = 0.0;
    };
    void RecordReplay(double seconds, double milliseconds);
    void ReportReplay();
    const std::optional<Replay>& LastReplay() const { return m_replay; }

private:
    // The file or, before the first save of an unnamed version, the name it will most likely get.
    std::string BaseFileName() const;
    void QueueAutosave();

    std::string m_fileName;
    ChoreographyEditor m_editor;
    TimelineModel m_model{m_editor};
    ChoreographyRecovery m_recovery;
    AutosaveWriter m_autosave;
    std::uint64_t m_savedRevision = 0;
    std::uint64_t m_autosavedRevision = 0;
    double m_lastAutosave = -1e300;
    // The versions edited just before and just after the last recovered version was opened: a save keeps its
    // edits unless the maker went back to the first.
    std::optional<Choreography> m_beforeOpened;
    std::optional<Choreography> m_opened;
    std::optional<Replay> m_replay;
    bool m_replayReported = true;
    bool m_recoveryWritten = false;
};
