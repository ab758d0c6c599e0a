// What stretching many keys at once costs in the timeline panel's model: the presentation with 10,000 keys over 100
// tracks on the beat, every key selected (Ctrl+A), stretched by 2 about the first key as the panel's button does it
// (one edit: the new times, the handles' clamp, the check and the undo step), then undone, 21 times. Prints the
// median and the slowest; asserts nothing about time.
//
// Run:  tools/winerun build/bin/key_selection_bench.exe
#include "app/live/timeline/ChoreographyEditor.h"
#include "app/live/timeline/TimelineModel.h"
#include "tools/bench/ManyKeys.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace
{
constexpr std::size_t kTracks = 100;
constexpr std::size_t kKeysPerTrack = 100;
constexpr int kRuns = 21;
}

int main()
{
    ChoreographyEditor editor(ManyKeys(kTracks, kKeysPerTrack));
    TimelineModel model(editor);
    model.SelectedKeys().SelectAllInLoop();
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run)
    {
        const auto start = std::chrono::steady_clock::now();
        model.SelectedKeys().Stretch(2.0f, KeySelection::Pivot::FirstKey);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (editor.UndoSteps() != 1 || !editor.Problems().empty())
        {
            std::printf("key selection: the stretch was no single valid edit\n");
            return 1;
        }
        model.Undo();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("key selection: stretching %zu keys over %zu tracks by 2, one edit: median %.2f ms, slowest %.2f ms "
                "(%d runs)\n",
                model.SelectedKeys().Keys().size(), kTracks, ms[ms.size() / 2], ms.back(), kRuns);
    return 0;
}
