// A file's modification time and size taken together: what the reload watchers and the mesh cache compare to
// tell that a file changed. Reading one never throws; a file that cannot be examined has no stamp at all.
// Portable (std::filesystem).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct FileStamp
{
    std::int64_t modified = 0;   // ticks of the file system's clock
    std::uintmax_t size = 0;

    bool operator==(const FileStamp& other) const = default;

    // Nothing for a file that does not exist or cannot be examined (for a moment while an editor replaces it,
    // say), or for a path that names a folder.
    static std::optional<FileStamp> Of(const std::string& path);
};
