// File stamps: see FileStamp.h.
#include "files/FileStamp.h"

#include <filesystem>
#include <system_error>

std::optional<FileStamp> FileStamp::Of(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file, error) || error)
    {
        return std::nullopt;
    }
    const auto modified = std::filesystem::last_write_time(file, error);
    if (error)
    {
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error)
    {
        return std::nullopt;
    }
    return FileStamp{static_cast<std::int64_t>(modified.time_since_epoch().count()), size};
}
