// Many keys edited at once: the box and its modifiers, a drag that stops at keys left out, a stretch that keeps the
// beat grid, paste onto missing tracks and onto another actor, time inserted and removed with the loop and the
// bookmarks, each one undo step, and the selection coming back with undo and redo.
#include "app/live/timeline/KeySelection.h"
#include "app/live/timeline/TimelineModel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using Ease = Choreography::Ease;
using Channel = Choreography::Channel;
using KeyRef = KeySelection::KeyRef;
using Combine = KeySelection::Combine;
using Pivot = KeySelection::Pivot;

constexpr float kBeat = 0.5f;

Choreography::Track TrackOf(ActorId actor, Channel channel, std::initializer_list<float> times)
{
    Choreography::Track track{actor, channel, {}};
    for (const float time : times)
    {
        track.keys.push_back({time, time * 10.0f, Ease::Smooth});
    }
    return track;
}

// Two camera tracks and one of actor 7, keyed on the beat grid of half a second.
Choreography Grid()
{
    Choreography choreography;
    choreography.beatSeconds = kBeat;
    choreography.tracks.push_back(TrackOf(0, Channel::X, {1.0f, 1.5f, 2.0f, 2.5f, 4.0f}));
    choreography.tracks.push_back(TrackOf(0, Channel::Y, {1.0f, 3.0f}));
    choreography.tracks.push_back(TrackOf(7, Channel::Yaw, {0.5f, 1.0f}));
    return choreography;
}

std::vector<float> Times(const TimelineModel& model, std::size_t track)
{
    std::vector<float> times;
    for (const Choreography::Key& key : model.Current().tracks[track].keys)
    {
        times.push_back(key.time);
    }
    return times;
}

bool OnBeat(float time)
{
    return std::fabs(time / kBeat - std::round(time / kBeat)) < 1e-5f;
}

struct Fixture
{
    ChoreographyEditor editor{Grid()};
    TimelineModel model{editor};
    KeySelection& keys = model.SelectedKeys();
};
}

TEST(KeySelection, ABoxTakesKeysAcrossTracksShiftAddsCtrlTogglesAndCtrlAStaysInTheLoop)
{
    Fixture f;
    f.keys.SelectBox(1, 0, 0.9, 1.6, Combine::Replace);   // either order of tracks
    EXPECT_EQ(f.keys.Keys(), (std::vector<KeyRef>{{0, 0}, {0, 1}, {1, 0}}));
    f.keys.SelectBox(2, 2, 0.0, 0.6, Combine::Add);
    f.keys.SelectBox(2, 2, 0.0, 0.6, Combine::Add);   // twice adds nothing more
    EXPECT_EQ(f.keys.Keys().size(), 4u);
    f.keys.SelectBox(0, 2, 0.9, 1.1, Combine::Toggle);
    EXPECT_EQ(f.keys.Keys(), (std::vector<KeyRef>{{0, 1}, {2, 0}, {2, 1}}));

    f.keys.SelectBox(2, 2, 0.0, 9.0, Combine::Replace, 6.0, 4.0);   // a box in the graph: by value too
    EXPECT_EQ(f.keys.Keys(), (std::vector<KeyRef>{{2, 0}}));

    f.keys.SelectAllInLoop();
    EXPECT_EQ(f.keys.Keys().size(), 9u) << "no loop: every key";
    f.model.SetLoop(1.5, 2.5);
    f.keys.SelectAllInLoop();
    EXPECT_EQ(f.keys.Keys(), (std::vector<KeyRef>{{0, 1}, {0, 2}, {0, 3}})) << "the loop's bounds included";
}

TEST(KeySelection, ADragMovesTheSelectionOnTheBeatStopsAtKeysLeftOutAndIsOneUndoStep)
{
    Fixture f;
    for (int round = 0; round < 2; ++round)
    {
        f.keys.SelectBox(0, 1, 1.5, 2.0, Combine::Replace);   // x at 1.5 and 2 (its key at 2.5 is left out)
        f.keys.Grab({0, 1});
        f.keys.DragTo(1.3f);
        EXPECT_EQ(Times(f.model, 0), (std::vector<float>{1.0f, 1.5f, 2.0f, 2.5f, 4.0f})) << "1.3 snaps to 1.5";
        f.keys.DragTo(2.3f);
        EXPECT_EQ(Times(f.model, 0), (std::vector<float>{1.0f, 2.0f, 2.5f, 2.5f, 4.0f})) << "held at 2.5";
        EXPECT_FALSE(f.model.Status().empty());
        f.keys.DragTo(-3.0f);
        EXPECT_EQ(Times(f.model, 0), (std::vector<float>{1.0f, 1.0f, 1.5f, 2.5f, 4.0f})) << "held at 1";
        f.keys.DragTo(1.0f);
        f.keys.LetGo();
        EXPECT_EQ(f.keys.Keys(), (std::vector<KeyRef>{{0, 1}, {0, 2}}));
        ASSERT_TRUE(f.model.Undo());
        EXPECT_EQ(Times(f.model, 0), (std::vector<float>{1.0f, 1.5f, 2.0f, 2.5f, 4.0f})) << "the drag was one step";
        EXPECT_FALSE(f.editor.CanUndo());
    }
    // An undo in the middle of a drag ends it: the pointer moving on edits nothing.
    f.keys.Grab({0, 1});
    f.keys.DragTo(2.0f);
    f.model.Undo();
    f.keys.DragTo(3.0f);
    EXPECT_FALSE(f.keys.Dragging());
    EXPECT_EQ(Times(f.model, 0), (std::vector<float>{1.0f, 1.5f, 2.0f, 2.5f, 4.0f}));
    EXPECT_FALSE(f.editor.InGesture());
}

// The graph view drags values with times: each key keeps its own value plus the pointer's shift, however often the
// shift changes in the drag, and a shift that is no number leaves the values; still one undo step.
TEST(KeySelection, AGraphDragShiftsEveryValueFromWhereItWasTaken)
{
    Fixture f;
    for (int round = 0; round < 2; ++round)
    {
        f.keys.SelectBox(0, 1, 3.0, 4.0, Combine::Replace);   // x at 4 (40), y at 3 (30)
        f.keys.Grab({0, 4});
        f.keys.DragTo(4.0f, 5.0f);
        f.keys.DragTo(4.5f, -2.5f);
        EXPECT_EQ(f.model.Current().tracks[0].keys[4].value, 37.5f);
        EXPECT_EQ(f.model.Current().tracks[1].keys[1].value, 27.5f);
        EXPECT_EQ(f.model.Current().tracks[1].keys[1].time, 3.5f);
        f.keys.DragTo(4.5f, std::nanf(""));
        EXPECT_EQ(f.model.Current().tracks[0].keys[4].value, 40.0f);
        f.keys.DragTo(4.0f, 1.0f);
        f.keys.LetGo();
        ASSERT_TRUE(f.model.Undo());
        EXPECT_EQ(f.model.Current(), Grid());
        EXPECT_FALSE(f.editor.CanUndo());
    }
}

TEST(KeySelection, AStretchKeepsKeysOnTheGridAt2HalfAndThreeHalvesAndScalesHandles)
{
    for (const float ratio : {2.0f, 0.5f, 1.5f})
    {
        Fixture f;
        // x every second beat, y on a beat between: stretched by 3/2 or 1/2 it falls between beats and is snapped.
        f.model.Edit([](Choreography& next) {
            next.tracks[0] = TrackOf(0, Channel::X, {1.0f, 2.0f, 3.0f, 4.0f, 9.0f});
            next.tracks[0].keys[1].out = Choreography::Handle{0.1f, 3.0f};
            next.tracks[1] = TrackOf(0, Channel::Y, {1.0f, 1.5f});
        });
        f.keys.SelectBox(0, 1, 1.0, 4.0, Combine::Replace);   // 9 left out
        f.keys.Stretch(ratio, Pivot::FirstKey);
        SCOPED_TRACE(ratio);
        for (const std::size_t track : {0u, 1u})
        {
            const std::vector<float> times = Times(f.model, track);
            EXPECT_EQ(times.front(), 1.0f) << "about the first key";
            for (std::size_t k = 0; k < times.size(); ++k)
            {
                EXPECT_TRUE(OnBeat(times[k])) << times[k];
                EXPECT_TRUE(k == 0 || times[k] > times[k - 1]) << "no keys made to meet";
            }
        }
        EXPECT_EQ(Times(f.model, 0)[3], 1.0f + ratio * 3.0f);
        EXPECT_FLOAT_EQ(f.model.Current().tracks[0].keys[1].out->dt, 0.1f * ratio);
        EXPECT_EQ(f.editor.UndoSteps(), 2u);
        f.model.Undo();
        EXPECT_EQ(Times(f.model, 0), (std::vector<float>{1.0f, 2.0f, 3.0f, 4.0f, 9.0f}));
    }
}

TEST(KeySelection, AStretchPlaysThePassageSlowerAboutThePlayheadAndIsRefusedWhereKeysWouldPass)
{
    Fixture f;
    f.model.SetScreen({2.0, std::nullopt, nullptr});
    f.keys.SelectBox(0, 0, 1.0, 2.5, Combine::Replace);
    const Choreography old = f.model.Current();
    f.keys.Stretch(2.0f, Pivot::Playhead);
    EXPECT_EQ(Times(f.model, 0), (std::vector<float>{0.0f, 1.0f, 2.0f, 3.0f, 4.0f})) << "3 meets nothing: 4 is left";
    for (float t = 1.0f; t <= 2.5f; t += 0.125f)
    {
        EXPECT_FLOAT_EQ(f.model.Current().tracks[0].ValueAt(2.0f + 2.0f * (t - 2.0f)), old.tracks[0].ValueAt(t));
    }
    const Choreography stretched = f.model.Current();
    f.keys.Stretch(2.0f, Pivot::Playhead);   // 3 would go to 4 and 0 before 0 s
    EXPECT_EQ(f.model.Current(), stretched);
    EXPECT_NE(f.model.Status().find("nothing"), std::string::npos);
    f.keys.Stretch(0.0f, Pivot::FirstKey);
    EXPECT_EQ(f.model.Current(), stretched);
}

TEST(KeySelection, KeysThatMeetStayTogetherAndSnappingNeverMakesKeysMeet)
{
    Fixture f;
    f.model.Edit([](Choreography& next) {
        next.tracks[1].keys = CowVector<Choreography::Key>{{1.0f, 0.0f}, {1.5f, 5.0f}, {2.0f, 5.0f}, {2.0f, 9.0f}};
    });
    f.keys.SelectBox(1, 1, 0.0, 9.0, Combine::Replace);
    f.keys.Stretch(0.5f, Pivot::FirstKey);   // 1.5 goes to 1.25, 2 to 1.5: a jump stays a jump
    const std::vector<float> times = Times(f.model, 1);
    EXPECT_EQ(times[2], times[3]);
    EXPECT_LT(times[0], times[1]);
    EXPECT_LT(times[1], times[2]) << "1.25 is kept off the beat rather than meeting 1 or 1.5";
    EXPECT_FALSE(OnBeat(times[1]));
    EXPECT_NE(f.model.Status().find("off the beat"), std::string::npos);
}

TEST(KeySelection, PasteGoesOntoTracksOfTheSameNamesMakesMissingOnesAndOntoAnotherActor)
{
    Fixture f;
    f.keys.SelectBox(0, 2, 1.0, 1.5, Combine::Replace);   // camera x 1, 1.5; camera y 1; actor 7 yaw 1
    f.keys.Copy();
    f.model.SetScreen({3.0, std::nullopt, nullptr});
    for (int round = 0; round < 2; ++round)   // a second paste there replaces the first one's keys
    {
        f.keys.Paste();
        EXPECT_EQ(Times(f.model, 0), (std::vector<float>{1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 3.5f, 4.0f}));
        EXPECT_EQ(Times(f.model, 1), (std::vector<float>{1.0f, 3.0f})) << "the key at 3 replaced by the pasted one";
        EXPECT_EQ(f.model.Current().tracks[1].keys[1].value, 10.0f);
        EXPECT_EQ(Times(f.model, 2), (std::vector<float>{0.5f, 1.0f, 3.0f}));
        EXPECT_EQ(f.keys.Keys(), (std::vector<KeyRef>{{0, 4}, {0, 5}, {1, 1}, {2, 2}})) << "what was pasted";
    }
    EXPECT_EQ(f.editor.UndoSteps(), 1u) << "the second paste changed nothing";

    // Actor 7's yaw and a missing channel, pasted onto actor 9, which has no tracks: they are made.
    f.model.Edit([](Choreography& next) { next.tracks.push_back(TrackOf(7, Channel::Roll, {1.0f})); });
    f.keys.SelectBox(2, 3, 1.0, 1.0, Combine::Replace);
    f.keys.Copy();
    f.model.SelectActor(9);
    f.model.SetScreen({2.0, std::nullopt, nullptr});
    f.keys.Paste();
    const auto& tracks = f.model.Current().tracks;
    ASSERT_EQ(tracks.size(), 6u);
    EXPECT_EQ(tracks[4].actor, 9u);
    EXPECT_EQ(tracks[4].channel, Channel::Yaw);
    EXPECT_EQ(tracks[5].channel, Channel::Roll);
    EXPECT_EQ(Times(f.model, 4), std::vector<float>{2.0f});
    EXPECT_NE(f.model.Status().find("2 tracks made"), std::string::npos);
    f.model.Undo();
    EXPECT_EQ(f.model.Current().tracks.size(), 4u) << "one step, the made tracks with it";
}

TEST(KeySelection, ABeatInsertedBeforeTheLoopMovesLaterKeysTheLoopAndBookmarksAndRemovingItTakesItsKeys)
{
    Fixture f;
    f.model.SetLoop(2.0, 3.0);
    f.model.AddBookmark(2.5);
    f.model.AddBookmark(0.5);
    f.keys.SelectBox(0, 0, 1.5, 2.5, Combine::Replace);
    f.model.SetScreen({1.5, std::nullopt, nullptr});
    const std::size_t steps = f.editor.UndoSteps();
    f.keys.InsertBeat();
    EXPECT_EQ(Times(f.model, 0), (std::vector<float>{1.0f, 2.0f, 2.5f, 3.0f, 4.5f}));
    EXPECT_EQ(Times(f.model, 2), (std::vector<float>{0.5f, 1.0f})) << "keys before the playhead stay";
    EXPECT_EQ(f.model.Current().loop, (Choreography::Loop{2.5f, 3.5f}));
    EXPECT_EQ(f.model.Current().bookmarks[0].time, 0.5f);
    EXPECT_EQ(f.model.Current().bookmarks[1].time, 3.0f);
    EXPECT_EQ(f.keys.Keys(), (std::vector<KeyRef>{{0, 1}, {0, 2}, {0, 3}}));

    f.model.SetScreen({2.0, std::nullopt, nullptr});
    f.keys.RemoveBeat();   // 2 s to 2.5 s: the key at 2 goes, 2.5 comes to 2
    EXPECT_EQ(Times(f.model, 0), (std::vector<float>{1.0f, 2.0f, 2.5f, 4.0f}));
    EXPECT_EQ(f.model.Current().loop, (Choreography::Loop{2.0f, 3.0f})) << "a beat earlier";
    EXPECT_EQ(f.keys.Keys(), (std::vector<KeyRef>{{0, 1}, {0, 2}})) << "the removed key left the selection";
    EXPECT_NE(f.model.Status().find("1 key"), std::string::npos);
    EXPECT_EQ(f.editor.UndoSteps(), steps + 2);
    f.model.Undo();
    f.model.Undo();
    EXPECT_EQ(Times(f.model, 0), (std::vector<float>{1.0f, 1.5f, 2.0f, 2.5f, 4.0f}));
}

TEST(KeySelection, TheSelectionComesBackWithUndoAndRedoAndNeverPointsPastTheKeys)
{
    Fixture f;
    f.keys.SelectBox(0, 0, 1.5, 2.0, Combine::Replace);
    const std::vector<KeyRef> picked = f.keys.Keys();
    f.keys.Delete();
    EXPECT_TRUE(f.keys.Empty());
    EXPECT_EQ(Times(f.model, 0), (std::vector<float>{1.0f, 2.5f, 4.0f}));
    f.model.Undo();
    EXPECT_EQ(f.keys.Keys(), picked) << "undo brings back what was selected";
    f.model.Redo();
    EXPECT_TRUE(f.keys.Empty());
    f.model.Undo();
    // An edit made elsewhere: a key added before the selection moves its keys' indices on; deleting the track
    // takes them away.
    f.model.AddKey(0, 0.5f);
    EXPECT_EQ(f.keys.Keys(), (std::vector<KeyRef>{{0, 2}, {0, 3}}));
    f.model.Select(TimelineModel::Part::Track, 0);
    f.model.DeleteSelected();
    for (const KeyRef ref : f.keys.Keys())
    {
        ASSERT_LT(ref.track, f.model.Current().tracks.size());
        EXPECT_LT(ref.key, f.model.Current().tracks[ref.track].keys.size());
    }
    f.keys.Stretch(2.0f, Pivot::FirstKey);   // whatever is left stretches without reading past the end
}
