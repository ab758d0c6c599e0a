// The timeline panel's editing rules, through the model the panel calls: a dragged key stays between its
// neighbours and on the beat grid while snapping; a drag, or a number dragged, is one undo step, and hiding the
// panel ends it; new keys take the value on screen or the track's own; new lanes go a bar from the playhead; the
// selection never points past the end after an undo, a redo or a deletion; actor ids are taken whole or refused.
#include "app/live/timeline/TimeAxis.h"
#include "app/live/timeline/TimelineModel.h"

#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "events/EventManager.h"
#include "tests/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
using Part = TimelineModel::Part;
using Selection = TimelineModel::Selection;
using Channel = Choreography::Channel;
using Ease = Choreography::Ease;

// On a grid of half a second (a bar of 2 s): a camera x track keyed at 1, 2 and 3 s, a segment and a row.
Choreography Keyed()
{
    Choreography choreography;
    choreography.beatSeconds = 0.5f;
    choreography.camera.push_back({{0.0f, 10.0f}, {}, 0.0f, std::nullopt});
    choreography.actors.push_back({7, {0.0f, 4.0f}, {}, Choreography::Angle::Roll, 12.0f});
    Choreography::Track track;
    track.keys.push_back({1.0f, 10.0f, Ease::Linear});
    track.keys.push_back({2.0f, 20.0f, Ease::Smooth});
    track.keys.push_back({3.0f, 30.0f, Ease::Linear});
    choreography.tracks.push_back(track);
    return choreography;
}

Choreography::Track TrackOf(ActorId actor, Channel channel)
{
    Choreography::Track track;
    track.actor = actor;
    track.channel = channel;
    return track;
}

float KeyTime(const TimelineModel& model, std::size_t key)
{
    return model.Current().tracks[0].keys[key].time;
}

std::size_t UndoSteps(ChoreographyEditor& editor)
{
    std::size_t steps = 0;
    while (editor.Undo())
    {
        ++steps;
    }
    while (editor.Redo())
    {
    }
    return steps;
}
}

TEST(TimelineModel, ADraggedKeyStaysBetweenItsNeighboursOnTheGridWhileSnappingAndIsOneUndoStep)
{
    ChoreographyEditor editor(Keyed());
    TimelineModel model(editor);
    for (int round = 0; round < 2; ++round)   // a second drag behaves as the first
    {
        model.SetSnapToBeats(true);
        model.GrabKey(0, 1);
        EXPECT_EQ(model.Selected(), (Selection{Part::Track, 0, 1}));
        model.DragGrabbedKey(2.4f);
        EXPECT_EQ(KeyTime(model, 1), 2.5f) << "on the nearest beat";
        model.DragGrabbedKey(7.0f);
        EXPECT_EQ(KeyTime(model, 1), 3.0f) << "held at the next key";
        model.DragGrabbedKey(-7.0f);
        EXPECT_EQ(KeyTime(model, 1), 1.0f) << "held at the key before";
        model.SetSnapToBeats(false);
        model.DragGrabbedKey(1.3f);
        EXPECT_EQ(KeyTime(model, 1), 1.3f) << "anywhere without snapping";
        model.LetGoOfKey();
        model.DragGrabbedKey(2.9f);
        EXPECT_EQ(KeyTime(model, 1), 1.3f) << "a key let go does not follow the pointer";
        EXPECT_EQ(UndoSteps(editor), 1u);
        ASSERT_TRUE(model.Undo());
        EXPECT_EQ(model.Current(), Keyed());
    }

    // An undo in the middle of a drag lets go of the key; grabbing the lane off any key drags nothing.
    model.GrabKey(0, 2);
    model.DragGrabbedKey(2.5f);
    ASSERT_TRUE(model.Undo());
    model.DragGrabbedKey(2.5f);
    model.GrabKey(0, std::nullopt);
    model.DragGrabbedKey(2.5f);
    model.LetGoOfKey();
    EXPECT_EQ(model.Current(), Keyed());
    EXPECT_EQ(model.Selected(), (Selection{Part::Track, 0, std::nullopt}));
}

// A Bezier curve's handles reach at most to the neighbouring key: a key dragged towards a handle's far end, or a
// key added inside a stretch, takes the handle with it rather than leave a curve that runs back in time (which the
// file would refuse); the drag and its clamping are one undo step.
TEST(TimelineModel, HandlesAreClampedIntoTheirStretchWhenKeysComeCloser)
{
    Choreography start = Keyed();
    auto& keys = start.tracks[0].keys;
    keys[0].ease = Ease::Bezier;
    keys[0].out = Choreography::Handle{0.75f, 4.0f};
    keys[1].in = Choreography::Handle{-0.9f, -1.0f};
    keys[1].out = Choreography::Handle{0.5f, 2.0f};
    ASSERT_TRUE(start.Validate().empty());
    ChoreographyEditor editor(start);
    TimelineModel model(editor);
    model.SetSnapToBeats(false);
    for (int round = 0; round < 2; ++round)
    {
        model.GrabKey(0, 1);
        model.DragGrabbedKey(1.5f);
        model.DragGrabbedKey(1.25f);
        model.LetGoOfKey();
        const auto& dragged = model.Current().tracks[0].keys;
        EXPECT_EQ(dragged[0].out, (Choreography::Handle{0.25f, 4.0f})) << "the value of a handle stays";
        EXPECT_EQ(dragged[1].in, (Choreography::Handle{-0.25f, -1.0f}));
        EXPECT_EQ(dragged[1].out, (Choreography::Handle{0.5f, 2.0f})) << "a longer stretch leaves its handle alone";
        EXPECT_TRUE(model.Current().Validate().empty());
        EXPECT_EQ(UndoSteps(editor), 1u);
        ASSERT_TRUE(model.Undo());
        EXPECT_EQ(model.Current(), start);
    }
    model.AddKey(0, 1.5f);
    EXPECT_EQ(model.Current().tracks[0].keys[0].out->dt, 0.5f);
    EXPECT_TRUE(model.Current().Validate().empty());
}

// Handles as the graph view drags them: clamped into their stretch; aligned, the other handle turns to the
// opposite direction at its own length; broken, it stays; each drag one undo step, and clearing them one more.
TEST(TimelineModel, AHandleDraggedAlignedTurnsItsPartnerAndBrokenLeavesIt)
{
    Choreography start = Keyed();
    start.tracks[0].keys[1].ease = Ease::Bezier;
    start.tracks[0].keys[1].in = Choreography::Handle{-0.6f, 0.0f};
    ChoreographyEditor editor(start);
    TimelineModel model(editor);
    const auto key = [&model]() { return model.Current().tracks[0].keys[1]; };
    for (int round = 0; round < 2; ++round)
    {
        model.BeginGesture();
        model.SetHandle(0, 1, true, {0.3f, 0.4f}, true);
        model.SetHandle(0, 1, true, {0.6f, 0.8f}, true);
        model.EndGesture();
        EXPECT_EQ(key().out, (Choreography::Handle{0.6f, 0.8f}));
        ASSERT_TRUE(key().in);
        EXPECT_NEAR(key().in->dt, -0.36f, 1e-6f) << "opposite the out handle, 0.6 long as it was";
        EXPECT_NEAR(key().in->dv, -0.48f, 1e-6f);
        model.SetHandle(0, 1, false, {-5.0f, 2.0f}, false);
        EXPECT_EQ(key().in, (Choreography::Handle{-1.0f, 2.0f})) << "clamped at the key before";
        EXPECT_EQ(key().out, (Choreography::Handle{0.6f, 0.8f})) << "broken: the other stays";
        EXPECT_TRUE(model.Current().Validate().empty());
        model.ClearHandles(0, 1);
        EXPECT_FALSE(key().in || key().out);
        EXPECT_EQ(UndoSteps(editor), 3u);
        for (int step = 0; step < 3; ++step)
        {
            ASSERT_TRUE(model.Undo());
        }
        EXPECT_EQ(model.Current(), start);
    }
    // A handle that is no finite number, or on a key that is not there, changes nothing.
    model.SetHandle(0, 1, true, {std::nanf(""), 1.0f}, true);
    model.SetHandle(0, 9, true, {0.1f, 1.0f}, true);
    model.SetHandle(4, 0, true, {0.1f, 1.0f}, true);
    EXPECT_EQ(model.Current(), start);
}

TEST(TimelineModel, HidingThePanelEndsAGestureSoLaterEditsAreStepsOfTheirOwn)
{
    ChoreographyEditor editor(Keyed());
    TimelineModel model(editor);
    model.SetScreen({0.3, std::nullopt, nullptr});

    // A key dragged when the panel closes: the add that follows is an undo step of its own.
    model.GrabKey(0, 1);
    model.DragGrabbedKey(2.5f);
    model.OnHidden();
    EXPECT_FALSE(editor.InGesture());
    model.AddKeyAtPlayhead();
    ASSERT_EQ(model.Current().tracks[0].keys.size(), 4u);
    EXPECT_EQ(model.Current().tracks[0].keys[0].time, 0.5f) << "the playhead's beat";
    ASSERT_TRUE(model.Undo());
    EXPECT_EQ(model.Current().tracks[0].keys.size(), 3u);
    EXPECT_EQ(KeyTime(model, 1), 2.5f) << "the drag stays: it was its own step";

    // A number dragged over many frames is one step, and so is the next one after the panel hid mid-drag.
    for (int drag = 0; drag < 2; ++drag)
    {
        model.BeginGesture();
        for (float rate = 13.0f; rate < 20.0f; rate += 1.0f)
        {
            model.Edit([&](Choreography& next) { next.actors[0].rate = rate + static_cast<float>(drag) * 10.0f; });
        }
        model.OnHidden();
    }
    model.Edit([](Choreography& next) { next.travel.speed = 16.0f; });
    EXPECT_EQ(UndoSteps(editor), 4u) << "the key's drag, two drags of the rate and the speed";
    ASSERT_TRUE(model.Undo());
    EXPECT_EQ(model.Current().actors[0].rate, 29.0f);
    EXPECT_EQ(model.Current().travel.speed, 0.0f);
}

TEST(TimelineModel, ATracksFirstKeyTakesTheValueOnScreenAndLaterKeysTheTracksOwn)
{
    Choreography start = Keyed();
    start.tracks[0].channel = Channel::Z;
    start.tracks[0].keys.clear();
    ChoreographyEditor editor(start);
    TimelineModel model(editor);

    // Without a camera there is nothing to start from.
    model.AddKey(0, 0.9f);
    EXPECT_EQ(model.Current().tracks[0].keys.at(0), (Choreography::Key{1.0f, 0.0f, Ease::Linear}));
    ASSERT_TRUE(model.Undo());
    EXPECT_EQ(model.Selected(), (Selection{Part::Track, 0, std::nullopt})) << "the track stays, its key goes";

    model.SetScreen({20.0, Vector3{3.0f, 4.0f, -5.0f}, nullptr});
    model.AddKey(0, 4.1f);
    EXPECT_EQ(model.Current().tracks[0].keys.at(0), (Choreography::Key{4.0f, -5.0f, Ease::Linear}));
    // Later keys take the track's value there and go over to the next key as the key before them does.
    model.Edit([](Choreography& next) {
        next.tracks[0].keys.push_back({6.0f, 15.0f, Ease::Smooth});
        next.tracks[0].keys[0].ease = Ease::Step;
    });
    model.SetSnapToBeats(false);
    model.AddKey(0, 5.1f);
    const auto& keys = model.Current().tracks[0].keys;
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1], (Choreography::Key{5.1f, -5.0f, Ease::Step}));
    EXPECT_EQ(model.Selected(), (Selection{Part::Track, 0, 1}));
    model.AddKey(0, 7.0f);
    EXPECT_EQ(model.Current().tracks[0].keys.back(), (Choreography::Key{7.0f, 15.0f, Ease::Smooth}));
    model.AddKey(0, std::numeric_limits<float>::infinity());
    model.AddKey(3, 1.0f);
    EXPECT_EQ(model.Current().tracks[0].keys.size(), 4u) << "no key at no time, nor in no track";

    // The camera keeps no angles of its own: its yaw starts from 0.
    model.Edit([](Choreography& next) { next.tracks[0] = TrackOf(Choreography::Track::kCamera, Channel::Yaw); });
    model.AddKey(0, 1.0f);
    EXPECT_EQ(model.Current().tracks[0].keys.at(0).value, 0.0f);
}

TEST(TimelineModel, AnActorTracksFirstKeyStartsWhereTheActorStandsAndTurns)
{
    EventManager manager{"timeline model"};
    ScratchDirectory scratch;
    BaseEngineLogic logic;
    logic.SetState(EngineLogicState::Initialising);
    ASSERT_TRUE(logic.Init());
    const std::string glider = scratch.Write("Glider.xml", R"(<Actor type="Glider" resource="Glider.xml">
  <TransformComponent><Position x="86" y="2" z="-30"/><YawPitchRoll x="30" y="0" z="0"/></TransformComponent>
</Actor>)");
    const auto actor = logic.CreateActor(glider, nullptr, nullptr, 0);
    ASSERT_NE(actor, nullptr);

    Choreography start = Keyed();
    start.tracks.clear();
    start.tracks.push_back(TrackOf(actor->GetId(), Channel::Y));
    start.tracks.push_back(TrackOf(actor->GetId(), Channel::Yaw));
    start.tracks.push_back(TrackOf(999, Channel::X));
    ChoreographyEditor editor(start);
    TimelineModel model(editor);
    model.SetScreen({1.0, Vector3{}, &logic});
    model.AddKey(0, 1.0f);
    model.AddKey(1, 1.0f);
    model.AddKey(2, 1.0f);
    EXPECT_EQ(model.Current().tracks[0].keys.at(0).value, 2.0f);
    EXPECT_NEAR(model.Current().tracks[1].keys.at(0).value, 30.0f, 1e-3f) << "in degrees, as tracks give angles";
    EXPECT_EQ(model.Current().tracks[2].keys.at(0).value, 0.0f) << "no such actor";
}

TEST(TimelineModel, NewLanesRunABarFromThePlayheadAndAreSelected)
{
    ChoreographyEditor editor(Keyed());
    TimelineModel model(editor);
    model.SetScreen({10.1, std::nullopt, nullptr});

    model.AddCameraSegment();
    EXPECT_EQ(model.Current().camera.back().window, (Choreography::Window{10.0f, 12.0f}));
    EXPECT_EQ(model.Selected(), (Selection{Part::CameraSegment, 1, std::nullopt}));
    EXPECT_TRUE(model.TakeScrollRequest());
    EXPECT_FALSE(model.TakeScrollRequest()) << "once";

    // A new row copies the selected one, with the new window; without one it is a row of actor 1.
    model.Select(Part::ActorRow, 0);
    model.AddActorRow();
    Choreography::ActorRow copy = Keyed().actors[0];
    copy.window = {10.0f, 12.0f};
    EXPECT_EQ(model.Current().actors.at(1), copy);
    model.Select(Part::Travel, 0);
    model.AddActorRow();
    EXPECT_EQ(model.Current().actors.at(2).actor, 1u);

    // Duplicate puts the copy right after the original and selects it.
    model.Select(Part::CameraSegment, 0);
    model.DuplicateSelected();
    EXPECT_EQ(model.Current().camera.at(1), model.Current().camera.at(0));
    EXPECT_EQ(model.Current().camera.size(), 3u);
    EXPECT_EQ(model.Selected(), (Selection{Part::CameraSegment, 1, std::nullopt}));

    // Camera tracks go to the channels no track drives yet: x has one.
    model.AddCameraTrack();
    model.AddCameraTrack();
    EXPECT_EQ(model.Current().tracks.at(1).channel, Channel::Y);
    EXPECT_EQ(model.Current().tracks.at(2).channel, Channel::Z);
    EXPECT_TRUE(model.Editor().Problems().empty());
    EXPECT_EQ(UndoSteps(editor), 6u);
    // Once every channel has one, another would be a second on a channel: refused, with a word, each time.
    model.AddCameraTrack();
    model.AddCameraTrack();
    model.AddCameraTrack();
    const std::size_t tracks = model.Current().tracks.size();
    for (int click = 0; click < 2; ++click)
    {
        model.SetStatus("");
        model.AddCameraTrack();
        EXPECT_EQ(model.Current().tracks.size(), tracks);
        EXPECT_FALSE(model.Status().empty());
        EXPECT_TRUE(model.Editor().Problems().empty());
        EXPECT_EQ(UndoSteps(editor), 9u);
    }

    // Without a usable beat, or with a bar longer than a minute, a new window lasts a second from the playhead.
    for (const float beat : {0.0f, 20.0f})
    {
        model.Edit([beat](Choreography& next) { next.beatSeconds = beat; });
        model.AddCameraSegment();
        const Choreography::Window window = model.Current().camera.back().window;
        EXPECT_EQ(window.until - window.from, 1.0f) << beat;
        EXPECT_EQ(window.from, beat == 0.0f ? 10.1f : 20.0f) << "on the nearest beat, when there is a grid";
    }
}

TEST(TimelineModel, TheSelectionNeverPointsPastTheEndAfterUndoRedoOrDelete)
{
    ChoreographyEditor editor(Keyed());
    TimelineModel model(editor);

    // What an undone add made is selected no more, and a redo does not select it again.
    model.AddCameraSegment();
    ASSERT_TRUE(model.Undo());
    EXPECT_EQ(model.Selected(), std::nullopt);
    ASSERT_TRUE(model.Redo());
    EXPECT_EQ(model.Selected(), std::nullopt);

    // The selected track deleted, then the deletion undone: the track is back as it was, nothing is selected.
    model.Select(Part::Track, 0, 2);
    const Choreography before = model.Current();
    model.DeleteSelected();
    EXPECT_TRUE(model.Current().tracks.empty());
    EXPECT_EQ(model.Selected(), std::nullopt);
    model.DeleteSelected();
    EXPECT_TRUE(model.Undo());
    EXPECT_EQ(model.Current(), before);
    EXPECT_EQ(model.Selected(), std::nullopt);

    // A key deleted keeps its track selected; a redo of the deletion drops a key selected since.
    model.Select(Part::Track, 0, 2);
    model.DeleteSelectedKey();
    EXPECT_EQ(model.Selected(), (Selection{Part::Track, 0, std::nullopt}));
    ASSERT_TRUE(model.Undo());
    model.Select(Part::Track, 0, 2);
    ASSERT_TRUE(model.Redo());
    EXPECT_EQ(model.Selected(), (Selection{Part::Track, 0, std::nullopt}));

    // Nothing past the end can be selected, and a change from elsewhere (a file) drops what it took away.
    model.Select(Part::ActorRow, 1);
    EXPECT_EQ(model.Selected(), std::nullopt);
    model.Select(Part::ActorRow, 0);
    Choreography elsewhere = model.Current();
    elsewhere.actors.clear();
    editor.Change(elsewhere);
    model.KeepSelectionValid();
    EXPECT_EQ(model.Selected(), std::nullopt);
    model.DuplicateSelected();
    model.DeleteSelected();
    model.DeleteSelectedKey();
    EXPECT_EQ(model.Current(), elsewhere) << "with nothing selected, nothing is duplicated or deleted";
}

TEST(TimelineModel, AnActorClickedInTheViewSelectsItsRowsAndTracksUntilAnotherLaneIsChosen)
{
    Choreography start = Keyed();
    start.tracks.push_back(TrackOf(7, Channel::Yaw));
    start.tracks.back().keys.push_back({1.0f, 0.0f, Ease::Linear});
    start.actors.push_back({9, {0.0f, 4.0f}, {}, Choreography::Angle::Yaw, 1.0f});
    start.actors.push_back({7, {4.0f, 8.0f}, {}, Choreography::Angle::Yaw, 1.0f});
    ChoreographyEditor editor(start);
    TimelineModel model(editor);

    // Actor 7: both its rows and its track show selected, the first row is what the fields edit.
    model.SelectActor(7);
    EXPECT_EQ(model.SelectedActor(), 7u);
    EXPECT_EQ(model.Selected(), (Selection{Part::ActorRow, 0, std::nullopt}));
    EXPECT_TRUE(model.IsSelected(Part::ActorRow, 2));
    EXPECT_TRUE(model.IsSelected(Part::Track, 1));
    EXPECT_FALSE(model.IsSelected(Part::ActorRow, 1)) << "actor 9's row";
    EXPECT_FALSE(model.IsSelected(Part::Track, 0)) << "the camera's track";
    EXPECT_TRUE(model.TakeScrollRequest()) << "its lanes are brought into view";

    // A key taken in one of its own tracks (as the graph view of its tracks does) keeps the actor selected.
    model.Select(Part::Track, 1, 0);
    EXPECT_EQ(model.SelectedActor(), 7u);
    EXPECT_TRUE(model.IsSelected(Part::ActorRow, 2));
    EXPECT_TRUE(model.IsSelected(Part::Track, 1));

    // Another lane chosen: only that lane; its actor is the one G would carry, and the camera's lanes have none.
    model.Select(Part::ActorRow, 1);
    EXPECT_FALSE(model.IsSelected(Part::ActorRow, 0));
    EXPECT_EQ(model.SelectedActor(), 9u);
    model.Select(Part::Track, 1);
    EXPECT_EQ(model.SelectedActor(), 7u);
    model.Select(Part::Track, 0);
    EXPECT_EQ(model.SelectedActor(), std::nullopt);

    // An actor the choreography does not move yet: nothing in the panel to show, but it is the one selected, and
    // the tracks keyed for it then show selected.
    model.SelectActor(30);
    EXPECT_EQ(model.Selected(), std::nullopt);
    EXPECT_EQ(model.SelectedActor(), 30u);
    ASSERT_TRUE(model.KeyWhatYouSee(2.0, {{30, {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f}}}));
    EXPECT_TRUE(model.IsSelected(Part::Track, model.Current().tracks.size() - 1));

    // A click on nothing selects nothing.
    model.SelectActor(std::nullopt);
    EXPECT_EQ(model.Selected(), std::nullopt);
    EXPECT_EQ(model.SelectedActor(), std::nullopt);
    EXPECT_FALSE(model.IsSelected(Part::ActorRow, 0));
}

TEST(TimelineModel, ActorIdsAreTakenWholeOrRefusedVisibly)
{
    ChoreographyEditor editor(Keyed());
    TimelineModel model(editor);
    constexpr double kLargest = std::numeric_limits<ActorId>::max();

    EXPECT_TRUE(model.SetRowActor(0, 3'000'000.0));
    EXPECT_EQ(model.Current().actors[0].actor, 3'000'000u);
    EXPECT_TRUE(model.SetTrackActor(0, kLargest));
    EXPECT_EQ(model.Current().tracks[0].actor, std::numeric_limits<ActorId>::max());
    EXPECT_TRUE(model.SetTrackActor(0, 0.0)) << "the camera";
    EXPECT_EQ(model.Current().tracks[0].actor, Choreography::Track::kCamera);

    const Choreography taken = model.Current();
    const std::size_t steps = UndoSteps(editor);
    EXPECT_FALSE(model.SetRowActor(0, 0.0)) << "a row needs an actor";
    EXPECT_FALSE(model.Status().empty());
    for (const double typed : {-1.0, 1.5, kLargest + 1.0, std::nan("")})
    {
        EXPECT_FALSE(model.SetRowActor(0, typed)) << typed;
        EXPECT_FALSE(model.SetTrackActor(0, typed)) << typed;
    }
    EXPECT_FALSE(model.SetRowActor(5, 1.0));
    EXPECT_EQ(model.Current(), taken);
    EXPECT_EQ(UndoSteps(editor), steps);
}

TEST(TimeAxis, MapsTheSpanOntoItsPixelsAndFindsTheBeats)
{
    const TimeAxis axis(100.0f, 580.0f, 0.0, 58.0);
    EXPECT_EQ(axis.X(0.0), 100.0f);
    EXPECT_EQ(axis.X(29.0), 390.0f);
    EXPECT_EQ(axis.X(-5.0), 100.0f) << "held to the strip";
    EXPECT_EQ(axis.X(90.0), 680.0f);
    EXPECT_NEAR(axis.Seconds(axis.X(12.5)), 12.5, 1e-4);
    EXPECT_EQ(axis.Seconds(0.0f), 0.0);
    EXPECT_FLOAT_EQ(axis.Pixels(1.0), 10.0f);

    // A span other than the whole run, as a zoom would give.
    const TimeAxis zoomed(0.0f, 100.0f, 10.0, 20.0);
    EXPECT_EQ(zoomed.X(15.0), 50.0f);
    EXPECT_EQ(zoomed.BeatsShown(0.671875f), (std::pair<long long, long long>{15, 29}));
    EXPECT_GT(TimeAxis(0.0f, 0.0f, 5.0, 5.0).X(6.0), 0.0f) << "an empty strip and span count as one";

    EXPECT_GT(axis.BeatsShown(0.0f).first, axis.BeatsShown(0.0f).second) << "no beats without a grid";
    const TimeAxis::BarAndBeat at = TimeAxis::At(20.0, 0.671875f);
    EXPECT_EQ(at.bar, 7.0);
    EXPECT_EQ(at.beat, 1.0);
    EXPECT_EQ(TimeAxis::At(20.0, 0.0f).bar, 0.0);
}

TEST(TimelineModel, KeyingWhatIsSeenMakesMissingTracksReplacesAKeyAtThatTimeSnapsAndIsOneUndoStep)
{
    ChoreographyEditor editor(Keyed());
    TimelineModel model(editor);
    const TimelineModel::SeenPose camera{Choreography::Track::kCamera, {100.0f, 2.0f, 3.0f, 10.0f, -20.0f, 180.0f}};
    const TimelineModel::SeenPose actor{14, {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f}};

    for (int round = 0; round < 2; ++round)   // keying the same view again at the same moment changes nothing
    {
        EXPECT_EQ(model.KeyWhatYouSee(1.6, {camera, actor}), 1.5f) << "on the nearest beat";
        const Choreography& keyed = model.Current();
        ASSERT_EQ(keyed.tracks.size(), 12u) << "the camera's x track was there; eleven were made";
        ASSERT_TRUE(keyed.Validate().empty());
        const Choreography::Track& x = keyed.tracks[0];
        ASSERT_EQ(x.keys.size(), 4u) << "between its keys at 1 and 2 s";
        EXPECT_EQ(x.keys[1].time, 1.5f);
        EXPECT_EQ(x.keys[1].value, 100.0f);
        EXPECT_EQ(x.keys[1].ease, Ease::Linear) << "eases on as the key before it";
        for (const Choreography::Track& track : keyed.tracks)
        {
            const bool isCamera = track.actor == Choreography::Track::kCamera;
            const auto channel = static_cast<std::size_t>(track.channel);
            if (&track != &x)
            {
                ASSERT_EQ(track.keys.size(), 1u);
            }
            EXPECT_EQ(track.ValueAt(1.5f), (isCamera ? camera : actor).channels[channel]);
        }
        EXPECT_EQ(UndoSteps(editor), 1u);
    }

    // A key already there takes the new value and keeps its ease.
    model.SetSnapToBeats(false);
    TimelineModel::SeenPose moved = camera;
    moved.channels[0] = -5.0f;
    EXPECT_EQ(model.KeyWhatYouSee(2.0, {moved}), 2.0f);
    EXPECT_EQ(model.Current().tracks[0].keys.size(), 4u);
    EXPECT_EQ(model.Current().tracks[0].keys[2].value, -5.0f);
    EXPECT_EQ(model.Current().tracks[0].keys[2].ease, Ease::Smooth);

    // What is no number keys nothing.
    const Choreography before = model.Current();
    moved.channels[4] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(model.KeyWhatYouSee(3.0, {moved}));
    EXPECT_FALSE(model.KeyWhatYouSee(std::numeric_limits<double>::infinity(), {camera}));
    EXPECT_EQ(model.Current(), before);

    ASSERT_TRUE(model.Undo());
    ASSERT_TRUE(model.Undo());
    EXPECT_FALSE(model.Undo());
    EXPECT_EQ(model.Current(), Keyed());
}

TEST(TimelineModel, BookmarksGoOnTheGridInTimeOrderWithNamesOfTheirOwnAndRenamesTheFileCanHold)
{
    ChoreographyEditor editor(Keyed());
    TimelineModel model(editor);
    for (int round = 0; round < 2; ++round)   // a second M at the same moment makes no second bookmark
    {
        EXPECT_EQ(model.AddBookmark(4.1), 0u);
    }
    EXPECT_EQ(model.AddBookmark(1.2), 0u) << "before the first";
    EXPECT_EQ(model.AddBookmark(9.0), 2u);
    const auto& bookmarks = model.Current().bookmarks;
    ASSERT_EQ(bookmarks.size(), 3u);
    EXPECT_EQ(bookmarks[0].time, 1.0f);
    EXPECT_EQ(bookmarks[1].time, 4.0f);
    EXPECT_EQ(bookmarks[0].name, "bookmark 2");
    EXPECT_EQ(bookmarks[1].name, "bookmark 1");
    EXPECT_EQ(model.BookmarkTime(2), 9.0f);
    EXPECT_FALSE(model.BookmarkTime(3));
    // Ctrl+3 jumps; Ctrl+4 finds no fourth and says so, however often it is pressed.
    model.SetStatus("");
    EXPECT_EQ(model.JumpToBookmark(2), 9.0f);
    EXPECT_TRUE(model.Status().empty());
    for (int press = 0; press < 2; ++press)
    {
        EXPECT_FALSE(model.JumpToBookmark(3));
        EXPECT_FALSE(model.Status().empty());
        model.SetStatus("");
    }
    EXPECT_EQ(UndoSteps(editor), 3u);

    EXPECT_TRUE(model.RenameBookmark(1, "drop & <run>"));
    EXPECT_EQ(model.Current().bookmarks[1].name, "drop & <run>");
    EXPECT_FALSE(model.RenameBookmark(1, "two\nlines"));
    EXPECT_FALSE(model.RenameBookmark(1, std::string(Choreography::kLongestBookmarkName + 1, 'x')));
    EXPECT_FALSE(model.RenameBookmark(7, "past the end"));
    EXPECT_EQ(model.Current().bookmarks[1].name, "drop & <run>");
    model.DeleteBookmark(0);
    model.DeleteBookmark(5);
    EXPECT_EQ(model.Current().bookmarks.size(), 2u);
    EXPECT_EQ(model.AddBookmark(2.0), 0u);
    EXPECT_EQ(model.Current().bookmarks[0].name, "bookmark 1") << "the first free number, renamed away";
    EXPECT_TRUE(model.Current().Validate().empty());
    EXPECT_FALSE(model.AddBookmark(std::numeric_limits<double>::quiet_NaN()));
    while (model.Undo())
    {
    }
    EXPECT_EQ(model.Current(), Keyed());
}
