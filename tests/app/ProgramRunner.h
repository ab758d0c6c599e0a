// Runs a Windows program as a child process the way a user would start it from its folder, and watches it from
// outside: its standard error, its message boxes (read, then answered with OK), its main window (sent Escape once
// start-up has finished and it has drawn for a while) and its exit code, all against deadlines. It judges nothing:
// the caller decides what the outcome means.
#pragma once

#include <string>
#include <vector>

struct ProgramRunSettings
{
    // Class name of the program's main window; once it exists and `startedText` has appeared on standard error,
    // the program is left to run for `runSeconds`, then sent Escape.
    std::wstring mainWindowClass = L"Engine";
    std::string startedText;
    double runSeconds = 1.0;
    // From the start to the end of start-up (exit, or the started text), and from Escape or a closed dialog
    // to the program's exit. Past either the program counts as hung and is ended.
    // Generous: on a machine loaded several times over, software rendering has stalled a run for half a minute.
    double startupDeadlineSeconds = 120.0;
    double exitDeadlineSeconds = 120.0;
    // How long a dialog may stay after it was answered with OK.
    double dialogCloseSeconds = 10.0;
    // Under Wine, a hung child's threads are traced with Wine's debugger before it is ended.
    bool traceHangs = true;
};

struct ProgramRunOutcome
{
    bool launched = false;        // CreateProcess succeeded
    bool exited = false;          // ended by itself, not killed by the runner
    unsigned long exitCode = 0;   // valid when exited
    bool hung = false;            // missed a deadline and was ended
    std::string hangReason;       // which deadline
    bool startedUp = false;       // the main window and the started text were both seen
    bool sentEscape = false;
    double startupSeconds = 0;         // from the launch to the end of start-up
    double runningSeconds = 0;         // from the end of start-up to Escape
    double windowClosedSeconds = -1;   // from Escape until the main window was gone; -1: never seen gone
    double totalSeconds = 0;
    // Every message box the program opened, as "caption: text", in order; each was answered with OK.
    std::vector<std::string> dialogs;
    bool dialogStayedOpen = false;   // a dialog was still there `dialogCloseSeconds` after OK
    std::string standardError;
    // A hung child's backtraces, one block per thread (Wine only; empty elsewhere or when tracing failed).
    std::string hangBacktraces;
};

class ProgramRunner
{
public:
    // `program` is a full path; the child runs in `folder` with `arguments` (none for the engine).
    static ProgramRunOutcome Run(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
                                 const ProgramRunSettings& settings);
};
