// baseline.exe: the least a renderer must do to show the presentation's world, timed. Draws the world's
// meshes, the sky and the post pass (BaselineRenderer) for a number of frames at full speed and prints frames
// per second, per-frame submission and Present times and the start-up time from process start to the first
// Present with its phases. It asserts nothing: the figures are for the benchmark report (./bench.sh).
//
// Run:  (cd build/bin && ../../tools/winerun ./baseline.exe --frames 600 --csv baseline.csv)
#include "app/EngineOptions.h"
#include "graphics/D3DClass.h"
#include "graphics/DxException.h"
#include "graphics/registries/ImageLibraryGuard.h"
#include "tools/bench/baseline/BaselineOptions.h"
#include "tools/bench/baseline/BaselineRenderer.h"
#include "tools/bench/baseline/BaselineWindow.h"
#include "tools/bench/baseline/BaselineWorld.h"
#include "tools/bench/baseline/PresentationCamera.h"

#include <windows.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace
{
constexpr int kExitStartupFailed = 1;
constexpr int kExitError = 2;
constexpr int kExitUsage = 64;

double Now()
{
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / ticksPerMs;
}

// Milliseconds from the process's creation to this call, on the system clock; the performance counter only
// starts with main. Negative when the system does not tell.
double MillisecondsSinceProcessStart()
{
    FILETIME creation, exitTime, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exitTime, &kernel, &user))
    {
        return -1.0;
    }
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    const unsigned long long created = ticks(creation);
    const unsigned long long current = ticks(now);
    // FILETIME counts 100 ns; a creation time in the future or an hour back is not believable.
    if (created == 0 || current < created || current - created > 36'000'000'000ULL)
    {
        return -1.0;
    }
    return static_cast<double>(current - created) / 10'000.0;
}

struct FrameRecord
{
    double time;
    double submitMs;
    double presentMs;
};

// Start-up phases in the order the engine runs its own: options, window, device, textures, shaders, scene,
// world, then the first frame up to its Present.
class PhaseClock
{
public:
    PhaseClock() : m_last(Now()) {}
    void Mark(const char* name)
    {
        const double now = Now();
        m_phases.emplace_back(name, now - m_last);
        m_last = now;
    }
    const std::vector<std::pair<std::string, double>>& Phases() const { return m_phases; }

private:
    double m_last;
    std::vector<std::pair<std::string, double>> m_phases;
};

int Run(const BaselineOptions& args)
{
    const double processToMain = MillisecondsSinceProcessStart();
    const double mainStart = Now();
    PhaseClock phases;

    ImageLibraryGuard imageLibrary;   // bitmap textures decode through GDI+
    EngineOptions options;
    options.Load();
    // Measured at full speed in a window, whatever the options file says.
    options.m_runFullSpeed = true;
    options.m_fullScreen = false;
    if (options.m_screenWidth < 16 || options.m_screenHeight < 16 || options.m_screenWidth > 8192 ||
        options.m_screenHeight > 8192)
    {
        std::cerr << "EngineOptions.xml: window size " << options.m_screenWidth << " x " << options.m_screenHeight
                  << " cannot be drawn\n";
        return kExitStartupFailed;
    }
    options.ReplaceBrokenLensValues(EngineOptions::kFileName);
    const int width = options.m_screenWidth;
    const int height = options.m_screenHeight;
    phases.Mark("options");

    BaselineWindow window(width, height);
    phases.Mark("window");

    D3DClass d3d;
    if (!d3d.Initialize(options, window.Handle()))
    {
        std::cerr << "baseline: could not initialize Direct3D\n";
        return kExitStartupFailed;
    }
    phases.Mark("device");

    BaselineRenderer renderer(d3d, width, height);
    renderer.LoadSkyTextures();
    phases.Mark("textures");
    if (!renderer.CompileShaders())
    {
        return kExitStartupFailed;
    }
    phases.Mark("shaders");
    renderer.CreateScene();
    phases.Mark("scene");
    BaselineWorld world;
    if (!world.Load(args.worldFile))
    {
        return kExitStartupFailed;
    }
    renderer.LoadWorld(world);
    phases.Mark("world");

    PresentationCamera camera(options.m_fieldOfView, options.m_screenAspect, options.m_screenNear,
                              options.m_screenDepth);
    const double step = 1.0 / args.fps;
    // The camera's path depends on every earlier frame (its pitch and flight accumulate): walk up to --start.
    long long frame = 0;
    for (; static_cast<double>(frame) * step < args.start - step * 0.5; ++frame)
    {
        camera.Update(frame == 0 ? 0.0f : static_cast<float>(step), static_cast<float>(frame * step));
    }

    std::vector<FrameRecord> records;
    records.reserve(static_cast<std::size_t>(args.frames));
    std::vector<std::uint8_t> lastImage;
    double startupMs = -1.0;
    double loopStart = 0.0;
    for (int i = 0; i < args.frames; ++i, ++frame)
    {
        if (!window.PumpMessages())
        {
            std::cerr << "baseline: the window was closed after " << i << " frames\n";
            break;
        }
        const double time = static_cast<double>(frame) * step;
        camera.Update(frame == 0 ? 0.0f : static_cast<float>(step), static_cast<float>(time));
        const double begin = Now();
        renderer.RenderFrame(camera);
        const double submitted = Now();
        if (i + 1 == args.frames && !args.pngFile.empty())
        {
            renderer.ReadBackBuffer(lastImage);
        }
        const double presenting = Now();
        renderer.Present();
        const double presented = Now();
        records.push_back({time, submitted - begin, presented - presenting});
        if (i == 0)
        {
            phases.Mark("first frame");
            startupMs = processToMain >= 0.0 ? processToMain + (presented - mainStart) : presented - mainStart;
            loopStart = presented;
        }
    }
    const double loopEnd = Now();

    // Frames per second over every frame after the first, whose time belongs to start-up.
    const std::size_t timed = records.size() > 1 ? records.size() - 1 : 0;
    const double fps =
        timed > 0 && loopEnd > loopStart ? 1000.0 * static_cast<double>(timed) / (loopEnd - loopStart) : 0.0;
    double submitMs = 0.0, presentMs = 0.0;
    for (std::size_t i = 1; i < records.size(); ++i)
    {
        submitMs += records[i].submitMs;
        presentMs += records[i].presentMs;
    }
    if (timed > 0)
    {
        submitMs /= static_cast<double>(timed);
        presentMs /= static_cast<double>(timed);
    }
    const double frameMs = fps > 0.0 ? 1000.0 / fps : 0.0;
    const BaselineRenderer::FrameCounts& counts = renderer.Counts();

    std::printf("baseline: %zu frames at %d x %d: %.2f frames per second (%.3f ms per frame: %.3f submission, "
                "%.3f Present)\n",
                records.size(), width, height, fps, frameMs, submitMs, presentMs);
    std::printf("baseline: start-up %.1f ms from process start to the first Present (to main %.1f", startupMs,
                processToMain);
    for (const auto& [name, ms] : phases.Phases())
    {
        std::printf(", %s %.1f", name.c_str(), ms);
    }
    std::printf(")\nbaseline: %u actors, %zu meshes drawn (%zu triangles), %zu draws and %zu state changes per "
                "frame\n",
                world.ActorCount(), counts.meshes, counts.triangles, counts.draws, counts.stateChanges);
    std::fflush(stdout);

    int status = 0;
    if (!args.csvFile.empty())
    {
        std::ofstream csv(args.csvFile, std::ios::trunc);
        csv << std::setprecision(9);
        csv << "frames,width,height,fps,frame_ms,submit_ms,present_ms,startup_ms,process_to_main_ms";
        for (const auto& phase : phases.Phases())
        {
            std::string name = phase.first;
            for (char& c : name)
            {
                c = c == ' ' ? '_' : c;
            }
            csv << "," << name << "_ms";
        }
        csv << ",actors,meshes,triangles,draws,state_changes\n";
        csv << records.size() << "," << width << "," << height << "," << fps << "," << frameMs << "," << submitMs << ","
            << presentMs << "," << startupMs << "," << processToMain;
        for (const auto& phase : phases.Phases())
        {
            csv << "," << phase.second;
        }
        csv << "," << world.ActorCount() << "," << counts.meshes << "," << counts.triangles << "," << counts.draws
            << "," << counts.stateChanges << "\n";
        if (!csv)
        {
            std::cerr << args.csvFile << ": cannot write the summary\n";
            status = kExitError;
        }
    }
    if (!args.statsFile.empty())
    {
        std::ofstream stats(args.statsFile, std::ios::trunc);
        stats << std::setprecision(9);
        stats << "frame,time,submit_ms,present_ms\n";
        for (std::size_t i = 0; i < records.size(); ++i)
        {
            stats << i << "," << records[i].time << "," << records[i].submitMs << "," << records[i].presentMs << "\n";
        }
        if (!stats)
        {
            std::cerr << args.statsFile << ": cannot write the per-frame figures\n";
            status = kExitError;
        }
    }
    if (!args.pngFile.empty())
    {
        if (lastImage.size() != static_cast<std::size_t>(width) * height * 4 ||
            !stbi_write_png(args.pngFile.c_str(), width, height, 4, lastImage.data(), width * 4))
        {
            std::cerr << args.pngFile << ": cannot write the last frame\n";
            status = kExitError;
        }
    }
    return status;
}
}

int main(int argc, char** argv)
{
    BaselineOptions options;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const auto error = ParseBaselineOptions(args, options))
    {
        std::cerr << "baseline: " << *error << "\n";
        return kExitUsage;
    }
    if (options.help)
    {
        std::cout << BaselineUsage();
        return 0;
    }
    try
    {
        return Run(options);
    }
    catch (const DxException& error)
    {
        std::wcerr << L"baseline: " << error.ToString() << L"\n";
    }
    catch (const std::exception& error)
    {
        std::cerr << "baseline: " << error.what() << "\n";
    }
    return kExitError;
}
