// Event manager throughput against the plain loop it replaces: one million queued EvtData_Move_Actor events
// delivered to two listeners (stand-ins for the scene tree and the engine logic), and triggered events
// delivered to 1, 10 and 100 listeners. Prints events per second and ratios; asserts nothing about time.
//
// Run:  build-native/bin/event_bench            (native)
//       tools/winerun build/bin/event_bench.exe (Windows build, under Wine)
#include "events/EventManager.h"
#include "events/EvtData_Move_Actor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

constexpr int kQueuedEvents = 1'000'000;
constexpr int kTriggeredEvents = 200'000;
constexpr int kRepeats = 5;

// What the two real listeners do with a move: look the actor up and take the matrix.
struct MoveListener
{
    std::vector<Matrix4x4> transforms = std::vector<Matrix4x4>(64);
    double checksum = 0.0;

    static void OnMove(void* object, SharedEventData event)
    {
        auto* self = static_cast<MoveListener*>(object);
        const auto& move = static_cast<const EvtData_Move_Actor&>(*event);
        Matrix4x4& target = self->transforms[move.GetActorId() % self->transforms.size()];
        target = move.GetTransform();
        self->checksum += target.m[12];
    }
};

using Function = EventDelegate::Function;
struct PlainListener
{
    void* object;
    Function function;
};

std::vector<SharedEventData> MakeEvents(int count)
{
    std::vector<SharedEventData> events;
    events.reserve(count);
    for (int i = 0; i < count; ++i)
    {
        events.push_back(std::make_shared<EvtData_Move_Actor>(
            static_cast<ActorId>(i % 20 + 1), Matrix4x4::Translation(static_cast<float>(i % 7), 0.0f, 1.0f)));
    }
    return events;
}

// Best of kRepeats runs, in seconds; `run` does one full pass.
double BestSeconds(const std::function<void()>& run)
{
    double best = 1e300;
    for (int i = 0; i < kRepeats; ++i)
    {
        const auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

void Report(const char* what, int events, double managerSeconds, double plainSeconds)
{
    const double managerRate = events / managerSeconds;
    const double plainRate = events / plainSeconds;
    std::printf("%-34s manager %12.0f ev/s   plain loop %12.0f ev/s   ratio %.2fx\n", what, managerRate, plainRate,
                managerSeconds / plainSeconds);
}

void QueuedBenchmark()
{
    const std::vector<SharedEventData> events = MakeEvents(kQueuedEvents);
    MoveListener tree;
    MoveListener logic;

    EventManager manager("Bench Event Mgr");
    manager.AddListener(EventDelegate(&tree, &MoveListener::OnMove), EvtData_Move_Actor::s_eventType);
    manager.AddListener(EventDelegate(&logic, &MoveListener::OnMove), EvtData_Move_Actor::s_eventType);
    bool allDelivered = true;
    const double managerSeconds = BestSeconds([&] {
        for (const SharedEventData& event : events)
        {
            manager.QueueEvent(event);
        }
        allDelivered = manager.Update(20.0f) && allDelivered;
    });

    // The same work by hand: append each event to a queue, then hand every queued event to each listener.
    const std::vector<PlainListener> listeners = {{&tree, &MoveListener::OnMove}, {&logic, &MoveListener::OnMove}};
    std::vector<SharedEventData> queue;
    const double plainSeconds = BestSeconds([&] {
        for (const SharedEventData& event : events)
        {
            queue.push_back(event);
        }
        for (const SharedEventData& event : queue)
        {
            for (const PlainListener& listener : listeners)
            {
                listener.function(listener.object, event);
            }
        }
        queue.clear();
    });

    Report("queued, 2 listeners (1M events)", kQueuedEvents, managerSeconds, plainSeconds);
    if (!allDelivered)
    {
        std::printf("  note: the 20 s budget ran out; some updates left events over\n");
    }
    std::printf("  (checksums %.0f %.0f)\n", tree.checksum, logic.checksum);
}

void TriggeredBenchmark(int listenerCount)
{
    const std::vector<SharedEventData> events = MakeEvents(kTriggeredEvents);
    std::vector<MoveListener> targets(listenerCount);

    EventManager manager("Bench Event Mgr");
    std::vector<PlainListener> plain;
    for (MoveListener& target : targets)
    {
        manager.AddListener(EventDelegate(&target, &MoveListener::OnMove), EvtData_Move_Actor::s_eventType);
        plain.push_back({&target, &MoveListener::OnMove});
    }

    const double managerSeconds = BestSeconds([&] {
        for (const SharedEventData& event : events)
        {
            manager.TriggerEvent(event);
        }
    });
    const double plainSeconds = BestSeconds([&] {
        for (const SharedEventData& event : events)
        {
            for (const PlainListener& listener : plain)
            {
                listener.function(listener.object, event);
            }
        }
    });

    char label[64];
    std::snprintf(label, sizeof label, "triggered, %d listener%s", listenerCount, listenerCount == 1 ? "" : "s");
    Report(label, kTriggeredEvents, managerSeconds, plainSeconds);
}

// The queued path reads the budget clock once per event, so its cost bounds the queued ratio.
void ClockBenchmark()
{
    constexpr int kReads = 1'000'000;
    std::int64_t sink = 0;
    const double seconds = BestSeconds([&] {
        for (int i = 0; i < kReads; ++i)
        {
            sink ^= FrameTimer::SystemNanoseconds();
        }
    });
    std::printf("%-34s %.1f ns per read (%lld)\n", "budget clock", seconds * 1e9 / kReads,
                static_cast<long long>(sink));
}
}

int main()
{
    std::printf("event manager benchmark (best of %d runs each; ratio = manager time / plain loop time)\n", kRepeats);
    ClockBenchmark();
    QueuedBenchmark();
    for (int listeners : {1, 10, 100})
    {
        TriggeredBenchmark(listeners);
    }
    return 0;
}
