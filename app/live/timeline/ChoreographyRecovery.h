// Edits an earlier run left unsaved, found again: at start-up the autosave beside the file (a run that was killed,
// crashed or quit unsaved) is moved aside to FILE.recovered.xml, or the first free FILE.recovered-N.xml, so that an
// earlier recovery is never written over and this run's autosaves never write over it; it is offered until it is
// opened or put aside, and once opened, the first clean save removes it. Portable. It only finds, reads and removes
// files: the document makes what it reads the version edited.
#pragma once

#include <optional>
#include <string>

#include "scene/choreography/Choreography.h"

class ChoreographyRecovery
{
public:
    static constexpr const char* kRecoverySuffix = ".recovered.xml";

    // Looks for `autosave`, the autosave of `file`, and moves it aside, saying so on standard error; the file itself
    // is not touched.
    ChoreographyRecovery(const std::string& file, const std::string& autosave);

    // The recovered file on offer; empty when there is none, or once it was opened or put aside.
    const std::string& Offered() const { return m_offered; }
    // Reads the recovered version (as it is, playable or not); it is no longer on offer then. Nothing, with the
    // reason, when it cannot be read.
    std::optional<Choreography> Open(std::string* problem = nullptr);
    // Stops offering it; the file stays where it is.
    void Dismiss() { m_offered.clear(); }
    // The document's file holds everything now: a recovered file that was opened has done its work, and goes.
    void Saved();

    // Where this run autosaves instead of the usual name: beside it under a free name, when the earlier run's
    // autosave could not be moved out of its place. Nothing otherwise.
    const std::optional<std::string>& AutosaveInstead() const { return m_autosaveInstead; }

private:
    std::string m_offered;
    std::string m_opened;
    std::optional<std::string> m_autosaveInstead;
};
