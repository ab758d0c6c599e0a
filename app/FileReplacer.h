// Writes the files a user keeps (a saved choreography, its backup, an autosave) so that no failure, crash or power
// loss can cost them: the new text goes to a temporary file of this process's own beside the target, is flushed
// to the disk, and only then takes the target's place in one step of the platform's own (MoveFileExW with
// write-through on Windows, rename on POSIX). At every moment the target is the whole old version or the whole new
// one. The old version may first be kept as a backup, written the same way. A read-only target is never written
// over, and a failed write removes its temporary file and leaves everything as it was. File names are the
// program's narrow strings, in the active ANSI code page on Windows, as everywhere else in the engine (so they are
// not handed to std::filesystem, which reads narrow names as UTF-8 there).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class FileReplacer
{
public:
    // Writes `text` to `target`. With a `backup` name, a target that exists is first copied there (over an older
    // backup). False, with one line naming the file and the reason in `problem`, when nothing was replaced.
    static bool Write(const std::string& target, std::string_view text, const std::string& backup = {},
                      std::string* problem = nullptr);
    // Deletes `file`; true when it is gone (or was never there).
    static bool Remove(const std::string& file);
    // Renames `from` to `to`, which must not exist yet; false, with the reason, when it cannot.
    static bool Rename(const std::string& from, const std::string& to, std::string* problem = nullptr);
    static bool Exists(const std::string& file);
    // The first of `name`, then `name` with "-2", "-3" ... before its extension, that does not exist.
    static std::string FreeName(const std::string& name);
    // When `file` was last written, in the platform's ticks (comparable with another file's), if it exists.
    static std::optional<std::int64_t> LastWritten(const std::string& file);
    // A LastWritten() time as the user reads it: "YYYY-MM-DD HH:MM:SS", local time.
    static std::string LocalTime(std::int64_t written);
    // The files beside `prefix` (in its folder) whose names start with its last part, each with the folder, in no
    // particular order; folders are left out.
    static std::vector<std::string> StartingWith(const std::string& prefix);
    // The temporary name a write of `target` by this process uses next: beside it, so that the final step is a
    // rename within one folder, and unique to the process, so that two programs saving one file never share it.
    static std::string TemporaryName(const std::string& target);
#ifdef _WIN32
    // A file name, as the program's narrow strings carry it (the active ANSI code page), for the wide Win32 calls.
    static std::wstring WideName(const std::string& name);
#endif
};
