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
    static constexpr const char* kAutosaveSuffix = ".autosave.xml";

    // `start` is what plays now (valid); `fileName` the file it came from, empty for the compiled-in one. An
    // autosave an earlier run left beside the file is moved aside and offered (RecoveryFile).
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
    // Where unsaved edits are autosaved: FILE.autosave.xml beside the file (for an unnamed one, beside
    // "choreography.xml" in the working folder).
    std::string AutosaveFileName() const;
    // Whether the version edited differs from the file's (what was loaded or saved last).
    bool HasUnsavedChanges() const { return m_editor.Revision() != m_savedRevision; }

    // Ends any gesture and writes the version edited to its file (choosing a new one in the working folder when
    // there is none), keeping the version there as FILE.bak, so that a failure leaves the file as it was. The
    // autosave goes once the file holds everything. One line on standard error, and the model's status, say what
    // was written or why nothing was; false when nothing was (a version that cannot be played is not saved: it
    // stays in the autosave).
    bool Save();
    // Once per frame, with the time in seconds on any steady clock: queues an autosave of unsaved edits when the
    // last one is kAutosaveSeconds old. The writing happens on the autosave's own thread.
    void Tick(double nowSeconds);
    // At quitting: with unsaved edits, writes them to the autosave at once (as they are, playable or not) and says
    // so on standard error, returning the file; with none, removes the autosave. Done once.
    std::optional<std::string> WriteRecovery();
    // The file changed on disk and was loaded (--watch). Without unsaved edits, `loaded` becomes the version edited
    // and the file's, what was edited before one undo away; the caller plays it. With unsaved edits, they stay the
    // version edited (and are autosaved at once), `loaded` becomes the file's version, one undo away; returns
    // true, and the caller plays nothing new.
    bool AdoptFile(std::shared_ptr<const Choreography> loaded);

    // The edits an earlier run left unsaved, until opened or dismissed; empty when none.
    const std::string& RecoveryFile() const { return m_recovery.Offered(); }
    // Makes the recovered version the one edited, one undo step away from the file's; the file itself is written
    // only when the user saves. False, with the reason, when it cannot be read.
    bool OpenRecovery(std::string* problem = nullptr);
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
    std::optional<Replay> m_replay;
    bool m_replayReported = true;
    bool m_recoveryWritten = false;
};
