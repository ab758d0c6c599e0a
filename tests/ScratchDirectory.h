// A private temporary folder for one test: files written into it are real files the code under test opens by
// name, and the folder is removed with everything in it when the test ends.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

class ScratchDirectory
{
public:
    ScratchDirectory()
    {
        static std::atomic<int> counter{0};
        const auto base = std::filesystem::temp_directory_path();
        for (;;)
        {
            m_path = base / ("engine-test-" + std::to_string(std::hash<std::string>{}(base.string()) % 100000) + "-" +
                             std::to_string(counter++) + "-" + std::to_string(std::rand()));
            if (std::filesystem::create_directories(m_path))
            {
                break;
            }
        }
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

    // Writes `content` byte for byte and returns the file's full path.
    std::string Write(const std::string& name, const std::string& content) const
    {
        const std::string path = File(name);
        std::ofstream out(path, std::ios::binary);
        out << content;
        return path;
    }

private:
    std::filesystem::path m_path;
};
