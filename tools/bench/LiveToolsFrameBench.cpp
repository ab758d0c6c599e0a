// What the live tools cost a frame of engine.exe: the presentation as engine.exe runs it with the controls (the
// whole world, an 800 x 600 window, no music), held at one moment so that every frame does the same work, then
// drawn in blocks of frames that take turns: the panel closed with fly mode off, the panel closed with fly mode on,
// and the timeline panel open at its full zoom-out (all 58 s). Per frame it reads the application's own phase
// times: the overlay's build (the tools' windows and fly mode's input, on the CPU), the overlay frame (the build and
// the back-end's submission of its vertices) and the whole frame to the end of Present. Prints medians; asserts
// nothing.
//
// With `many-keys`, the same over the presentation with 10,000 keys over 100 tracks besides (written to
// many-keys.xml and opened as its choreography), every key selected, so that the panel draws long lanes of lit keys.
//
// Run from the folder that holds the presentation's files:
//       cd build/bin && ../../tools/winerun ./live_tools_frame_bench.exe [many-keys]
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include <cstring>
#include <string>

#include "app/FileReplacer.h"
#include "app/SystemClass.h"
#include "app/live/LiveTools.h"
#include "app/live/PresentationControls.h"
#include "app/live/timeline/ChoreographyDocument.h"
#include "scene/choreography/ChoreographyFile.h"
#include "tools/bench/ManyKeys.h"

namespace
{
constexpr double kMoment = 30.0;
constexpr int kSettleFrames = 60;   // after start-up and the seek, before anything is counted
constexpr int kBlockFrames = 40;    // frames of one case in a row; the first few of each are not counted
constexpr int kWarmFrames = 5;
constexpr int kRounds = 6;

enum Case
{
    kPlain,
    kFlying,
    kPanel,
    kCaseCount
};
constexpr const char* kCaseNames[kCaseCount] = {"panel closed, fly mode off", "panel closed, fly mode on",
                                                "panel open, all 58 s shown"};

constexpr std::size_t kManyTracks = 100;
constexpr std::size_t kKeysPerTrack = 100;

double Median(std::vector<double> samples)
{
    if (samples.empty())
    {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}
}

int main(int argc, char** argv)
{
    const bool manyKeys = argc > 1 && std::strcmp(argv[1], "many-keys") == 0;
    const char* const kManyKeysFile = "many-keys.xml";
    std::string problem;
    if (manyKeys && !FileReplacer::Write(kManyKeysFile, ChoreographyFile::Write(ManyKeys(kManyTracks, kKeysPerTrack)),
                                         {}, &problem))
    {
        std::fprintf(stderr, "live_tools_frame_bench: %s\n", problem.c_str());
        return 1;
    }
    std::int64_t now = 0;
    int frame = 0;
    std::array<std::vector<double>, kCaseCount> buildMs;
    std::array<std::vector<double>, kCaseCount> overlayMs;
    std::array<std::vector<double>, kCaseCount> frameMs;
    Case shown = kPlain;
    std::size_t selected = 0;

    const int exitCode = SystemClass::RunApplication([&](SystemClass& system) {
        system.GetLiveTools().EnableControls();
        system.Settings().music = false;
        system.Settings().screenWidth = 800;
        system.Settings().screenHeight = 600;
        system.SetTimeSource([&now] { return now; });
        if (manyKeys)
        {
            system.Settings().choreographyFile = kManyKeysFile;
        }
        system.Settings().frameObserver = [&] {
            now += 1'000'000'000 / 60;
            PresentationControls& controls = *system.GetLiveTools().GetControls();
            const int index = frame++;
            if (index == 0)
            {
                controls.RequestSeek(kMoment);
                controls.Carry(KeyAction::Pause, 0.0);
                if (ChoreographyDocument* document = system.GetLiveTools().GetDocument(); document && manyKeys)
                {
                    document->Model().SelectedKeys().SelectAllInLoop();
                    selected = document->Model().SelectedKeys().Keys().size();
                }
                return;
            }
            if (index < kSettleFrames)
            {
                return;
            }
            // The frame just drawn showed the case set after the one before it.
            const int inBlock = (index - kSettleFrames) % kBlockFrames;
            if (inBlock >= kWarmFrames)
            {
                const FrameStats& stats = system.GetFrameStats();
                buildMs[shown].push_back(stats.overlayBuildMs);
                overlayMs[shown].push_back(stats.overlayMs);
                frameMs[shown].push_back(stats.logicMs + stats.eventsMs + stats.sceneUpdateMs + stats.sceneRenderMs +
                                         stats.overlayMs + stats.presentMs);
            }
            if (inBlock != kBlockFrames - 1)
            {
                return;
            }
            const int block = (index - kSettleFrames) / kBlockFrames + 1;
            if (block == kRounds * kCaseCount)
            {
                PostQuitMessage(0);
                return;
            }
            const auto next = static_cast<Case>(block % kCaseCount);
            if ((next == kFlying) != controls.IsFlying())
            {
                controls.Carry(KeyAction::ToggleFly, 0.0);
            }
            if ((next == kPanel) != controls.IsTimelineVisible())
            {
                controls.Carry(KeyAction::TogglePanel, 0.0);
            }
            shown = next;
        };
    });
    if (manyKeys)
    {
        std::remove(kManyKeysFile);
    }
    if (exitCode != 0 || overlayMs[kPanel].empty())
    {
        std::fprintf(stderr, "live_tools_frame_bench: the presentation did not run (exit code %d)\n", exitCode);
        return 1;
    }
    for (int which = 0; which < kCaseCount; ++which)
    {
        std::printf("live tools, %s%s: overlay build median %.3f ms, overlay frame median %.3f ms, whole frame median "
                    "%.3f ms (%zu frames at 800x600)\n",
                    kCaseNames[which],
                    manyKeys ? (", " + std::to_string(selected) + " keys over 100 tracks selected").c_str() : "",
                    Median(buildMs[which]), Median(overlayMs[which]), Median(frameMs[which]), overlayMs[which].size());
    }
    return 0;
}
