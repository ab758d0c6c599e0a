// Bezier keys: the solver finds the curve's time to within a microsecond for any handles inside the stretch, even
// handles that lie flat on a key or cross each other; without handles a Bezier key plays bit for bit as Smooth,
// handles on the straight line as Linear; keys that meet jump as before. And in the file: handles round-trip bit
// for bit, a file without them writes as before, and a handle that would run the curve back in time is refused
// with its line.
#include "scene/choreography/BezierStretch.h"
#include "scene/choreography/ChoreographyFile.h"
#include "tests/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{
using Key = Choreography::Key;
using Handle = Choreography::Handle;
using Ease = Choreography::Ease;

Choreography::Track TrackOf(std::vector<Key> keys)
{
    return Choreography::Track{Choreography::Track::kCamera, Choreography::Channel::X, CowVector<Key>(std::move(keys))};
}

// The times of a stretch at a thousand and one even steps, ends included.
std::vector<double> Moments(double from, double to)
{
    std::vector<double> moments;
    for (int i = 0; i <= 1000; ++i)
    {
        moments.push_back(from + (to - from) * i / 1000.0);
    }
    return moments;
}
}

TEST(BezierStretch, TheSolvedTimeIsWithinAMicrosecondForEveryKindOfHandle)
{
    const Key from{2.0f, 1.0f, Ease::Bezier};
    const float to = 6.0f;
    // Monotonic handles, handles flat on their keys (the time stands still at an end), handles that cross, handles
    // at the far ends (the slope is zero in the middle) and a long stretch far from zero.
    const std::vector<std::pair<Handle, Handle>> handles = {
        {{1.0f, 3.0f}, {-1.0f, -2.0f}}, {{0.0f, 5.0f}, {0.0f, -5.0f}}, {{4.0f, 0.0f}, {-4.0f, 0.0f}},
        {{3.5f, 9.0f}, {-0.1f, 2.0f}},  {{0.0f, 0.0f}, {-4.0f, 0.0f}}, {{4.0f, 1.0f}, {0.0f, 1.0f}},
    };
    for (const auto& [out, in] : handles)
    {
        Key a = from;
        a.out = out;
        const Key b{to, 7.0f, Ease::Linear, in};
        const BezierStretch stretch(a, b);
        double lastValue = 0.0;
        for (const double t : Moments(2.0, 6.0))
        {
            const double s = stretch.ParameterAt(t);
            ASSERT_GE(s, 0.0);
            ASSERT_LE(s, 1.0);
            EXPECT_NEAR(stretch.TimeAt(s), t, 1e-6) << "out " << out.dt << ", in " << in.dt << ", t " << t;
            lastValue = stretch.ValueAtTime(t);
        }
        EXPECT_NEAR(lastValue, 7.0, 1e-6) << "the stretch arrives at the next key's value";
        EXPECT_DOUBLE_EQ(stretch.ValueAtTime(2.0), 1.0);
    }

    const Key far{1e6f, -3.0f, Ease::Bezier, std::nullopt, Handle{10.0f, 50.0f}};
    const BezierStretch stretch(far, Key{1e6f + 1000.0f, 3.0f, Ease::Linear, Handle{-900.0f, 0.0f}});
    for (const double t : Moments(1e6, 1e6 + 1000.0))
    {
        EXPECT_NEAR(stretch.TimeAt(stretch.ParameterAt(t)), t, 1e-6) << t;
    }
}

TEST(BezierStretch, NoHandlesPlayAsSmoothAndHandlesOnTheLineAsLinear)
{
    std::vector<Key> smooth = {{0.5f, -3.0f, Ease::Smooth}, {2.1f, 11.0f, Ease::Linear}};
    std::vector<Key> bezier = smooth;
    bezier[0].ease = Ease::Bezier;
    // The same curve with its handles spelt out: a third of the stretch, flat.
    std::vector<Key> spelt = bezier;
    spelt[0].out = Handle{(2.1f - 0.5f) / 3.0f, 0.0f};
    spelt[1].in = Handle{-(2.1f - 0.5f) / 3.0f, 0.0f};
    std::vector<Key> linear = smooth;
    linear[0].ease = Ease::Linear;
    std::vector<Key> straight = bezier;
    straight[0].out = Handle{(2.1f - 0.5f) / 3.0f, 14.0f / 3.0f};
    straight[1].in = Handle{-(2.1f - 0.5f) / 3.0f, -14.0f / 3.0f};
    for (const double moment : Moments(0.0, 2.5))
    {
        const float t = static_cast<float>(moment);
        EXPECT_EQ(TrackOf(bezier).ValueAt(t), TrackOf(smooth).ValueAt(t)) << t;
        // The handles' thirds are floats, so the curve is the smoothstep to a float's last bits, not bit for bit.
        EXPECT_NEAR(TrackOf(spelt).ValueAt(t), TrackOf(smooth).ValueAt(t), 1e-5f) << t;
        EXPECT_NEAR(TrackOf(straight).ValueAt(t), TrackOf(linear).ValueAt(t), 1e-5f) << t;
    }
    // A pulled handle changes the stretch inside it, and nothing at its keys.
    std::vector<Key> pulled = bezier;
    pulled[0].out = Handle{0.2f, 30.0f};
    EXPECT_GT(TrackOf(pulled).ValueAt(1.0f), TrackOf(bezier).ValueAt(1.0f) + 1.0f);
    EXPECT_EQ(TrackOf(pulled).ValueAt(0.5f), -3.0f);
    EXPECT_EQ(TrackOf(pulled).ValueAt(2.1f), 11.0f);
}

TEST(BezierStretch, KeysThatMeetJumpAndHandlesAreClampedIntoTheirStretch)
{
    // Two keys at one time: the jump is taken at that time, whatever the handles say.
    const Choreography::Track track = TrackOf({{1.0f, 0.0f, Ease::Bezier, std::nullopt, Handle{0.0f, 9.0f}},
                                               {1.0f, 5.0f, Ease::Bezier, Handle{0.0f, 4.0f}, Handle{1.0f, 1.0f}},
                                               {3.0f, 6.0f, Ease::Linear, Handle{-2.0f, 0.0f}}});
    EXPECT_EQ(track.ValueAt(std::nextafter(1.0f, 0.0f)), 0.0f);
    EXPECT_EQ(track.ValueAt(1.0f), 5.0f);
    EXPECT_EQ(track.ValueAt(3.0f), 6.0f);
    EXPECT_TRUE(std::isfinite(track.ValueAt(2.0f)));
    Choreography choreography;
    choreography.tracks = {track};
    EXPECT_TRUE(choreography.Validate().empty()) << "handles on keys that meet have a stretch of zero";

    EXPECT_EQ(BezierStretch::ClampedOut({5.0f, 2.0f}, 2.0f), (Handle{2.0f, 2.0f}));
    EXPECT_EQ(BezierStretch::ClampedOut({-1.0f, 2.0f}, 2.0f), (Handle{0.0f, 2.0f}));
    EXPECT_EQ(BezierStretch::ClampedIn({1.0f, -2.0f}, 2.0f), (Handle{0.0f, -2.0f}));
    EXPECT_EQ(BezierStretch::ClampedIn({-3.0f, -2.0f}, 2.0f), (Handle{-2.0f, -2.0f}));
    EXPECT_EQ(BezierStretch::ClampedIn({-3.0f, -2.0f}, 0.0f), (Handle{0.0f, -2.0f}));
}

TEST(BezierFile, HandlesRoundTripBitForBitAndAFileWithoutThemWritesAsBefore)
{
    ScratchDirectory dir;
    Choreography choreography;
    choreography.tracks = {TrackOf({{0.0f, 1.0f / 3.0f, Ease::Bezier, Handle{-0.0f, 7.0f}, Handle{0.1f, -1e-7f}},
                                    {0.3f, 2.0f, Ease::Smooth, Handle{-0.3f, 0.0f}},
                                    {1.0f, 2.0f, Ease::Bezier}})};
    ASSERT_TRUE(choreography.Validate().empty());
    const std::string text = ChoreographyFile::Write(choreography);
    EXPECT_NE(text.find("mode=\"bezier\" in=\"-0 7\" out=\"0.1 -1e-07\""), std::string::npos) << text;
    std::string problem;
    const std::optional<Choreography> read = ChoreographyFile::Load(dir.Write("handles.xml", text), &problem);
    ASSERT_TRUE(read) << problem;
    EXPECT_TRUE(*read == choreography);
    EXPECT_EQ(ChoreographyFile::Write(*read), text);

    // The plain modes and keys without handles: not a byte of the older format changes.
    const std::string plain = "<Choreography version=\"1\">\n"
                              "    <Travel start=\"0\" speed=\"0\"/>\n"
                              "    <Track channel=\"yaw\">\n"
                              "        <Key at=\"0\" value=\"1\" mode=\"smooth\"/>\n"
                              "        <Key at=\"2\" value=\"3\" mode=\"ramp\"/>\n"
                              "    </Track>\n"
                              "</Choreography>\n";
    const std::optional<Choreography> old = ChoreographyFile::Load(dir.Write("plain.xml", plain), &problem);
    ASSERT_TRUE(old) << problem;
    EXPECT_EQ(ChoreographyFile::Write(*old), plain);
}

TEST(BezierFile, AHandleThatRunsBackInTimeOrIsNotTwoNumbersIsRefusedWithItsLine)
{
    const std::string head = "<Choreography version=\"1\">\n<Track channel=\"x\">\n<Key at=\"1\" value=\"0\"";
    const std::vector<std::string> secondKeys = {
        "/>\n<Key at=\"2\" value=\"1\" in=\"-1.5 0\"/>",     // before the key above
        "/>\n<Key at=\"2\" value=\"1\" in=\"0.25 0\"/>",     // after its own key
        " out=\"1.5 0\"/>\n<Key at=\"2\" value=\"1\"/>",     // beyond the key below: named on its own line, 3
        " out=\"-0.5 0\"/>\n<Key at=\"2\" value=\"1\"/>",    // before its own key
        "/>\n<Key at=\"2\" value=\"1\" in=\"-0.5\"/>",       // one number
        "/>\n<Key at=\"2\" value=\"1\" in=\"-0.5 1 2\"/>",   // three
        "/>\n<Key at=\"2\" value=\"1\" in=\"-0.5,1\"/>",     // not apart by a space
        "/>\n<Key at=\"2\" value=\"1\" in=\"-0.5 nan\"/>",   // not finite
        "/>\n<Key at=\"2\" value=\"1\" in=\"-0.5 2e9\"/>",   // beyond the largest value
    };
    ScratchDirectory dir;
    for (const std::string& second : secondKeys)
    {
        const std::string text = head + second + "\n</Track>\n</Choreography>\n";
        const std::string path = dir.Write("bad.xml", text);
        const int line = second[0] == ' ' ? 3 : 4;
        std::string problem;
        EXPECT_FALSE(ChoreographyFile::Load(path, &problem)) << text;
        EXPECT_EQ(problem.rfind(path + ":" + std::to_string(line) + ":", 0), 0u) << text << "\ngot " << problem;
    }
}
