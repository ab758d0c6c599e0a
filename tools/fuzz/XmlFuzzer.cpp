// Fuzz target "xml": any bytes as an XML file, read by XmlFileLoader, through which every XML file of the
// engine is read. The parser recurses once per element level, so the property is about depth: whatever the
// bytes, the parser never goes deeper than the loader's limit (a failed parse keeps the elements it had entered,
// so its tree shows how deep it went), and the loader refuses only what the parser would take deeper. The second
// half is checked by parsing the refused input once more with TinyXML alone where that is safe and quick.
#include "files/XmlFileLoader.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzWorkspace.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace
{
// Each element level the parser enters starts at a '<' of its own, so an input with this many is at most this
// deep: far from the end of the stack (the sanitizer build's 8 MB hold some 15,000 levels), and quick, although
// the parser's time grows with the square of the depth (each element finds its document through its ancestors).
constexpr std::ptrdiff_t kDirectParseMaxTags = 512;

// The deepest element level of the tree, its top-level elements being level 1, walked without recursion.
std::size_t ElementDepth(const TiXmlNode& root)
{
    std::size_t deepest = 0;
    std::vector<std::pair<const TiXmlElement*, std::size_t>> pending;
    for (const TiXmlElement* top = root.FirstChildElement(); top != nullptr; top = top->NextSiblingElement())
    {
        pending.emplace_back(top, 1);
    }
    while (!pending.empty())
    {
        const auto [element, level] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, level);
        for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
             child = child->NextSiblingElement())
        {
            pending.emplace_back(child, level + 1);
        }
    }
    return deepest;
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file = FuzzWorkspace::Get().Write("Any.xml", data, size);
    constexpr std::size_t limit = XmlFileLoader::kMaxElementDepth;

    TiXmlDocument document;
    std::string problem;
    const bool loaded = XmlFileLoader::Load(document, file, &problem);
    FUZZ_CHECK(loaded == problem.empty() && loaded == !document.Error(), "a failure is reported with its reason");
    FUZZ_CHECK(ElementDepth(document) <= limit, "the parser never nests deeper than the limit");

    // The loader's refusal is the one failure with TinyXML's generic error code, which its parser never sets.
    // The loader turns CR into LF first, so only inputs without CR are the same text to TinyXML alone.
    const std::uint8_t* const end = data + size;
    const bool refused = document.ErrorId() == TiXmlBase::TIXML_ERROR;
    if (refused && std::count(data, end, '<') <= kDirectParseMaxTags && std::find(data, end, '\r') == end)
    {
        // Zero bytes after the text, as the loader gives them, for the parser's steps past a truncated sequence.
        std::vector<char> text(data, end);
        text.resize(size + 8, '\0');
        TiXmlDocument direct;
        direct.Parse(text.data(), nullptr, TIXML_DEFAULT_ENCODING);
        FUZZ_CHECK(ElementDepth(direct) > limit, "only text the parser would take past the limit is refused");
    }
    return 0;
}
