// XmlFileLoader: reads the whole file, normalises line ends as TinyXML's own loader does, finds how deep the
// parser would nest its elements, and hands the text to TiXmlDocument::Parse with zero bytes after it. The
// parser's widest step is one UTF-8 sequence (at most four bytes), so from any byte of the text it lands on one
// of those zeros and stops there.
#include "files/XmlFileLoader.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

namespace
{
constexpr std::size_t kZeroPadding = 8;
constexpr std::size_t kReadChunk = 64 * 1024;

// The file's bytes as they are; false when it cannot be opened or a read fails.
bool ReadWhole(const std::string& fileName, std::vector<char>& text)
{
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr)
    {
        return false;
    }
    text.clear();
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
    return !readFailed;
}

// The parser's own reading steps, which TinyXML keeps protected; a document subclass reaches them.
struct ParserSteps : TiXmlDocument
{
    using TiXmlBase::ReadName;
    using TiXmlBase::SkipWhiteSpace;
    using TiXmlBase::StringEqual;
    using TiXmlNode::Identify;
};

// The encoding TiXmlDocument::Parse settles on after the first declaration of the document.
TiXmlEncoding DeclaredEncoding(const TiXmlDeclaration& declaration)
{
    const char* name = declaration.Encoding();
    const bool utf8 = *name == '\0' || ParserSteps::StringEqual(name, "UTF-8", true, TIXML_ENCODING_UNKNOWN) ||
                      ParserSteps::StringEqual(name, "UTF8", true, TIXML_ENCODING_UNKNOWN);
    return utf8 ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY;
}

// TiXmlElement::Parse from the '<' of a start tag up to its content: the name, the attributes, then "/>"
// (returns past it) or ">" (returns past it and pushes the end tag the content must close with). Null wherever
// the parser fails, and, with `tooManyAttributes` set, where an element has more than `attributeLimit`
// attributes.
const char* ReadStartTag(const char* p, TiXmlEncoding encoding, std::vector<std::string>& endTags,
                         std::size_t attributeLimit, bool& tooManyAttributes)
{
    std::string name;
    p = ParserSteps::SkipWhiteSpace(p + 1, encoding);
    p = p != nullptr ? ParserSteps::ReadName(p, &name, encoding) : nullptr;
    std::unordered_set<std::string> attributes;
    while (p != nullptr && *p != '\0')
    {
        p = ParserSteps::SkipWhiteSpace(p, encoding);
        if (p == nullptr || *p == '\0')
        {
            break;
        }
        if (*p == '/')
        {
            return p[1] == '>' ? p + 2 : nullptr;
        }
        if (*p == '>')
        {
            endTags.push_back("</" + name);
            return p + 1;
        }
        if (attributes.size() == attributeLimit)
        {
            tooManyAttributes = true;
            break;
        }
        TiXmlAttribute attribute;
        p = attribute.Parse(p, nullptr, encoding);
        if (!attributes.insert(attribute.NameTStr()).second)
        {
            break;
        }
    }
    return nullptr;
}

// What the walk refuses the parser.
enum class Refusal
{
    None,
    TooDeep,
    TooManyAttributes
};

// The root's child elements as the walk met them: each one's first byte and the byte past its end, as offsets
// in the text; whether the walk went through to the end of the text (so the parser does not stop early); and
// the encoding the parser reads them in.
struct ChildSpans
{
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    bool whole = false;
    TiXmlEncoding encoding = TIXML_ENCODING_UNKNOWN;
};

// Where the first element deeper than `limit` starts, or one with more than `attributeLimit` attributes (`why`
// says which), or null when the parser would meet neither. `children`, when given, receives the root's child
// elements.
//
// The parser recurses once per element level, and no simpler reading of the text can tell how deep it goes: how
// far it steps depends on the encoding it has settled on (in UTF-8 a lead byte takes the bytes after it, a '<'
// or a quote included, while the declaration and comments are read a byte at a time), and where a node ends
// depends on its kind (a declaration's quoted values may hold '>'). So this walk reads the text with the
// parser's own steps in the parser's own order: each node that is not an element is read by its own Parse, a
// start tag and an end tag by the calls TiXmlElement::Parse makes, content by the loop of ReadValue, the
// encoding is settled as TiXmlDocument::Parse settles it, and a stack of end tags stands in for the recursion.
// The walk stops wherever the parser stops, so at every point its stack is as deep as the parser's recursion:
// text it passes cannot take the parser past `limit`, and text it refuses would.
const char* FindRefusedElement(const char* p, std::size_t limit, std::size_t attributeLimit, Refusal& why,
                               ChildSpans* children = nullptr)
{
    const char* const text = p;
    std::size_t childStart = 0;
    ParserSteps steps;
    TiXmlEncoding encoding = TIXML_ENCODING_UNKNOWN;
    if (std::strncmp(p, "\xEF\xBB\xBF", 3) == 0)
    {
        encoding = TIXML_ENCODING_UTF8;
    }
    std::vector<std::string> endTags;   // of the elements whose content is being read, innermost last
    const char* withWhiteSpace = p;
    p = ParserSteps::SkipWhiteSpace(p, encoding);
    while (p != nullptr && *p != '\0')
    {
        const bool inContent = !endTags.empty();
        if (inContent && *p != '<')
        {
            TiXmlText text("");
            p = text.Parse(TiXmlBase::IsWhiteSpaceCondensed() ? p : withWhiteSpace, nullptr, encoding);
        }
        else if (inContent && ParserSteps::StringEqual(p, "</", false, encoding))
        {
            const std::string& endTag = endTags.back();
            if (!ParserSteps::StringEqual(p, endTag.c_str(), false, encoding))
            {
                return nullptr;
            }
            p = ParserSteps::SkipWhiteSpace(p + endTag.size(), encoding);
            if (p == nullptr || *p != '>')
            {
                return nullptr;
            }
            ++p;
            endTags.pop_back();
            if (children != nullptr && endTags.size() == 1)
            {
                children->spans.emplace_back(childStart, static_cast<std::size_t>(p - text));
            }
        }
        else
        {
            // Null only at the document's level, where anything but markup ends the parse.
            const std::unique_ptr<TiXmlNode> node(steps.Identify(p, encoding));
            if (node == nullptr)
            {
                return nullptr;
            }
            if (node->ToElement() != nullptr)
            {
                if (endTags.size() >= limit)
                {
                    why = Refusal::TooDeep;
                    return p;
                }
                bool tooManyAttributes = false;
                const char* start = p;
                const bool child = endTags.size() == 1;
                p = ReadStartTag(p, encoding, endTags, attributeLimit, tooManyAttributes);
                if (tooManyAttributes)
                {
                    why = Refusal::TooManyAttributes;
                    return start;
                }
                if (children != nullptr && child && p != nullptr)
                {
                    childStart = static_cast<std::size_t>(start - text);
                    if (endTags.size() == 1)
                    {
                        children->spans.emplace_back(childStart, static_cast<std::size_t>(p - text));
                    }
                }
            }
            else
            {
                p = node->Parse(p, nullptr, encoding);
                if (!inContent && encoding == TIXML_ENCODING_UNKNOWN && node->ToDeclaration() != nullptr)
                {
                    encoding = DeclaredEncoding(*node->ToDeclaration());
                }
            }
        }
        withWhiteSpace = p;
        p = ParserSteps::SkipWhiteSpace(p, encoding);
    }
    if (children != nullptr)
    {
        // The parser's steps end at the end of the text (where skipping white space gives null) or where it
        // fails: inside the root, that leaves elements open.
        children->whole = endTags.empty();
        children->encoding = encoding;
    }
    return nullptr;
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
        text +=
            " (line " + std::to_string(document.ErrorRow()) + ", column " + std::to_string(document.ErrorCol()) + ")";
    }
    return text;
}
}

XmlFileLoader::ReadOnce::ReadOnce() : m_active(s_readOnce == nullptr)
{
    if (m_active)
    {
        s_readOnce = this;
    }
}

XmlFileLoader::ReadOnce::~ReadOnce()
{
    if (m_active)
    {
        s_readOnce = nullptr;
    }
}

// The file's text as the parser reads it (line ends normalised, zeros after it), or false with the document's
// error and `problem` set. Shared by both loads so that they read exactly the same text.
bool XmlFileLoader::ReadText(TiXmlDocument& document, const std::string& fileName, std::vector<char>& text,
                             std::string* problem)
{
    document.Clear();
    document.SetValue(fileName);

    const std::vector<char>* kept = nullptr;
    if (s_readOnce != nullptr)
    {
        const auto found = s_readOnce->m_texts.find(fileName);
        kept = found != s_readOnce->m_texts.end() ? &found->second : nullptr;
    }
    if (kept != nullptr)
    {
        text = *kept;
    }
    else if (!ReadWhole(fileName, text))
    {
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return Fail(problem, ParserProblem(document));
    }
    else if (s_readOnce != nullptr)
    {
        s_readOnce->m_texts.emplace(fileName, text);   // only what was read whole: a failure is tried again
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
    return true;
}

namespace
{
// Refused before the parser sees it: a few thousand levels are enough to overflow the stack inside it, and the
// parser checks each attribute against all the earlier ones of its element, so 200,000 of them take minutes.
bool RefuseBeforeParsing(TiXmlDocument& document, const std::vector<char>& text, std::string* problem,
                         ChildSpans* children)
{
    Refusal why = Refusal::None;
    const char* refused =
        FindRefusedElement(text.data(), XmlFileLoader::kMaxElementDepth, XmlFileLoader::kMaxAttributes, why, children);
    if (refused == nullptr)
    {
        return false;
    }
    const auto line = 1 + std::count(text.data(), refused, '\n');
    document.SetError(TiXmlBase::TIXML_ERROR, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
    const std::string what =
        why == Refusal::TooDeep
            ? "elements nested more than " + std::to_string(XmlFileLoader::kMaxElementDepth) + " levels deep"
            : "an element with more than " + std::to_string(XmlFileLoader::kMaxAttributes) + " attributes";
    Fail(problem, what + " (line " + std::to_string(line) + ")");
    return true;
}

bool ParseWhole(TiXmlDocument& document, const std::vector<char>& text, std::string* problem)
{
    document.Parse(text.data(), nullptr, TIXML_DEFAULT_ENCODING);
    return !document.Error() || Fail(problem, ParserProblem(document));
}

// The text without the root's children: each one's bytes give way to its line ends alone, so that everything
// left stands on its own line as in the file.
std::vector<char> Skeleton(const std::vector<char>& text, const ChildSpans& children)
{
    std::vector<char> skeleton;
    std::size_t from = 0;
    for (const auto& [start, end] : children.spans)
    {
        skeleton.insert(skeleton.end(), text.begin() + static_cast<std::ptrdiff_t>(from),
                        text.begin() + static_cast<std::ptrdiff_t>(start));
        skeleton.insert(skeleton.end(),
                        static_cast<std::size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(start),
                                                            text.begin() + static_cast<std::ptrdiff_t>(end), '\n')),
                        '\n');
        from = end;
    }
    skeleton.insert(skeleton.end(), text.begin() + static_cast<std::ptrdiff_t>(from), text.end());
    return skeleton;
}
}

bool XmlFileLoader::Load(TiXmlDocument& document, const std::string& fileName, std::string* problem)
{
    std::vector<char> text;
    if (!ReadText(document, fileName, text, problem) || RefuseBeforeParsing(document, text, problem, nullptr))
    {
        return false;
    }
    return ParseWhole(document, text, problem);
}

bool XmlFileLoader::LoadEachChild(TiXmlDocument& document, const std::string& fileName, const RootReader& atRoot,
                                  const ChildReader& atChild, std::string* problem)
{
    std::vector<char> text;
    ChildSpans children;
    if (!ReadText(document, fileName, text, problem) || RefuseBeforeParsing(document, text, problem, &children))
    {
        return false;
    }
    // The whole tree when the parser stops early (its error is the file's, and the walk does not see every one)
    // or when kept white space would make the root's text depend on what stood between its children.
    const auto whole = [&] {
        if (!ParseWhole(document, text, problem))
        {
            return false;
        }
        if (TiXmlElement* root = document.RootElement())
        {
            atRoot(*root);
            while (TiXmlElement* child = root->FirstChildElement())
            {
                atChild(*child, 0);
                root->RemoveChild(child);
            }
        }
        return true;
    };
    if (!children.whole || children.spans.empty() || !TiXmlBase::IsWhiteSpaceCondensed())
    {
        return whole();
    }
    const std::vector<char> skeleton = Skeleton(text, children);
    document.Parse(skeleton.data(), nullptr, TIXML_DEFAULT_ENCODING);
    if (document.Error() || document.RootElement() == nullptr)
    {
        document.Clear();
        document.SetValue(fileName);
        return whole();
    }
    atRoot(*document.RootElement());
    std::size_t counted = 0;
    int linesBefore = 0;
    for (const auto& [start, end] : children.spans)
    {
        linesBefore += static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                                                   text.begin() + static_cast<std::ptrdiff_t>(start), '\n'));
        counted = start;
        // The child alone: its end is marked for the parser, which reads its rows from its first byte.
        const char after = text[end];
        text[end] = '\0';
        TiXmlDocument piece;
        piece.Parse(text.data() + start, nullptr, children.encoding);
        text[end] = after;
        const TiXmlElement* element = piece.RootElement();
        if (piece.Error() || element == nullptr || piece.FirstChild() != piece.LastChild())
        {
            document.Clear();
            document.SetValue(fileName);
            return whole();
        }
        atChild(*element, linesBefore);
    }
    return true;
}
