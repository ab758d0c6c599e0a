// A small program for tests/app/save_kill_test.sh, which kills it with SIGKILL at chosen moments: it saves a
// large choreography through the timeline's document again and again, or makes an edit, waits for its autosave and
// then waits to be killed, or reports what a file and a new document find afterwards; and, for
// tests/app/two_programs_test.sh, plays one of two programs editing the same file, step by step.
//   choreography_save_probe save FILE        saves versions 1, 2, 3, ... of a large choreography, forever
//   choreography_save_probe edit FILE        an edit of FILE's actor rate, autosaved, then waits forever
//   choreography_save_probe check FILE       exit 0 when FILE reads as a whole version (printing its number)
//   choreography_save_probe recover FILE     exit 0 when a new document offers the edit and opens it
//   choreography_save_probe session FILE STEP...
//       opens FILE and takes the steps in order, printing "STEP done" after each:
//         rate ACTOR VALUE   sets the rate of the file's actor row ACTOR (counted from 0)
//         autosave           autosaves now and waits until the autosave is written
//         save               saves (exit 1 when it fails)
//         await NAME         waits until a file NAME exists
//         quit               quits as engine.exe does (unsaved edits autosaved, otherwise its autosave removed)
//         hold               waits forever (to be killed)
//   choreography_save_probe offers FILE      prints each version a new document offers, newest first, as
//                                            "FILE RATE0 RATE1 ..." (its actor rows' rates), then puts them aside
// and, for tests/app/timeline_test.sh's stretch of a passage:
//   choreography_save_probe passage FILE     writes the presentation's travel and camera with camera x and yaw
//                                            tracks keyed on its first five beats, and on beat 16 once more
//   choreography_save_probe values FILE T... prints "ACTOR CHANNEL T VALUE" for every track at every time T
#include "app/live/timeline/ChoreographyDocument.h"
#include "app/FileReplacer.h"
#include "scene/choreography/ChoreographyFile.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace
{
constexpr std::size_t kKeys = 400'000;
constexpr float kEditedRate = 77.0f;

// Version `number`: its travel starts at the number, and every key's value says it too, so that a file mixing two
// versions cannot pass for either.
Choreography Version(int number)
{
    Choreography choreography = Choreography::Presentation();
    choreography.travel.start = static_cast<float>(number);
    Choreography::Track track;
    track.channel = Choreography::Channel::Y;
    track.keys.reserve(kKeys);
    for (std::size_t k = 0; k < kKeys; ++k)
    {
        track.keys.push_back({static_cast<float>(k) * 1e-4f, static_cast<float>(number), Choreography::Ease::Step});
    }
    choreography.tracks.push_back(std::move(track));
    return choreography;
}

int Save(const std::string& file)
{
    ChoreographyDocument document(Version(0), file);
    for (int number = 1;; ++number)
    {
        document.Editor().Change(Version(number));
        if (!document.Save())
        {
            return 1;
        }
        std::printf("saved %d\n", number);
        std::fflush(stdout);
    }
}

int Check(const std::string& file)
{
    std::string problem;
    const std::optional<Choreography> read = ChoreographyFile::Load(file, &problem);
    if (!read)
    {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    const float number = read->travel.start;
    if (read->tracks.size() != 1 || read->tracks.front().keys.size() != kKeys)
    {
        std::fprintf(stderr, "%s: not a whole version\n", file.c_str());
        return 1;
    }
    for (const Choreography::Key& key : read->tracks.front().keys)
    {
        if (key.value != number)
        {
            std::fprintf(stderr, "%s: keys of two versions\n", file.c_str());
            return 1;
        }
    }
    std::printf("%d\n", static_cast<int>(number));
    return 0;
}

int Edit(const std::string& file)
{
    std::optional<Choreography> start = ChoreographyFile::Load(file);
    if (!start)
    {
        return 1;
    }
    ChoreographyDocument document(*start, file);
    Choreography edited = *start;
    edited.actors.front().rate = kEditedRate;
    document.Editor().Change(std::move(edited));
    document.Tick(0.0);
    // The autosave is written on its own thread: wait until it reads back whole.
    while (ChoreographyFile::LoadForEditing(document.AutosaveFileName()) == std::nullopt)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::printf("autosaved\n");
    std::fflush(stdout);
    for (;;)
    {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

void Told(const char* step)
{
    std::printf("%s done\n", step);
    std::fflush(stdout);
}

int Session(const std::string& file, int count, char** steps)
{
    std::optional<Choreography> start = ChoreographyFile::Load(file);
    if (!start)
    {
        return 1;
    }
    ChoreographyDocument document(*start, file);
    double now = 0.0;
    for (int at = 0; at < count; ++at)
    {
        const std::string step = steps[at];
        if (step == "rate" && at + 2 < count)
        {
            Choreography edited = document.Editor().Current();
            edited.actors.at(static_cast<std::size_t>(std::atoi(steps[at + 1]))).rate =
                static_cast<float>(std::atof(steps[at + 2]));
            document.Editor().Change(std::move(edited));
            at += 2;
        }
        else if (step == "autosave")
        {
            now += ChoreographyDocument::kAutosaveSeconds;
            document.Tick(now);
            const Choreography wanted = document.Editor().Current();
            while (ChoreographyFile::LoadForEditing(document.AutosaveFileName()) != wanted)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        else if (step == "save" && !document.Save())
        {
            return 1;
        }
        else if (step == "await" && at + 1 < count)
        {
            const std::string awaited = steps[++at];
            while (!FileReplacer::Exists(awaited))
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        else if (step == "quit")
        {
            document.WriteRecovery();
            Told(steps[at]);
            return 0;
        }
        else if (step == "hold")
        {
            Told(steps[at]);
            for (;;)
            {
                std::this_thread::sleep_for(std::chrono::seconds(1));
            }
        }
        Told(step.c_str());
    }
    return 0;
}

int Offers(const std::string& file)
{
    const std::optional<Choreography> start = ChoreographyFile::Load(file);
    if (!start)
    {
        return 1;
    }
    ChoreographyDocument document(*start, file);
    for (const ChoreographyRecovery::Version& version : document.Recovered())
    {
        const std::optional<Choreography> offered = ChoreographyFile::LoadForEditing(version.file);
        std::printf("%s", version.file.c_str());
        for (std::size_t row = 0; offered && row < offered->actors.size(); ++row)
        {
            std::printf(" %g", static_cast<double>(offered->actors[row].rate));
        }
        std::printf("\n");
    }
    document.DismissRecovery();
    return 0;
}

int Recover(const std::string& file)
{
    const std::optional<Choreography> start = ChoreographyFile::Load(file);
    if (!start || start->actors.front().rate == kEditedRate)
    {
        std::fprintf(stderr, "%s: the file itself changed\n", file.c_str());
        return 1;
    }
    ChoreographyDocument document(*start, file);
    if (document.Recovered().empty() || !document.OpenRecovery())
    {
        return 1;
    }
    return document.Editor().Current().actors.front().rate == kEditedRate ? 0 : 1;
}

// Without actor rows, so that the tracks' lanes come right after the camera's in the panel.
int Passage(const std::string& file)
{
    Choreography choreography = Choreography::Presentation();
    choreography.actors.clear();
    const float beat = choreography.beatSeconds;
    const float values[2][5] = {{0.0f, 6.0f, -4.0f, 9.0f, 2.0f}, {0.0f, 30.0f, -20.0f, 45.0f, 10.0f}};
    for (int which = 0; which < 2; ++which)
    {
        Choreography::Track track;
        track.channel = which == 0 ? Choreography::Channel::X : Choreography::Channel::Yaw;
        for (int k = 0; k < 5; ++k)
        {
            track.keys.push_back({beat * static_cast<float>(k), values[which][k],
                                  k % 2 == 0 ? Choreography::Ease::Smooth : Choreography::Ease::Linear});
        }
        track.keys.push_back({beat * 16.0f, 0.0f, Choreography::Ease::Linear});
        choreography.tracks.push_back(std::move(track));
    }
    std::string problem;
    if (!FileReplacer::Write(file, ChoreographyFile::Write(choreography), {}, &problem))
    {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    return 0;
}

int Values(const std::string& file, int count, char** times)
{
    const std::optional<Choreography> choreography = ChoreographyFile::Load(file);
    if (!choreography)
    {
        return 1;
    }
    for (const Choreography::Track& track : choreography->tracks)
    {
        for (int i = 0; i < count; ++i)
        {
            const float t = std::strtof(times[i], nullptr);
            std::printf("%u %s %s %.9g\n", static_cast<unsigned>(track.actor), Choreography::ChannelName(track.channel),
                        times[i], static_cast<double>(track.ValueAt(t)));
        }
    }
    return 0;
}
}

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: choreography_save_probe save|edit|check|recover|offers|passage FILE, session FILE "
                             "STEP..., or values FILE T...\n");
        return 64;
    }
    const std::string mode = argv[1];
    const std::string file = argv[2];
    if (mode == "session")
    {
        return Session(file, argc - 3, argv + 3);
    }
    if (mode == "offers")
    {
        return Offers(file);
    }
    if (mode == "save")
    {
        return Save(file);
    }
    if (mode == "edit")
    {
        return Edit(file);
    }
    if (mode == "check")
    {
        return Check(file);
    }
    if (mode == "recover")
    {
        return Recover(file);
    }
    if (mode == "passage")
    {
        return Passage(file);
    }
    if (mode == "values")
    {
        return Values(file, argc - 3, argv + 3);
    }
    return 64;
}
