// Which watched files changed: a change is reported once, after it has settled, and never while the file is
// missing, empty or still changing (an editor's save); stamps are read no more often than the interval.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "app/live/timeline/ChoreographyReloader.h"
#include "app/live/FileChangePoller.h"
#include "tests/ScratchDirectory.h"

namespace
{
constexpr std::int64_t kMs = 1'000'000;

// Writes the file and moves its time on, so that every write gives a new stamp whatever the file system's
// clock resolution.
void Save(const ScratchDirectory& dir, const std::string& name, const std::string& content)
{
    static int writes = 0;
    dir.Write(name, content);
    std::filesystem::last_write_time(dir.Path() / name,
                                     std::filesystem::file_time_type::clock::now() + std::chrono::seconds(++writes));
}
}

TEST(FileChangePoller, ReportsAChangeOnceItHasSettledAndNothingWhileAFileIsBeingSaved)
{
    ScratchDirectory dir;
    Save(dir, "a.fx", "first");
    const std::string a = dir.File("a.fx");
    const std::string b = dir.File("b.fx");   // missing when watching begins
    FileChangePoller poller({100 * kMs, 150 * kMs});
    poller.SetFiles({a, b});
    EXPECT_TRUE(poller.Poll(0).empty()) << "what was there when watching began is no change";

    Save(dir, "a.fx", "second");
    EXPECT_TRUE(poller.Poll(50 * kMs).empty()) << "inside the interval nothing is looked at";
    EXPECT_TRUE(poller.Poll(100 * kMs).empty()) << "seen, not yet settled";
    EXPECT_TRUE(poller.Poll(200 * kMs).empty());
    EXPECT_EQ(poller.Poll(300 * kMs), std::vector<std::string>{a});
    EXPECT_TRUE(poller.Poll(400 * kMs).empty()) << "reported once";

    // An editor's save: the file goes missing, comes back empty, is written twice in quick succession.
    std::filesystem::remove(a);
    EXPECT_TRUE(poller.Poll(500 * kMs).empty());
    Save(dir, "a.fx", "");
    EXPECT_TRUE(poller.Poll(600 * kMs).empty());
    EXPECT_TRUE(poller.Poll(800 * kMs).empty()) << "an empty file is not a change";
    Save(dir, "a.fx", "thi");
    EXPECT_TRUE(poller.Poll(900 * kMs).empty());
    Save(dir, "a.fx", "third");
    EXPECT_TRUE(poller.Poll(1000 * kMs).empty()) << "the stamp changed again: it starts settling anew";
    EXPECT_EQ(poller.Poll(1200 * kMs), std::vector<std::string>{a});

    // A file that appears is a change too; one that could not be used after all is reported again.
    Save(dir, "b.fx", "new");
    EXPECT_TRUE(poller.Poll(1300 * kMs).empty());
    EXPECT_EQ(poller.Poll(1500 * kMs), std::vector<std::string>{b});
    poller.Retry(b);
    EXPECT_TRUE(poller.Poll(1600 * kMs).empty());
    EXPECT_EQ(poller.Poll(1800 * kMs), std::vector<std::string>{b});

    // Files leave and join the set; one that joins is taken as it is.
    poller.SetFiles({b});
    EXPECT_FALSE(poller.IsWatching(a));
    Save(dir, "a.fx", "fourth");
    poller.Watch(a);
    EXPECT_TRUE(poller.Poll(2000 * kMs).empty());
    EXPECT_TRUE(poller.Poll(2500 * kMs).empty());
}

TEST(FileChangePoller, WithoutIntervalOrSettlingAChangeIsReportedAtTheFirstLook)
{
    ScratchDirectory dir;
    Save(dir, "w.xml", "<World/>");
    FileChangePoller poller({0, 0});
    poller.Watch(dir.File("w.xml"));
    Save(dir, "w.xml", "<World></World>");
    EXPECT_EQ(poller.Poll(0), std::vector<std::string>{dir.File("w.xml")});
    EXPECT_TRUE(poller.Poll(0).empty());
}

// An edit of the choreography file is handed over only when the whole file can be played; a bad one keeps the
// one playing and says where the file is wrong, until an edit mends it.
TEST(ChoreographyReloader, HandsOverOnlyAFileThatCanBePlayed)
{
    ScratchDirectory dir;
    Save(dir, "c.xml", "<Choreography/>");
    ChoreographyReloader reloader(dir.File("c.xml"), {0, 0});
    EXPECT_EQ(reloader.Poll(0), nullptr) << "nothing changed";

    Save(dir, "c.xml", "<Choreography>\n<Actor id=\"5\" from=\"9\" until=\"3\"/>\n</Choreography>");
    EXPECT_EQ(reloader.Poll(0), nullptr);
    EXPECT_NE(reloader.Problem().find("c.xml:2"), std::string::npos) << reloader.Problem();

    Save(dir, "c.xml", "<Choreography>\n<Actor id=\"5\" turn=\"roll\" rate=\"3\"/>\n</Choreography>");
    const std::shared_ptr<const Choreography> mended = reloader.Poll(0);
    ASSERT_NE(mended, nullptr);
    ASSERT_EQ(mended->actors.size(), 1u);
    EXPECT_EQ(mended->actors[0].rate, 3.0f);
    EXPECT_TRUE(reloader.Problem().empty());
}
