// The choreography's edit history: a drag is one undo step and undo and redo give back exactly what was there; only
// a valid, changed version is handed out to play; the history is bounded by steps and by bytes and shares what
// edits did not touch.
#include "app/live/timeline/ChoreographyEditor.h"
#include "tests/app/live/timeline/ChoreographyVersions.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(ChoreographyEditor, ADragIsOneUndoStepAndOnlyValidChangedVersionsArePlayed)
{
    ChoreographyEditor editor(WithRate(16.0f));
    const std::uint64_t start = editor.Revision();
    EXPECT_EQ(editor.TakeToPlay(), nullptr) << "what plays already";

    editor.BeginGesture();
    for (float rate = 17.0f; rate <= 40.0f; rate += 1.0f)
    {
        editor.Change(WithRate(rate));
    }
    editor.EndGesture();
    editor.Change(WithRate(50.0f));
    ASSERT_NE(editor.Revision(), start);
    ASSERT_NE(editor.TakeToPlay(), nullptr);
    EXPECT_EQ(editor.TakeToPlay(), nullptr) << "handed out once";
    EXPECT_EQ(editor.UndoSteps(), 2u);

    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(editor.Current(), WithRate(40.0f));
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(editor.Current(), WithRate(16.0f)) << "the whole drag undone at once";
    EXPECT_FALSE(editor.Undo());
    EXPECT_EQ(editor.Revision(), start) << "back at the very version it started from";
    ASSERT_TRUE(editor.Redo());
    ASSERT_TRUE(editor.Redo());
    EXPECT_EQ(editor.Current(), WithRate(50.0f));
    EXPECT_FALSE(editor.Redo());

    // An invalid version is edited and shown, never played; a new change drops what could be redone.
    editor.Undo();
    editor.Change(Unplayable(editor.Current()));
    EXPECT_FALSE(editor.Problems().empty());
    EXPECT_EQ(editor.TakeToPlay(), nullptr);
    EXPECT_FALSE(editor.CanRedo());
    // Mended again, it plays.
    ASSERT_TRUE(editor.Undo());
    EXPECT_TRUE(editor.Problems().empty());
    EXPECT_NE(editor.TakeToPlay(), nullptr);
}

TEST(ChoreographyEditor, TheHistoryIsBoundedAndAKeyEditCopiesOnlyItsTrack)
{
    // By steps: the oldest go.
    ChoreographyEditor editor(WithRate(16.0f));
    for (std::size_t i = 0; i < ChoreographyEditor::kUndoDepth + 10; ++i)
    {
        editor.Change(WithRate(static_cast<float>(i)));
    }
    EXPECT_EQ(editor.UndoSteps(), ChoreographyEditor::kUndoDepth);

    // A key edit leaves every other list shared with the version before it, and what it made anew is checked:
    // a key moved before its neighbour makes the version unplayable.
    constexpr std::size_t kKeys = 100'000;
    ChoreographyEditor large(WithTrack(kKeys, 1.0f));
    const Choreography before = large.Current();
    Choreography next = large.Current();
    next.tracks.back().keys[kKeys / 2].value = 2.0f;
    large.Change(std::move(next));
    EXPECT_EQ(large.Current().actors.Identity(), before.actors.Identity());
    EXPECT_EQ(large.Current().tracks.front().keys.Identity(), before.tracks.front().keys.Identity());
    EXPECT_NE(large.Current().tracks.back().keys.Identity(), before.tracks.back().keys.Identity());
    EXPECT_EQ(before.tracks.back().keys[kKeys / 2].value, 1.0f) << "the older version kept its own keys";
    EXPECT_TRUE(large.Problems().empty());
    Choreography disordered = large.Current();
    disordered.tracks.back().keys[10].time = 500.0f;
    large.Change(std::move(disordered));
    ASSERT_EQ(large.Problems().size(), 1u);
    EXPECT_EQ(large.Problems().front().key, std::optional<std::size_t>(11));

    // By bytes: steps that each copy a 12 MB track stop well before the step limit, and the newest stays.
    ChoreographyEditor heavy(WithTrack(1'000'000, 1.0f));
    for (int i = 0; i < 25; ++i)
    {
        Choreography edited = heavy.Current();
        edited.tracks.back().keys[7].value = static_cast<float>(i);
        heavy.Change(std::move(edited));
    }
    EXPECT_GE(heavy.UndoSteps(), 1u);
    EXPECT_LE(heavy.UndoSteps() * 1'000'000 * sizeof(Choreography::Key), ChoreographyEditor::kUndoBytes);
    ASSERT_TRUE(heavy.Undo());
    EXPECT_EQ(heavy.Current().tracks.back().keys[7].value, 23.0f);
}
