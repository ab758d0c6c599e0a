// Plain binary file output; a file is replaced only when its content differs, so an unchanged asset keeps its
// time stamp and the build does not copy or reload it needlessly.
#include "tools/assets/AssetWriter.h"

#include <fstream>
#include <iostream>
#include <iterator>

AssetWriter::AssetWriter(std::string directory) : m_directory(std::move(directory))
{
}

bool AssetWriter::Write(const std::string& fileName, const std::vector<uint8_t>& bytes)
{
    const std::string path = m_directory + "/" + fileName;
    m_entries.push_back({fileName, bytes.size()});
    {
        std::ifstream existing(path, std::ios::binary);
        if (existing)
        {
            const std::vector<uint8_t> old((std::istreambuf_iterator<char>(existing)),
                                           std::istreambuf_iterator<char>());
            if (old == bytes)
            {
                return true;
            }
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
    {
        std::cerr << path << ": cannot open for writing\n";
        return false;
    }
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
    {
        std::cerr << path << ": write failed\n";
        return false;
    }
    return true;
}

bool AssetWriter::Write(const std::string& fileName, const std::string& text)
{
    return Write(fileName, std::vector<uint8_t>(text.begin(), text.end()));
}

size_t AssetWriter::TotalBytes() const
{
    size_t total = 0;
    for (const Entry& e : m_entries)
    {
        total += e.bytes;
    }
    return total;
}
