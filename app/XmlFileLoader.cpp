// XmlFileLoader: reads the whole file, normalises line ends as TinyXML's own loader does, measures how deep its
// elements nest, and hands the text to TiXmlDocument::Parse with zero bytes after it. The parser's widest step is
// one UTF-8 sequence (at most four bytes), so from any byte of the text it lands on one of those zeros and stops
// there.
#include "app/XmlFileLoader.h"

#include <tinyxml.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
constexpr std::size_t kZeroPadding = 8;
constexpr std::size_t kReadChunk = 64 * 1024;

bool StartsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Walks zero-terminated text the way TinyXML's parser walks markup: comments, CDATA sections, "<!" and "<?" items
// and quoted attribute values hide their '<' and '/>' from the count, an end tag closes one level and "/>" closes
// the element it ends. On text the parser accepts the count matches its recursion depth; past a parse error it
// may count more, which only turns one refusal into another. Returns the line of the first start tag that goes
// deeper than `limit`, or 0 when none does.
int LineOfTooDeepElement(const char* p, int limit)
{
    int depth = 0;
    int line = 1;
    const auto step = [&] {
        line += *p == '\n';
        ++p;
    };
    const auto skipPast = [&](const char* end) {
        while (*p != '\0' && !StartsWith(p, end))
        {
            step();
        }
        if (*p != '\0')
        {
            p += std::strlen(end);
        }
    };
    while (*p != '\0')
    {
        if (*p != '<')
        {
            step();
            continue;
        }
        const unsigned char next = static_cast<unsigned char>(p[1]);
        if (StartsWith(p, "<!--"))
        {
            p += 4;
            skipPast("-->");
        }
        else if (StartsWith(p, "<![CDATA["))
        {
            p += 9;
            skipPast("]]>");
        }
        else if (next == '/')
        {
            depth -= depth > 0;
            p += 2;
            skipPast(">");
        }
        // The parser's test for an element name: an ASCII letter, an underscore, or any byte of a UTF-8 sequence.
        else if (!((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') || next == '_' || next >= 127))
        {
            ++p;
            skipPast(">");   // "<!DOCTYPE ...>", "<?xml ...?>" and anything else the parser reads up to '>'
        }
        else
        {
            if (++depth > limit)
            {
                return line;
            }
            ++p;
            while (*p != '\0' && *p != '>')
            {
                if (*p == '"' || *p == '\'')
                {
                    const char quote = *p;
                    ++p;
                    while (*p != '\0' && *p != quote)
                    {
                        step();
                    }
                    p += *p != '\0';
                    continue;
                }
                if (p[0] == '/' && p[1] == '>')
                {
                    --depth;
                }
                step();
            }
            p += *p != '\0';
        }
    }
    return 0;
}

bool Fail(std::string* problem, std::string text)
{
    if (problem != nullptr)
    {
        *problem = std::move(text);
    }
    return false;
}

std::string ParserProblem(const TiXmlDocument& document)
{
    std::string text = document.ErrorDesc();
    if (document.ErrorRow() > 0)
    {
        text += " (line " + std::to_string(document.ErrorRow()) + ", column " + std::to_string(document.ErrorCol()) +
                ")";
    }
    return text;
}
}

bool XmlFileLoader::Load(TiXmlDocument& document, const std::string& fileName, std::string* problem)
{
    document.Clear();
    document.SetValue(fileName);

    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr)
    {
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return Fail(problem, ParserProblem(document));
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
        return Fail(problem, ParserProblem(document));
    }
    if (text.empty())
    {
        document.SetError(TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return Fail(problem, ParserProblem(document));
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

    // Refused before the parser sees it: a few thousand levels are enough to overflow the stack inside it.
    if (const int line = LineOfTooDeepElement(text.data(), kMaxElementDepth))
    {
        document.SetError(TiXmlBase::TIXML_ERROR, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return Fail(problem, "elements nested more than " + std::to_string(kMaxElementDepth) +
                                 " levels deep (line " + std::to_string(line) + ")");
    }
    document.Parse(text.data(), nullptr, TIXML_DEFAULT_ENCODING);
    if (document.Error())
    {
        return Fail(problem, ParserProblem(document));
    }
    return true;
}
