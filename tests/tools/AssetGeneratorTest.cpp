// The generator itself: two runs write identical bytes (it reads no clock and no outside randomness) and list
// what they wrote, and the world shipped in data/ is the one its actor list describes, with the scripted
// scene's actors at the ids the scene moves.
#include "tests/ScratchDirectory.h"
#include "tools/assets/AssetGenerator.h"
#include "tools/assets/WorldPlan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

namespace
{

std::map<std::string, std::string> ReadAll(const std::filesystem::path& directory)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory))
    {
        if (entry.is_regular_file())
        {
            std::ifstream in(entry.path(), std::ios::binary);
            files[std::filesystem::relative(entry.path(), directory).generic_string()] =
                std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        }
    }
    return files;
}

std::string ReadText(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}   // namespace

TEST(AssetGenerator, TwoRunsWriteIdenticalBytesAndListWhatTheyWrote)
{
    // A coarse set (small textures and skies, a few seconds of music) runs every painter and builder.
    ScratchDirectory first, second;
    for (const ScratchDirectory* dir : {&first, &second})
    {
        GeneratorOptions options;
        options.outputDirectory = dir->File("out");
        options.wavPath = dir->File("music/DemoTrack01.wav");
        options.listPath = dir->File("list/assets.txt");
        options.textureScale = 8;
        options.skyWidth = 256;
        options.skyHeight = 128;
        options.musicSeconds = 2.0;
        options.quiet = true;
        ASSERT_TRUE(AssetGenerator::Generate(options));
    }
    const auto a = ReadAll(first.Path());
    const auto b = ReadAll(second.Path());
    ASSERT_GT(a.size(), 60u);
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [name, bytes] : a)
    {
        ASSERT_TRUE(b.count(name)) << name;
        EXPECT_TRUE(bytes == b.at(name)) << name << " differs between runs";
    }

    // The list (what the release archive takes as the generated data) names exactly the files in the folder.
    std::set<std::string> written;
    for (const auto& [name, bytes] : ReadAll(first.Path() / "out"))
    {
        written.insert(name);
    }
    std::multiset<std::string> listed;
    std::istringstream list(a.at("list/assets.txt"));
    for (std::string line; std::getline(list, line);)
    {
        listed.insert(line);
    }
    EXPECT_EQ(listed, std::multiset<std::string>(written.begin(), written.end()));
}

TEST(WorldPlan, ActorsAreListedInIdOrderWithTheScriptedOnesWhereTheSceneMovesThem)
{
    const std::vector<ActorPlacement> actors = WorldPlan::Actors();
    for (size_t i = 0; i < actors.size(); ++i)
    {
        EXPECT_EQ(static_cast<int>(i + 1), actors[i].id) << actors[i].definition;
    }
    const std::map<int, std::string> scripted = {{5, "Armillary"},     {12, "RingMiddle"},     {13, "RingInner"},
                                                 {14, "RingOuter"},    {17, "GreatArmillary"}, {19, "PaperGlider"},
                                                 {20, "WickerLantern"}};
    for (const auto& [id, definition] : scripted)
    {
        ASSERT_LE(static_cast<size_t>(id), actors.size());
        EXPECT_EQ(definition, actors[static_cast<size_t>(id - 1)].definition) << "id " << id;
    }
}

TEST(WorldPlan, ShippedWorldAndActorFilesMatchTheActorList)
{
    // data/ is copied beside the tests; a stale copy means someone edited the list without rewriting the XML
    // (tools/assets: asset_generator --world data).
    EXPECT_EQ(WorldPlan::WorldXml(), ReadText("World1.xml"));
    for (const auto& [path, text] : WorldPlan::ActorFiles())
    {
        EXPECT_EQ(text, ReadText(path)) << path;
    }
}
