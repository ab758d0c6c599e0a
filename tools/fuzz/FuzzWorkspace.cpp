// FuzzWorkspace: creating, entering and removing the scratch folder. A failure here is a broken machine, not
// a finding, so it ends the process with a message rather than letting the fuzzer report a false crash site.
#include "tools/fuzz/FuzzWorkspace.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <system_error>

namespace
{
[[noreturn]] void GiveUp(const std::string& what, const std::filesystem::path& path)
{
    std::cerr << "fuzz workspace " << path.string() << ": " << what << '\n';
    std::exit(3);
}
}

FuzzWorkspace& FuzzWorkspace::Get()
{
    static FuzzWorkspace workspace;
    return workspace;
}

FuzzWorkspace::FuzzWorkspace()
{
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
    {
        GiveUp("no temporary folder: " + error.message(), base);
    }
    std::random_device seed;
    for (int attempt = 0;; ++attempt)
    {
        m_path = base / ("engine-fuzz-" + std::to_string(seed()));
        if (std::filesystem::create_directory(m_path, error))
        {
            break;
        }
        if (attempt == 100)
        {
            GiveUp("cannot create: " + error.message(), m_path);
        }
    }
    std::filesystem::current_path(m_path, error);
    if (error)
    {
        GiveUp("cannot enter: " + error.message(), m_path);
    }
}

FuzzWorkspace::~FuzzWorkspace()
{
    std::error_code ignored;
    std::filesystem::current_path(m_path.parent_path(), ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::string FuzzWorkspace::Write(const std::string& name, const std::uint8_t* data, std::size_t size) const
{
    std::ofstream out(m_path / name, std::ios::binary | std::ios::trunc);
    if (size > 0)
    {
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    out.close();
    if (!out)
    {
        GiveUp("cannot write " + name, m_path);
    }
    return name;
}

std::string FuzzWorkspace::Write(const std::string& name, const std::string& text) const
{
    return Write(name, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}
