// What an edit of the choreography costs in engine.exe: the presentation runs as engine.exe runs it (the live
// tools on, the whole world, a small window), seeks to 55 s, and there plays the choreography again, unchanged
// (what a seek does) and with one actor's rate changed (what an edit or a reloaded file does), several times
// each. Either replays the timeline from the start to the moment on screen. Prints figures; asserts nothing.
//
// Run from the folder that holds the presentation's files:
//       cd build/bin && ../../tools/winerun ./edit_replay_bench.exe
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/SystemClass.h"
#include "app/live/LiveTools.h"
#include "app/live/PresentationControls.h"
#include "scene/choreography/Choreography.h"

namespace
{
using Clock = std::chrono::steady_clock;

constexpr double kMoment = 55.0;
constexpr int kRepeats = 7;

// Median, smallest and largest of `samples` milliseconds, on one line.
void Report(const char* what, std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    std::printf("%s at %.0f s: median %.1f ms, fastest %.1f ms, slowest %.1f ms (%zu runs)\n", what, kMoment,
                samples[samples.size() / 2], samples.front(), samples.back(), samples.size());
}
}

int main()
{
    std::int64_t now = 0;
    int frame = 0;
    Choreography faster = Choreography::Presentation();
    faster.actors.front().rate *= 2.0f;
    const auto edited = std::make_shared<const Choreography>(faster);
    const auto unchanged = std::make_shared<const Choreography>(Choreography::Presentation());
    std::vector<double> seeks;
    std::vector<double> edits;

    const int exitCode = SystemClass::RunApplication([&](SystemClass& system) {
        system.GetLiveTools().EnableControls();
        system.Settings().music = false;
        system.Settings().screenWidth = 320;
        system.Settings().screenHeight = 180;
        system.SetTimeSource([&now] { return now; });
        system.Settings().frameObserver = [&] {
            now += 1'000'000'000 / 60;
            LiveTools& live = system.GetLiveTools();
            if (frame++ == 0)
            {
                live.GetControls()->RequestSeek(kMoment);   // the next frame shows 55 s
                return;
            }
            for (int i = 0; i < kRepeats; ++i)
            {
                for (auto [choreography, samples] : {std::pair{unchanged, &seeks}, std::pair{edited, &edits}})
                {
                    const Clock::time_point start = Clock::now();
                    live.PlayChoreography(choreography, "");
                    samples->push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                }
            }
            PostQuitMessage(0);
        };
    });
    if (exitCode != 0 || seeks.empty())
    {
        std::fprintf(stderr, "edit_replay_bench: the presentation did not run (exit code %d)\n", exitCode);
        return 1;
    }
    Report("replay, the choreography unchanged (a seek)", seeks);
    Report("replay, one actor's rate edited", edits);
    return 0;
}
