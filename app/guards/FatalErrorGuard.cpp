// FatalErrorGuard: a first-chance handler for stack overflows only. Other fatal exceptions already end the
// process under Wine as on Windows (an access violation does), and C++ exceptions are RunApplication's.
#include "app/guards/FatalErrorGuard.h"

#include <windows.h>

namespace
{
// Room kept for the handler below on the thread that installs the guard: writing one line and ending the process
// take a few hundred bytes, and Windows itself keeps only a page or two beyond the guard page by default.
constexpr ULONG kHandlerStackBytes = 32 * 1024;

LONG CALLBACK EndProcessOnStackOverflow(EXCEPTION_POINTERS* exception)
{
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    if (code != EXCEPTION_STACK_OVERFLOW)
    {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    // No formatting, no allocation, no locks: the stack is all but gone and the overflow may have struck inside
    // the heap or the C runtime while they held a lock.
    static const char kMessage[] = "fatal error: stack overflow (0xC00000FD); the program ends\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kMessage, sizeof kMessage - 1, &written, nullptr);
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_CONTINUE_SEARCH;
}
}

void InstallFatalErrorGuard()
{
    static const bool installed = [] {
        ULONG guarantee = kHandlerStackBytes;
        SetThreadStackGuarantee(&guarantee);
        return AddVectoredExceptionHandler(1, EndProcessOnStackOverflow) != nullptr;
    }();
    (void)installed;
}
