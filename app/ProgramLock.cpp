// ProgramLock: CreateFileW with no sharing and FILE_FLAG_DELETE_ON_CLOSE on Windows, flock() elsewhere (the native
// test builds).
#include "app/ProgramLock.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>

#include "app/FileReplacer.h"
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace
{
#ifdef _WIN32

long long Take(const std::string& file)
{
    // No sharing: every other open fails while this program runs. The system closes the handle when the process
    // ends, however it ends, and the file goes with it.
    const HANDLE handle = CreateFileW(FileReplacer::WideName(file).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<long long>(handle);
}

void Let(long long handle, const std::string&)
{
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

bool HeldByProgram(const std::string& file)
{
    const HANDLE handle = CreateFileW(FileReplacer::WideName(file).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
    {
        CloseHandle(handle);
        DeleteFileW(FileReplacer::WideName(file).c_str());   // left by a program the system could not close down
        return false;
    }
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}
#else
long long Take(const std::string& file)
{
    const int descriptor = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0)
    {
        return -1;
    }
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0)
    {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

void Let(long long handle, const std::string& file)
{
    unlink(file.c_str());
    close(static_cast<int>(handle));
}

bool HeldByProgram(const std::string& file)
{
    const int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
    {
        return errno != ENOENT && errno != ENOTDIR;
    }
    const bool held = flock(descriptor, LOCK_EX | LOCK_NB) != 0;
    close(descriptor);
    return held;
}
#endif
}

ProgramLock::ProgramLock(std::string file) : m_file(std::move(file)), m_handle(Take(m_file))
{
}

ProgramLock::~ProgramLock()
{
    Release();
}

ProgramLock::ProgramLock(ProgramLock&& other) noexcept
    : m_file(std::move(other.m_file)), m_handle(std::exchange(other.m_handle, kNone))
{
}

ProgramLock& ProgramLock::operator=(ProgramLock&& other) noexcept
{
    if (this != &other)
    {
        Release();
        m_file = std::move(other.m_file);
        m_handle = std::exchange(other.m_handle, kNone);
    }
    return *this;
}

bool ProgramLock::HeldByAnyone(const std::string& file)
{
    return HeldByProgram(file);
}

void ProgramLock::Release()
{
    if (m_handle != kNone)
    {
        Let(m_handle, m_file);
        m_handle = kNone;
    }
}
