// Choreography: the evaluation of its values (coordinates, the travelling value, keyed tracks), its validation
// and the compiled-in presentation. The arithmetic of coordinates and the travelling value is the presentation's
// own, operation for operation, so that playing the constant draws the very pictures the timeline always drew.
#include "scene/choreography/Choreography.h"

#include "scene/choreography/BezierStretch.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>
#include <unordered_set>
#include <utility>

float Choreography::Coordinate::At(float current, float t, float travel) const
{
    switch (source)
    {
    case Source::Kept: return current;
    case Source::Fixed: return offset;
    case Source::Time: return offset == 0.0f ? t : t + offset;
    case Source::Travel: return offset == 0.0f ? travel : travel + offset;
    }
    return current;
}

float Choreography::Travel::Advance(float value, float elapsed, float t) const
{
    if (window.Contains(t))
    {
        value += elapsed * speed;
        if (wrap && value >= wrap->at)
        {
            value -= wrap->by;
        }
    }
    return value;
}

float Choreography::Track::ValueAt(float t) const
{
    if (keys.empty())
    {
        return 0.0f;
    }
    const auto next =
        std::upper_bound(keys.begin(), keys.end(), t, [](float time, const Key& key) { return time < key.time; });
    if (next == keys.begin())
    {
        return keys.front().value;
    }
    if (next == keys.end())
    {
        return keys.back().value;
    }
    const Key& key = *(next - 1);
    if (key.ease == Ease::Step)
    {
        return key.value;
    }
    if (key.ease == Ease::Bezier)
    {
        return static_cast<float>(BezierStretch(key, *next).ValueAtTime(t));
    }
    // In double, so that no difference of two large keys overflows; a span that is not positive (keys out of
    // order, which Validate refuses) counts as arrived.
    const double span = static_cast<double>(next->time) - key.time;
    const double u = span > 0.0 ? std::clamp((static_cast<double>(t) - key.time) / span, 0.0, 1.0) : 1.0;
    double part = u;
    if (key.ease == Ease::Smooth)
    {
        part = u * u * (3.0 - 2.0 * u);
    }
    else if (key.ease == Ease::Ramp)
    {
        part = u * u;
    }
    return static_cast<float>(key.value + (static_cast<double>(next->value) - key.value) * part);
}

bool Choreography::Track::ClampHandles()
{
    bool clamped = false;
    const auto& read = keys.Items();
    for (std::size_t k = 0; k < read.size(); ++k)
    {
        const Key& key = read[k];
        const std::optional<Handle> in =
            key.in && k > 0 ? std::optional(BezierStretch::ClampedIn(*key.in, key.time - read[k - 1].time)) : key.in;
        const std::optional<Handle> out =
            key.out && k + 1 < read.size()
                ? std::optional(BezierStretch::ClampedOut(*key.out, read[k + 1].time - key.time))
                : key.out;
        if (in != key.in || out != key.out)
        {
            keys[k].in = in;
            keys[k].out = out;
            clamped = true;
        }
    }
    return clamped;
}

std::string Choreography::Problem::Where() const
{
    switch (part)
    {
    case Part::Choreography: return "the choreography";
    case Part::Travel: return "the travelling value";
    case Part::CameraSegment: return "camera segment " + std::to_string(index + 1);
    case Part::ActorRow: return "actor row " + std::to_string(index + 1);
    case Part::Track: return "track " + std::to_string(index + 1) + (key ? ", key " + std::to_string(*key + 1) : "");
    case Part::Loop: return "the loop";
    case Part::Bookmark: return "bookmark " + std::to_string(index + 1);
    }
    return {};
}

namespace
{
using Problem = Choreography::Problem;
using Part = Problem::Part;

std::string NumberText(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

// Collects problems up to the limit; every check names the part it is about.
class ProblemList
{
public:
    bool Full() const { return m_problems.size() >= Choreography::kMaxProblems; }

    void Add(Part part, std::size_t index, std::optional<std::size_t> key, std::string what)
    {
        if (!Full())
        {
            m_problems.push_back(Problem{part, index, key, std::move(what)});
        }
    }

    // A number of the file: finite and within the largest magnitude.
    void Number(Part part, std::size_t index, std::optional<std::size_t> key, const char* name, float value)
    {
        if (!std::isfinite(value))
        {
            Add(part, index, key, std::string(name) + " is not a finite number");
        }
        else if (std::fabs(value) > Choreography::kLargestValue)
        {
            Add(part, index, key, std::string(name) + " is beyond +-1e9");
        }
    }

    void Window(Part part, std::size_t index, const Choreography::Window& window)
    {
        // Open sides are infinite; a finite side is a number like any other.
        for (const auto& [name, side] : {std::pair{"from", window.from}, std::pair{"until", window.until}})
        {
            if (std::isnan(side) || (std::isfinite(side) && std::fabs(side) > Choreography::kLargestValue))
            {
                Number(part, index, std::nullopt, name, side);
            }
        }
        if (window.from == Choreography::kForever || window.until == -Choreography::kForever)
        {
            Add(part, index, std::nullopt, "the window starts after the end of time or ends before its start");
        }
        else if (!(window.from < window.until))
        {
            Add(part, index, std::nullopt, "the window ends (until) before or where it starts (from)");
        }
    }

    void Place(Part part, std::size_t index, const Choreography::Place& place)
    {
        static const char* const kNames[] = {"x", "y", "z"};
        for (std::size_t axis = 0; axis < place.size(); ++axis)
        {
            Number(part, index, std::nullopt, kNames[axis], place[axis].offset);
        }
    }

    // A key's handles: finite numbers, their times within the stretch they shape (else the curve would run back
    // in time). The check is the same whatever the key's mode, since a mode can be switched to Bezier at any time.
    void Handles(std::size_t track, std::size_t k, const CowVector<Choreography::Key>& keys)
    {
        const Choreography::Key& key = keys[k];
        if (key.in)
        {
            Number(Part::Track, track, k, "the in handle's time", key.in->dt);
            Number(Part::Track, track, k, "the in handle's value", key.in->dv);
            const float span = k > 0 ? key.time - keys[k - 1].time : 0.0f;
            if (k > 0 && !(key.in->dt <= 0.0f && key.in->dt >= -span))
            {
                Add(Part::Track, track, k,
                    "the in handle's time leaves the stretch from the key above (0 to -" + NumberText(span) + ")");
            }
        }
        if (key.out)
        {
            Number(Part::Track, track, k, "the out handle's time", key.out->dt);
            Number(Part::Track, track, k, "the out handle's value", key.out->dv);
            const float span = k + 1 < keys.size() ? keys[k + 1].time - key.time : 0.0f;
            if (k + 1 < keys.size() && !(key.out->dt >= 0.0f && key.out->dt <= span))
            {
                Add(Part::Track, track, k,
                    "the out handle's time leaves the stretch to the key below (0 to " + NumberText(span) + ")");
            }
        }
    }

    std::vector<Problem> Take() { return std::move(m_problems); }

private:
    std::vector<Problem> m_problems;
};

// Every check of Validate; with `valid`, the parts that `valid` shares with this version are taken as checked.
std::vector<Choreography::Problem> ValidateSharing(const Choreography& c, const Choreography* valid)
{
    using Channel = Choreography::Channel;
    ProblemList problems;
    problems.Number(Part::Choreography, 0, std::nullopt, "beat", c.beatSeconds);
    if (c.beatSeconds < 0.0f)
    {
        problems.Add(Part::Choreography, 0, std::nullopt, "the beat is negative");
    }

    const Choreography::Travel& travel = c.travel;
    problems.Number(Part::Travel, 0, std::nullopt, "start", travel.start);
    problems.Number(Part::Travel, 0, std::nullopt, "speed", travel.speed);
    problems.Window(Part::Travel, 0, travel.window);
    if (travel.wrap)
    {
        problems.Number(Part::Travel, 0, std::nullopt, "wrapAt", travel.wrap->at);
        problems.Number(Part::Travel, 0, std::nullopt, "wrapBy", travel.wrap->by);
        if (!(travel.wrap->by > 0.0f))
        {
            problems.Add(Part::Travel, 0, std::nullopt, "wrapBy must jump back: a number above 0");
        }
    }

    const bool cameraChecked = valid != nullptr && c.camera.Identity() == valid->camera.Identity();
    for (std::size_t i = 0; i < c.camera.size() && !problems.Full() && !cameraChecked; ++i)
    {
        const Choreography::CameraSegment& segment = c.camera[i];
        problems.Window(Part::CameraSegment, i, segment.window);
        problems.Place(Part::CameraSegment, i, segment.place);
        problems.Number(Part::CameraSegment, i, std::nullopt, "pitchRate", segment.pitchRate);
        if (segment.sky && *segment.sky > 1)
        {
            problems.Add(Part::CameraSegment, i, std::nullopt, "the sky is 0 or 1");
        }
    }

    const bool actorsChecked = valid != nullptr && c.actors.Identity() == valid->actors.Identity();
    for (std::size_t i = 0; i < c.actors.size() && !problems.Full() && !actorsChecked; ++i)
    {
        const Choreography::ActorRow& row = c.actors[i];
        if (row.actor == kInvalidActorId)
        {
            problems.Add(Part::ActorRow, i, std::nullopt, "actor ids start at 1");
        }
        problems.Window(Part::ActorRow, i, row.window);
        problems.Place(Part::ActorRow, i, row.place);
        problems.Number(Part::ActorRow, i, std::nullopt, "rate", row.rate);
    }

    // Keys shared with a valid version were checked when it was.
    std::unordered_set<const void*> checkedKeys;
    if (valid != nullptr)
    {
        for (const Choreography::Track& track : valid->tracks)
        {
            checkedKeys.insert(track.keys.Identity());
        }
    }
    std::set<std::pair<ActorId, Channel>> driven;
    for (std::size_t i = 0; i < c.tracks.size() && !problems.Full(); ++i)
    {
        const Choreography::Track& track = c.tracks[i];
        if (!driven.emplace(track.actor, track.channel).second)
        {
            problems.Add(Part::Track, i, std::nullopt,
                         std::string("a second track for the same ") + Choreography::ChannelName(track.channel) +
                             " of " +
                             (track.actor == Choreography::Track::kCamera ? "the camera"
                                                                          : "actor " + std::to_string(track.actor)));
        }
        if (track.keys.Identity() != nullptr && checkedKeys.count(track.keys.Identity()) != 0)
        {
            continue;
        }
        for (std::size_t k = 0; k < track.keys.size() && !problems.Full(); ++k)
        {
            const Choreography::Key& key = track.keys[k];
            problems.Number(Part::Track, i, k, "the key's time", key.time);
            problems.Number(Part::Track, i, k, "the key's value", key.value);
            if (k > 0 && key.time < track.keys[k - 1].time)
            {
                problems.Add(Part::Track, i, k, "the key comes before the one above it (keys go in time order)");
            }
            problems.Handles(i, k, track.keys);
        }
    }

    if (c.loop)
    {
        problems.Number(Part::Loop, 0, std::nullopt, "the loop's in", c.loop->in);
        problems.Number(Part::Loop, 0, std::nullopt, "the loop's out", c.loop->out);
        if (!(c.loop->out > c.loop->in))
        {
            problems.Add(Part::Loop, 0, std::nullopt, "the loop ends (out) before or where it starts (in)");
        }
        else if (!(c.loop->out - c.loop->in >= Choreography::kShortestLoop))
        {
            problems.Add(Part::Loop, 0, std::nullopt, "the loop is shorter than a frame (1/60 s)");
        }
    }
    for (std::size_t i = 0; i < c.bookmarks.size() && !problems.Full(); ++i)
    {
        const Choreography::Bookmark& bookmark = c.bookmarks[i];
        problems.Number(Part::Bookmark, i, std::nullopt, "the bookmark's time", bookmark.time);
        if (i > 0 && bookmark.time < c.bookmarks[i - 1].time)
        {
            problems.Add(Part::Bookmark, i, std::nullopt, "the bookmarks are not in time order");
        }
        if (!Choreography::IsBookmarkName(bookmark.name))
        {
            problems.Add(Part::Bookmark, i, std::nullopt,
                         "a bookmark's name is a line of at most " +
                             std::to_string(Choreography::kLongestBookmarkName) +
                             " bytes of UTF-8 without control characters");
        }
    }
    return problems.Take();
}
}

bool Choreography::IsBookmarkName(const std::string& name)
{
    if (name.size() > kLongestBookmarkName)
    {
        return false;
    }
    // UTF-8 as XML 1.0 allows it: no overlong forms, no surrogates, nothing past U+10FFFF, and no control
    // character (C0, DEL or C1), which a label cannot show and strict readers refuse.
    for (std::size_t at = 0; at < name.size();)
    {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(name[i]); };
        const unsigned char lead = byte(at);
        std::size_t length = 1;
        std::uint32_t code = lead;
        if (lead >= 0xF0 && lead <= 0xF4)
        {
            length = 4;
            code = lead & 0x07u;
        }
        else if (lead >= 0xE0)
        {
            length = lead <= 0xEF ? 3 : 0;
            code = lead & 0x0Fu;
        }
        else if (lead >= 0xC2)
        {
            length = 2;
            code = lead & 0x1Fu;
        }
        else if (lead >= 0x80)
        {
            return false;   // a continuation byte, or the lead of an overlong form
        }
        if (length == 0 || at + length > name.size())
        {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i)
        {
            if ((byte(at + i) & 0xC0u) != 0x80u)
            {
                return false;
            }
            code = (code << 6) | (byte(at + i) & 0x3Fu);
        }
        const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
        if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code < 0x20 ||
            (code >= 0x7F && code <= 0x9F))
        {
            return false;
        }
        at += length;
    }
    return true;
}

std::vector<Choreography::Problem> Choreography::Validate() const
{
    return ValidateSharing(*this, nullptr);
}

std::vector<Choreography::Problem> Choreography::ValidateEditOf(const Choreography& valid) const
{
    return ValidateSharing(*this, &valid);
}

const char* Choreography::ChannelName(Channel channel)
{
    static const char* const kNames[] = {"x", "y", "z", "yaw", "pitch", "roll"};
    return kNames[static_cast<std::size_t>(channel)];
}

const char* Choreography::EaseName(Ease ease)
{
    static const char* const kNames[] = {"step", "linear", "smooth", "ramp", "bezier"};
    return kNames[static_cast<std::size_t>(ease)];
}

const char* Choreography::AngleName(Angle angle)
{
    static const char* const kNames[] = {"yaw", "pitch", "roll"};
    return kNames[static_cast<std::size_t>(angle)];
}

namespace
{
using Coordinate = Choreography::Coordinate;
using Source = Coordinate::Source;

Choreography MakePresentation()
{
    constexpr float kForever = Choreography::kForever;
    const auto fixed = [](float value) { return Coordinate{Source::Fixed, value}; };
    const auto travel = [](float offset) { return Coordinate{Source::Travel, offset}; };
    const Coordinate kept{};
    using Angle = Choreography::Angle;

    Choreography presentation;
    // One bar of the music is 43 units at 16 units a second (2.6875 s), four beats to the bar.
    presentation.beatSeconds = 0.671875f;
    // The flight is a loop: past z = 10 the camera jumps back 43 units, which the scenery repeats over.
    presentation.travel = {-32.0f, 16.0f, {15.0f, 44.0f}, Choreography::Travel::Wrap{10.0f, 43.0f}};
    // [.., 15) pitches down at -pi/16 radians per second where it starts, [15, 44) flies along +z at x = 86,
    // [44, ..) looks on from above under the second sky.
    presentation.camera = {
        {{-kForever, 15.0f}, {fixed(0.0f), fixed(2.0f), Coordinate{Source::Time, -16.0f}}, -0.19634955f, 0u},
        {{15.0f, 44.0f}, {fixed(86.0f), fixed(2.0f), travel(0.0f)}, 0.0f, std::nullopt},
        {{44.0f, kForever}, {fixed(0.0f), fixed(96.0f), fixed(0.0f)}, 0.0f, 1u},
    };
    // Rows of one actor follow each other.
    presentation.actors = {
        {5, {}, {kept, kept, kept}, Angle::Yaw, 16.0f},
        {17, {}, {kept, kept, kept}, Angle::Yaw, 16.0f},
        {14, {}, {fixed(86.0f), fixed(2.0f), travel(2.0f)}, Angle::Yaw, 16.0f},
        {20, {22.0f, 29.0f}, {fixed(86.9f), fixed(2.0f), travel(3.0f)}, Angle::Roll, 12.0f},
        {20, {29.0f, kForever}, {fixed(0.5f), fixed(2.0f), travel(1.5f)}, Angle::Roll, 16.0f},
        {19, {15.0f, 21.5f}, {fixed(86.9f), fixed(2.0f), travel(3.0f)}, Angle::Roll, 12.0f},
        {19, {21.5f, kForever}, {fixed(0.5f), fixed(2.0f), travel(1.5f)}, Angle::Roll, 16.0f},
        {12, {0.0f, 29.0f}, {fixed(186.0f), fixed(2.0f), travel(2.0f)}, Angle::Roll, 64.0f},
        {12, {29.0f, kForever}, {fixed(86.0f), fixed(2.0f), travel(2.0f)}, Angle::Roll, 64.0f},
        {13, {0.0f, 29.0f}, {fixed(186.0f), fixed(2.0f), travel(2.0f)}, Angle::Roll, 64.0f},
        {13, {29.0f, kForever}, {fixed(86.0f), fixed(2.0f), travel(2.0f)}, Angle::Roll, 64.0f},
    };
    return presentation;
}
}

const Choreography& Choreography::Presentation()
{
    static const Choreography presentation = MakePresentation();
    return presentation;
}
