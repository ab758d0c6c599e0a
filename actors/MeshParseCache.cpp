// The mesh parse cache: see MeshParseCache.h.
#include "actors/MeshParseCache.h"

#include <fstream>
#include <sstream>

namespace
{
MeshParseCache* g_cache = nullptr;
}

std::vector<std::string> MeshParseCache::MaterialFiles(const std::string& objFile)
{
    std::vector<std::string> names;
    std::ifstream file(objFile);
    for (std::string line; std::getline(file, line);)
    {
        std::istringstream words(line);
        std::string keyword;
        if (!(words >> keyword) || keyword != "mtllib")
        {
            continue;
        }
        // The loader takes every word after the keyword as a file of its own.
        for (std::string name; words >> name;)
        {
            names.push_back(name);
        }
    }
    return names;
}

MeshParseCache::Stamps MeshParseCache::Take(const std::string& objFile)
{
    Stamps stamps{{objFile, FileStamp::Of(objFile)}};
    for (const std::string& material : MaterialFiles(objFile))
    {
        stamps.emplace_back(material, FileStamp::Of(material));
    }
    return stamps;
}

const MeshParseCache::Mesh* MeshParseCache::Find(const std::string& objFile) const
{
    const auto found = m_entries.find(objFile);
    if (found == m_entries.end())
    {
        return nullptr;
    }
    for (const auto& [file, stamp] : found->second.stamps)
    {
        if (FileStamp::Of(file) != stamp)
        {
            return nullptr;
        }
    }
    return &found->second.mesh;
}

void MeshParseCache::Store(const std::string& objFile, Stamps stamps, Mesh mesh)
{
    m_entries[objFile] = Entry{std::move(stamps), std::move(mesh)};
    ++m_stores;
}

MeshParseCache* MeshParseCache::Instance()
{
    return g_cache;
}

void MeshParseCache::SetInstance(MeshParseCache* cache)
{
    g_cache = cache;
}

MeshParseCache::ForOneLoad::ForOneLoad()
{
    if (g_cache == nullptr)
    {
        m_own = std::make_unique<MeshParseCache>();
        g_cache = m_own.get();
    }
}

MeshParseCache::ForOneLoad::~ForOneLoad()
{
    if (m_own && g_cache == m_own.get())
    {
        g_cache = nullptr;
    }
}
