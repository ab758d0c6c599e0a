// ChoreographyFile: the reader turns elements into the model one element of the root at a time (a tree of a
// million keys would take ten times the file), noting each part's line, refuses anything it does
// not understand (an unknown element or attribute is more likely a typo than a wish), then lets the model's own
// validation judge the values and names the earliest line it complains about. The writer is the reader's mirror.
#include "scene/choreography/ChoreographyFile.h"

#include "files/XmlFileLoader.h"

#include <tinyxml.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace
{
using Coordinate = Choreography::Coordinate;
using Source = Coordinate::Source;

constexpr const char* kCoordinateNames[] = {"x", "y", "z"};

// The first problem of a file, thrown from wherever it is found and caught by Load.
struct FileProblem
{
    int line;
    std::string what;
};

// Text of the file as a message shows it: on one line, and short (an attribute may hold megabytes).
std::string Shown(std::string_view text)
{
    constexpr std::size_t kLongest = 40;
    std::string shown;
    for (const char c : text.substr(0, kLongest))
    {
        shown += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    }
    return text.size() > kLongest ? shown + "..." : shown;
}

// One element's attributes: only the names it allows, each converted and checked when it is read. The element
// may have been parsed from a part of the file that starts after `linesBefore` lines.
class ElementReader
{
public:
    ElementReader(const TiXmlElement& element, std::initializer_list<const char*> allowed, int linesBefore = 0)
        : m_element(element), m_linesBefore(linesBefore)
    {
        for (const TiXmlAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
             attribute = attribute->Next())
        {
            const char* name = attribute->Name();
            if (std::none_of(allowed.begin(), allowed.end(),
                             [name](const char* a) { return std::strcmp(a, name) == 0; }))
            {
                Fail("<" + Name() + "> has no attribute \"" + Shown(name) + "\"");
            }
        }
    }

    [[noreturn]] void Fail(const std::string& what) const { throw FileProblem{Line(), what}; }

    std::string Name() const { return Shown(m_element.ValueStr()); }
    int Line() const { return m_element.Row() + m_linesBefore; }

    const char* Text(const char* name) const { return m_element.Attribute(name); }
    const std::string* WholeText(const char* name) const { return m_element.Attribute(std::string(name)); }

    const char* Required(const char* name) const
    {
        const char* text = Text(name);
        if (text == nullptr)
        {
            Fail("<" + Name() + "> needs a \"" + name + "\" attribute");
        }
        return text;
    }

    // A decimal number, read straight into a float (no double in between, so that written numbers come back
    // bit for bit). A '+' may lead. Not-a-number and infinity are refused.
    float Number(const char* name, const char* text) const
    {
        const std::string_view view(text);
        float value = 0.0f;
        if (!ParseNumber(view, value))
        {
            Fail(std::string(name) + "=\"" + Shown(text) + "\" is not a finite number");
        }
        return value;
    }

    // A Bezier handle: "dt dv", two numbers apart by spaces.
    std::optional<Choreography::Handle> OptionalHandle(const char* name) const
    {
        const char* text = Text(name);
        if (text == nullptr)
        {
            return std::nullopt;
        }
        const std::string_view view(text);
        const std::size_t space = view.find(' ');
        const std::size_t second = space == std::string_view::npos ? space : view.find_first_not_of(' ', space);
        Choreography::Handle handle;
        if (second == std::string_view::npos || !ParseNumber(view.substr(0, space), handle.dt) ||
            !ParseNumber(view.substr(second), handle.dv))
        {
            Fail(std::string(name) + "=\"" + Shown(text) +
                 "\" is not a handle: two finite numbers, its time and value from the key (\"0.5 -2\")");
        }
        return handle;
    }

    std::optional<float> OptionalNumber(const char* name) const
    {
        const char* text = Text(name);
        return text != nullptr ? std::optional<float>(Number(name, text)) : std::nullopt;
    }

    float NumberOr(const char* name, float fallback) const { return OptionalNumber(name).value_or(fallback); }

    template <typename Unsigned>
    Unsigned Whole(const char* name, const char* text, const char* expected) const
    {
        Unsigned value = 0;
        const char* end = text + std::strlen(text);
        const auto [stop, error] = std::from_chars(text, end, value);
        if (error != std::errc() || stop != end || stop == text)
        {
            Fail(std::string(name) + "=\"" + Shown(text) + "\" is not " + expected);
        }
        return value;
    }

    // One of the `count` words that `nameOf` gives the values of an enumeration, in order.
    template <typename Enum>
    Enum Word(const char* name, const char* text, std::size_t count, const char* (*nameOf)(Enum)) const
    {
        std::string expected;
        for (std::size_t i = 0; i < count; ++i)
        {
            const char* word = nameOf(static_cast<Enum>(i));
            if (std::strcmp(word, text) == 0)
            {
                return static_cast<Enum>(i);
            }
            expected += std::string(i == 0 ? "" : i + 1 == count ? " or " : ", ") + word;
        }
        Fail(std::string(name) + "=\"" + Shown(text) + "\" is not one of " + expected);
    }

    Choreography::Window Window() const
    {
        Choreography::Window window;
        window.from = NumberOr("from", window.from);
        window.until = NumberOr("until", window.until);
        return window;
    }

    // "x", "y" and "z": each a number, or "time" or "travel" with an optional signed offset ("travel+2",
    // "time-16"); a coordinate that is not given is kept.
    Choreography::Place Place() const
    {
        Choreography::Place place;
        for (std::size_t axis = 0; axis < place.size(); ++axis)
        {
            if (const char* text = Text(kCoordinateNames[axis]))
            {
                place[axis] = ParseCoordinate(kCoordinateNames[axis], text);
            }
        }
        return place;
    }

private:
    static bool ParseNumber(std::string_view text, float& value)
    {
        if (!text.empty() && text.front() == '+')
        {
            text.remove_prefix(1);
            if (!text.empty() && text.front() == '-')
            {
                return false;
            }
        }
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
        return error == std::errc() && stop == end && !text.empty() && std::isfinite(value);
    }

    Coordinate ParseCoordinate(const char* name, const char* text) const
    {
        const std::string_view view(text);
        for (const auto& [word, source] :
             {std::pair{std::string_view("time"), Source::Time}, std::pair{std::string_view("travel"), Source::Travel}})
        {
            if (view.substr(0, word.size()) != word)
            {
                continue;
            }
            std::string_view rest = view.substr(word.size());
            if (rest.empty())
            {
                return {source, 0.0f};
            }
            const char sign = rest.front();
            rest.remove_prefix(1);
            float offset = 0.0f;
            if ((sign != '+' && sign != '-') || rest.empty() || rest.front() == '+' || rest.front() == '-' ||
                !ParseNumber(rest, offset))
            {
                break;
            }
            // Negating is exact, so "time-0" keeps its negative zero.
            return {source, sign == '-' ? -offset : offset};
        }
        float value = 0.0f;
        if (!ParseNumber(view, value))
        {
            Fail(std::string(name) + "=\"" + Shown(text) +
                 "\" is not a number, \"time\" or \"travel\" (with an offset such as \"travel+2\")");
        }
        return {Source::Fixed, value};
    }

    const TiXmlElement& m_element;
    int m_linesBefore;
};

// Where each part of the choreography stood in the file, to name the line of a problem the validation finds.
struct PartLines
{
    int root = 0;
    int travel = 0;
    std::vector<int> camera;
    std::vector<int> actors;
    std::vector<int> tracks;
    std::vector<std::vector<int>> keys;
    int loop = 0;
    std::vector<int> bookmarks;

    int Of(const Choreography::Problem& problem) const
    {
        using Part = Choreography::Problem::Part;
        switch (problem.part)
        {
        case Part::Choreography: return root;
        case Part::Travel: return travel != 0 ? travel : root;
        case Part::CameraSegment: return camera.at(problem.index);
        case Part::ActorRow: return actors.at(problem.index);
        case Part::Track: return problem.key ? keys.at(problem.index).at(*problem.key) : tracks.at(problem.index);
        case Part::Loop: return loop != 0 ? loop : root;
        case Part::Bookmark: return bookmarks.at(problem.index);
        }
        return root;
    }
};

void ReadTravel(const ElementReader& e, Choreography::Travel& travel)
{
    travel.start = e.NumberOr("start", 0.0f);
    travel.speed = e.NumberOr("speed", 0.0f);
    travel.window = e.Window();
    const std::optional<float> at = e.OptionalNumber("wrapAt");
    const std::optional<float> by = e.OptionalNumber("wrapBy");
    if (at.has_value() != by.has_value())
    {
        e.Fail("wrapAt and wrapBy go together: where the value jumps back, and by how much");
    }
    if (at)
    {
        travel.wrap = Choreography::Travel::Wrap{*at, *by};
    }
}

Choreography::CameraSegment ReadCameraSegment(const ElementReader& e)
{
    Choreography::CameraSegment segment;
    segment.window = e.Window();
    segment.place = e.Place();
    segment.pitchRate = e.NumberOr("pitchRate", 0.0f);
    if (const char* sky = e.Text("sky"))
    {
        segment.sky = e.Whole<std::uint32_t>("sky", sky, "0 or 1");
    }
    return segment;
}

Choreography::ActorRow ReadActorRow(const ElementReader& e)
{
    Choreography::ActorRow row;
    row.actor = e.Whole<ActorId>("id", e.Required("id"), "an actor id (1, 2, 3, ...)");
    row.window = e.Window();
    row.place = e.Place();
    if (const char* turn = e.Text("turn"))
    {
        row.turns = e.Word("turn", turn, Choreography::kAngleCount, &Choreography::AngleName);
    }
    row.rate = e.NumberOr("rate", 0.0f);
    return row;
}

Choreography::Track ReadTrackHead(const ElementReader& e)
{
    Choreography::Track track;
    if (const char* actor = e.Text("actor"))
    {
        track.actor = e.Whole<ActorId>("actor", actor, "an actor id (1, 2, 3, ...)");
        if (track.actor == Choreography::Track::kCamera)
        {
            e.Fail("actor ids start at 1; a track without \"actor\" drives the camera");
        }
    }
    track.channel = e.Word("channel", e.Required("channel"), Choreography::kChannelCount, &Choreography::ChannelName);
    return track;
}

Choreography::Key ReadKey(const ElementReader& e)
{
    Choreography::Key key;
    key.time = e.Number("at", e.Required("at"));
    key.value = e.Number("value", e.Required("value"));
    if (const char* mode = e.Text("mode"))
    {
        key.ease = e.Word("mode", mode, Choreography::kEaseCount, &Choreography::EaseName);
    }
    key.in = e.OptionalHandle("in");
    key.out = e.OptionalHandle("out");
    return key;
}

// Refuses text inside `element` and, unless `elementsAllowed`, elements: the format has no place for either, so
// they are more likely a mistake than a wish (a <Key> inside a <Key> would otherwise be silently dropped).
// Comments may stand anywhere.
void RefuseContent(const TiXmlElement& element, bool elementsAllowed, int linesBefore = 0)
{
    for (const TiXmlNode* node = element.FirstChild(); node != nullptr; node = node->NextSibling())
    {
        const std::string name = "<" + Shown(element.ValueStr()) + ">";
        const int line = node->Row() + linesBefore;
        if (node->ToText() != nullptr)
        {
            throw FileProblem{line, name + " holds no text: \"" + Shown(node->ValueStr()) + "\""};
        }
        if (node->ToElement() != nullptr && !elementsAllowed)
        {
            throw FileProblem{line, name + " holds no elements: <" + Shown(node->ValueStr()) + ">"};
        }
        if (node->ToUnknown() != nullptr || node->ToDeclaration() != nullptr)
        {
            throw FileProblem{line, name + " holds no markup but elements and comments"};
        }
    }
}

// The root element, which starts the reading afresh.
void ReadRoot(const TiXmlElement& rootElement, Choreography& choreography, PartLines& lines)
{
    choreography = Choreography();
    lines = PartLines();
    lines.root = rootElement.Row();
    if (rootElement.ValueStr() != ChoreographyFile::kRootElement)
    {
        throw FileProblem{lines.root, "the root element is <" + Shown(rootElement.ValueStr()) + ">, not <" +
                                          ChoreographyFile::kRootElement + ">"};
    }
    const ElementReader root(rootElement, {"version", "beat"});
    if (const char* version = root.Text("version"))
    {
        if (root.Whole<unsigned>("version", version, "a version number") != ChoreographyFile::kVersion)
        {
            root.Fail("version " + Shown(version) + " is not this program's (" +
                      std::to_string(ChoreographyFile::kVersion) + ")");
        }
    }

    RefuseContent(rootElement, true);
    choreography.beatSeconds = root.NumberOr("beat", 0.0f);
}

// One element of the root, parsed from a part of the file after `linesBefore` lines.
void ReadChild(const TiXmlElement& childElement, int linesBefore, Choreography& choreography, PartLines& lines)
{
    const TiXmlElement* child = &childElement;
    const std::string& name = child->ValueStr();
    if (name == "Travel")
    {
        const ElementReader e(*child, {"start", "speed", "from", "until", "wrapAt", "wrapBy"}, linesBefore);
        if (lines.travel != 0)
        {
            e.Fail("a second <Travel>; there is one travelling value");
        }
        lines.travel = e.Line();
        ReadTravel(e, choreography.travel);
    }
    else if (name == "Camera")
    {
        const ElementReader e(*child, {"from", "until", "x", "y", "z", "pitchRate", "sky"}, linesBefore);
        lines.camera.push_back(e.Line());
        choreography.camera.push_back(ReadCameraSegment(e));
    }
    else if (name == "Actor")
    {
        const ElementReader e(*child, {"id", "from", "until", "x", "y", "z", "turn", "rate"}, linesBefore);
        lines.actors.push_back(e.Line());
        choreography.actors.push_back(ReadActorRow(e));
    }
    else if (name == "Track")
    {
        const ElementReader e(*child, {"actor", "channel"}, linesBefore);
        lines.tracks.push_back(e.Line());
        Choreography::Track track = ReadTrackHead(e);
        // Exactly as many as there are: a list grown by doubling holds up to twice its keys.
        std::size_t count = 0;
        for (const TiXmlElement* keyElement = child->FirstChildElement(); keyElement != nullptr;
             keyElement = keyElement->NextSiblingElement())
        {
            ++count;
        }
        std::vector<Choreography::Key> keys;
        keys.reserve(count);
        std::vector<int>& keyLines = lines.keys.emplace_back();
        keyLines.reserve(count);
        for (const TiXmlElement* keyElement = child->FirstChildElement(); keyElement != nullptr;
             keyElement = keyElement->NextSiblingElement())
        {
            const ElementReader key(*keyElement, {"at", "value", "mode", "in", "out"}, linesBefore);
            if (key.Name() != "Key")
            {
                key.Fail("<Track> holds <Key> elements only, not <" + key.Name() + ">");
            }
            RefuseContent(*keyElement, false, linesBefore);
            keyLines.push_back(key.Line());
            keys.push_back(ReadKey(key));
        }
        track.keys = CowVector<Choreography::Key>(std::move(keys));
        choreography.tracks.push_back(std::move(track));
    }
    else if (name == "Loop")
    {
        const ElementReader e(*child, {"in", "out"}, linesBefore);
        if (choreography.loop)
        {
            e.Fail("a second <Loop>; there is one loop");
        }
        Choreography::Loop loop;
        loop.in = e.Number("in", e.Required("in"));
        loop.out = e.Number("out", e.Required("out"));
        if (!(loop.out > loop.in))
        {
            e.Fail("the loop ends (out) before or where it starts (in)");
        }
        lines.loop = e.Line();
        choreography.loop = loop;
    }
    else if (name == "Bookmark")
    {
        const ElementReader e(*child, {"at", "name"}, linesBefore);
        Choreography::Bookmark bookmark;
        bookmark.time = e.Number("at", e.Required("at"));
        // The whole value: a character reference such as "&#0;" becomes a byte the C string would end at.
        if (const std::string* text = e.WholeText("name"))
        {
            bookmark.name = *text;
        }
        if (!Choreography::IsBookmarkName(bookmark.name))
        {
            e.Fail("name=\"" + Shown(bookmark.name) + "\" is no bookmark name: a line of at most " +
                   std::to_string(Choreography::kLongestBookmarkName) + " bytes of UTF-8 without control characters");
        }
        if (!choreography.bookmarks.empty() && bookmark.time < choreography.bookmarks.back().time)
        {
            e.Fail("the bookmark comes before the one above it (bookmarks go in time order)");
        }
        lines.bookmarks.push_back(e.Line());
        choreography.bookmarks.push_back(std::move(bookmark));
    }
    else
    {
        throw FileProblem{child->Row() + linesBefore,
                          "<" + Shown(name) +
                              "> is not part of a choreography (Travel, Camera, Actor, Track, Loop "
                              "or Bookmark)"};
    }
    RefuseContent(*child, name == "Track", linesBefore);
}

void SetProblem(std::string* problem, std::string text)
{
    if (problem != nullptr)
    {
        *problem = std::move(text);
    }
}

// --- Writing ---------------------------------------------------------------------------------------------------

// The shortest text that reads back as the same float.
std::string NumberText(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

bool IsPositiveZero(float value)
{
    return value == 0.0f && !std::signbit(value);
}

std::string CoordinateText(const Coordinate& coordinate)
{
    if (coordinate.source == Source::Fixed)
    {
        return NumberText(coordinate.offset);
    }
    std::string text = coordinate.source == Source::Time ? "time" : "travel";
    if (!IsPositiveZero(coordinate.offset))
    {
        text += std::signbit(coordinate.offset) ? '-' : '+';
        text += NumberText(std::fabs(coordinate.offset));
    }
    return text;
}

// A name as an XML attribute's value.
std::string XmlEscaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
    {
        switch (c)
        {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c; break;
        }
    }
    return out;
}

class ElementWriter
{
public:
    ElementWriter(std::string& out, int depth, const char* name) : m_out(out)
    {
        m_out.append(static_cast<std::size_t>(depth) * 4, ' ');
        m_out += '<';
        m_out += name;
    }

    ElementWriter& Attribute(const char* name, const std::string& value)
    {
        m_out += ' ';
        m_out += name;
        m_out += "=\"";
        m_out += value;   // numbers and words, or text escaped by XmlEscaped
        m_out += '"';
        return *this;
    }
    ElementWriter& Number(const char* name, float value) { return Attribute(name, NumberText(value)); }

    // Open sides are left out: they read back as infinite.
    ElementWriter& Window(const Choreography::Window& window)
    {
        if (std::isfinite(window.from))
        {
            Number("from", window.from);
        }
        if (std::isfinite(window.until))
        {
            Number("until", window.until);
        }
        return *this;
    }

    ElementWriter& Place(const Choreography::Place& place)
    {
        for (std::size_t axis = 0; axis < place.size(); ++axis)
        {
            if (place[axis].source != Source::Kept)
            {
                Attribute(kCoordinateNames[axis], CoordinateText(place[axis]));
            }
        }
        return *this;
    }

    void Close() { m_out += "/>\n"; }
    void Open() { m_out += ">\n"; }

private:
    std::string& m_out;
};
}

namespace
{
std::optional<Choreography> LoadFile(const std::string& fileName, std::string* problem, bool validate)
{
    // Element by element: a file of a million keys as one tree would take ten times its text.
    TiXmlDocument document;
    std::string parseProblem;
    PartLines lines;
    Choreography choreography;
    bool parsed = false;
    try
    {
        parsed = XmlFileLoader::LoadEachChild(
            document, fileName, [&](const TiXmlElement& root) { ReadRoot(root, choreography, lines); },
            [&](const TiXmlElement& child, int linesBefore) { ReadChild(child, linesBefore, choreography, lines); },
            &parseProblem);
    }
    catch (const FileProblem& found)
    {
        SetProblem(problem, fileName + ":" + std::to_string(found.line) + ": " + found.what);
        return std::nullopt;
    }
    if (!parsed)
    {
        const std::string line = document.ErrorRow() > 0 ? ":" + std::to_string(document.ErrorRow()) : "";
        SetProblem(problem, fileName + line + ": cannot read the choreography: " + parseProblem);
        return std::nullopt;
    }
    if (document.RootElement() == nullptr)
    {
        SetProblem(problem, fileName + ": no root element; a choreography is a <Choreography> element");
        return std::nullopt;
    }

    const std::vector<Choreography::Problem> problems =
        validate ? choreography.Validate() : std::vector<Choreography::Problem>();
    if (!problems.empty())
    {
        // The file's earliest line among them, as a reader of the file goes.
        const auto first = std::min_element(problems.begin(), problems.end(), [&lines](const auto& a, const auto& b) {
            return lines.Of(a) < lines.Of(b);
        });
        SetProblem(problem, fileName + ":" + std::to_string(lines.Of(*first)) + ": " + first->what);
        return std::nullopt;
    }
    return choreography;
}
}

std::optional<Choreography> ChoreographyFile::Load(const std::string& fileName, std::string* problem)
{
    return LoadFile(fileName, problem, true);
}

std::optional<Choreography> ChoreographyFile::LoadForEditing(const std::string& fileName, std::string* problem)
{
    return LoadFile(fileName, problem, false);
}

std::string ChoreographyFile::Write(const Choreography& choreography)
{
    std::string out;
    {
        ElementWriter root(out, 0, kRootElement);
        root.Attribute("version", std::to_string(kVersion));
        if (!IsPositiveZero(choreography.beatSeconds))
        {
            root.Number("beat", choreography.beatSeconds);
        }
        root.Open();
    }

    const Choreography::Travel& travel = choreography.travel;
    ElementWriter travelElement(out, 1, "Travel");
    travelElement.Number("start", travel.start).Number("speed", travel.speed).Window(travel.window);
    if (travel.wrap)
    {
        travelElement.Number("wrapAt", travel.wrap->at).Number("wrapBy", travel.wrap->by);
    }
    travelElement.Close();

    for (const Choreography::CameraSegment& segment : choreography.camera)
    {
        ElementWriter element(out, 1, "Camera");
        element.Window(segment.window).Place(segment.place);
        if (!IsPositiveZero(segment.pitchRate))
        {
            element.Number("pitchRate", segment.pitchRate);
        }
        if (segment.sky)
        {
            element.Attribute("sky", std::to_string(*segment.sky));
        }
        element.Close();
    }

    for (const Choreography::ActorRow& row : choreography.actors)
    {
        ElementWriter(out, 1, "Actor")
            .Attribute("id", std::to_string(row.actor))
            .Window(row.window)
            .Place(row.place)
            .Attribute("turn", Choreography::AngleName(row.turns))
            .Number("rate", row.rate)
            .Close();
    }

    for (const Choreography::Track& track : choreography.tracks)
    {
        ElementWriter element(out, 1, "Track");
        if (track.actor != Choreography::Track::kCamera)
        {
            element.Attribute("actor", std::to_string(track.actor));
        }
        element.Attribute("channel", Choreography::ChannelName(track.channel));
        if (track.keys.empty())
        {
            element.Close();
            continue;
        }
        element.Open();
        for (const Choreography::Key& key : track.keys)
        {
            ElementWriter element(out, 2, "Key");
            element.Number("at", key.time)
                .Number("value", key.value)
                .Attribute("mode", Choreography::EaseName(key.ease));
            for (const auto& [name, handle] : {std::pair{"in", &key.in}, std::pair{"out", &key.out}})
            {
                if (*handle)
                {
                    element.Attribute(name, NumberText((*handle)->dt) + " " + NumberText((*handle)->dv));
                }
            }
            element.Close();
        }
        out += "    </Track>\n";
    }

    if (choreography.loop)
    {
        ElementWriter(out, 1, "Loop").Number("in", choreography.loop->in).Number("out", choreography.loop->out).Close();
    }
    for (const Choreography::Bookmark& bookmark : choreography.bookmarks)
    {
        ElementWriter(out, 1, "Bookmark")
            .Number("at", bookmark.time)
            .Attribute("name", XmlEscaped(bookmark.name))
            .Close();
    }
    out += "</" + std::string(kRootElement) + ">\n";
    return out;
}
