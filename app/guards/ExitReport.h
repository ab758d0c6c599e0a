// Tells whoever started the program whether it ended by itself, through a file that ENGINE_EXIT_REPORT names:
// "running NAME" from the start of main, "ended NAME" once main returns, NAME being the program's file name.
// Under Wine a program that is ended from outside (the Wine server's shutdown, "wineserver -k", or another
// program's TerminateProcess) exits with status 0 before any code of its own runs, so a report still saying
// "running" is what tells that end from success (tools/winerun reads it). Without the variable it does nothing;
// it never reports an exit code, which the process's own status carries.
#pragma once

#include <string>

class ExitReport
{
public:
    // Takes the file name and removes the variable, so that programs this one starts report nothing into it.
    // programPath is argv[0].
    explicit ExitReport(const char* programPath);
    ~ExitReport();

    ExitReport(const ExitReport&) = delete;
    ExitReport& operator=(const ExitReport&) = delete;

private:
    void Write(const char* state) const;

    std::string m_file;
    std::string m_program;
};
