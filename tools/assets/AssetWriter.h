// Writes generated files into the output folder and keeps a list of what it wrote, with sizes, for the
// generator's summary. It reports failures as "file: reason" on standard error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class AssetWriter
{
public:
    explicit AssetWriter(std::string directory);

    bool Write(const std::string& fileName, const std::vector<uint8_t>& bytes);
    bool Write(const std::string& fileName, const std::string& text);

    struct Entry
    {
        std::string fileName;
        size_t bytes = 0;
    };
    const std::vector<Entry>& Entries() const { return m_entries; }
    size_t TotalBytes() const;
    const std::string& Directory() const { return m_directory; }

private:
    std::string m_directory;
    std::vector<Entry> m_entries;
};
