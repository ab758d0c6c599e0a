// Loading XML files for the options, world and actor readers: files that end inside a UTF-8 sequence are
// parsed without reading past the text (the sanitizer build checks this), ordinary files give exactly what
// TinyXML's own loader gives, errors included, and files the parser would nest too deeply are refused.
#include "files/XmlFileLoader.h"
#include "tests/ScratchDirectory.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <vector>

namespace
{
std::string Print(const TiXmlDocument& document)
{
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.Str();
}

class XmlFileLoaderTest : public testing::Test
{
protected:
    // Loads `content` with both loaders and expects the same outcome, tree and error.
    void ExpectSameAsTinyXml(const std::string& content)
    {
        const std::string path = m_scratch.Write("same.xml", content);
        TiXmlDocument ours;
        TiXmlDocument theirs;
        const bool oursLoaded = XmlFileLoader::Load(ours, path);
        const bool theirsLoaded = theirs.LoadFile(path.c_str());
        EXPECT_EQ(theirsLoaded, oursLoaded) << content;
        EXPECT_EQ(theirs.ErrorId(), ours.ErrorId()) << content;
        EXPECT_EQ(theirs.ErrorRow(), ours.ErrorRow()) << content;
        EXPECT_EQ(theirs.ErrorCol(), ours.ErrorCol()) << content;
        EXPECT_STREQ(theirs.Value(), ours.Value());
        EXPECT_EQ(Print(theirs), Print(ours)) << content;
    }

    ScratchDirectory m_scratch;
};
}

// The input that first crashed the options reader: the file ends with the first byte of a three-byte
// sequence, and TinyXML's loader read past its buffer.
TEST_F(XmlFileLoaderTest, FileEndingInsideAUtf8SequenceFailsCleanly)
{
    const std::string crashed("<?xml --><o a=\"&amp;&\n<!*G\xEB", 27);
    TiXmlDocument document;
    EXPECT_FALSE(XmlFileLoader::Load(document, m_scratch.Write("crash.xml", crashed)));
    EXPECT_TRUE(document.Error());
}

// Whether these files parse is TinyXML's business (it forgives an unclosed comment, for one); that no byte past
// the text is read is what AddressSanitizer checks here.
TEST_F(XmlFileLoaderTest, EveryLeadByteAtTheEndOfEveryKindOfTextIsSafe)
{
    const char* const openings[] = {"<a>", "<a b=\"",    "<a b='", "<!--",   "<a><![CDATA[", "<",
                                    "<a ", "<?xml v=\"", "<a>&",   "<a>&#x", "<!DOCTYPE "};
    for (const char* opening : openings)
    {
        for (const char lead : {'\xC3', '\xE2', '\xF0', '\xEF', '\xBB'})
        {
            TiXmlDocument document;
            const bool loaded = XmlFileLoader::Load(document, m_scratch.Write("lead.xml", std::string(opening) + lead));
            EXPECT_EQ(!document.Error(), loaded) << opening;
        }
    }
}

TEST_F(XmlFileLoaderTest, OrdinaryFilesLoadExactlyAsTinyXmlLoadsThem)
{
    ExpectSameAsTinyXml("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Root a=\"1\"><Child>text</Child></Root>");
    ExpectSameAsTinyXml("\xEF\xBB\xBF<Root name=\"caf\xC3\xA9 &#233; &amp;\"/>");
    ExpectSameAsTinyXml("<Root>line one\r\nline two\rline three\n</Root>");
    ExpectSameAsTinyXml("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><Root a=\"\xE9\"/>");
    ExpectSameAsTinyXml("<Root>\r\n<Unclosed>\r\n</Root>");
    ExpectSameAsTinyXml("<Root/>\r\n<Second/>\r\n<!-- never closed");
    ExpectSameAsTinyXml("   \n\n");
    ExpectSameAsTinyXml(std::string("<Root/>\0<Hidden/>", 17));
}

TEST_F(XmlFileLoaderTest, MissingAndEmptyFilesReportWhatTinyXmlReports)
{
    TiXmlDocument missing;
    EXPECT_FALSE(XmlFileLoader::Load(missing, m_scratch.File("absent.xml")));
    EXPECT_EQ(TiXmlBase::TIXML_ERROR_OPENING_FILE, missing.ErrorId());
    EXPECT_EQ(m_scratch.File("absent.xml"), missing.Value());

    TiXmlDocument empty;
    EXPECT_FALSE(XmlFileLoader::Load(empty, m_scratch.Write("empty.xml", "")));
    EXPECT_EQ(TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY, empty.ErrorId());
}

TEST_F(XmlFileLoaderTest, LoadingAgainReplacesTheEarlierTreeAndError)
{
    TiXmlDocument document;
    EXPECT_FALSE(XmlFileLoader::Load(document, m_scratch.Write("bad.xml", "<a><b></a>")));
    ASSERT_TRUE(XmlFileLoader::Load(document, m_scratch.Write("good.xml", "<c/>")));
    EXPECT_FALSE(document.Error());
    ASSERT_NE(nullptr, document.FirstChildElement());
    EXPECT_STREQ("c", document.FirstChildElement()->Value());
    EXPECT_EQ(nullptr, document.FirstChildElement()->NextSiblingElement());
}

// The parser recurses once per element level; a few thousand levels overflow its stack. The limit counts element
// levels exactly as the parser nests them: markup that hides '<' or "/>" from it (comments, CDATA, declarations,
// quoted attribute values) must not move the count either way, and siblings do not add up.
TEST_F(XmlFileLoaderTest, NestingDeeperThanTheLimitIsRefusedBeforeParsing)
{
    const auto nested = [](int levels, const std::string& inside) {
        std::string text;
        for (int level = 0; level < levels; ++level)
        {
            text += "<e a=\"1\">";
        }
        text += inside;
        for (int level = 0; level < levels; ++level)
        {
            text += "</e>";
        }
        return text;
    };
    const int limit = XmlFileLoader::kMaxElementDepth;
    const auto loads = [this](const std::string& text) {
        TiXmlDocument document;
        std::string problem;
        const bool loaded = XmlFileLoader::Load(document, m_scratch.Write("nested.xml", text), &problem);
        EXPECT_EQ(loaded, problem.empty()) << problem;
        EXPECT_EQ(loaded, !document.Error());
        return loaded;
    };

    EXPECT_TRUE(loads(nested(limit, "")));
    EXPECT_FALSE(loads(nested(limit + 1, "")));
    EXPECT_TRUE(loads(nested(limit - 1, "<leaf/>")));
    EXPECT_FALSE(loads(nested(limit, "<leaf/>")));
    EXPECT_TRUE(loads(nested(limit - 1, "<leaf></leaf><leaf/><leaf x='/>'/>")));
    // None of these hides an element from the parser or shows it one that is not there.
    EXPECT_TRUE(loads(nested(limit - 1, "<!-- <a><a><a> --><![CDATA[<a><a>]]><leaf t=\"<a><a>\" u='>'/>")));
    EXPECT_FALSE(loads(nested(limit - 1, "<!-- </e></e> --><![CDATA[</e>]]><leaf t=\"</e>\"><deeper/></leaf>")));
    EXPECT_TRUE(loads("<?xml version=\"1.0\"?><!DOCTYPE r><r>" + std::string(100000, ' ') + "</r>"));

    // Far past the depth that overflows the parser: refused at once, with or without closing tags.
    std::string unclosed;
    for (int level = 0; level < 50000; ++level)
    {
        unclosed += "<a>";
    }
    EXPECT_FALSE(loads(unclosed));
    EXPECT_FALSE(loads(nested(20000, "")));
}

// The parser compares each attribute with every earlier one of its element: 200,000 attributes took minutes. An
// element with more than the limit is refused before parsing, naming its line, however many more it has.
TEST_F(XmlFileLoaderTest, AnElementWithTooManyAttributesIsRefusedBeforeParsing)
{
    const auto element = [](std::size_t count) {
        std::string text = "<World>\n<Actors\n";
        for (std::size_t i = 0; i < count; ++i)
        {
            text += " a" + std::to_string(i) + "=\"1\"";
        }
        return text + "/>\n</World>";
    };
    const std::size_t limit = XmlFileLoader::kMaxAttributes;
    TiXmlDocument document;
    std::string problem;
    EXPECT_TRUE(XmlFileLoader::Load(document, m_scratch.Write("wide.xml", element(limit)), &problem)) << problem;
    for (const std::size_t count : {limit + 1, std::size_t{200'000}})
    {
        EXPECT_FALSE(XmlFileLoader::Load(document, m_scratch.Write("wide.xml", element(count)), &problem));
        EXPECT_NE(problem.find("line 2"), std::string::npos) << problem;
    }
}

// Nesting that a byte count misses but the parser sees: once a byte-order mark or a declaration says UTF-8, a
// stray lead byte takes the '<' or the quote after it with it, and a declaration's quoted values may hold '>'.
// All of it is refused before the parser runs; the same bytes declared Latin-1 are read a byte at a time and load.
TEST_F(XmlFileLoaderTest, NestingThatOnlyTheParsersReadingShowsIsRefusedToo)
{
    const auto repeated = [](const std::string& piece, int times) {
        std::string text;
        for (int time = 0; time < times; ++time)
        {
            text += piece;
        }
        return text;
    };
    const std::string swallowedEndTags = repeated("<a>\xC3</a>", 1000);
    const std::string hidden[] = {
        "<?xml version=\"1.0\"?>" + swallowedEndTags,
        "\xEF\xBB\xBF" + swallowedEndTags,
        "<?xml version=\"1.0\"?><r>\xC3<q y=\"" + repeated("<a>", 1000),
        "<?xml version=\"><!--\"?>" + repeated("<a>", 1000),
        "<r><?xml version=\"><!--\"?>" + repeated("<a>", 1000),
        // Deep enough to overflow the stack inside the parser.
        "<?xml version=\"1.0\"?>" + repeated("<a>\xC3</a>", 200000),
    };
    for (const std::string& text : hidden)
    {
        TiXmlDocument document;
        EXPECT_FALSE(XmlFileLoader::Load(document, m_scratch.Write("hidden.xml", text))) << text.substr(0, 40);
        EXPECT_EQ(TiXmlBase::TIXML_ERROR, document.ErrorId()) << text.substr(0, 40);
        EXPECT_EQ(nullptr, document.FirstChild());
    }

    TiXmlDocument latin1;
    const std::string declared = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><r>" + swallowedEndTags + "</r>";
    ASSERT_TRUE(XmlFileLoader::Load(latin1, m_scratch.Write("latin1.xml", declared)));
    EXPECT_EQ(nullptr, latin1.FirstChildElement()->FirstChildElement()->FirstChildElement());
}

// While a ReadOnce lives, a file is read from disk once: its later loads parse the first text even when the
// file has changed since, which is what lets a world of thousands of actors read their definition once. A
// file that could not be read is tried again, an inner ReadOnce uses the outer one's texts, and once the
// outermost ends every load reads the disk again.
TEST_F(XmlFileLoaderTest, AReadOnceReadsEachFileOnceForAsLongAsItLives)
{
    const std::string path = m_scratch.Write("actor.xml", "<first/>");
    const auto rootOf = [&](const std::string& file) {
        TiXmlDocument document;
        const bool loaded = XmlFileLoader::Load(document, file);
        return loaded && document.FirstChildElement() != nullptr ? std::string(document.FirstChildElement()->Value())
                                                                 : std::string("(failed)");
    };
    {
        const XmlFileLoader::ReadOnce outer;
        EXPECT_EQ(rootOf(path), "first");
        m_scratch.Write("actor.xml", "<second/>");
        EXPECT_EQ(rootOf(path), "first");
        EXPECT_EQ(rootOf(m_scratch.File("late.xml")), "(failed)");
        m_scratch.Write("late.xml", "<late/>");
        EXPECT_EQ(rootOf(m_scratch.File("late.xml")), "late") << "a failed read is not kept";
        {
            const XmlFileLoader::ReadOnce inner;
            EXPECT_EQ(rootOf(path), "first");
        }
        EXPECT_EQ(rootOf(path), "first") << "the inner one's end leaves the outer one's texts in use";
    }
    EXPECT_EQ(rootOf(path), "second");
    // The document is the file's as always: its value is the file name, and parse errors are the parser's.
    const XmlFileLoader::ReadOnce again;
    const std::string broken = m_scratch.Write("broken.xml", "<a><b></a>");
    for (int load = 0; load < 2; ++load)
    {
        TiXmlDocument document;
        EXPECT_FALSE(XmlFileLoader::Load(document, broken));
        EXPECT_TRUE(document.Error());
        EXPECT_EQ(broken, document.Value());
    }
}

namespace
{
// A node and everything in it as lines of "row kind value attributes", rows moved by `linesBefore`; with
// `elements` false, the root's own attributes and other nodes without its child elements.
std::string Outline(const TiXmlNode& node, int linesBefore, bool elements = true)
{
    std::string text =
        std::to_string(node.Row() + linesBefore) + " " + std::to_string(node.Type()) + " " + node.ValueStr();
    if (const TiXmlElement* element = node.ToElement())
    {
        for (const TiXmlAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next())
        {
            text += " " + a->NameTStr() + "=" + a->ValueStr();
        }
    }
    text += "\n";
    for (const TiXmlNode* child = node.FirstChild(); child != nullptr; child = child->NextSibling())
    {
        if (elements || child->ToElement() == nullptr)
        {
            text += Outline(*child, linesBefore);
        }
    }
    return text;
}
}

// Reading a file child by child gives the tree that Load gives, row for row, and the same errors; what stays in
// the document is the file without the root's child elements.
TEST_F(XmlFileLoaderTest, LoadingEachChildGivesLoadsTreeOnePartAtATime)
{
    const std::string files[] = {
        "<?xml version=\"1.0\"?>\n<!-- c -->\n<Root a=\"1\">\n  <A x='1'/>\n  <!-- between -->\n  <B>\n    <C y=\"2\">"
        "\n    </C>\n  </B>text\n<D/></Root>\n<!-- after -->",
        "\xEF\xBB\xBF<r>\r\n<a/><b n=\"caf\xC3\xA9\"/><c>\r\n\r\n<d/></c></r>",
        "<r>\n<a n=\"&amp;&#233; &lt;\"/>\n<a>&lt;x&gt;<![CDATA[<b/>]]></a>\n</r>\n",
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<r>\n<a v=\"\xE9\xC3\"/>\n<b>\xE9</b></r>",
        "<r/>",
        "<r>\n<a>\n</b>\n</r>",
        "<r>\n<a/>\n<b x=1/>\n</r>",
        "<r>\n<a/>\n<b/>",
        "<r>\n<a/>\n</r>\n<second/>\njunk",
    };
    for (const std::string& content : files)
    {
        const std::string path = m_scratch.Write("children.xml", content);
        TiXmlDocument whole;
        const bool wholeLoaded = XmlFileLoader::Load(whole, path);
        std::string expectedRoot;
        std::vector<std::string> expectedChildren;
        if (const TiXmlElement* root = whole.RootElement())
        {
            expectedRoot = Outline(*root, 0, false);
            for (const TiXmlElement* child = root->FirstChildElement(); child != nullptr;
                 child = child->NextSiblingElement())
            {
                expectedChildren.push_back(Outline(*child, 0));
            }
        }

        for (int load = 0; load < 2; ++load)
        {
            TiXmlDocument parts;
            std::string rootSeen;
            std::vector<std::string> childrenSeen;
            const bool loaded = XmlFileLoader::LoadEachChild(
                parts, path,
                [&](const TiXmlElement& root) {
                    rootSeen = Outline(root, 0, false);
                    childrenSeen.clear();
                },
                [&](const TiXmlElement& child, int linesBefore) {
                    childrenSeen.push_back(Outline(child, linesBefore));
                });
            ASSERT_EQ(wholeLoaded, loaded) << content;
            EXPECT_EQ(whole.ErrorId(), parts.ErrorId()) << content;
            EXPECT_EQ(whole.ErrorRow(), parts.ErrorRow()) << content;
            EXPECT_EQ(whole.ErrorCol(), parts.ErrorCol()) << content;
            EXPECT_EQ(path, parts.Value());
            if (loaded)
            {
                EXPECT_EQ(expectedRoot, rootSeen) << content;
                EXPECT_EQ(expectedChildren, childrenSeen) << content;
                ASSERT_NE(nullptr, parts.RootElement());
                EXPECT_EQ(nullptr, parts.RootElement()->FirstChildElement()) << content;
            }
        }
    }
}
