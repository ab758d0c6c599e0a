// XmlFileLoader: reads the whole file, normalises line ends as TinyXML's own loader does, and hands the
// text to TiXmlDocument::Parse with zero bytes after it. The parser's widest step is one UTF-8 sequence
// (at most four bytes), so from any byte of the text it lands on one of those zeros and stops there.
#include "app/XmlFileLoader.h"

#include <tinyxml.h>

#include <cstdio>
#include <vector>

namespace
{
constexpr std::size_t kZeroPadding = 8;
constexpr std::size_t kReadChunk = 64 * 1024;
}

bool XmlFileLoader::Load(TiXmlDocument& document, const std::string& fileName)
{
    document.Clear();
    document.SetValue(fileName);

    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr)
    {
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return false;
    }
    std::vector<char> text;
    bool readFailed = false;
    for (;;)
    {
        const std::size_t before = text.size();
        text.resize(before + kReadChunk);
        const std::size_t got = std::fread(text.data() + before, 1, kReadChunk, file);
        text.resize(before + got);
        if (got < kReadChunk)
        {
            readFailed = std::ferror(file) != 0;
            break;
        }
    }
    std::fclose(file);
    if (readFailed)
    {
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return false;
    }
    if (text.empty())
    {
        document.SetError(TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return false;
    }

    // CR LF and a lone CR become LF, as the XML rules for line ends ask (and as TinyXML's loader does).
    std::size_t out = 0;
    for (std::size_t in = 0; in < text.size(); ++in)
    {
        if (text[in] == '\r')
        {
            text[out++] = '\n';
            if (in + 1 < text.size() && text[in + 1] == '\n')
            {
                ++in;
            }
        }
        else
        {
            text[out++] = text[in];
        }
    }
    text.resize(out);
    text.insert(text.end(), kZeroPadding, '\0');

    document.Parse(text.data(), nullptr, TIXML_DEFAULT_ENCODING);
    return !document.Error();
}
