// The timeline panel's document: a drag is one undo step and undo and redo give back exactly what was there;
// only a valid, changed version is handed out to play; the history is bounded by steps and by bytes and shares
// what edits did not touch; every save works, again and again, keeping the right backup; and no edit is lost:
// not to a version that cannot be played, a change on disk, a quit or a process that dies, whose autosave the
// next run offers back.
#include "app/live/timeline/ChoreographyEditor.h"
#include "app/FileReplacer.h"
#include "scene/choreography/ChoreographyFile.h"
#include "tests/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace
{
// The engine's file names are narrow strings in the active ANSI code page on Windows; std::filesystem takes
// narrow names as UTF-8 there, so a path for it is made from the wide name.
std::filesystem::path PathOf(const std::string& name)
{
#ifdef _WIN32
    std::wstring wide(name.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    return std::filesystem::path(wide);
#else
    return std::filesystem::path(name);
#endif
}

// `utf8` as the engine's narrow name.
std::string NarrowName(const std::string& utf8)
{
#ifdef _WIN32
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    std::string narrow(wide.size() * 4, '\0');
    narrow.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                                               narrow.data(), static_cast<int>(narrow.size()), nullptr,
                                                               nullptr)));
    return narrow;
#else
    return utf8;
#endif
}

Choreography WithRate(float rate)
{
    Choreography choreography = Choreography::Presentation();
    choreography.actors.front().rate = rate;
    return choreography;
}

// The presentation with two tracks: a short one for the camera's y, then one of `keys` keys for its x.
Choreography WithTrack(std::size_t keys, float value)
{
    Choreography choreography = Choreography::Presentation();
    choreography.tracks.push_back(
        {Choreography::Track::kCamera, Choreography::Channel::Y, {{0.0f, 2.0f}, {9.0f, 3.0f}}});
    Choreography::Track track;
    track.channel = Choreography::Channel::X;
    for (std::size_t k = 0; k < keys; ++k)
    {
        track.keys.push_back({static_cast<float>(k) * 0.01f, value, Choreography::Ease::Linear});
    }
    choreography.tracks.push_back(std::move(track));
    return choreography;
}

Choreography Unplayable(const Choreography& from)
{
    Choreography broken = from;
    broken.camera.front().window = {5.0f, 5.0f};
    return broken;
}

std::string Contents(const std::string& fileName)
{
    std::ifstream in(PathOf(fileName), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(const std::string& fileName)
{
    return FileReplacer::Exists(fileName);
}

void SetWritable(const std::string& fileName, bool writable)
{
    std::filesystem::permissions(PathOf(fileName), std::filesystem::perms::owner_write,
                                 writable ? std::filesystem::perm_options::add : std::filesystem::perm_options::remove);
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
    EXPECT_EQ(editor.UndoSteps(), 2u);

    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(editor.Current(), WithRate(40.0f));
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(editor.Current(), WithRate(16.0f)) << "the whole drag undone at once";
    EXPECT_FALSE(editor.Undo());
    EXPECT_FALSE(editor.HasUnsavedChanges()) << "back at the file's version";
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
    ChoreographyEditor editor(WithRate(16.0f), "");
    for (std::size_t i = 0; i < ChoreographyEditor::kUndoDepth + 10; ++i)
    {
        editor.Change(WithRate(static_cast<float>(i)));
    }
    EXPECT_EQ(editor.UndoSteps(), ChoreographyEditor::kUndoDepth);

    // A key edit leaves every other list shared with the version before it, and what it made anew is checked:
    // a key moved before its neighbour makes the version unplayable.
    constexpr std::size_t kKeys = 100'000;
    ChoreographyEditor large(WithTrack(kKeys, 1.0f), "");
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
    ChoreographyEditor heavy(WithTrack(1'000'000, 1.0f), "");
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

TEST(ChoreographyEditor, EverySaveWritesTheNewVersionAndTheRightBackup)
{
    ScratchDirectory dir;
    // A name with a space and a character outside ASCII, which the platform's wide calls must carry.
    const std::string name = dir.File(NarrowName("my pr\xC3\xA9sentation.xml"));
    ASSERT_TRUE(FileReplacer::Write(name, ChoreographyFile::Write(WithRate(16.0f))));
    ChoreographyEditor editor(WithRate(16.0f), name);
    std::string previous = Contents(name);
    for (float rate : {20.0f, 21.0f, 22.0f})
    {
        editor.Change(WithRate(rate));
        ASSERT_TRUE(editor.Save()) << "save at rate " << rate;
        EXPECT_EQ(ChoreographyFile::Load(name), WithRate(rate));
        EXPECT_EQ(Contents(name + ChoreographyEditor::kBackupSuffix), previous) << "the version saved over";
        EXPECT_FALSE(editor.HasUnsavedChanges());
        previous = Contents(name);
    }

    // A second run finds the first one's backup and saves over it, twice.
    ChoreographyEditor second(WithRate(22.0f), name);
    for (float rate : {30.0f, 31.0f})
    {
        second.Change(WithRate(rate));
        ASSERT_TRUE(second.Save());
        EXPECT_EQ(ChoreographyFile::Load(name), WithRate(rate));
        EXPECT_EQ(Contents(name + ChoreographyEditor::kBackupSuffix), previous);
        previous = Contents(name);
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    {
        EXPECT_EQ(entry.path().string().find(".writing"), std::string::npos) << "a temporary file was left";
    }

    // A read-only file is a clear failure, and the file stays as it was; so is a read-only backup.
    SetWritable(name, false);
    second.Change(WithRate(40.0f));
    EXPECT_FALSE(second.Save());
    EXPECT_EQ(Contents(name), previous);
    EXPECT_TRUE(second.HasUnsavedChanges());
    SetWritable(name, true);
    const std::string backup = name + ChoreographyEditor::kBackupSuffix;
    const std::string oldBackup = Contents(backup);
    SetWritable(backup, false);
    EXPECT_FALSE(second.Save());
    EXPECT_EQ(Contents(name), previous);
    EXPECT_EQ(Contents(backup), oldBackup);
    SetWritable(backup, true);
    EXPECT_TRUE(second.Save());
    EXPECT_EQ(ChoreographyFile::Load(name), WithRate(40.0f));

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

TEST(ChoreographyEditor, UnsavedEditsSurviveQuittingAnUnplayableVersionAndTheNextStartOffersThem)
{
    ScratchDirectory dir;
    const std::string file = dir.Write("mine.xml", ChoreographyFile::Write(WithRate(16.0f)));
    const std::string original = Contents(file);
    const std::string autosave = file + ChoreographyEditor::kAutosaveSuffix;

    // A quit with nothing unsaved leaves no autosave behind, even one an edit made before it was undone.
    {
        ChoreographyEditor editor(WithRate(16.0f), file);
        editor.Change(WithRate(3.0f));
        editor.Tick(100.0);
        editor.Undo();
        EXPECT_EQ(editor.WriteRecovery(), std::nullopt);
    }
    EXPECT_FALSE(Exists(autosave));

    // An edit that cannot be played yet, then more on top: Save refuses, quitting keeps it as it is.
    Choreography unplayable = Unplayable(WithRate(7.0f));
    unplayable.actors.back().rate = 99.0f;
    {
        ChoreographyEditor editor(WithRate(16.0f), file);
        editor.Change(WithRate(7.0f));
        editor.Change(Unplayable(WithRate(7.0f)));
        editor.Change(unplayable);
        EXPECT_FALSE(editor.Save());
        EXPECT_EQ(Contents(file), original);
        EXPECT_EQ(editor.WriteRecovery(), std::optional<std::string>(autosave));
    }
    EXPECT_EQ(Contents(file), original) << "the file is the user's to save";
    EXPECT_FALSE(ChoreographyFile::Load(autosave)) << "it does not play";
    EXPECT_EQ(ChoreographyFile::LoadForEditing(autosave), unplayable) << "but it is all there";
    EXPECT_EQ(Contents(autosave).rfind("<!--", 0), 0u) << "its first line says why";

    // The next start moves it aside, offers it, and opens it one undo step away from the file's version.
    {
        ChoreographyEditor editor(WithRate(16.0f), file);
        ASSERT_FALSE(editor.RecoveryFile().empty());
        EXPECT_FALSE(Exists(autosave)) << "this run's autosaves cannot write over it";
        EXPECT_EQ(Contents(file), original);
        const std::string recovered = editor.RecoveryFile();
        ASSERT_TRUE(editor.OpenRecovery());
        EXPECT_EQ(editor.Current(), unplayable);
        EXPECT_TRUE(editor.HasUnsavedChanges());
        ASSERT_TRUE(editor.Undo());
        EXPECT_EQ(editor.Current(), WithRate(16.0f));
        ASSERT_TRUE(editor.Redo());
        // Mended and saved, the file holds it and the recovered copy has done its work.
        Choreography mended = WithRate(7.0f);
        mended.actors.back().rate = 99.0f;
        editor.Change(mended);
        ASSERT_TRUE(editor.Save());
        EXPECT_EQ(ChoreographyFile::Load(file), mended);
        EXPECT_FALSE(Exists(recovered));
        EXPECT_FALSE(Exists(autosave));
    }

    // A run that dies after its autosave was written (the destructor stands in for the end of the process).
    {
        ChoreographyEditor editor(ChoreographyFile::Load(file).value(), file);
        EXPECT_TRUE(editor.RecoveryFile().empty());
        editor.Change(WithRate(5.0f));
        editor.Tick(1000.0);
        editor.Change(WithRate(6.0f));
        editor.Tick(1001.0);   // too soon: the autosave holds the first edit until kAutosaveSeconds have passed
    }
    EXPECT_EQ(ChoreographyFile::Load(autosave), WithRate(5.0f));
    ChoreographyEditor next(ChoreographyFile::Load(file).value(), file);
    ASSERT_TRUE(next.OpenRecovery());
    EXPECT_EQ(next.Current(), WithRate(5.0f));
}

TEST(ChoreographyEditor, AChangeOnDiskNeverDropsUnsavedEdits)
{
    ScratchDirectory dir;
    const std::string file = dir.Write("watched.xml", ChoreographyFile::Write(WithRate(16.0f)));
    ChoreographyEditor editor(WithRate(16.0f), file);

    // Nothing unsaved: the file's new version is what is edited, and plays.
    EXPECT_FALSE(editor.AdoptFile(std::make_shared<const Choreography>(WithRate(3.0f))));
    EXPECT_EQ(editor.Current(), WithRate(3.0f));
    EXPECT_FALSE(editor.HasUnsavedChanges());
    EXPECT_EQ(editor.TakeToPlay(), nullptr) << "the caller plays it";

    // Unsaved edits stay what is edited, and are autosaved; the file's version is one undo away.
    editor.Change(WithRate(8.0f));
    EXPECT_TRUE(editor.AdoptFile(std::make_shared<const Choreography>(WithRate(4.0f))));
    EXPECT_EQ(editor.Current(), WithRate(8.0f));
    EXPECT_TRUE(editor.HasUnsavedChanges());
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(editor.Current(), WithRate(4.0f));
    EXPECT_FALSE(editor.HasUnsavedChanges()) << "that is the file's version";
    ASSERT_TRUE(editor.Redo());
    EXPECT_EQ(editor.WriteRecovery(), std::optional<std::string>(file + ChoreographyEditor::kAutosaveSuffix));
    EXPECT_EQ(ChoreographyFile::Load(file + ChoreographyEditor::kAutosaveSuffix), WithRate(8.0f));
}

TEST(FileReplacer, AFailedWriteLeavesTheFileAsItWas)
{
    ScratchDirectory dir;
    const std::string file = dir.Write("kept.txt", "old");
    std::string problem;
    EXPECT_FALSE(FileReplacer::Write(dir.File("missing folder/kept.txt"), "new", {}, &problem));
    EXPECT_FALSE(problem.empty());
    EXPECT_FALSE(FileReplacer::Write(dir.Path().string(), "new", {}, &problem)) << "a folder";
    EXPECT_TRUE(FileReplacer::Write(file, "new", file + ".bak"));
    EXPECT_EQ(Contents(file), "new");
    EXPECT_EQ(Contents(file + ".bak"), "old");
    EXPECT_TRUE(FileReplacer::Remove(file + ".bak"));
    EXPECT_TRUE(FileReplacer::Remove(file + ".bak")) << "gone already";
}
