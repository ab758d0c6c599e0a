// ProgramRunner: see ProgramRunner.h. Standard error is drained by a thread of its own, so a chatty child can
// never block on a full pipe while the runner is busy with its windows.
#include "tests/app/ProgramRunner.h"

#include <windows.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace
{
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point then)
{
    return std::chrono::duration<double>(Clock::now() - then).count();
}

std::string Hex(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%lx", value);
    return text;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
    {
        return {};
    }
    const int length =
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

// WM_GETTEXT is marshalled across processes; the timeout keeps a stuck child from stalling the runner.
std::wstring TextOf(HWND window)
{
    wchar_t buffer[4096] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000,
                             &length))
    {
        return {};
    }
    return std::wstring(buffer, length < 4096 ? length : 4095);
}

struct WindowSearch
{
    DWORD processId = 0;
    std::wstring mainClass;
    HWND mainWindow = nullptr;
    std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId)
    {
        return TRUE;
    }
    const std::wstring windowClass = ClassOf(window);
    // A message box is a dialog of the system class; it only counts once it is on screen with its text set.
    if (windowClass == L"#32770" && IsWindowVisible(window))
    {
        search.dialogs.push_back(window);
    }
    else if (windowClass == search.mainClass)
    {
        search.mainWindow = window;
    }
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM data)
{
    std::wstring& text = *reinterpret_cast<std::wstring*>(data);
    if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0)
    {
        const std::wstring part = TextOf(child);
        if (!part.empty())
        {
            text += (text.empty() ? L"" : L" ") + part;
        }
    }
    return TRUE;
}

std::string DialogText(HWND dialog)
{
    std::wstring text;
    EnumChildWindows(dialog, CollectStaticText, reinterpret_cast<LPARAM>(&text));
    return Narrow(TextOf(dialog)) + ": " + Narrow(text);
}

// Wine's debugger, attached to the hung process, prints the stack of each of its threads (found with a thread
// snapshot; asking the debugger for every thread of every process takes many times longer). On Windows there
// is no such program and the result is empty.
std::string ThreadBacktraces(DWORD processId)
{
    std::string script = "attach 0x" + Hex(processId) + "\n";
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
    {
        return {};
    }
    THREADENTRY32 thread{};
    thread.dwSize = sizeof(thread);
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
    {
        if (thread.th32OwnerProcessID == processId)
        {
            script += "bt 0x" + Hex(thread.th32ThreadID) + "\n";
        }
    }
    CloseHandle(snapshot);
    script += "detach\nquit\n";

    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring stem = std::wstring(temp) + L"hang-trace-" + std::to_wstring(processId);
    const std::wstring commands = stem + L".txt";
    const std::wstring output = stem + L".log";
    HANDLE file = CreateFileW(commands.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return {};
    }
    DWORD written = 0;
    WriteFile(file, script.data(), static_cast<DWORD>(script.size()), &written, nullptr);
    CloseHandle(file);

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE log = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = log;
    startup.hStdError = log;
    std::wstring commandLine = L"winedbg.exe --file \"" + commands + L"\"";
    PROCESS_INFORMATION debugger{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &debugger))
    {
        WaitForSingleObject(debugger.hProcess, 60000);
        TerminateProcess(debugger.hProcess, 1);
        CloseHandle(debugger.hThread);
        CloseHandle(debugger.hProcess);
    }
    CloseHandle(log);
    std::string text;
    if (FILE* in = _wfopen(output.c_str(), L"rb"))
    {
        char buffer[4096];
        std::size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        {
            text.append(buffer, read);
        }
        std::fclose(in);
    }
    DeleteFileW(commands.c_str());
    DeleteFileW(output.c_str());
    return text.find("Backtrace") == std::string::npos ? std::string() : text;
}

class PipeReader
{
public:
    explicit PipeReader(HANDLE readEnd) : m_readEnd(readEnd)
    {
        m_thread = CreateThread(nullptr, 0, &PipeReader::Drain, this, 0, nullptr);
    }
    ~PipeReader()
    {
        Finish();
        CloseHandle(m_readEnd);
    }

    std::string Text()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_text;
    }

    // The pipe ends when the child and everything that inherited its write end are gone; anything that still
    // holds it after that long is not waited for.
    void Finish()
    {
        if (m_thread == nullptr)
        {
            return;
        }
        if (WaitForSingleObject(m_thread, 5000) == WAIT_TIMEOUT)
        {
            CancelSynchronousIo(m_thread);
            WaitForSingleObject(m_thread, 5000);
        }
        CloseHandle(m_thread);
        m_thread = nullptr;
    }

private:
    static DWORD WINAPI Drain(void* self)
    {
        PipeReader& reader = *static_cast<PipeReader*>(self);
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(reader.m_readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0)
        {
            std::lock_guard<std::mutex> lock(reader.m_mutex);
            reader.m_text.append(buffer, read);
        }
        return 0;
    }

    HANDLE m_readEnd;
    HANDLE m_thread = nullptr;
    std::mutex m_mutex;
    std::string m_text;
};
}

ProgramRunOutcome ProgramRunner::Run(const std::wstring& program, const std::wstring& arguments,
                                     const std::wstring& folder, const ProgramRunSettings& settings)
{
    ProgramRunOutcome outcome;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
    {
        return outcome;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, 0, nullptr);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = nul;
    startup.hStdError = writeEnd;
    std::wstring commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    PROCESS_INFORMATION process{};
    const Clock::time_point start = Clock::now();
    const bool launched = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                         folder.c_str(), &startup, &process);
    // Only the child may hold the write end, or the pipe would never report its end.
    CloseHandle(writeEnd);
    if (nul != INVALID_HANDLE_VALUE)
    {
        CloseHandle(nul);
    }
    if (!launched)
    {
        CloseHandle(readEnd);
        return outcome;
    }
    outcome.launched = true;
    PipeReader standardError(readEnd);

    std::map<HWND, Clock::time_point> answered;
    Clock::time_point lastAnswer{};
    Clock::time_point startedAt{};
    Clock::time_point escapeAt{};
    HWND mainWindow = nullptr;
    double windowGoneAfterEscape = -1.0;
    for (;;)
    {
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0)
        {
            outcome.exited = true;
            break;
        }

        WindowSearch search;
        search.processId = process.dwProcessId;
        search.mainClass = settings.mainWindowClass;
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
        for (HWND dialog : search.dialogs)
        {
            const auto seen = answered.find(dialog);
            if (seen == answered.end())
            {
                outcome.dialogs.push_back(DialogText(dialog));
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                answered[dialog] = Clock::now();
                lastAnswer = Clock::now();
            }
            else if (SecondsSince(seen->second) > settings.dialogCloseSeconds)
            {
                outcome.dialogStayedOpen = true;
            }
        }
        if (outcome.dialogStayedOpen)
        {
            outcome.hung = true;
            outcome.hangReason = "a message box stayed open after it was answered with OK";
            break;
        }

        if (!outcome.startedUp && search.mainWindow != nullptr &&
            standardError.Text().find(settings.startedText) != std::string::npos)
        {
            outcome.startedUp = true;
            mainWindow = search.mainWindow;
            startedAt = Clock::now();
            outcome.startupSeconds = SecondsSince(start);
        }
        if (outcome.startedUp && !outcome.sentEscape && SecondsSince(startedAt) >= settings.runSeconds)
        {
            // The loop reads one message per frame; a key press posted to the window is how a user ends it.
            PostMessageW(mainWindow, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            outcome.sentEscape = true;
            outcome.runningSeconds = SecondsSince(startedAt);
            escapeAt = Clock::now();
        }

        if (outcome.sentEscape && windowGoneAfterEscape < 0.0 && search.mainWindow == nullptr)
        {
            windowGoneAfterEscape = SecondsSince(escapeAt);
        }
        if (outcome.sentEscape && SecondsSince(escapeAt) > settings.exitDeadlineSeconds)
        {
            // Whether the loop never saw Escape or the shutdown stuck after it.
            outcome.hangReason = windowGoneAfterEscape < 0.0 ? "did not exit after Escape; its window is still open"
                                                             : "did not exit after Escape; its window closed after " +
                                                                   std::to_string(windowGoneAfterEscape) + " s";
        }
        else if (!answered.empty() && search.dialogs.empty() && SecondsSince(lastAnswer) > settings.exitDeadlineSeconds)
        {
            outcome.hangReason = "did not exit after its message box was answered";
        }
        else if (!outcome.startedUp && answered.empty() && SecondsSince(start) > settings.startupDeadlineSeconds)
        {
            outcome.hangReason = "start-up neither finished nor failed";
        }
        if (!outcome.hangReason.empty())
        {
            outcome.hung = true;
            break;
        }
    }

    if (outcome.exited)
    {
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        outcome.exitCode = exitCode;
    }
    else
    {
        if (outcome.hung && settings.traceHangs && !outcome.dialogStayedOpen)
        {
            outcome.hangBacktraces = ThreadBacktraces(process.dwProcessId);
        }
        TerminateProcess(process.hProcess, 0xDEAD);
        WaitForSingleObject(process.hProcess, 10000);
    }
    outcome.totalSeconds = SecondsSince(start);
    outcome.windowClosedSeconds = windowGoneAfterEscape;
    standardError.Finish();
    outcome.standardError = standardError.Text();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return outcome;
}
