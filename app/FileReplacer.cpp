// FileReplacer: Win32's file calls on Windows (std::filesystem's copy decides "same file" by st_ino, which the
// Windows C runtime always reports as 0, so a copy over an existing backup failed there), POSIX calls elsewhere
// for the native test builds. Both go the same way: read-only check, backup, temporary, flush, replace.
#include "app/FileReplacer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{
std::atomic<unsigned> g_temporaryCount{0};

bool Fail(std::string* problem, const std::string& text)
{
    if (problem != nullptr)
    {
        *problem = text;
    }
    return false;
}

enum class Existing
{
    None,
    Writable,
    ReadOnly,
    Folder
};

#ifdef _WIN32
unsigned ProcessId()
{
    return static_cast<unsigned>(GetCurrentProcessId());
}

std::string LastError()
{
    const DWORD code = GetLastError();
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
    {
        message.pop_back();
    }
    return (message.empty() ? "error" : message) + " (" + std::to_string(code) + ")";
}

Existing Examine(const std::string& file)
{
    const DWORD attributes = GetFileAttributesW(FileReplacer::WideName(file).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
    {
        return Existing::None;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        return Existing::Folder;
    }
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? Existing::ReadOnly : Existing::Writable;
}

// Writes and flushes a new file; it must not exist yet.
bool WriteNew(const std::string& file, std::string_view text, std::string& reason)
{
    const HANDLE handle = CreateFileW(FileReplacer::WideName(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
    {
        reason = LastError();
        return false;
    }
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < text.size())
    {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
        DWORD wrote = 0;
        ok = WriteFile(handle, text.data() + done, chunk, &wrote, nullptr) != 0 && wrote == chunk;
        done += wrote;
    }
    // The data must be on the disk before the rename makes it the file: a rename that reaches the disk first
    // would leave an empty or partial file after a power loss.
    ok = ok && FlushFileBuffers(handle) != 0;
    if (!ok)
    {
        reason = LastError();
    }
    CloseHandle(handle);
    return ok;
}

bool ReadWhole(const std::string& file, std::string& text, std::string& reason)
{
    const HANDLE handle =
        CreateFileW(FileReplacer::WideName(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
    {
        reason = LastError();
        return false;
    }
    bool ok = true;
    char buffer[64 * 1024];
    for (;;)
    {
        DWORD got = 0;
        if (ReadFile(handle, buffer, sizeof(buffer), &got, nullptr) == 0)
        {
            reason = LastError();
            ok = false;
            break;
        }
        if (got == 0)
        {
            break;
        }
        text.append(buffer, got);
    }
    CloseHandle(handle);
    return ok;
}

bool Rename(const std::string& from, const std::string& to, std::string& reason)
{
    if (MoveFileExW(FileReplacer::WideName(from).c_str(), FileReplacer::WideName(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0)
    {
        reason = LastError();
        return false;
    }
    return true;
}

bool RenameNew(const std::string& from, const std::string& to, std::string& reason)
{
    if (MoveFileExW(FileReplacer::WideName(from).c_str(), FileReplacer::WideName(to).c_str(), MOVEFILE_WRITE_THROUGH) ==
        0)
    {
        reason = LastError();
        return false;
    }
    return true;
}

std::optional<std::int64_t> Written(const std::string& file)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(FileReplacer::WideName(file).c_str(), GetFileExInfoStandard, &data) == 0)
    {
        return std::nullopt;
    }
    return (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

void Delete(const std::string& file)
{
    DeleteFileW(FileReplacer::WideName(file).c_str());
}

bool Gone(const std::string& file)
{
    return DeleteFileW(FileReplacer::WideName(file).c_str()) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND ||
           GetLastError() == ERROR_PATH_NOT_FOUND;
}
std::string Narrow(const std::wstring& wide)
{
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& start)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(FileReplacer::WideName(folder + start + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
    {
        return names;
    }
    do
    {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        {
            names.push_back(Narrow(found.cFileName));
        }
    } while (FindNextFileW(search, &found) != 0);
    FindClose(search);
    return names;
}

std::string ShownTime(std::int64_t written)
{
    FILETIME utc{static_cast<DWORD>(written & 0xffffffff), static_cast<DWORD>(written >> 32)};
    FILETIME local{};
    SYSTEMTIME time{};
    if (FileTimeToLocalFileTime(&utc, &local) == 0 || FileTimeToSystemTime(&local, &time) == 0)
    {
        return "?";
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}
#else
unsigned ProcessId()
{
    return static_cast<unsigned>(getpid());
}

std::string LastError()
{
    return std::strerror(errno);
}

Existing Examine(const std::string& file)
{
    struct stat status
    {
    };
    if (stat(file.c_str(), &status) != 0)
    {
        return Existing::None;
    }
    if (S_ISDIR(status.st_mode))
    {
        return Existing::Folder;
    }
    // The owner's write bit, which root's access() would ignore: a file marked read-only stays so for everyone.
    return (status.st_mode & S_IWUSR) == 0 ? Existing::ReadOnly : Existing::Writable;
}

bool WriteNew(const std::string& file, std::string_view text, std::string& reason)
{
    const int descriptor = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (descriptor < 0)
    {
        reason = LastError();
        return false;
    }
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < text.size())
    {
        const ssize_t wrote = write(descriptor, text.data() + done, text.size() - done);
        ok = wrote > 0 || (wrote < 0 && errno == EINTR);
        done += wrote > 0 ? static_cast<std::size_t>(wrote) : 0;
    }
    ok = ok && fsync(descriptor) == 0;
    if (!ok)
    {
        reason = LastError();
    }
    close(descriptor);
    return ok;
}

bool ReadWhole(const std::string& file, std::string& text, std::string& reason)
{
    const int descriptor = open(file.c_str(), O_RDONLY);
    if (descriptor < 0)
    {
        reason = LastError();
        return false;
    }
    char buffer[64 * 1024];
    bool ok = true;
    for (;;)
    {
        const ssize_t got = read(descriptor, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got < 0)
        {
            reason = LastError();
            ok = false;
        }
        if (got <= 0)
        {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(descriptor);
    return ok;
}

bool Rename(const std::string& from, const std::string& to, std::string& reason)
{
    if (rename(from.c_str(), to.c_str()) != 0)
    {
        reason = LastError();
        return false;
    }
    return true;
}

bool RenameNew(const std::string& from, const std::string& to, std::string& reason)
{
    // link() fails when `to` exists, where rename() would replace it.
    if (link(from.c_str(), to.c_str()) != 0 || unlink(from.c_str()) != 0)
    {
        reason = LastError();
        return false;
    }
    return true;
}

std::optional<std::int64_t> Written(const std::string& file)
{
    struct stat status
    {
    };
    if (stat(file.c_str(), &status) != 0)
    {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
}

void Delete(const std::string& file)
{
    unlink(file.c_str());
}

bool Gone(const std::string& file)
{
    return unlink(file.c_str()) == 0 || errno == ENOENT;
}
std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& start)
{
    std::vector<std::string> names;
    DIR* directory = opendir(folder.empty() ? "." : folder.c_str());
    if (directory == nullptr)
    {
        return names;
    }
    while (const dirent* entry = readdir(directory))
    {
        const std::string name = entry->d_name;
        struct stat status
        {
        };
        if (name.compare(0, start.size(), start) == 0 && stat((folder + name).c_str(), &status) == 0 &&
            !S_ISDIR(status.st_mode))
        {
            names.push_back(name);
        }
    }
    closedir(directory);
    return names;
}

std::string ShownTime(std::int64_t written)
{
    const std::time_t seconds = static_cast<std::time_t>(written / 1'000'000'000);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
    {
        return "?";
    }
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
    return text;
}
#endif

// Writes `text` to `target` through a flushed temporary file and one rename over it.
bool WriteThrough(const std::string& target, std::string_view text, std::string& reason)
{
    const std::string temporary = FileReplacer::TemporaryName(target);
    if (!WriteNew(temporary, text, reason))
    {
        Delete(temporary);
        return false;
    }
    if (!Rename(temporary, target, reason))
    {
        Delete(temporary);
        return false;
    }
    return true;
}
}

bool FileReplacer::Write(const std::string& target, std::string_view text, const std::string& backup,
                         std::string* problem)
{
    const Existing existing = Examine(target);
    if (existing == Existing::Folder)
    {
        return Fail(problem, target + ": not written: it is a folder");
    }
    if (existing == Existing::ReadOnly)
    {
        return Fail(problem, target + ": not written: the file is read-only");
    }
    std::string reason;
    if (!backup.empty() && existing == Existing::Writable)
    {
        // A copy, not a rename of the file itself, so that the file is there all along.
        std::string old;
        if (!ReadWhole(target, old, reason))
        {
            return Fail(problem, target + ": not written: it cannot be read for its backup: " + reason);
        }
        if (Examine(backup) == Existing::ReadOnly)
        {
            return Fail(problem, target + ": not written: its backup " + backup + " is read-only");
        }
        if (!WriteThrough(backup, old, reason))
        {
            return Fail(problem, target + ": not written: no backup could be written to " + backup + ": " + reason);
        }
    }
    if (!WriteThrough(target, text, reason))
    {
        return Fail(problem, target + ": not written: " + reason);
    }
    return true;
}

bool FileReplacer::Remove(const std::string& file)
{
    return Gone(file);
}

bool FileReplacer::Rename(const std::string& from, const std::string& to, std::string* problem)
{
    std::string reason;
    if (Examine(to) != Existing::None)
    {
        return Fail(problem, to + " exists already");
    }
    return RenameNew(from, to, reason) || Fail(problem, reason);
}

bool FileReplacer::Exists(const std::string& file)
{
    return Examine(file) != Existing::None;
}

std::string FileReplacer::FreeName(const std::string& name)
{
    // The extension is what follows the last dot of the last part of the name, as long as that dot does not start
    // it (".hidden" has none).
    const std::size_t part = name.find_last_of("/\\") + 1;
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > part;
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot) : std::string();
    std::string candidate = name;
    for (unsigned number = 2;; ++number)
    {
        // A folder that cannot be looked into ends the search; writing there fails and says so.
        if (!Exists(candidate))
        {
            return candidate;
        }
        candidate = stem + "-" + std::to_string(number) + extension;
    }
}

std::optional<std::int64_t> FileReplacer::LastWritten(const std::string& file)
{
    return Written(file);
}

std::string FileReplacer::TemporaryName(const std::string& target)
{
    return target + "." + std::to_string(ProcessId()) + "-" + std::to_string(++g_temporaryCount) + ".writing";
}

std::string FileReplacer::LocalTime(std::int64_t written)
{
    return ShownTime(written);
}

std::vector<std::string> FileReplacer::StartingWith(const std::string& prefix)
{
    const std::size_t part = prefix.find_last_of("/\\") + 1;
    const std::string folder = prefix.substr(0, part);
    std::vector<std::string> files;
    for (const std::string& name : NamesStartingWith(folder, prefix.substr(part)))
    {
        files.push_back(folder + name);
    }
    return files;
}

#ifdef _WIN32
std::wstring FileReplacer::WideName(const std::string& name)
{
    if (name.empty())
    {
        return {};
    }
    const int length = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
    return wide;
}
#endif
