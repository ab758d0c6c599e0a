// A drawing between frames: see BetweenFrames.h.
#include "tools/capture/BetweenFrames.h"

#include <cstdint>

#include "app/FrameTimer.h"
#include "app/SystemClass.h"
#include "app/live/timeline/TimelineReplay.h"
#include "app/live/timeline/TimelineSnapshot.h"
#include "events/IEventManager.h"
#include "scene/Scene3.h"
#include "tools/capture/CaptureOptions.h"

void BetweenFrames::Draw(SystemClass& system, const CaptureOptions& options, long long frame,
                         const FixedStep::Path& path)
{
    auto* scene = dynamic_cast<Scene3*>(SystemClass::GetGraphics().GetScene());
    BaseEngineLogic* logic = SystemClass::GetLogic();
    IEventManager* events = IEventManager::Get();
    if (scene == nullptr || logic == nullptr || events == nullptr)
    {
        return;
    }
    const TimelineSnapshot snapshot = TimelineSnapshot::Take(*scene, *logic, *events);

    // The clock as the run's timer reads it at `frame`, then at each reading of the path.
    std::int64_t now = 0;
    FrameTimer timer([&now] { return now; });
    timer.Reset();
    now = options.PresentationNanosecondsAt(options.RunNanoseconds(frame));
    timer.Tick();
    for (int reading = 0; reading < path.readingCount; ++reading)
    {
        if (reading > 0)
        {
            TimelineReplay::StandInForDrawing(*scene);   // the frame itself was drawn, or stood in for, already
        }
        now = options.PresentationNanosecondsAt(path.readings[reading]);
        timer.Tick();
        system.UpdateFrame(timer);
    }
    SystemClass::GetGraphics().Frame();
    snapshot.Restore(*scene, *events);
}
