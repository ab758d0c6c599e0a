// Loads an XML file into a TinyXML document, in place of TiXmlDocument::LoadFile, whose buffer ends right
// after the text: when a file ends inside a multi-byte UTF-8 sequence the parser steps over the terminator and
// reads past the buffer. It also refuses documents nested too deeply for the parser, which recurses once per
// element level on the caller's stack, and elements with more attributes than the parser can check in good time.
// It does not write anything itself; callers report the problem.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

class TiXmlDocument;
class TiXmlElement;

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

    using RootReader = std::function<void(const TiXmlElement& root)>;
    // A child element of the root, and the lines of the file before the text it was parsed from: its own Row()
    // and its nodes' rows plus `linesBefore` are their lines in the file.
    using ChildReader = std::function<void(const TiXmlElement& child, int linesBefore)>;
    // Loads `fileName` as Load does, for a file whose root holds very many elements: the root element is handed
    // to `atRoot` (for its attributes and other content: its child elements may be missing there), then each
    // child element, in order, to `atChild`, parsed alone and dropped before the next one, so that the file's tree is never held whole (a tree takes ten times the
    // text). Left in `document` is the file without the root's child elements. A file the parser refuses fails as
    // Load fails; as the parser may stop only in a later child, earlier ones may have been handed over by then,
    // and a reader's outcome counts only when the load succeeds. `atRoot` starts the reading afresh: it is
    // called again, and every child after it, when a child cannot be parsed alone and the file is read whole
    // after all. What the readers throw goes through to the caller.
    static bool LoadEachChild(TiXmlDocument& document, const std::string& fileName, const RootReader& atRoot,
                              const ChildReader& atChild, std::string* problem = nullptr);

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
    static bool ReadText(TiXmlDocument& document, const std::string& fileName, std::vector<char>& text,
                         std::string* problem);

    static inline ReadOnce* s_readOnce = nullptr;
};
