// engine-capture.exe run for real under Wine, as a user would run it: it saves the moments asked for, drawing
// every frame with the device timed for the statistics or the moments alone untimed gives the same bytes, the
// statistics have a row per frame, and the pictures change where the presentation changes (the first sky against
// the second; the camera looking down at 8 s). And the live engine's seek controls against it: after a seek, the
// engine draws exactly the capture's picture of that moment, in a framed window too.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

#include "app/MessageBox.h"
#include "app/live/PresentationControls.h"
#include "app/SystemClass.h"
#include "app/live/LiveTools.h"
#include "graphics/BackBufferReader.h"
#include "graphics/D3DClass.h"
#include "scene/Scene3.h"
#include "tests/ScratchDirectory.h"
#include "tests/app/FakeClock.h"

namespace
{
// Runs a program from the working directory (where the tests and the data are), or from `directory`, and returns
// its exit code.
int RunProgram(const std::wstring& commandLine, const std::wstring& directory = {})
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring mutableLine = commandLine;
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &process))
    {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    // Mean absolute difference per channel (0..255) over rows [top, bottom) of the picture.
    double DifferenceFrom(const Picture& other, double top, double bottom) const
    {
        const int first = static_cast<int>(top * height);
        const int last = static_cast<int>(bottom * height);
        double sum = 0.0;
        for (int y = first; y < last; ++y)
        {
            for (int x = 0; x < width * 3; ++x)
            {
                const std::size_t i = static_cast<std::size_t>(y) * width * 3 + x;
                sum += std::abs(static_cast<int>(rgb[i]) - static_cast<int>(other.rgb[i]));
            }
        }
        return sum / (static_cast<double>(last - first) * width * 3);
    }

    double MeanBrightness() const
    {
        double sum = 0.0;
        for (const unsigned char value : rgb)
        {
            sum += value;
        }
        return rgb.empty() ? 0.0 : sum / rgb.size();
    }
};

Picture Load(const std::string& path)
{
    Picture picture;
    int channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3);
    if (data)
    {
        picture.rgb.assign(data, data + static_cast<std::size_t>(picture.width) * picture.height * 3);
        stbi_image_free(data);
    }
    return picture;
}

// The live picture is the captured one, pixel for pixel (the capture's PNG has no alpha).
bool SamePicture(const FrameImage& live, const Picture& captured)
{
    if (captured.rgb.empty() || live.width != captured.width || live.height != captured.height)
    {
        return false;
    }
    for (std::size_t pixel = 0; pixel < captured.rgb.size() / 3; ++pixel)
    {
        for (std::size_t channel = 0; channel < 3; ++channel)
        {
            if (live.rgba[pixel * 4 + channel] != captured.rgb[pixel * 3 + channel])
            {
                return false;
            }
        }
    }
    return true;
}

class CaptureRun : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new ScratchDirectory;
        // "a" draws every frame for its statistics, with the device timed; "b" draws the moments alone, untimed,
        // among them the first frame of each segment of the timeline and of each change of an actor's path.
        for (const char* run : {"a", "b"})
        {
            const std::string out = s_dir->File(run);
            const std::string stats = run[0] == 'a' ? " --stats " + out + "\\stats.csv" : "";
            s_exitCodes.push_back(RunProgram(Wide("engine-capture.exe --size 320x180 --fps 4 --until 50.1 --at " +
                                                  std::string(kMoments) + " --out " + out + stats)));
        }
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    static std::string Shot(const char* run, const char* name) { return s_dir->File(run) + "\\" + name; }

    static constexpr const char* kMoments = "1,8,15,21.5,22,29,44,50";

    static ScratchDirectory* s_dir;
    static std::vector<int> s_exitCodes;
};

ScratchDirectory* CaptureRun::s_dir = nullptr;
std::vector<int> CaptureRun::s_exitCodes;
}

TEST_F(CaptureRun, SavesTheRequestedMomentsAndSucceeds)
{
    ASSERT_EQ(s_exitCodes, (std::vector<int>{0, 0}));
    for (const char* name : {"t1.000.png", "t8.000.png", "t50.000.png"})
    {
        const Picture picture = Load(Shot("a", name));
        EXPECT_EQ(picture.width, 320) << name;
        EXPECT_EQ(picture.height, 180) << name;
        EXPECT_GT(picture.MeanBrightness(), 2.0) << name << " is blank";
    }
}

TEST_F(CaptureRun, DrawingTheMomentsAloneUntimedGivesTheBytesOfDrawingEveryFrameTimed)
{
    for (const char* name : {"t1.000.png", "t8.000.png", "t15.000.png", "t21.500.png", "t22.000.png", "t29.000.png",
                             "t44.000.png", "t50.000.png"})
    {
        const std::string everyFrame = ReadBytes(Shot("a", name));
        ASSERT_FALSE(everyFrame.empty()) << name;
        EXPECT_TRUE(everyFrame == ReadBytes(Shot("b", name))) << name << " differs with the frames before undrawn";
    }
}

TEST_F(CaptureRun, StatisticsHaveOneRowPerFrameWithNonNegativeTimes)
{
    std::ifstream in(Shot("a", "stats.csv"));
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line, "frame,time_s,logic_ms,events_ms,scene_update_ms,scene_render_ms,overlay_ms,present_ms,"
                    "gpu_meshes_ms,gpu_sky_ms,gpu_post_ms,gpu_overlay_ms,gpu_present_ms,gpu_frame_ms");
    constexpr std::size_t kCpuColumns = 8;
    constexpr std::size_t kColumns = 14;
    long long expectedFrame = 0;
    std::map<std::string, int> deviceRows;   // "measured", "n/a", "unanswered"
    while (std::getline(in, line))
    {
        std::stringstream row(line);
        std::vector<std::string> fields;
        for (std::string field; std::getline(row, field, ',');)
        {
            fields.push_back(field);
        }
        fields.resize(kColumns);   // a row that ends in empty cells reads short
        std::vector<double> values;
        for (std::size_t i = 0; i < kCpuColumns; ++i)
        {
            values.push_back(std::stod(fields[i]));
        }
        EXPECT_EQ(static_cast<long long>(values[0]), expectedFrame);
        EXPECT_DOUBLE_EQ(values[1], expectedFrame / 4.0);
        for (std::size_t i = 2; i < values.size(); ++i)
        {
            EXPECT_GE(values[i], 0.0) << line;
        }
        // The device's cells: all figures (the passes making up the frame), all "n/a", or all empty.
        const std::string& frameCell = fields[kColumns - 1];
        const std::string kind = frameCell.empty() ? "unanswered" : frameCell == "n/a" ? "n/a" : "measured";
        ++deviceRows[kind];
        double passes = 0.0;
        for (std::size_t i = kCpuColumns; i + 1 < kColumns; ++i)
        {
            if (kind != "measured")
            {
                EXPECT_EQ(fields[i], frameCell) << line;
                continue;
            }
            ASSERT_FALSE(fields[i].empty() || fields[i] == "n/a") << line;
            EXPECT_GE(std::stod(fields[i]), 0.0) << line;
            passes += std::stod(fields[i]);
        }
        if (kind == "measured")
        {
            EXPECT_NEAR(passes, std::stod(frameCell), 0.001 * (kColumns - kCpuColumns)) << line;
        }
        ++expectedFrame;
    }
    EXPECT_EQ(expectedFrame, 201);   // frames 0 .. 200 at 4 per second, up to 50 s
    // A device without timestamps reads n/a throughout; one with them answers for nearly every frame.
    if (deviceRows["n/a"] != expectedFrame)
    {
        EXPECT_GT(deviceRows["measured"], expectedFrame * 9 / 10)
            << deviceRows["unanswered"] << " unanswered, " << deviceRows["n/a"] << " n/a";
    }
}

TEST_F(CaptureRun, TheSkyAndTheViewChangeAlongTheTimeline)
{
    const Picture first = Load(Shot("a", "t1.000.png"));
    const Picture lookingDown = Load(Shot("a", "t8.000.png"));
    const Picture secondSky = Load(Shot("a", "t50.000.png"));
    ASSERT_FALSE(first.rgb.empty());
    ASSERT_FALSE(lookingDown.rgb.empty());
    ASSERT_FALSE(secondSky.rgb.empty());
    // At 1 s the camera is upside down, so its sky fills the lower half; at 50 s it looks forward and the sky
    // fills the upper half. Both halves must differ clearly between the two skies.
    EXPECT_GT(first.DifferenceFrom(secondSky, 0.0, 1.0), 20.0);
    EXPECT_GT(first.DifferenceFrom(lookingDown, 0.0, 1.0), 10.0);
}

TEST(CaptureLoop, ALoopingRunReplaysTheTimelineAndSamplesMemory)
{
    ScratchDirectory dir;
    const std::string out = dir.File("loop");
    ASSERT_EQ(RunProgram(Wide("engine-capture.exe --size 160x90 --fps 2 --until 60 --loop --at 50,59 --out " + out +
                              " --stats " + out + "\\stats.csv --memory " + out + "\\memory.csv --memory-every 10")),
              0);

    // Frames 0 .. 120 at 2 per second: the run stops after --until, not at the presentation's end.
    std::ifstream stats(out + "\\stats.csv");
    std::string line;
    int rows = -1;
    while (std::getline(stats, line))
    {
        ++rows;
    }
    EXPECT_EQ(rows, 121);

    // At 59 s the second pass is one second in: the first sky again, where at 50 s the night sky shows.
    const Picture night = Load(out + "\\t50.000.png");
    const Picture secondPass = Load(out + "\\t59.000.png");
    ASSERT_FALSE(night.rgb.empty());
    ASSERT_FALSE(secondPass.rgb.empty());
    EXPECT_GT(night.DifferenceFrom(secondPass, 0.0, 1.0), 20.0);

    // One memory row every 10 frames with real figures.
    std::ifstream memory(out + "\\memory.csv");
    ASSERT_TRUE(std::getline(memory, line));
    EXPECT_EQ(line, "frame,time_s,wall_s,private_kb,working_set_kb,peak_working_set_kb,video_kb,handles,gdi_objects,"
                    "user_objects");
    long long expectedFrame = 0;
    while (std::getline(memory, line))
    {
        std::stringstream row(line);
        std::string field;
        std::vector<double> values;
        while (std::getline(row, field, ','))
        {
            values.push_back(std::stod(field));
        }
        ASSERT_EQ(values.size(), 10u) << line;
        EXPECT_EQ(static_cast<long long>(values[0]), expectedFrame);
        EXPECT_DOUBLE_EQ(values[1], expectedFrame / 2.0);
        EXPECT_GT(values[3], 1000.0) << "private KB: " << line;
        EXPECT_GT(values[4], 1000.0) << "working set KB: " << line;
        EXPECT_GE(values[5], values[4]) << "peak below the working set: " << line;
        EXPECT_GE(values[7], 0.0) << "handles: " << line;   // Wine does not count handles; Windows does
        expectedFrame += 10;
    }
    EXPECT_EQ(expectedFrame, 130);
}

TEST(CaptureArguments, BadArgumentsExitWith64AndHelpWithZero)
{
    EXPECT_EQ(RunProgram(L"engine-capture.exe --fps zero"), 64);
    EXPECT_EQ(RunProgram(L"engine-capture.exe --bogus"), 64);
    EXPECT_EQ(RunProgram(L"engine-capture.exe --help"), 0);
    // A picture whose supersampled drawing would pass the device's largest texture, before anything is drawn.
    EXPECT_EQ(RunProgram(L"engine-capture.exe --size 7680x4320 --supersample 3 --at 1"), 64);
    // A choreography that cannot be played is a failed start-up.
    EXPECT_EQ(RunProgram(L"engine-capture.exe --choreography no-such-choreography.xml --until 1"), 1);
}

// The rules all the programs' command lines share, in the real processes: refused before any window opens,
// with the usage exit code, by engine.exe as by the capture tool; the same switch once is fine.
TEST(CaptureArguments, ARepeatedSwitchAMissingValueAndAValuedFlagExitWith64InBothPrograms)
{
    for (const std::wstring program : {L"engine.exe", L"engine-capture.exe"})
    {
        for (const std::wstring args : {L" --choreography c.xml --choreography=c.xml", L" --choreography --help",
                                        L" --choreography=", L" --help=yes", L" -h --help"})
        {
            EXPECT_EQ(RunProgram(program + args), 64) << std::string(program.begin(), program.end());
        }
        EXPECT_EQ(RunProgram(program + L" --choreography=c.xml --help"), 0);
    }
}

TEST(CaptureSeek, AfterASeekTheLiveEngineDrawsTheCapturedPictureOfThatMoment)
{
    ScratchDirectory dir;
    const std::string out = dir.File("seek");
    ASSERT_EQ(RunProgram(Wide("engine-capture.exe --size 320x180 --at 8,15,20,50 --until 50 --out " + out)), 0);

    // The live engine in this process, with its controls, on the shipped world at the capture's size. Each
    // step below runs after a presented frame and acts on the next one; the seeks go through the slider's
    // request and through the keys.
    std::vector<std::string> boxes;
    SetMessageBoxHandler([&boxes](const std::string& text, const std::string&) { boxes.push_back(text); });
    Scene3::ResetTimeline();
    FakeClock clock;
    BackBufferReader reader;
    std::map<int, FrameImage> frames;
    int frame = 0;
    const auto key = [](WPARAM code) {
        SendMessageW(SystemClass::GetApplication()->GetWindowHandle(), WM_KEYDOWN, code, 0);
    };
    const int exitCode = SystemClass::RunApplication([&](SystemClass& system) {
        system.GetLiveTools().EnableControls();
        system.Settings().music = false;
        system.Settings().screenWidth = 320;
        system.Settings().screenHeight = 180;
        system.SetTimeSource(clock.Source());
        system.Settings().beforePresent = [&] {
            D3DClass& d3d = *SystemClass::GetGraphics().GetD3D();
            frames[frame] = reader.Read(d3d.GetSwapChain(), d3d.GetDevice(), d3d.GetDeviceContext());
        };
        system.Settings().frameObserver = [&] {
            clock.Advance(1.0 / 60.0);
            PresentationControls& controls = *system.GetLiveTools().GetControls();
            switch (frame++)
            {
            case 0: controls.RequestSeek(50.0); break;   // frame 1: 50 s
            case 1: controls.RequestSeek(8.0); break;    // frame 2: back to 8 s
            case 2:                                      // frame 3: paused at 20 s; frame 4 holds it
                key(VK_SPACE);
                controls.RequestSeek(20.0);
                break;
            case 4: key(VK_F1); break;      // frames 5 and 6: the overlay over the held moment
            case 6: key(VK_F1); break;      // frame 7: hidden again
            case 7: key(VK_LEFT); break;    // frame 8: 15 s
            case 8: key(VK_RIGHT); break;   // frame 9: 20 s
            case 9: PostQuitMessage(0); break;
            default: break;
            }
        };
    });
    SetMessageBoxHandler(nullptr);
    ASSERT_EQ(exitCode, 0);
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(frames.size(), 10u);

    const auto sameAsCapture = [&](int liveFrame, const char* shot) {
        return SamePicture(frames[liveFrame], Load(out + "\\" + shot));
    };
    EXPECT_TRUE(sameAsCapture(1, "t50.000.png")) << "seek forward to 50 s";
    EXPECT_TRUE(sameAsCapture(2, "t8.000.png")) << "seek back to 8 s";
    EXPECT_TRUE(sameAsCapture(3, "t20.000.png")) << "seek to 20 s while paused";
    EXPECT_TRUE(sameAsCapture(4, "t20.000.png")) << "the paused moment drawn again";
    // ImGui keeps a window that sizes itself to its content hidden in its first frame, while it measures it.
    EXPECT_FALSE(sameAsCapture(6, "t20.000.png")) << "the overlay shows";
    EXPECT_TRUE(sameAsCapture(7, "t20.000.png")) << "the overlay hidden again";
    EXPECT_TRUE(sameAsCapture(8, "t15.000.png")) << "Left: 5 s back";
    EXPECT_TRUE(sameAsCapture(9, "t20.000.png")) << "Right: 5 s on";
}

// In a framed window the camera takes its aspect from the options file's window size, frame included, while
// --size gives the capture the aspect of the picture itself: a seek's picture is the capture made with the same
// options file and no --size.
TEST(CaptureSeek, InAFramedWindowASeekDrawsTheCaptureOfTheSameOptionsFile)
{
    // A program folder of its own: a 320 x 240 window round an empty world (the sky and the post pass).
    ScratchDirectory dir;
    for (const char* name :
         {"D.bmp", "dirty-wicker-weave1-albedo.dds", "10.dds", "11.dds", "PostPS.fx", "PostVS.fx",
          "BasicNormalMapPixelShader.fx", "BasicNormalMapVertexShader.fx", "SkyPixelShader.fx", "SkyVertexShader.fx"})
    {
        ASSERT_TRUE(std::filesystem::copy_file(name, dir.Path() / name)) << name;
    }
    dir.Write("EngineOptions.xml", R"(<Options><Graphics renderer="Direct3D 11" width="320" height="240"/></Options>)");
    dir.Write("World1.xml", "<World><StaticActors/></World>");

    // An earlier run in this thread leaves the quit message its window's destruction posts; it would end this run
    // before its first frame.
    MSG leftover;
    while (PeekMessageW(&leftover, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
    {
    }
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    Scene3::ResetTimeline();
    FakeClock clock;
    BackBufferReader reader;
    FrameImage seek;
    int frame = 0;
    const int exitCode = SystemClass::RunApplication([&](SystemClass& system) {
        system.GetLiveTools().EnableControls();
        system.Settings().music = false;
        system.SetTimeSource(clock.Source());
        system.Settings().beforePresent = [&] {
            D3DClass& d3d = *SystemClass::GetGraphics().GetD3D();
            seek = reader.Read(d3d.GetSwapChain(), d3d.GetDevice(), d3d.GetDeviceContext());
        };
        system.Settings().frameObserver = [&] {
            clock.Advance(1.0 / 60.0);
            if (frame++ == 0)
            {
                system.GetLiveTools().GetControls()->RequestSeek(5.0);   // drawn by the second frame, which is the last
            }
            else
            {
                PostQuitMessage(0);
            }
        };
    });
    std::filesystem::current_path(home);
    ASSERT_EQ(exitCode, 0);
    EXPECT_TRUE(seek.width > 0 && seek.width < 320 && seek.height < 240) << "the frame takes its share of the window";

    const std::wstring folder = dir.Path().wstring();
    ASSERT_EQ(RunProgram(L"engine-capture.exe --at 5 --until 5.1 --out window", folder), 0);
    ASSERT_EQ(RunProgram(Wide("engine-capture.exe --at 5 --until 5.1 --out picture --size " +
                              std::to_string(seek.width) + "x" + std::to_string(seek.height)),
                         folder),
              0);
    EXPECT_TRUE(SamePicture(seek, Load(dir.File("window\\t5.000.png")))) << "the same options file, no --size";
    EXPECT_FALSE(SamePicture(seek, Load(dir.File("picture\\t5.000.png")))) << "--size: the picture's own aspect";
}

// The compiled-in choreography written by engine.exe and played from its file draws exactly the compiled-in
// presentation's pictures at the README's moments (as tools/capture/reference_pictures.py captures them).
TEST(CaptureChoreography, TheWrittenCompiledInChoreographyDrawsTheSamePictures)
{
    ScratchDirectory dir;
    const std::string file = dir.File("presentation.xml");
    ASSERT_EQ(RunProgram(Wide("engine.exe --write-choreography " + file)), 0);
    const std::string moments = "0.5,4,8,12,15.5,20,25,30,36,45,55";
    const std::string common = "engine-capture.exe --at " + moments + " --fps 2 --size 320x180 --until 55.5 --out ";
    ASSERT_EQ(RunProgram(Wide(common + dir.File("compiled-in"))), 0);
    ASSERT_EQ(RunProgram(Wide(common + dir.File("from-file") + " --choreography " + file)), 0);
    for (const char* name : {"t0.500.png", "t4.000.png", "t8.000.png", "t12.000.png", "t15.500.png", "t20.000.png",
                             "t25.000.png", "t30.000.png", "t36.000.png", "t45.000.png", "t55.000.png"})
    {
        const std::string compiledIn = ReadBytes(dir.File("compiled-in") + "\\" + name);
        ASSERT_FALSE(compiledIn.empty()) << name;
        EXPECT_TRUE(compiledIn == ReadBytes(dir.File("from-file") + "\\" + name)) << name << " differs";
    }
}

// Bezier keys drawn: without handles as smooth, bit for bit; with their handles spelt out at a third of the stretch,
// flat, as smooth and with handles on the straight line as linear, to a float's last bits (in the value, not the
// time, both of which are exact here: the stretch is 3 s); and a pulled handle turns the camera elsewhere.
TEST(CaptureChoreography, BezierKeysDrawAsSmoothAndLinearAndAPulledHandleChangesThePicture)
{
    ScratchDirectory dir;
    const std::string presentation = dir.File("presentation.xml");
    ASSERT_EQ(RunProgram(Wide("engine.exe --write-choreography " + presentation)), 0);
    const std::string written = ReadBytes(presentation);
    const std::size_t end = written.rfind("</Choreography>");
    ASSERT_NE(end, std::string::npos);
    const auto withYaw = [&](const std::string& name, const std::string& first, const std::string& second) {
        std::ofstream(dir.File(name + ".xml"), std::ios::binary)
            << written.substr(0, end) << "    <Track channel=\"yaw\">\n        <Key at=\"0\" value=\"0\" " << first
            << "/>\n        <Key at=\"3\" value=\"90\" " << second << "/>\n    </Track>\n"
            << written.substr(end);
        const std::string out = dir.File(name);
        EXPECT_EQ(RunProgram(Wide("engine-capture.exe --at 1.3 --fps 2 --until 1.5 --size 320x180 --out " + out +
                                  " --choreography " + dir.File(name + ".xml"))),
                  0)
            << name;
        return Load(out + "\\t1.300.png");
    };
    const Picture smooth = withYaw("smooth", "mode=\"smooth\"", "");
    const Picture bezier = withYaw("bezier", "mode=\"bezier\"", "");
    const Picture spelt = withYaw("spelt", "mode=\"bezier\" out=\"1 0\"", "in=\"-1 0\"");
    const Picture linear = withYaw("linear", "mode=\"linear\"", "");
    const Picture straight = withYaw("straight", "mode=\"bezier\" out=\"1 30\"", "in=\"-1 -30\"");
    const Picture pulled = withYaw("pulled", "mode=\"bezier\" out=\"0.5 80\"", "");
    ASSERT_FALSE(smooth.rgb.empty());
    const auto rmse = [](const Picture& a, const Picture& b) {
        double sum = 0.0;
        for (std::size_t i = 0; i < a.rgb.size() && a.rgb.size() == b.rgb.size(); ++i)
        {
            const double d = (static_cast<double>(a.rgb[i]) - b.rgb[i]) / 255.0;
            sum += d * d;
        }
        return a.rgb.size() == b.rgb.size() ? std::sqrt(sum / a.rgb.size()) : 1.0;
    };
    EXPECT_EQ(bezier.rgb, smooth.rgb) << "a bezier key without handles is smooth, bit for bit";
    EXPECT_LE(rmse(spelt, smooth), 0.001);
    EXPECT_LE(rmse(straight, linear), 0.001);
    std::printf("pictures at 1.3 s: spelt handles %s smooth's bytes, straight handles %s linear's\n",
                spelt.rgb == smooth.rgb ? "equal" : "differ from",
                straight.rgb == linear.rgb ? "equal" : "differ from");
    EXPECT_GT(rmse(smooth, linear), 0.01) << "the moment tells the modes apart";
    EXPECT_GT(rmse(pulled, bezier), 0.01) << "a pulled handle turns the camera elsewhere";
}
