// baseline.exe on the real device under Wine, as ./bench.sh runs it: a short run beside the data files ends
// with exit code 0, writes its summary, one row per frame and a last frame that shows a picture; bad
// arguments end it at once with code 64. Timings are only checked for being there, never for their size.
#include "tests/ScratchDirectory.h"
#include "tools/bench/baseline/BaselineWorld.h"

#include <windows.h>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#include <stb_image.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace
{
// Runs baseline.exe from the working directory with `arguments`; its exit code, or -1 when it could not be
// started or did not end within `timeoutMs`.
int RunBaseline(const std::wstring& arguments, DWORD timeoutMs = 300000)
{
    std::wstring commandLine = L"baseline.exe " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(L"baseline.exe", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
    {
        return -1;
    }
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
    {
        GetExitCodeProcess(process.hProcess, &exitCode);
    }
    else
    {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

std::vector<std::vector<std::string>> ReadCsv(const std::string& fileName)
{
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(fileName);
    std::string line;
    while (std::getline(in, line))
    {
        std::vector<std::string> cells;
        std::stringstream split(line);
        std::string cell;
        while (std::getline(split, cell, ','))
        {
            cells.push_back(cell);
        }
        rows.push_back(cells);
    }
    return rows;
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

TEST(BaselineRun, TenFramesOfTheWorldGiveItsFiguresAndAPicture)
{
    ScratchDirectory scratch;
    const std::string csv = scratch.File("baseline.csv");
    const std::string stats = scratch.File("frames.csv");
    const std::string png = scratch.File("last.png");
    // One second in, the first sky's sunset fills half the picture whatever the world holds.
    ASSERT_EQ(RunBaseline(L"--frames 10 --start 1 --csv \"" + Wide(csv) + L"\" --stats \"" + Wide(stats) +
                          L"\" --png \"" + Wide(png) + L"\""),
              0);

    const auto summary = ReadCsv(csv);
    ASSERT_EQ(summary.size(), 2u);
    ASSERT_EQ(summary[0].size(), summary[1].size());
    std::map<std::string, double> figures;
    for (std::size_t i = 0; i < summary[0].size(); ++i)
    {
        figures[summary[0][i]] = std::stod(summary[1][i]);
    }
    EXPECT_EQ(figures["frames"], 10.0);
    EXPECT_GT(figures["fps"], 0.0);
    EXPECT_GT(figures["startup_ms"], 0.0);
    for (const char* phase : {"options_ms", "window_ms", "device_ms", "textures_ms", "shaders_ms", "scene_ms",
                              "world_ms", "first_frame_ms"})
    {
        EXPECT_GE(figures[phase], 0.0) << phase;
    }
    BaselineWorld world;
    ASSERT_TRUE(world.Load("World1.xml"));
    EXPECT_EQ(figures["meshes"], static_cast<double>(world.Meshes().size()));
    EXPECT_EQ(figures["draws"], figures["meshes"] + 2.0);   // the sky and the post quad

    const auto frames = ReadCsv(stats);
    ASSERT_EQ(frames.size(), 11u);
    EXPECT_EQ(frames[0], (std::vector<std::string>{"frame", "time", "submit_ms", "present_ms"}));
    for (std::size_t i = 1; i < frames.size(); ++i)
    {
        ASSERT_EQ(frames[i].size(), 4u);
        EXPECT_NEAR(std::stod(frames[i][1]), 1.0 + static_cast<double>(i - 1) / 60.0, 1e-6);
        EXPECT_GE(std::stod(frames[i][2]), 0.0);
        EXPECT_GE(std::stod(frames[i][3]), 0.0);
    }

    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load(png.c_str(), &width, &height, &channels, 4);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, static_cast<int>(figures["width"]));
    EXPECT_EQ(height, static_cast<int>(figures["height"]));
    std::set<unsigned> colours;
    for (int i = 0; i < width * height; i += 97)
    {
        const stbi_uc* p = pixels + static_cast<std::size_t>(i) * 4;
        colours.insert(static_cast<unsigned>(p[0]) << 16 | static_cast<unsigned>(p[1]) << 8 | p[2]);
    }
    stbi_image_free(pixels);
    // A frame of meshes, sky and post pass has many colours; a failed draw leaves one.
    EXPECT_GT(colours.size(), 50u);
}

TEST(BaselineRun, BadArgumentsEndItAtOnce)
{
    EXPECT_EQ(RunBaseline(L"--frames none"), 64);
    EXPECT_EQ(RunBaseline(L"--help"), 0);
}
}
