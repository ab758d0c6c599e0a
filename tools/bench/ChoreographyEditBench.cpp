// What editing a choreography of a million keys costs in the timeline panel's document: the peak memory after
// reading the file, the peak after 256 key edits (each one undo step), and the time of each edit as the panel
// makes it (copy the current version, change one key, hand it to the editor, which checks it and keeps the step),
// with the frame's checks and the autosave's ticking beside it. Two runs, so that the file's writing is no part of
// the peaks. Prints figures; asserts nothing about time or memory.
//
// Run:  tools/winerun build/bin/choreography_edit_bench.exe write FILE
//       tools/winerun build/bin/choreography_edit_bench.exe edit FILE
#include "app/FileReplacer.h"
#include "app/live/timeline/ChoreographyDocument.h"
#include "scene/choreography/ChoreographyFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace
{
using Clock = std::chrono::steady_clock;
constexpr std::size_t kKeys = 1'000'000;
constexpr std::size_t kTracks = 120;   // twenty actors' six channels: a long presentation's worth of tracks
constexpr int kEdits = 256;

double PeakMegabytes()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
#endif
}

double Seconds()
{
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

Choreography MillionKeys()
{
    Choreography choreography = Choreography::Presentation();
    const std::size_t perTrack = kKeys / kTracks;
    for (std::size_t t = 0; t < kTracks; ++t)
    {
        Choreography::Track track;
        track.actor = static_cast<ActorId>(1 + t / Choreography::kChannelCount);
        track.channel = static_cast<Choreography::Channel>(t % Choreography::kChannelCount);
        track.keys.reserve(perTrack);
        for (std::size_t k = 0; k < perTrack; ++k)
        {
            track.keys.push_back({58.0f * static_cast<float>(k) / static_cast<float>(perTrack),
                                  static_cast<float>(k % 97), static_cast<Choreography::Ease>(k % 4)});
        }
        choreography.tracks.push_back(std::move(track));
    }
    return choreography;
}

int Edit(const std::string& file)
{
    const auto start = Clock::now();
    std::optional<Choreography> loaded = ChoreographyFile::Load(file);
    if (!loaded)
    {
        std::printf("choreography edit: %s does not load\n", file.c_str());
        return 1;
    }
    const double loadMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double afterLoading = PeakMegabytes();

    std::vector<double> edits;
    std::string autosave;
    {
        ChoreographyDocument document(std::move(*loaded), file);
        autosave = document.AutosaveFileName();
        ChoreographyEditor& editor = document.Editor();
        const std::size_t perTrack = editor.Current().tracks.front().keys.size();
        for (int e = 0; e < kEdits; ++e)
        {
            const auto editStart = Clock::now();
            Choreography next = editor.Current();
            next.tracks[static_cast<std::size_t>(e) * 37 % kTracks]
                .keys[static_cast<std::size_t>(e) * 7919 % perTrack]
                .value += 1.0f;
            editor.Change(std::move(next));
            editor.TakeToPlay();
            document.HasUnsavedChanges();
            document.Tick(Seconds());
            edits.push_back(std::chrono::duration<double, std::milli>(Clock::now() - editStart).count());
        }
        std::printf("choreography edit: %zu undo steps held after %d edits\n", editor.UndoSteps(), kEdits);
        document.WriteRecovery();
    }
    FileReplacer::Remove(autosave);
    const double afterEdits = PeakMegabytes();
    std::sort(edits.begin(), edits.end());
    std::printf("choreography edit, %zu keys: read in %.0f ms, peak %.0f MB after reading, %.0f MB after %d key edits "
                "(%.2f times)\n",
                kKeys, loadMs, afterLoading, afterEdits, kEdits, afterEdits / afterLoading);
    std::printf("choreography edit, %zu keys: per edit median %.3f ms, 99th percentile %.3f ms, worst %.3f ms\n", kKeys,
                edits[edits.size() / 2], edits[edits.size() * 99 / 100], edits.back());
    return 0;
}
}

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: choreography_edit_bench write|edit FILE\n");
        return 64;
    }
    const std::string mode = argv[1];
    const std::string file = argv[2];
    if (mode == "write")
    {
        std::string problem;
        if (!FileReplacer::Write(file, ChoreographyFile::Write(MillionKeys()), {}, &problem))
        {
            std::fprintf(stderr, "%s\n", problem.c_str());
            return 1;
        }
        return 0;
    }
    return mode == "edit" ? Edit(file) : 64;
}
