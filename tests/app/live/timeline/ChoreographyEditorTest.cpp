// The timeline panel's document: a drag is one undo step and undo and redo give back exactly what was there;
// only a valid, changed version is handed out to play; saving keeps the version saved over as a backup and never
// writes an invalid one; quitting with unsaved edits leaves a recovery file that reads back as the edit, without
// writing over an earlier one.
#include "app/live/timeline/ChoreographyEditor.h"
#include "scene/choreography/ChoreographyFile.h"
#include "tests/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace
{
Choreography WithRate(float rate)
{
    Choreography choreography = Choreography::Presentation();
    choreography.actors.front().rate = rate;
    return choreography;
}

std::string Contents(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
}

TEST(ChoreographyEditor, ADragIsOneUndoStepAndOnlyValidChangedVersionsArePlayed)
{
    ChoreographyEditor editor(WithRate(16.0f), "");
    EXPECT_EQ(editor.TakeToPlay(), nullptr) << "what plays already";

    editor.BeginGesture();
    for (float rate = 17.0f; rate <= 40.0f; rate += 1.0f)
    {
        editor.Change(WithRate(rate));
    }
    editor.EndGesture();
    editor.Change(WithRate(50.0f));
    ASSERT_TRUE(editor.HasUnsavedChanges());
    ASSERT_NE(editor.TakeToPlay(), nullptr);
    EXPECT_EQ(editor.TakeToPlay(), nullptr) << "handed out once";

    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(editor.Current(), WithRate(40.0f));
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(editor.Current(), WithRate(16.0f)) << "the whole drag undone at once";
    EXPECT_FALSE(editor.Undo());
    EXPECT_FALSE(editor.HasUnsavedChanges());
    ASSERT_TRUE(editor.Redo());
    ASSERT_TRUE(editor.Redo());
    EXPECT_EQ(editor.Current(), WithRate(50.0f));
    EXPECT_FALSE(editor.Redo());

    // An invalid version is edited and shown, never played; a new change drops what could be redone.
    editor.Undo();
    Choreography broken = editor.Current();
    broken.camera.front().window = {5.0f, 5.0f};
    editor.Change(broken);
    EXPECT_FALSE(editor.Problems().empty());
    EXPECT_EQ(editor.TakeToPlay(), nullptr);
    EXPECT_FALSE(editor.CanRedo());

    // A file changed on disk (--watch) becomes what is edited and saved; the panel's edit is one undo away.
    editor.AdoptFile(std::make_shared<const Choreography>(WithRate(3.0f)));
    EXPECT_EQ(editor.Current(), WithRate(3.0f));
    EXPECT_FALSE(editor.HasUnsavedChanges());
    EXPECT_EQ(editor.TakeToPlay(), nullptr) << "it plays already";
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(editor.Current(), broken);

    // The history is bounded: the oldest steps go.
    for (std::size_t i = 0; i < ChoreographyEditor::kUndoDepth + 10; ++i)
    {
        editor.Change(WithRate(static_cast<float>(i)));
    }
    std::size_t undone = 0;
    while (editor.Undo())
    {
        ++undone;
    }
    EXPECT_EQ(undone, ChoreographyEditor::kUndoDepth);
}

TEST(ChoreographyEditor, SavingKeepsABackupAndQuittingUnsavedLeavesARecoveryFile)
{
    ScratchDirectory dir;
    const std::string file = dir.File("mine.xml");
    ASSERT_TRUE(ChoreographyFile::Save(WithRate(16.0f), file));
    const std::string original = Contents(file);

    ChoreographyEditor editor(WithRate(16.0f), file);
    editor.Change(WithRate(99.0f));
    ASSERT_TRUE(editor.Save());
    EXPECT_EQ(ChoreographyFile::Load(file), WithRate(99.0f));
    EXPECT_EQ(Contents(file + ".bak"), original);
    EXPECT_FALSE(editor.HasUnsavedChanges());
    EXPECT_EQ(editor.WriteRecovery(), std::nullopt) << "nothing unsaved";

    // An invalid version is not written; at quitting the last valid one is recovered, beside an earlier recovery.
    editor.Change(WithRate(7.0f));
    EXPECT_NE(editor.TakeToPlay(), nullptr);
    Choreography broken = editor.Current();
    broken.camera.front().sky = 5u;
    editor.Change(broken);
    EXPECT_FALSE(editor.Save());
    EXPECT_EQ(ChoreographyFile::Load(file), WithRate(99.0f));
    dir.Write("mine.xml.recovered.xml", "earlier work");
    const std::optional<std::string> recovery = editor.WriteRecovery();
    ASSERT_TRUE(recovery.has_value());
    EXPECT_EQ(ChoreographyFile::Load(*recovery), WithRate(7.0f));
    EXPECT_EQ(Contents(dir.File("mine.xml.recovered.xml")), "earlier work");
    EXPECT_EQ(editor.WriteRecovery(), std::nullopt) << "once";

    // Without a file, the first save picks a new name in the working folder and keeps it.
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    dir.Write(ChoreographyEditor::kNewFileName, "someone else's");
    ChoreographyEditor unnamed(WithRate(16.0f), "");
    unnamed.Change(WithRate(1.0f));
    const bool saved = unnamed.Save();
    const std::string chosen = unnamed.FileName();
    std::filesystem::current_path(home);
    ASSERT_TRUE(saved);
    EXPECT_EQ(chosen, "choreography-2.xml");
    EXPECT_EQ(ChoreographyFile::Load(dir.File(chosen)), WithRate(1.0f));
    EXPECT_EQ(Contents(dir.File(ChoreographyEditor::kNewFileName)), "someone else's");
}
