// ExitWatchdog: a thread that sleeps through the allowed time and then ends the process. A normal exit ends the
// sleeping thread with everything else, so it costs nothing when the process ends in time.
#include "app/guards/ExitWatchdog.h"

#include <windows.h>

#include <atomic>

namespace
{
struct Deadline
{
    DWORD milliseconds;
    UINT exitCode;
};

DWORD WINAPI EndProcessWhenLate(void* parameter)
{
    const Deadline deadline = *static_cast<const Deadline*>(parameter);
    Sleep(deadline.milliseconds);
    static const char kMessage[] = "the program did not end within its time after the presentation; ending it\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kMessage, sizeof kMessage - 1, &written, nullptr);
    TerminateProcess(GetCurrentProcess(), deadline.exitCode);
    return 0;
}
}

void ExitWatchdog::Arm(unsigned milliseconds, int exitCode)
{
    static std::atomic<bool> armed{false};
    if (armed.exchange(true))
    {
        return;
    }
    static Deadline deadline;
    deadline = Deadline{milliseconds, static_cast<UINT>(exitCode)};
    if (HANDLE thread = CreateThread(nullptr, 0, EndProcessWhenLate, &deadline, 0, nullptr))
    {
        CloseHandle(thread);
    }
}
