// The choreography as a file and as played: writing and reading give back the same floats and the same bytes;
// keyed tracks interpolate as their modes say, at and between keys; a bad file is refused with its own name and
// the line of the problem, never a crash; and tracks drive the camera and actors over segments and rows only
// between their first and last keys.
#include "app/Mouse.h"
#include "scene/choreography/ChoreographyFile.h"
#include "scene/FreeCameraNode.h"
#include "tests/scene/SceneTestSupport.h"

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace
{
using Choreography = ::Choreography;
using Ease = Choreography::Ease;
using Channel = Choreography::Channel;
using Source = Choreography::Coordinate::Source;

Choreography::Track TrackOf(ActorId actor, Channel channel, std::vector<Choreography::Key> keys)
{
    return Choreography::Track{actor, channel, CowVector<Choreography::Key>(std::move(keys))};
}

// Everything the format can say, with numbers that have no short decimal form and both zeros.
Choreography EveryFeature()
{
    Choreography choreography = Choreography::Presentation();
    choreography.camera.push_back(
        {{-0.0f, 1e-7f},
         {Choreography::Coordinate{Source::Time, -0.0f}, {Source::Travel, 0.1f}, {Source::Fixed, -1e9f}},
         -0.0f,
         1u});
    choreography.actors.push_back({7, {0.1f, 1.0f / 3.0f}, {}, Choreography::Angle::Pitch, -0.0f});
    choreography.tracks = {
        TrackOf(Choreography::Track::kCamera, Channel::Yaw,
                {{0.0f, 1.0f / 3.0f, Ease::Step},
                 {0.2f, -2.5e-5f, Ease::Linear},
                 {0.2f, 8.0f, Ease::Smooth},
                 {16777216.0f, -0.0f, Ease::Ramp}}),
        TrackOf(12, Channel::Roll, {}),
    };
    choreography.travel.wrap.reset();
    return choreography;
}

TEST(ChoreographyFile, WritingAndReadingGiveTheSameFloatsAndTheSameBytes)
{
    ScratchDirectory dir;
    for (const Choreography& original : {Choreography::Presentation(), EveryFeature()})
    {
        const std::string text = ChoreographyFile::Write(original);
        const std::string path = dir.File("round-trip.xml");
        dir.Write("round-trip.xml", text);
        std::string problem;
        const std::optional<Choreography> read = ChoreographyFile::Load(path, &problem);
        ASSERT_TRUE(read) << problem << "\n" << text;
        EXPECT_TRUE(*read == original);
        // Equality cannot tell -0 from 0; the bytes can.
        EXPECT_EQ(ChoreographyFile::Write(*read), text);
    }
    EXPECT_TRUE(Choreography::Presentation().Validate().empty());
}

TEST(ChoreographyTrack, EachModeInterpolatesAsItSaysAtAndBetweenItsKeys)
{
    const Choreography::Track track = TrackOf(1, Channel::X,
                                              {{0.0f, 0.0f, Ease::Step},
                                               {1.0f, 10.0f, Ease::Linear},
                                               {2.0f, 20.0f, Ease::Smooth},
                                               {3.0f, 30.0f, Ease::Ramp},
                                               {4.0f, 40.0f, Ease::Linear},
                                               {5.0f, 45.0f, Ease::Linear},
                                               {5.0f, 50.0f, Ease::Linear}});
    const std::vector<std::pair<float, float>> expected = {
        {-1.0f, 0.0f},                                                        // before the first key: its value
        {0.0f, 0.0f},  {0.75f, 0.0f},                                         // step holds until the next key
        {1.0f, 10.0f}, {1.25f, 12.5f},                                        // linear
        {2.0f, 20.0f}, {2.25f, 21.5625f}, {2.5f, 25.0f}, {2.75f, 28.4375f},   // smoothstep u²(3 - 2u)
        {3.0f, 30.0f}, {3.25f, 30.625f},  {3.5f, 32.5f},                      // ease-in u²
        {4.0f, 40.0f}, {4.5f, 42.5f},     {5.0f, 50.0f},   // two keys at one time: the jump is taken at that time
        {9.0f, 50.0f},                                     // after the last key: its value
    };
    for (const auto& [t, value] : expected)
    {
        EXPECT_FLOAT_EQ(track.ValueAt(t), value) << "t = " << t;
    }
    EXPECT_FALSE(track.DrivesAt(std::nextafter(0.0f, -1.0f)));
    EXPECT_TRUE(track.DrivesAt(0.0f));
    EXPECT_TRUE(track.DrivesAt(5.0f));
    EXPECT_FALSE(track.DrivesAt(std::nextafter(5.0f, 6.0f)));
}

// A kept coordinate's offset is neither played nor written, so it must not make a version read back unequal
// (with --watch, every save would be taken for a change made elsewhere).
TEST(ChoreographyFile, AKeptCoordinateReadsBackEqualWhateverOffsetItKept)
{
    Choreography edited = Choreography::Presentation();
    edited.actors[2].place[0] = {Choreography::Coordinate::Source::Kept, 86.0f};
    ScratchDirectory dir;
    const std::string path = dir.Write("kept.xml", ChoreographyFile::Write(edited));
    EXPECT_EQ(ChoreographyFile::Load(path), edited);
    // Comments may stand anywhere, as in any XML file a person edits.
    const std::string commented = dir.Write("commented.xml", "<!-- mine -->\n<Choreography version=\"1\"><!-- a -->"
                                                             "<Track channel=\"x\"><!-- b --><Key at=\"1\" value=\"2\">"
                                                             "<!-- c --></Key></Track></Choreography>");
    std::string problem;
    EXPECT_TRUE(ChoreographyFile::Load(commented, &problem)) << problem;
}

TEST(ChoreographyFile, ALoopAndBookmarksRoundTripByteForByteAndAFileWithoutThemWritesAsBefore)
{
    ScratchDirectory dir;
    Choreography marked = EveryFeature();
    marked.loop = Choreography::Loop{1.0f / 3.0f, 5.375f};
    marked.bookmarks = {{-0.0f, ""},
                        {2.0f, "drop <here> & \"there\" 'now'"},
                        {2.0f, "the same moment, twice"},
                        {40.5f, "d\xC3\xA9j\xC3\xA0 vu"}};
    ASSERT_TRUE(marked.Validate().empty());
    for (int round = 0; round < 2; ++round)   // what was read back writes the same again
    {
        const std::string text = ChoreographyFile::Write(marked);
        EXPECT_NE(text.find("<Loop in=\"0.33333334\" out=\"5.375\"/>"), std::string::npos) << text;
        const std::string path = dir.Write("marked.xml", text);
        std::string problem;
        const std::optional<Choreography> read = ChoreographyFile::Load(path, &problem);
        ASSERT_TRUE(read) << problem << "\n" << text;
        EXPECT_TRUE(*read == marked);
        EXPECT_EQ(ChoreographyFile::Write(*read), text);
        marked = *read;
    }

    // Without them, not a byte of the file changes: the presentation's own file is the one written before.
    Choreography plain = marked;
    plain.loop.reset();
    plain.bookmarks = {};
    EXPECT_EQ(ChoreographyFile::Write(plain), ChoreographyFile::Write(EveryFeature()));
    EXPECT_EQ(ChoreographyFile::Write(Choreography::Presentation()).find("Loop"), std::string::npos);

    // What the editor could still make and the file must not hold: caught before saving.
    Choreography wrong = marked;
    wrong.loop = Choreography::Loop{4.0f, 4.0f};
    EXPECT_FALSE(wrong.Validate().empty());
    wrong = marked;
    wrong.bookmarks = {{3.0f, "b"}, {1.0f, "a"}};
    EXPECT_FALSE(wrong.Validate().empty());
    wrong.bookmarks = {{3.0f, "two\nlines"}};
    EXPECT_FALSE(wrong.Validate().empty());
    wrong.bookmarks = {{3.0f, std::string(Choreography::kLongestBookmarkName + 1, 'x')}};
    EXPECT_FALSE(wrong.Validate().empty());
}

TEST(ChoreographyFile, ABadFileIsRefusedNamingItselfAndTheLineOfTheProblem)
{
    // Each file with the line its refusal must name.
    const std::string head = "<Choreography version=\"1\">\n";
    const std::vector<std::pair<std::string, int>> cases = {
        {head + "<Camera x=\"nan\"/>\n</Choreography>", 2},
        {head + "<Camera until=\"inf\"/>\n</Choreography>", 2},
        {head + "<Camera x=\"1e39\"/>\n</Choreography>", 2},
        {head + "<Camera z=\"travel*2\"/>\n</Choreography>", 2},
        {head + "\n<Actor id=\"3\" from=\"29\" until=\"22\"/>\n</Choreography>", 3},
        {head + "<Actor id=\"0\"/>\n</Choreography>", 2},
        {head + "<Loop in=\"4\" out=\"4\"/>\n</Choreography>", 2},
        {head + "<Loop in=\"1\"/>\n</Choreography>", 2},
        {head + "<Loop in=\"1\" out=\"2\"/>\n<Loop in=\"1\" out=\"3\"/>\n</Choreography>", 3},
        {head + "<Loop in=\"1\" out=\"2\" on=\"yes\"/>\n</Choreography>", 2},
        {head + "<Bookmark name=\"a\"/>\n</Choreography>", 2},
        {head + "<Bookmark at=\"2\"/>\n<Bookmark at=\"1\"/>\n</Choreography>", 3},
        {head + "<Bookmark at=\"2\" name=\"a&#10;b\"/>\n</Choreography>", 2},
        {head + "<Bookmark at=\"inf\"/>\n</Choreography>", 2},
        {head + "<Actor id=\"-4\"/>\n</Choreography>", 2},
        {head + "<Actor id=\"3\" untill=\"29\"/>\n</Choreography>", 2},
        {head + "<Actor id=\"3\" rate=\"2e9\"/>\n</Choreography>", 2},
        {head + "<Camera sky=\"2\"/>\n</Choreography>", 2},
        {head + "<Travel wrapAt=\"10\"/>\n</Choreography>", 2},
        {head + "<Travel wrapAt=\"10\" wrapBy=\"-43\"/>\n</Choreography>", 2},
        {head + "<Track channel=\"x\">\n<Key at=\"1\" value=\"0\"/>\n<Key at=\"0.5\" value=\"1\"/>\n</Track>\n"
                "</Choreography>",
         4},
        {head + "<Track channel=\"x\">\n<Key at=\"1\" value=\"0\" mode=\"bounce\"/>\n</Track>\n</Choreography>", 3},
        {head + "<Track channel=\"x\">\n<Key value=\"0\"/>\n</Track>\n</Choreography>", 3},
        {head + "<Track actor=\"5\" channel=\"spin\"/>\n</Choreography>", 2},
        {head + "<Track channel=\"z\"/>\n<Track channel=\"z\"/>\n</Choreography>", 3},
        {head + "<Scene/>\n</Choreography>", 2},
        // Elements are read one at a time: lines count on through each, and across two on one line.
        {head + "<Track channel=\"x\">\n<Key at=\"0\" value=\"0\"/>\n</Track><Track channel=\"y\">\n"
                "<Key at=\"1\" value=\"0\"/>\n\n<Key at=\"0.5\" value=\"1\"/>\n</Track>\n</Choreography>",
         7},
        {head + "<Camera/>\n<Track channel=\"x\">\n<Key at=\"1\" value=\"0\"/>\n<Key at=\"2\" value=\"0\">\n"
                "<Key/></Key>\n</Track>\n</Choreography>",
         6},
        {head + "<Camera/><Camera\n\nsky=\"3\"/>\n</Choreography>", 2},
        // Nothing the format has no place for is dropped in silence: nested elements and text, with their line.
        {head + "<Track channel=\"x\">\n<Key at=\"1\" value=\"0\">\n<Key at=\"2\" value=\"1\"/></Key>\n</Track>\n"
                "</Choreography>",
         4},
        {head + "<Camera x=\"1\">\n<Actor id=\"3\"/></Camera>\n</Choreography>", 3},
        {head + "<Track channel=\"x\">\n2.5\n</Track>\n</Choreography>", 3},
        {head + "<Actor id=\"3\">fast</Actor>\n</Choreography>", 2},
        {head + "\nstray words\n</Choreography>", 3},
        {"<Choreography version=\"2\"/>", 1},
        {"\n<World/>", 2},
        {head + "<Camera x=\"1\">", 0},   // not well-formed XML: the parser's own line, in its words
        {"", 0},
    };
    ScratchDirectory dir;
    for (const auto& [text, line] : cases)
    {
        const std::string path = dir.Write("bad.xml", text);
        std::string problem;
        EXPECT_FALSE(ChoreographyFile::Load(path, &problem)) << text;
        const std::string where = line > 0 ? path + ":" + std::to_string(line) + ":" : path + ":";
        EXPECT_EQ(problem.rfind(where, 0), 0u) << "expected " << where << " for\n" << text << "\ngot " << problem;
        EXPECT_EQ(problem.find('\n'), std::string::npos) << problem;
    }
    std::string problem;
    EXPECT_FALSE(ChoreographyFile::Load(dir.File("missing.xml"), &problem));
    EXPECT_EQ(problem.rfind(dir.File("missing.xml") + ":", 0), 0u) << problem;
}

TEST(ChoreographyFile, EveryRefusalOfALoopOrABookmarkNamesItsOwnLine)
{
    // Hand-written files: the element stands on line 4 or 5, after others, so that the root's line or the first
    // element's cannot pass for it.
    const std::string head = "<Choreography version=\"1\" beat=\"0.5\">\n<Actor id=\"3\"/>\n<Bookmark at=\"1\"/>\n";
    const std::string end = "\n</Choreography>";
    const std::vector<std::string> loops = {
        "<Loop out=\"1e10\" in=\"0\"/>",   // beyond +-1e9, which only the whole choreography's check sees
        "<Loop in=\"-2e9\" out=\"1\"/>",
        "<Loop in=\"nan\" out=\"1\"/>",
        "<Loop in=\"0\" out=\"inf\"/>",
        "<Loop in=\"one\" out=\"2\"/>",
        "<Loop out=\"2\"/>",
        "<Loop in=\"1\"/>",
        "<Loop in=\"3\" out=\"2\"/>",
        "<Loop in=\"2\" out=\"2\"/>",
        "<Loop in=\"2\" out=\"2.01\"/>",   // shorter than a frame
        "<Loop in=\"1\" out=\"2\" on=\"yes\"/>",
        "<Loop in=\"1\" out=\"2\">x</Loop>",
    };
    const std::vector<std::string> bookmarks = {
        "<Bookmark at=\"2e9\"/>",
        "<Bookmark at=\"-inf\"/>",
        "<Bookmark at=\"soon\"/>",
        "<Bookmark name=\"a\"/>",
        "<Bookmark at=\"0.5\"/>",   // before the one above it
        "<Bookmark at=\"2\" name=\"a&#10;b\"/>",
        "<Bookmark at=\"2\" name=\"a&#0;b\"/>",
        "<Bookmark at=\"2\" name=\"a&#x85;b\"/>",       // a C1 control character
        "<Bookmark at=\"2\" name=\"caf\xE9\"/>",        // Latin-1, not UTF-8
        "<Bookmark at=\"2\" name=\"\xC0\xAF\"/>",       // an overlong form
        "<Bookmark at=\"2\" name=\"\xED\xA0\x80\"/>",   // a surrogate
        "<Bookmark at=\"2\" name=\"" + std::string(Choreography::kLongestBookmarkName + 1, 'x') + "\"/>",
        "<Bookmark at=\"2\" label=\"a\"/>",
        "<Bookmark at=\"2\"><Key at=\"1\" value=\"0\"/></Bookmark>",
    };
    ScratchDirectory dir;
    const auto refusedAt = [&](const std::string& text, int line) {
        const std::string path = dir.Write("marks.xml", text);
        std::string problem;
        EXPECT_FALSE(ChoreographyFile::Load(path, &problem)) << text;
        const std::string where = path + ":" + std::to_string(line) + ":";
        EXPECT_EQ(problem.rfind(where, 0), 0u) << "expected " << where << " for\n" << text << "\ngot " << problem;
    };
    for (const std::string& loop : loops)
    {
        refusedAt(head + loop + end, 4);
        refusedAt(head + "<Loop in=\"0\" out=\"1\"/>\n" + loop + end, 5);   // a second loop, whatever it holds
    }
    for (const std::string& bookmark : bookmarks)
    {
        refusedAt(head + "<Camera/>\n" + bookmark + end, 5);
    }
    // What each rule still lets through: a loop of a frame, a name of 64 bytes of UTF-8 with an accent.
    const std::string good = head + "<Loop in=\"2\" out=\"2.0167\"/>\n<Bookmark at=\"2\" name=\"" +
                             std::string(Choreography::kLongestBookmarkName - 2, 'x') + "\xC3\xA9\"/>" + end;
    std::string problem;
    EXPECT_TRUE(ChoreographyFile::Load(dir.Write("good.xml", good), &problem)) << problem;
}

class PlayedChoreographyTest : public testing::Test
{
protected:
    void SetUp() override { Scene3::ResetTimeline(); }

    void Play(Choreography choreography)
    {
        world.scene->SetChoreography(std::make_shared<const Choreography>(std::move(choreography)), "test.xml");
    }

    // Fixed steps of 1/64 s (exact in binary) from 0 up to and including `until`, each frame in the
    // application's order, and the moves of the last one delivered.
    void RunUntil(float until)
    {
        for (; static_cast<float>(m_frame) / 64.0f <= until; ++m_frame)
        {
            const float t = static_cast<float>(m_frame) / 64.0f;
            world.logic->OnUpdate(t, m_frame == 0 ? 0.0f : 1.0f / 64.0f);
            world.manager.Update(20.0f);
            world.scene->Update(nullptr, keys, mouse, m_frame == 0 ? 0.0f : 1.0f / 64.0f, t);
        }
        world.manager.Update(20.0f);
    }

    std::array<float, 3> PositionOf(ActorId id) { return TransformOf(world.logic->GetActor(id).lock())->GetPosition(); }

    SceneWorld world{SceneWorld::Kind::ScriptedScene};
    std::array<unsigned char, 256> keys{};
    Mouse mouse;

private:
    int m_frame = 0;
};

TEST_F(PlayedChoreographyTest, TracksDriveTheCameraAndActorsBetweenTheirFirstAndLastKeysOnly)
{
    world.MakeActor(14, SceneWorld::TransformAt(1.0f, 1.0f, 1.0f));
    world.MakeActor(40, SceneWorld::TransformAt(5.0f, 6.0f, 7.0f));
    Choreography choreography = Choreography::Presentation();
    choreography.tracks = {
        TrackOf(Choreography::Track::kCamera, Channel::Y, {{1.0f, 10.0f, Ease::Linear}, {3.0f, 30.0f, Ease::Linear}}),
        TrackOf(Choreography::Track::kCamera, Channel::Yaw, {{1.0f, 90.0f, Ease::Step}, {3.0f, 90.0f, Ease::Step}}),
        TrackOf(Choreography::Track::kCamera, Channel::Pitch, {{1.0f, 0.0f, Ease::Step}, {3.0f, 0.0f, Ease::Step}}),
        TrackOf(Choreography::Track::kCamera, Channel::Roll, {{1.0f, 0.0f, Ease::Step}, {3.0f, 0.0f, Ease::Step}}),
        TrackOf(14, Channel::X, {{1.0f, -5.0f, Ease::Linear}, {2.0f, -7.0f, Ease::Linear}}),
        TrackOf(40, Channel::Z, {{0.5f, 100.0f, Ease::Linear}, {1.5f, 200.0f, Ease::Linear}}),
        // Actors the world does not have are skipped (and reported once), not a failure.
        TrackOf(99, Channel::Z, {{0.0f, 1.0f, Ease::Linear}, {1.0f, 2.0f, Ease::Linear}}),
    };
    choreography.actors.push_back({98, {}, {}, Choreography::Angle::Yaw, 10.0f});
    Play(std::move(choreography));

    RunUntil(0.5f);   // before the camera's keys the segments alone place it
    EXPECT_FLOAT_EQ(world.scene->GetCamera()->GetPosition().y, 2.0f);
    EXPECT_FLOAT_EQ(PositionOf(40)[2], 100.0f);

    RunUntil(2.0f);
    const FreeCameraNode& camera = *world.scene->GetCamera();
    EXPECT_FLOAT_EQ(camera.GetPosition().y, 20.0f);
    EXPECT_FLOAT_EQ(camera.GetPosition().z, 2.0f - 16.0f);   // the segment's z, not driven
    EXPECT_NEAR(camera.GetLook().x, 1.0f, 1e-5f);            // yaw 90 degrees: looking along +x
    EXPECT_NEAR(camera.GetUp().y, 1.0f, 1e-5f);
    // Over the row: x from the track, y and z from the row's place, the row's turn goes on.
    const auto moved = PositionOf(14);
    EXPECT_FLOAT_EQ(moved[0], -7.0f);
    EXPECT_FLOAT_EQ(moved[1], 2.0f);
    EXPECT_FLOAT_EQ(moved[2], Scene3::GetTravelZ() + 2.0f);
    EXPECT_NEAR(TransformOf(world.logic->GetActor(14).lock())->GetYawPitchRoll().yaw, 32.0f * 0.0174533f, 1e-3f);
    // An actor of tracks alone holds the track's last value after it, where it stands otherwise.
    EXPECT_EQ(PositionOf(40), (std::array<float, 3>{5.0f, 6.0f, 200.0f}));

    RunUntil(4.0f);   // after the last keys the segment and row decide again
    EXPECT_FLOAT_EQ(world.scene->GetCamera()->GetPosition().y, 2.0f);
    EXPECT_FLOAT_EQ(PositionOf(14)[0], 86.0f);
}

TEST_F(PlayedChoreographyTest, AnotherChoreographyStartsItsOwnTravellingValueAndSeeksStartThere)
{
    Choreography choreography;
    choreography.travel = {5.0f, 2.0f, {}, std::nullopt};
    choreography.camera = {
        {{}, {Choreography::Coordinate{Source::Fixed, 1.0f}, {Source::Time, 0.5f}, {Source::Travel, -1.0f}}, 0.0f, 1u}};
    Play(std::move(choreography));
    EXPECT_FLOAT_EQ(world.scene->GetStartState().travelZ, 5.0f);
    RunUntil(1.0f);
    EXPECT_FLOAT_EQ(Scene3::GetTravelZ(), 7.0f);
    const Vector3 position = world.scene->GetCamera()->GetPosition();
    EXPECT_EQ(position.x, 1.0f);
    EXPECT_EQ(position.y, 1.5f);
    EXPECT_EQ(position.z, 6.0f);
    EXPECT_EQ(world.scene->GetSceneTree().GetSkySelector(), 1u);
}
}
