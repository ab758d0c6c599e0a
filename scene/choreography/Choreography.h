// The presentation's choreography as data: when the camera flies where and how it turns, which sky shows, the
// travelling value the flight follows, which actor turns about which axis how fast, and keyed tracks that drive
// the camera's and the actors' coordinates and angles along paths. The compiled-in presentation is one constant
// of this type (Presentation()), played by the same code as a file. Plain values whose lists are copy-on-write, so
// that a copy costs a few pointers and an edited copy shares all it did not change (an editor keeps hundreds for
// undo); Validate() says what is wrong and where. Reading and writing files is
// ChoreographyFile's, playing it onto the scene ChoreographyPlayer's.
#pragma once

#include "events/EngineTypes.h"
#include "scene/choreography/CowVector.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

struct Choreography
{
    static constexpr float kForever = std::numeric_limits<float>::infinity();
    // The largest magnitude any number may have. Far beyond any sensible place, time or rate (a float's step
    // at 1e9 is 64 units), and small enough that sums of a few of them never overflow into infinity.
    static constexpr float kLargestValue = 1e9f;

    // The times a frame takes part in: from <= t < until. An open side is infinite.
    struct Window
    {
        float from = -kForever;
        float until = kForever;

        bool Contains(float t) const { return t >= from && t < until; }
        bool operator==(const Window&) const = default;
    };

    // One coordinate of a place: kept where it is, fixed, or following the time or the travelling value at an
    // offset.
    struct Coordinate
    {
        enum class Source : std::uint8_t
        {
            Kept,
            Fixed,
            Time,
            Travel
        };
        Source source = Source::Kept;
        float offset = 0.0f;   // the coordinate itself when Fixed; added to the time or the travelling value

        // `current` is where the camera or actor stands now. A zero offset adds nothing, not even to -0.
        float At(float current, float t, float travel) const;
        // A kept coordinate's offset plays no part and is not written, so it makes no difference here either
        // (the panel keeps it, so that switching back to fixed finds the number again).
        bool operator==(const Coordinate& other) const
        {
            return source == other.source && (source == Source::Kept || offset == other.offset);
        }
    };
    using Place = std::array<Coordinate, 3>;

    // The value that a flight follows: it starts at `start` and moves `speed` units per second of frame time
    // while the time lies in `window`; past `wrap->at` it jumps back by `wrap->by`, once per frame.
    struct Travel
    {
        struct Wrap
        {
            float at = 0.0f;
            float by = 0.0f;
            bool operator==(const Wrap&) const = default;
        };
        float start = 0.0f;
        float speed = 0.0f;
        Window window;
        std::optional<Wrap> wrap;

        // The value after a frame of `elapsed` seconds that ends at time `t`.
        float Advance(float value, float elapsed, float t) const;
        bool operator==(const Travel&) const = default;
    };

    // While its window holds, the camera stands at `place`, pitches by `pitchRate` radians per second of frame
    // time (0 leaves its orientation alone), and the sky, when given, is selected (0: "10.dds", 1: "11.dds").
    struct CameraSegment
    {
        Window window;
        Place place;
        float pitchRate = 0.0f;
        std::optional<std::uint32_t> sky;
        bool operator==(const CameraSegment&) const = default;
    };

    enum class Angle : std::uint8_t
    {
        Yaw,
        Pitch,
        Roll
    };
    static constexpr std::size_t kAngleCount = 3;

    // While its window holds, the actor stands at `place` (its kept coordinates where they are) and one of its
    // angles advances by `rate` degrees per second of frame time.
    struct ActorRow
    {
        ActorId actor = kInvalidActorId;
        Window window;
        Place place;
        Angle turns = Angle::Yaw;
        float rate = 0.0f;
        bool operator==(const ActorRow&) const = default;
    };

    // What a track drives: a coordinate of the position, or an absolute angle in degrees.
    enum class Channel : std::uint8_t
    {
        X,
        Y,
        Z,
        Yaw,
        Pitch,
        Roll
    };
    static constexpr std::size_t kChannelCount = 6;

    // How a key's value goes over to the next key's, with u the part of the way from one key's time to the
    // next one's (0 to 1): Step holds the value until the next key, Linear moves by u, Smooth by the
    // smoothstep u²(3 - 2u), Ramp by the quadratic ease-in u². Bezier follows a cubic Bézier curve in (time,
    // value) whose inner points are this key's `out` handle and the next key's `in` handle (BezierStretch).
    enum class Ease : std::uint8_t
    {
        Step,
        Linear,
        Smooth,
        Ramp,
        Bezier
    };
    static constexpr std::size_t kEaseCount = 5;

    // A Bézier handle: an offset in time and value from its own key.
    struct Handle
    {
        float dt = 0.0f;
        float dv = 0.0f;
        bool operator==(const Handle&) const = default;
    };

    struct Key
    {
        Key() = default;
        // So that a key is written {time, value, ease} without its handles.
        Key(float time_, float value_, Ease ease_ = Ease::Linear, std::optional<Handle> in_ = std::nullopt,
            std::optional<Handle> out_ = std::nullopt)
            : time(time_), value(value_), ease(ease_), in(in_), out(out_)
        {
        }

        float time = 0.0f;
        float value = 0.0f;
        Ease ease = Ease::Linear;
        // Bezier handles towards the key before (`in`, dt <= 0) and after (`out`, dt >= 0). A missing one is a
        // third of its stretch in time, flat; they are kept whatever the mode, so that switching back finds them.
        std::optional<Handle> in;
        std::optional<Handle> out;
        bool operator==(const Key&) const = default;
    };

    // A value over time given by keys in time order (two keys at one time make a jump). It drives its channel
    // of the camera (actor 0) or of an actor from its first key's time to its last one's, both included, over
    // what the segments and rows did in that frame; before and after, they alone decide.
    struct Track
    {
        static constexpr ActorId kCamera = kInvalidActorId;
        ActorId actor = kCamera;
        Channel channel = Channel::X;
        CowVector<Key> keys;

        bool DrivesAt(float t) const { return !keys.empty() && t >= keys.front().time && t <= keys.back().time; }
        // The value at `t`, found by binary search; before the first key the first value, after the last the
        // last. 0 without keys.
        float ValueAt(float t) const;
        // Brings every handle's time back within its stretch, for an edit that moved keys closer together; keys
        // whose handles fit are not touched (nor copied). Returns whether any handle moved.
        bool ClampHandles();
        bool operator==(const Track&) const = default;
    };

    // The passage the maker loops while editing it, from `in` to `out` seconds. Playing ignores it.
    // It lasts at least one frame of the 60 fps step every seek replays at: a shorter loop would jump back (and
    // restart the music) every frame. The timeline panel keeps a loop a beat long while it snaps to beats.
    static constexpr float kShortestLoop = 1.0f / 60.0f;
    struct Loop
    {
        float in = 0.0f;
        float out = 0.0f;
        bool operator==(const Loop&) const = default;
    };

    // A named moment to jump to while editing. Playing ignores it.
    struct Bookmark
    {
        float time = 0.0f;
        std::string name;
        bool operator==(const Bookmark&) const = default;
    };
    // A bookmark's name is a label on the ruler: a line of at most this many bytes of UTF-8 (what an XML file
    // holds), without control characters.
    static constexpr std::size_t kLongestBookmarkName = 64;
    // Whether `name` can be a bookmark's (see kLongestBookmarkName).
    static bool IsBookmarkName(const std::string& name);

    // Something wrong with a choreography: which part (the index-th of its kind; for a track, maybe one key)
    // and what.
    struct Problem
    {
        enum class Part : std::uint8_t
        {
            Choreography,
            Travel,
            CameraSegment,
            ActorRow,
            Track,
            Loop,
            Bookmark
        };
        Part part = Part::Choreography;
        std::size_t index = 0;
        std::optional<std::size_t> key;
        std::string what;

        // "camera segment 2", "track 1, key 15", "bookmark 3" (counted from 1), for messages without a file line.
        std::string Where() const;
    };
    // Validate() stops after this many problems, so a million bad keys do not make a million messages.
    static constexpr std::size_t kMaxProblems = 100;

    // The music's beat in seconds: the grid keys are placed on. Playing does not use it.
    float beatSeconds = 0.0f;
    Travel travel;
    // Applied in order each frame; more than one may hold at a time.
    CowVector<CameraSegment> camera;
    // Applied in order within each actor; each holding row queues one move.
    CowVector<ActorRow> actors;
    CowVector<Track> tracks;
    // Editing aids, written only when there are any, so a file without them reads and writes as before.
    std::optional<Loop> loop;
    CowVector<Bookmark> bookmarks;   // in time order

    // Empty when the choreography can be played: every number finite and within kLargestValue (window sides
    // may be open), windows that end after they start, skies 0 or 1, a wrap that jumps back, actor ids from 1,
    // keys in time order, handles whose time stays within their stretch, at most one track per channel of the camera and of each actor, a loop that ends after it
    // starts, bookmarks in time order with names IsBookmarkName allows.
    std::vector<Problem> Validate() const;
    // The same answer as Validate(), for a version made from `valid` (which has no problems) by edits: the keys
    // of a track that still shares them with a track of `valid` are not checked again, nor the camera segments
    // or actor rows when they are shared. So an edit of a key costs one track's check, not the whole file's.
    std::vector<Problem> ValidateEditOf(const Choreography& valid) const;

    // The presentation's own choreography, compiled in.
    static const Choreography& Presentation();

    static const char* ChannelName(Channel channel);
    static const char* EaseName(Ease ease);
    static const char* AngleName(Angle angle);

    bool operator==(const Choreography&) const = default;
};
