// A private scratch folder that a fuzz target works in and makes its working directory (so libFuzzer needs
// absolute corpus paths), so that files an input names by relative path resolve inside it, as beside engine.exe.
// It isolates nothing else: one workspace per process, made on first use, removed when the process ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

class FuzzWorkspace
{
public:
    // The process's workspace, created (and entered) on first use under the temporary folder ($TMPDIR).
    static FuzzWorkspace& Get();

    FuzzWorkspace(const FuzzWorkspace&) = delete;
    FuzzWorkspace& operator=(const FuzzWorkspace&) = delete;

    // Replaces the file `name` (relative to the workspace) with exactly these bytes; returns `name`.
    std::string Write(const std::string& name, const std::uint8_t* data, std::size_t size) const;
    std::string Write(const std::string& name, const std::string& text) const;

    const std::filesystem::path& Path() const { return m_path; }

private:
    FuzzWorkspace();
    ~FuzzWorkspace();

    std::filesystem::path m_path;
};
