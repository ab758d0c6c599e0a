// What tinyobjloader made of each OBJ file, with its materials, kept together with the stamps its OBJ and MTL
// files had, so that a world reload parses again only the meshes whose files changed. The engine keeps one
// while it watches its files (engine.exe --watch), and the loading of a world one of its own for as long as it
// lasts (ForOneLoad), as a world names the same OBJ file for many actors; otherwise the mesh component parses
// every time, as it always has. Portable; it reads file stamps and mtllib lines, never textures.
#pragma once

#include "files/FileStamp.h"

#include <tiny_obj_loader.h>

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class MeshParseCache
{
public:
    struct Mesh
    {
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
    };
    // Each file a parse read (the OBJ first, then its material files) with its stamp; none for a file that
    // was missing.
    using Stamps = std::vector<std::pair<std::string, std::optional<FileStamp>>>;

    // The stamps of `objFile` and of every material file its "mtllib" lines name, as the loader finds them
    // (relative to the working directory). Taken before parsing, so that an edit during the parse shows.
    static Stamps Take(const std::string& objFile);
    // The material files named on the "mtllib" lines of `objFile`, in order; empty when it cannot be read.
    static std::vector<std::string> MaterialFiles(const std::string& objFile);

    // The parse kept for `objFile`, when none of the files it read has changed (or appeared or gone) since.
    const Mesh* Find(const std::string& objFile) const;
    // Keeps a successful parse with the stamps taken before it.
    void Store(const std::string& objFile, Stamps stamps, Mesh mesh);
    // How many parses were kept, replacements included: a reload that finds everything unchanged stores none.
    std::size_t StoreCount() const { return m_stores; }

    // The cache the mesh component uses, or null (the default): every mesh is parsed.
    static MeshParseCache* Instance();
    static void SetInstance(MeshParseCache* cache);

    // While one lives, a cache of its own is the instance, unless one was set already (which is then used).
    class ForOneLoad
    {
    public:
        ForOneLoad();
        ~ForOneLoad();
        ForOneLoad(const ForOneLoad&) = delete;
        ForOneLoad& operator=(const ForOneLoad&) = delete;

    private:
        std::unique_ptr<MeshParseCache> m_own;
    };

private:
    struct Entry
    {
        Stamps stamps;
        Mesh mesh;
    };
    std::map<std::string, Entry> m_entries;
    std::size_t m_stores = 0;
};
