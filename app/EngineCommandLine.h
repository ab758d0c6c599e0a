// engine.exe's command line. Without arguments the program plays the presentation; a switch can instead ask
// for an answer (the version, the usage) and end the process, and a command line the program does not
// understand ends it with the usage. Read with CommandLineReader, as the tools' command lines are, so that its
// switches follow the same rules as theirs. Parsing and answering only: nothing here starts the engine, so the
// rules are tested without a window. New switches join here and get a line in Usage().
#pragma once

#include "app/CommandLineReader.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class EngineCommandLine
{
public:
    // Exit code for arguments the program does not understand, the tools' as well.
    static constexpr int kExitUsage = CommandLineReader::kExitUsage;

    // `args` without the program name.
    explicit EngineCommandLine(const std::vector<std::string>& args);

    // Whether the presentation runs: every argument was understood and none asked for an answer or a file
    // instead.
    bool RunsPresentation() const { return !m_refusal && !m_help && !m_version && !m_writeChoreography; }
    // --watch: shaders and the world reload while the presentation runs (their files edited, or F5).
    bool Watches() const { return m_watch; }
    // --music-log: every command the music is given is written to standard error, with the clock's moment.
    bool LogsMusic() const { return m_musicLog; }
    // --choreography FILE: the presentation plays this file's choreography instead of the compiled-in one.
    const std::optional<std::string>& ChoreographyFile() const { return m_choreography; }
    // --write-choreography FILE: write the compiled-in choreography to FILE and end, with no window.
    const std::optional<std::string>& ChoreographyToWrite() const { return m_writeChoreography; }

    // For a command line that does not run the presentation: writes its answer and returns the exit code. A
    // refused command line (an unknown argument, a switch without its file name or given twice) wins over
    // everything else (one line naming the argument, then the usage, on `err`); then --help (the usage on
    // `out`), then --version. Returns nothing when the presentation is to run or a choreography to be written
    // (the caller writes it).
    std::optional<int> Answer(const std::string& version, std::ostream& out, std::ostream& err) const;

    // The line --version prints, shared with the capture tool: "Engine <version>".
    static std::string VersionLine(const std::string& version);
    static std::string Usage();

private:
    bool m_version = false;
    bool m_help = false;
    bool m_watch = false;
    bool m_musicLog = false;
    std::optional<std::string> m_choreography;
    std::optional<std::string> m_writeChoreography;
    // Why the command line is refused, naming the first argument that is not understood.
    std::optional<std::string> m_refusal;
};
