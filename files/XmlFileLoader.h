// Loads an XML file into a TinyXML document, in place of TiXmlDocument::LoadFile, whose buffer ends right
// after the text: when a file ends inside a multi-byte UTF-8 sequence the parser steps over the terminator and
// reads past the buffer. It also refuses documents nested too deeply for the parser, which recurses once per
// element level on the caller's stack, and elements with more attributes than the parser can check in good time.
// It does not write anything itself; callers report the problem.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

class TiXmlDocument;

class XmlFileLoader
{
public:
    // Deepest element nesting a file may have. Real files nest five levels at most; the parser's recursion
    // overflows the main thread's 2 MB stack at about 5,900 levels, so this leaves a wide margin both ways.
    static constexpr int kMaxElementDepth = 256;
    // Most attributes an element may have. Real files have a dozen at most; the parser compares each new attribute
    // with every earlier one of its element, so the cost of an element grows with the square of this.
    static constexpr std::size_t kMaxAttributes = 256;

    // Same contract as TiXmlDocument::LoadFile(fileName): the document is cleared and takes the file name as
    // its value, line ends are normalised to LF, and on failure ErrorId(), ErrorDesc() and ErrorRow() say why
    // (TIXML_ERROR_OPENING_FILE for a file that cannot be opened or read, TIXML_ERROR_DOCUMENT_EMPTY for an
    // empty one, TIXML_ERROR for one the parser would nest deeper than kMaxElementDepth or with an element of more
    // than kMaxAttributes attributes, which is then not parsed). True when the document parsed without error. On failure `problem`, when given, receives the
    // reason in words, with the line (and column) where the parser or the nesting check stopped.
    static bool Load(TiXmlDocument& document, const std::string& fileName, std::string* problem = nullptr);

    // While one lives, each file Load reads whole is read from disk once and its text used again by the loads
    // that follow: a world names the same actor definition for thousands of actors, and under Wine every open,
    // read and close is a round trip to its server. Meant for one load of many files (a world), during which a
    // file is not expected to change; an inner one leaves the outer one's texts in use. Main thread only.
    class ReadOnce
    {
    public:
        ReadOnce();
        ~ReadOnce();
        ReadOnce(const ReadOnce&) = delete;
        ReadOnce& operator=(const ReadOnce&) = delete;

    private:
        friend class XmlFileLoader;
        std::map<std::string, std::vector<char>> m_texts;
        bool m_active;
    };

private:
    static inline ReadOnce* s_readOnce = nullptr;
};
