// The choreography's document: every save works, again and again, keeping the right backup; and no edit is lost:
// not to a version that cannot be played, a change on disk, a quit or a process that dies, whose autosave the next
// run offers back.
#include "app/live/timeline/ChoreographyDocument.h"
#include "app/FileReplacer.h"
#include "scene/choreography/ChoreographyFile.h"
#include "tests/ScratchDirectory.h"
#include "tests/app/live/timeline/ChoreographyVersions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
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

TEST(ChoreographyDocument, EverySaveWritesTheNewVersionAndTheRightBackup)
{
    ScratchDirectory dir;
    // A name with a space and a character outside ASCII, which the platform's wide calls must carry.
    const std::string name = dir.File(NarrowName("my pr\xC3\xA9sentation.xml"));
    ASSERT_TRUE(FileReplacer::Write(name, ChoreographyFile::Write(WithRate(16.0f))));
    ChoreographyDocument document(WithRate(16.0f), name);
    std::string previous = Contents(name);
    for (float rate : {20.0f, 21.0f, 22.0f})
    {
        document.Editor().Change(WithRate(rate));
        ASSERT_TRUE(document.Save()) << "save at rate " << rate;
        EXPECT_EQ(ChoreographyFile::Load(name), WithRate(rate));
        EXPECT_EQ(Contents(name + ChoreographyDocument::kBackupSuffix), previous) << "the version saved over";
        EXPECT_FALSE(document.HasUnsavedChanges());
        previous = Contents(name);
    }

    // A second run finds the first one's backup and saves over it, twice.
    ChoreographyDocument second(WithRate(22.0f), name);
    for (float rate : {30.0f, 31.0f})
    {
        second.Editor().Change(WithRate(rate));
        ASSERT_TRUE(second.Save());
        EXPECT_EQ(ChoreographyFile::Load(name), WithRate(rate));
        EXPECT_EQ(Contents(name + ChoreographyDocument::kBackupSuffix), previous);
        previous = Contents(name);
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    {
        EXPECT_EQ(entry.path().string().find(".writing"), std::string::npos) << "a temporary file was left";
    }

    // A read-only file is a clear failure, and the file stays as it was; so is a read-only backup.
    SetWritable(name, false);
    second.Editor().Change(WithRate(40.0f));
    EXPECT_FALSE(second.Save());
    EXPECT_EQ(Contents(name), previous);
    EXPECT_TRUE(second.HasUnsavedChanges());
    SetWritable(name, true);
    const std::string backup = name + ChoreographyDocument::kBackupSuffix;
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
    dir.Write(ChoreographyDocument::kNewFileName, "someone else's");
    ChoreographyDocument unnamed(WithRate(16.0f), "");
    unnamed.Editor().Change(WithRate(1.0f));
    const bool saved = unnamed.Save();
    const std::string chosen = unnamed.FileName();
    std::filesystem::current_path(home);
    ASSERT_TRUE(saved);
    EXPECT_EQ(chosen, "choreography-2.xml");
    EXPECT_EQ(ChoreographyFile::Load(dir.File(chosen)), WithRate(1.0f));
    EXPECT_EQ(Contents(dir.File(ChoreographyDocument::kNewFileName)), "someone else's");
}

TEST(ChoreographyDocument, UnsavedEditsSurviveQuittingAnUnplayableVersionAndTheNextStartOffersThem)
{
    ScratchDirectory dir;
    const std::string file = dir.Write("mine.xml", ChoreographyFile::Write(WithRate(16.0f)));
    const std::string original = Contents(file);
    std::string autosave;

    // A quit with nothing unsaved leaves no autosave behind, even one an edit made before it was undone.
    {
        ChoreographyDocument document(WithRate(16.0f), file);
        autosave = document.AutosaveFileName();
        document.Editor().Change(WithRate(3.0f));
        document.Tick(100.0);
        document.Editor().Undo();
        EXPECT_EQ(document.WriteRecovery(), std::nullopt);
    }
    EXPECT_FALSE(Exists(autosave));

    // An edit that cannot be played yet, then more on top: Save refuses, quitting keeps it as it is.
    Choreography unplayable = Unplayable(WithRate(7.0f));
    unplayable.actors.back().rate = 99.0f;
    {
        ChoreographyDocument document(WithRate(16.0f), file);
        autosave = document.AutosaveFileName();
        document.Editor().Change(WithRate(7.0f));
        document.Editor().Change(Unplayable(WithRate(7.0f)));
        document.Editor().Change(unplayable);
        document.Model().SetStatus("");
        EXPECT_FALSE(document.Save());
        EXPECT_FALSE(document.Model().Status().empty()) << "the status line says why";
        EXPECT_EQ(Contents(file), original);
        EXPECT_EQ(document.WriteRecovery(), std::optional<std::string>(autosave));
    }
    EXPECT_EQ(Contents(file), original) << "the file is the user's to save";
    EXPECT_FALSE(ChoreographyFile::Load(autosave)) << "it does not play";
    EXPECT_EQ(ChoreographyFile::LoadForEditing(autosave), unplayable) << "but it is all there";
    EXPECT_EQ(Contents(autosave).rfind("<!--", 0), 0u) << "its first line says why";

    // The next start moves it aside, offers it, and opens it one undo step away from the file's version.
    {
        ChoreographyDocument document(WithRate(16.0f), file);
        ASSERT_EQ(document.Recovered().size(), 1u);
        EXPECT_FALSE(Exists(autosave)) << "this run's autosaves cannot write over it";
        EXPECT_EQ(Contents(file), original);
        const std::string recovered = document.Recovered().front().file;
        ASSERT_TRUE(document.OpenRecovery());
        EXPECT_EQ(document.Editor().Current(), unplayable);
        EXPECT_TRUE(document.HasUnsavedChanges());
        ASSERT_TRUE(document.Editor().Undo());
        EXPECT_EQ(document.Editor().Current(), WithRate(16.0f));
        ASSERT_TRUE(document.Editor().Redo());
        // Mended and saved, the file holds it and the recovered copy has done its work.
        Choreography mended = WithRate(7.0f);
        mended.actors.back().rate = 99.0f;
        document.Editor().Change(mended);
        ASSERT_TRUE(document.Save());
        EXPECT_EQ(ChoreographyFile::Load(file), mended);
        EXPECT_FALSE(Exists(recovered));
        EXPECT_FALSE(Exists(autosave));
    }

    // A run that dies after its autosave was written (the destructor stands in for the end of the process).
    {
        ChoreographyDocument document(ChoreographyFile::Load(file).value(), file);
        autosave = document.AutosaveFileName();
        EXPECT_TRUE(document.Recovered().empty());
        document.Editor().Change(WithRate(5.0f));
        document.Tick(1000.0);
        document.Editor().Change(WithRate(6.0f));
        document.Tick(1001.0);   // too soon: the autosave holds the first edit until kAutosaveSeconds have passed
    }
    EXPECT_EQ(ChoreographyFile::Load(autosave), WithRate(5.0f));
    ChoreographyDocument next(ChoreographyFile::Load(file).value(), file);
    ASSERT_TRUE(next.OpenRecovery());
    EXPECT_EQ(next.Editor().Current(), WithRate(5.0f));
}

TEST(ChoreographyDocument, EachProgramRemovesOnlyItsOwnAutosaveAndNeverARunningProgramsOne)
{
    ScratchDirectory dir;
    const std::string file = dir.Write("shared.xml", ChoreographyFile::Write(WithRate(16.0f)));
    auto a = std::make_unique<ChoreographyDocument>(WithRate(16.0f), file);
    auto b = std::make_unique<ChoreographyDocument>(WithRate(16.0f), file);
    ASSERT_NE(a->AutosaveFileName(), b->AutosaveFileName());

    // B keys a pose and does not save; A quits, then saves in a second life and quits again, with nothing unsaved.
    b->Editor().Change(WithRate(40.0f));
    ASSERT_TRUE(b->WriteRecovery());
    EXPECT_EQ(a->WriteRecovery(), std::nullopt);
    a.reset();
    a = std::make_unique<ChoreographyDocument>(WithRate(16.0f), file);
    EXPECT_TRUE(a->Recovered().empty()) << "B still runs: its autosave is its own to offer";
    a->Editor().Change(WithRate(41.0f));
    ASSERT_TRUE(a->Save());
    EXPECT_EQ(a->WriteRecovery(), std::nullopt);
    EXPECT_EQ(ChoreographyFile::Load(b->AutosaveFileName()), WithRate(40.0f)) << "A never removes B's autosave";

    // B ends without a word (the destructor stands in for a kill): the next start takes its edit over and offers it.
    b.reset();
    ChoreographyDocument next(WithRate(41.0f), file);
    ASSERT_EQ(next.Recovered().size(), 1u);
    ASSERT_TRUE(next.OpenRecovery(0));
    EXPECT_EQ(next.Editor().Current(), WithRate(40.0f));
}

TEST(ChoreographyDocument, EveryRecoveredVersionIsOfferedNewestFirstUntilTheMakerDecides)
{
    ScratchDirectory dir;
    const std::string file = dir.Write("left.xml", ChoreographyFile::Write(WithRate(16.0f)));
    // Three runs that ended with unsaved edits, the oldest first: two that ran side by side, and an older
    // program's autosave, which had no name of its own.
    const auto now = std::filesystem::file_time_type::clock::now();
    std::vector<std::string> left;
    {
        ChoreographyDocument first(WithRate(16.0f), file);
        ChoreographyDocument second(WithRate(16.0f), file);
        first.Editor().Change(WithRate(1.0f));
        second.Editor().Change(WithRate(2.0f));
        left.push_back(*first.WriteRecovery());
        left.push_back(*second.WriteRecovery());
    }
    left.push_back(dir.Write("left.xml.autosave.xml", ChoreographyFile::Write(WithRate(3.0f))));
    for (std::size_t index = 0; index < left.size(); ++index)
    {
        std::filesystem::last_write_time(PathOf(left[index]), now - std::chrono::minutes(10 - index));
    }

    // "Not now" at three starts in a row: each start offers all three, newest first, each with its time.
    const std::vector<Choreography> newestFirst{WithRate(3.0f), WithRate(2.0f), WithRate(1.0f)};
    for (int start = 0; start < 3; ++start)
    {
        ChoreographyDocument document(WithRate(16.0f), file);
        ASSERT_EQ(document.Recovered().size(), 3u) << "start " << start;
        for (std::size_t index = 0; index < 3; ++index)
        {
            EXPECT_EQ(ChoreographyFile::LoadForEditing(document.Recovered()[index].file), newestFirst[index]);
            EXPECT_FALSE(document.Recovered()[index].time.empty());
        }
        document.DismissRecovery();
        EXPECT_TRUE(document.Recovered().empty());
        EXPECT_EQ(document.WriteRecovery(), std::nullopt);
    }

    // Opened, then undone and saved: the save does not keep its edits, so it stays. Discarded: it goes.
    {
        ChoreographyDocument document(WithRate(16.0f), file);
        ASSERT_TRUE(document.OpenRecovery(0));
        document.Editor().Undo();
        document.Editor().Change(WithRate(16.0f));
        ASSERT_TRUE(document.Save());
        ASSERT_EQ(document.Recovered().size(), 2u);
        const std::string discarded = document.Recovered()[1].file;
        ASSERT_TRUE(document.DiscardRecovery(1));
        EXPECT_FALSE(Exists(discarded));
        EXPECT_EQ(document.Recovered().size(), 1u);
    }
    // Opened and saved with more edits on top: it has done its work. Opening a second one first puts it back.
    ChoreographyDocument document(WithRate(16.0f), file);
    ASSERT_EQ(document.Recovered().size(), 2u);
    const std::string kept = document.Recovered()[0].file;
    ASSERT_TRUE(document.OpenRecovery(0));
    ASSERT_TRUE(document.OpenRecovery(0));
    EXPECT_EQ(document.Editor().Current(), WithRate(2.0f));
    ASSERT_EQ(document.Recovered().size(), 1u);
    EXPECT_EQ(document.Recovered()[0].file, kept);
    document.Editor().Change(WithRate(22.0f));
    ASSERT_TRUE(document.Save());
    EXPECT_EQ(document.Recovered().size(), 1u);
    EXPECT_TRUE(Exists(kept));
    EXPECT_EQ(FileReplacer::StartingWith(file + ".recovered").size(), 1u);
}

// A recovered version that went from the disk behind the program's back, or one no longer offered: Open and
// Discard refuse, change nothing, and say why in the status line, every time.
TEST(ChoreographyDocument, ARefusedOpenOrDiscardOfARecoveredVersionSaysWhy)
{
    ScratchDirectory dir;
    const std::string file = dir.File("c.xml");
    ASSERT_TRUE(FileReplacer::Write(file, ChoreographyFile::Write(WithRate(16.0f))));
    {
        ChoreographyDocument crashed(WithRate(16.0f), file);
        crashed.Editor().Change(WithRate(3.0f));
        ASSERT_TRUE(crashed.WriteRecovery());
    }
    ChoreographyDocument document(WithRate(16.0f), file);
    ASSERT_EQ(document.Recovered().size(), 1u);
    ASSERT_TRUE(FileReplacer::Remove(document.Recovered().front().file));
    const std::uint64_t revision = document.Editor().Revision();
    const std::function<bool(std::string*)> refusals[] = {
        [&](std::string* problem) { return document.OpenRecovery(0, problem); },   // its file is gone
        [&](std::string* problem) { return document.OpenRecovery(1, problem); },   // never offered
        [&](std::string* problem) { return document.DiscardRecovery(1, problem); },
    };
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        for (const auto& refused : refusals)
        {
            document.Model().SetStatus("");
            std::string problem;
            EXPECT_FALSE(refused(&problem));
            EXPECT_FALSE(problem.empty());
            EXPECT_FALSE(document.Model().Status().empty());
            EXPECT_EQ(document.Editor().Revision(), revision);
            EXPECT_EQ(document.Editor().Current(), WithRate(16.0f));
        }
    }
    EXPECT_EQ(document.Recovered().size(), 1u) << "still offered until the maker discards it";
}

TEST(ChoreographyDocument, AChangeOnDiskNeverDropsUnsavedEdits)
{
    ScratchDirectory dir;
    const std::string file = dir.Write("watched.xml", ChoreographyFile::Write(WithRate(16.0f)));
    ChoreographyDocument document(WithRate(16.0f), file);

    // Nothing unsaved: the file's new version is what is edited, and plays.
    EXPECT_FALSE(document.AdoptFile(std::make_shared<const Choreography>(WithRate(3.0f))));
    EXPECT_EQ(document.Editor().Current(), WithRate(3.0f));
    EXPECT_FALSE(document.HasUnsavedChanges());
    EXPECT_EQ(document.Editor().TakeToPlay(), nullptr) << "the caller plays it";

    // Unsaved edits stay what is edited, and are autosaved; the file's version is one undo away.
    document.Editor().Change(WithRate(8.0f));
    EXPECT_TRUE(document.AdoptFile(std::make_shared<const Choreography>(WithRate(4.0f))));
    EXPECT_EQ(document.Editor().Current(), WithRate(8.0f));
    EXPECT_TRUE(document.HasUnsavedChanges());
    ASSERT_TRUE(document.Editor().Undo());
    EXPECT_EQ(document.Editor().Current(), WithRate(4.0f));
    EXPECT_FALSE(document.HasUnsavedChanges()) << "that is the file's version";
    ASSERT_TRUE(document.Editor().Redo());
    EXPECT_EQ(document.WriteRecovery(), std::optional<std::string>(document.AutosaveFileName()));
    EXPECT_EQ(ChoreographyFile::Load(document.AutosaveFileName()), WithRate(8.0f));
}

TEST(ChoreographyDocument, ASaveMadeElsewhereIsTakenInWithAWordAndTheMakersOwnVersionOneUndoAway)
{
    ScratchDirectory dir;
    const std::string file = dir.Write("taken.xml", ChoreographyFile::Write(WithRate(16.0f)));
    ChoreographyDocument document(WithRate(16.0f), file);
    document.Editor().Change(WithRate(5.0f));
    ASSERT_TRUE(document.Save());
    document.Model().SetStatus({});
    EXPECT_FALSE(document.AdoptFile(std::make_shared<const Choreography>(WithRate(6.0f))));
    EXPECT_FALSE(document.Model().Status().empty()) << "taken in, and said so";
    EXPECT_FALSE(document.HasUnsavedChanges());
    ASSERT_TRUE(document.Editor().Undo());
    EXPECT_EQ(document.Editor().Current(), WithRate(5.0f)) << "the maker's own saved version";

    // The program's own save coming back through the watcher is no take-over.
    document.Model().SetStatus({});
    document.Editor().Redo();
    EXPECT_FALSE(document.AdoptFile(std::make_shared<const Choreography>(WithRate(6.0f))));
    EXPECT_TRUE(document.Model().Status().empty());
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
