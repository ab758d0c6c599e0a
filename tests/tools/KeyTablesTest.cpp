// The manual's key tables: each form names every binding of the key map, the text fits README.txt's width, only
// what stands between a page's marks is replaced, and a page whose table lacks a key of the map fails the check
// until the table is written again.
#include "tools/keys/KeyTables.h"

#include "app/live/KeyMap.h"
#include "tests/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace
{
using Form = KeyTables::Form;

const char* const kStart = "<!-- key table: made by key_tables --write from app/live/KeyMap.cpp -->\n";
const char* const kEnd = "<!-- end of key table -->\n";

std::string Contents(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A repository of the three pages, each holding `tables[i]` where its table goes.
void WritePages(ScratchDirectory& dir, const std::string& summary, const std::string& full, const std::string& text)
{
    std::filesystem::create_directories(dir.Path() / "docs");
    std::filesystem::create_directories(dir.Path() / "tools/release");
    dir.Write("README.md", "# Engine\n\n## Controls\n\n" + std::string(kStart) + summary + kEnd + "\nMore.\n");
    dir.Write("docs/controls.md", "# Controls\n\n" + std::string(kStart) + full + kEnd);
    dir.Write("tools/release/README.txt", "Engine\n\n\nCONTROLS\n\n" + text + "\nOnly a key's first press acts.\n");
}
}

TEST(KeyTables, EveryFormNamesEveryBindingAndTheTextFitsItsWidth)
{
    for (const Form form : {Form::Summary, Form::Full, Form::Text})
    {
        const std::string table = KeyTables::Table(form);
        for (const KeyBinding& binding : KeyMap::Bindings())
        {
            EXPECT_NE(table.find(KeyMap::Keys(binding)), std::string::npos) << KeyMap::Keys(binding);
            EXPECT_NE(table.find(binding.does), std::string::npos) << binding.does;
        }
    }
    std::istringstream lines(KeyTables::Table(Form::Text));
    std::string line;
    while (std::getline(lines, line))
    {
        EXPECT_LE(line.size(), 110u) << line;
        EXPECT_FALSE(line.empty()) << "an empty line would end the CONTROLS section's table";
    }
}

TEST(KeyTables, OnlyWhatStandsBetweenTheMarksIsReplaced)
{
    const std::string page = "before\n" + std::string(kStart) + "| old |\n" + kEnd + "after\n";
    EXPECT_EQ(KeyTables::WithTable(page, Form::Full, "| new |\n"),
              "before\n" + std::string(kStart) + "| new |\n" + kEnd + "after\n");
    EXPECT_EQ(KeyTables::WithTable("no marks\n", Form::Summary, "| new |\n"), std::nullopt);
    EXPECT_EQ(KeyTables::WithTable("CONTROLS\n\nold\n\nafter\n", Form::Text, "new\n"), std::nullopt)
        << "a heading needs its own line";
    EXPECT_EQ(KeyTables::WithTable("x\n\nCONTROLS\n\n    old\n    rows\n\nafter\n", Form::Text, "    new\n"),
              "x\n\nCONTROLS\n\n    new\n\nafter\n");
}

TEST(KeyTables, APageWithoutAKeyOfTheMapFailsUntilItsTableIsWrittenAgain)
{
    ScratchDirectory dir;
    const std::string root = dir.Path().string();
    WritePages(dir, KeyTables::Table(Form::Summary), KeyTables::Table(Form::Full), KeyTables::Table(Form::Text));
    EXPECT_TRUE(KeyTables::CheckPages(root, false).empty());

    // The map's last key, missing from the README's table, as if it had been added to the map alone.
    std::string summary = KeyTables::Table(Form::Summary);
    summary.pop_back();
    summary.erase(summary.rfind('\n') + 1);
    WritePages(dir, summary, KeyTables::Table(Form::Full), KeyTables::Table(Form::Text));
    const std::vector<std::string> faults = KeyTables::CheckPages(root, false);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(faults.front().rfind("README.md: ", 0), 0u) << faults.front();

    // Written from the map, twice: the page is whole again, with its own text kept.
    for (int round = 0; round < 2; ++round)
    {
        EXPECT_TRUE(KeyTables::CheckPages(root, true).empty());
        EXPECT_TRUE(KeyTables::CheckPages(root, false).empty());
    }
    EXPECT_EQ(Contents(dir.Path() / "README.md"), "# Engine\n\n## Controls\n\n" + std::string(kStart) +
                                                      KeyTables::Table(Form::Summary) + kEnd + "\nMore.\n");

    // A page that lost its marks is named, not guessed at.
    dir.Write("docs/controls.md", "# Controls\n\nNo table.\n");
    ASSERT_EQ(KeyTables::CheckPages(root, true).size(), 1u);
    EXPECT_EQ(Contents(dir.Path() / "docs/controls.md"), "# Controls\n\nNo table.\n");
}
