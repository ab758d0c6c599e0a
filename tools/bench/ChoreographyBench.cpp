// The choreography's cost: reading files of 10,000 and 1,000,000 keys, and the scripted scene's per-frame
// evaluation (travelling value, camera segments and tracks, actor rows and tracks, the moves queued) over the
// whole presentation at 60 frames a second, with the compiled-in choreography and with 10,000 and 1,000,000 keys
// on twelve tracks of the camera and five actors (and 10,000 Bezier keys, whose curves are solved each frame). Prints figures; asserts nothing about time.
//
// Run:  build-native/bin/choreography_bench            (native)
//       tools/winerun build/bin/choreography_bench.exe (Windows build, under Wine)
#include "actors/BaseEngineLogic.h"
#include "app/EngineOptions.h"
#include "app/FileReplacer.h"
#include "app/Mouse.h"
#include "events/EventManager.h"
#include "scene/choreography/ChoreographyFile.h"
#include "scene/Scene3.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;
using Channel = Choreography::Channel;

constexpr int kFps = 60;
// Step, linear, smooth and ramp: the modes the mixed tracks take turns in, as they did before Bezier keys.
constexpr std::size_t kPlainModes = 4;
constexpr float kPresentationSeconds = 58.0f;
constexpr ActorId kActors[] = {5, 12, 13, 14, 17, 19, 20};

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The compiled-in choreography with `keyCount` keys spread evenly over twelve tracks and the presentation's
// length, their modes taking turns among step, linear, smooth and ramp, or every one Bezier with both handles
// pulled off the smoothstep, so that each frame solves a curve on every track.
Choreography WithKeys(std::size_t keyCount, bool bezier = false)
{
    const std::pair<ActorId, Channel> driven[] = {{Choreography::Track::kCamera, Channel::X},
                                                  {Choreography::Track::kCamera, Channel::Y},
                                                  {Choreography::Track::kCamera, Channel::Z},
                                                  {Choreography::Track::kCamera, Channel::Yaw},
                                                  {Choreography::Track::kCamera, Channel::Pitch},
                                                  {Choreography::Track::kCamera, Channel::Roll},
                                                  {14, Channel::X},
                                                  {14, Channel::Z},
                                                  {20, Channel::Roll},
                                                  {12, Channel::Y},
                                                  {5, Channel::Pitch},
                                                  {19, Channel::Yaw}};
    Choreography choreography = Choreography::Presentation();
    const std::size_t perTrack = keyCount / std::size(driven);
    for (const auto& [actor, channel] : driven)
    {
        Choreography::Track track{actor, channel, {}};
        track.keys.reserve(perTrack);
        for (std::size_t k = 0; k < perTrack; ++k)
        {
            const float time = kPresentationSeconds * static_cast<float>(k) / static_cast<float>(perTrack);
            const float span = kPresentationSeconds / static_cast<float>(perTrack);
            if (bezier)
            {
                track.keys.push_back({time, 10.0f * std::sin(static_cast<float>(k)), Choreography::Ease::Bezier,
                                      Choreography::Handle{-0.4f * span, -1.0f},
                                      Choreography::Handle{0.1f * span, 2.0f}});
                continue;
            }
            track.keys.push_back(
                {time, 10.0f * std::sin(static_cast<float>(k)), static_cast<Choreography::Ease>(k % kPlainModes)});
        }
        choreography.tracks.push_back(std::move(track));
    }
    return choreography;
}

void ReadBenchmark(const std::filesystem::path& folder, std::size_t keyCount)
{
    const std::string file = (folder / ("keys-" + std::to_string(keyCount) + ".xml")).string();
    if (!FileReplacer::Write(file, ChoreographyFile::Write(WithKeys(keyCount))))
    {
        std::printf("choreography file, %zu keys: cannot be written\n", keyCount);
        return;
    }
    double best = 1e300;
    for (int run = 0; run < (keyCount > 100'000 ? 1 : 5); ++run)
    {
        const auto start = Clock::now();
        const bool loaded = ChoreographyFile::Load(file).has_value();
        best = std::min(best, MillisecondsSince(start));
        if (!loaded)
        {
            std::printf("choreography file, %zu keys: does not load\n", keyCount);
            return;
        }
    }
    std::printf("choreography file, %zu keys: %.1f MB, read in %.1f ms\n", keyCount,
                static_cast<double>(std::filesystem::file_size(file)) / 1e6, best);
}

// Every frame of the presentation on the fixed step, each in the application's order; only the scene's update is
// timed. The event manager's delivery of the moves to the actors belongs to the next frame's dispatch.
void EvaluationBenchmark(const char* what, const Choreography& choreography, Scene3& scene, BaseEngineLogic& logic,
                         EventManager& events)
{
    scene.SetChoreography(std::make_shared<const Choreography>(choreography), std::string());
    std::array<unsigned char, 256> keys{};
    Mouse mouse;
    std::vector<double> microseconds;
    const long long frames = static_cast<long long>(kPresentationSeconds) * kFps + 1;
    for (long long frame = 0; frame < frames; ++frame)
    {
        const float total = static_cast<float>(frame * 1'000'000'000LL / kFps) / 1e9f;
        const float elapsed = frame == 0 ? 0.0f : 1.0f / kFps;
        logic.OnUpdate(total, elapsed);
        events.Update(20.0f);
        const auto start = Clock::now();
        scene.Update(nullptr, keys, mouse, elapsed, total);
        microseconds.push_back(MillisecondsSince(start) * 1000.0);
    }
    events.Update(20.0f);
    const double mean = std::accumulate(microseconds.begin(), microseconds.end(), 0.0) / microseconds.size();
    std::sort(microseconds.begin(), microseconds.end());
    std::printf("per-frame evaluation, %s: mean %.2f us, median %.2f us, 99th percentile %.2f us, worst %.2f us "
                "(%zu frames)\n",
                what, mean, microseconds[microseconds.size() / 2], microseconds[microseconds.size() * 99 / 100],
                microseconds.back(), microseconds.size());
}
}

int main()
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("choreography-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder);

    ReadBenchmark(folder, 10'000);
    ReadBenchmark(folder, 1'000'000);

    // The seven actors the presentation moves, each with a transform, in a logic of their own.
    EventManager events("Bench Event Mgr");
    EngineOptions options;
    std::unique_ptr<BaseEngineLogic> logic = std::make_unique<BaseEngineLogic>();
    Scene3 scene(options, nullptr, nullptr, [&logic] { return logic.get(); });
    logic->Init();
    logic->SetState(EngineLogicState::Running);
    const std::string actorFile = (folder / "actor.xml").string();
    std::ofstream(actorFile) << "<Actor type=\"Bench\" resource=\"actor.xml\"><TransformComponent>"
                                "<Position x=\"1\" y=\"2\" z=\"3\"/></TransformComponent></Actor>";
    for (const ActorId id : kActors)
    {
        logic->CreateActor(actorFile, nullptr, nullptr, id);
    }

    EvaluationBenchmark("compiled-in", Choreography::Presentation(), scene, *logic, events);
    EvaluationBenchmark("10000 keys", WithKeys(10'000), scene, *logic, events);
    EvaluationBenchmark("10000 bezier keys", WithKeys(10'000, true), scene, *logic, events);
    EvaluationBenchmark("1000000 keys", WithKeys(1'000'000), scene, *logic, events);

    logic.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
