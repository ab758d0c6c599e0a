// The capture's pictures and drawings: see CapturePlan.h.
#include "tools/capture/CapturePlan.h"

#include <algorithm>
#include <set>

namespace
{
template <typename Value>
auto FrameRange(const std::vector<std::pair<long long, Value>>& sorted, long long frame)
{
    return std::equal_range(sorted.begin(), sorted.end(), std::pair<long long, Value>{frame, Value{}},
                            [](const auto& a, const auto& b) { return a.first < b.first; });
}
}

CapturePlan::CapturePlan(const CaptureOptions& options) : m_options(options)
{
    if (options.every || options.stream)
    {
        const long long first = options.frames ? options.frames->first : 0;
        const long long last = options.frames ? options.frames->second : options.RunFrameCount() - 1;
        for (long long frame = first; frame <= last; ++frame)
        {
            Add(Picture{std::nullopt, frame, options.RunNanoseconds(frame), options.Samples()});
        }
    }
    for (const double seconds : options.at)
    {
        if (seconds > options.EndSeconds())
        {
            m_missing.push_back(seconds);
            continue;
        }
        Add(Picture{seconds, -1, CaptureOptions::Nanoseconds(seconds), options.Samples()});
    }
    // A moment that is never reached is only known to be so at the end: the run plays on to it.
    if (!m_missing.empty())
    {
        m_lastFrame = std::max(m_lastFrame, options.RunFrameCount() - 1);
    }
    const auto byFrame = [](const auto& a, const auto& b) { return a.first < b.first; };
    std::stable_sort(m_onFrame.begin(), m_onFrame.end(), byFrame);
    std::stable_sort(m_afterFrame.begin(), m_afterFrame.end(), byFrame);
}

void CapturePlan::Add(Picture picture)
{
    const std::size_t index = m_pictures.size();
    const FixedStep step = m_options.Step();
    for (int sample = 0; sample < picture.samples; ++sample)
    {
        // Sub-frames before the start are drawn at the start: there is no presentation before it.
        const std::int64_t moment = std::max<std::int64_t>(0, picture.nanoseconds + m_options.SampleOffset(sample));
        const FixedStep::Path path = step.PathTo(moment);
        if (path.readingCount == 0)
        {
            m_onFrame.emplace_back(path.lastFrame, index);
        }
        else
        {
            m_afterFrame.emplace_back(path.lastFrame, Drawing{index, path});
        }
        m_lastFrame = std::max(m_lastFrame, path.lastFrame);
    }
    m_pictures.push_back(std::move(picture));
}

std::vector<std::size_t> CapturePlan::PicturesDrawnBy(long long frame) const
{
    std::vector<std::size_t> pictures;
    const auto [first, last] = FrameRange(m_onFrame, frame);
    for (auto entry = first; entry != last; ++entry)
    {
        pictures.push_back(entry->second);
    }
    return pictures;
}

std::vector<CapturePlan::Drawing> CapturePlan::DrawingsAfter(long long frame) const
{
    std::vector<Drawing> drawings;
    const auto [first, last] = FrameRange(m_afterFrame, frame);
    for (auto entry = first; entry != last; ++entry)
    {
        drawings.push_back(entry->second);
    }
    return drawings;
}

bool CapturePlan::StopsBefore(long long frame) const
{
    if (m_options.loop)
    {
        return m_options.PastUntil(frame);
    }
    if (!m_options.frames && (m_options.DrawsEveryFrame() || m_options.until))
    {
        return false;
    }
    return frame > m_lastFrame;
}

long long CapturePlan::PlayedFrameCount() const
{
    long long played = m_options.RunFrameCount();
    if (!m_options.loop && StopsBefore(m_lastFrame + 1))
    {
        played = std::min(played, m_lastFrame + 1);
    }
    return played;
}

long long CapturePlan::DrawingCount() const
{
    const long long played = PlayedFrameCount();
    long long drawings = 0;
    if (m_options.DrawsEveryFrame())
    {
        drawings = played;
    }
    else
    {
        std::set<long long> frames;
        for (const auto& [frame, picture] : m_onFrame)
        {
            if (frame < played)
            {
                frames.insert(frame);
            }
        }
        drawings = static_cast<long long>(frames.size());
    }
    return drawings + std::count_if(m_afterFrame.begin(), m_afterFrame.end(),
                                    [played](const auto& entry) { return entry.first < played; });
}

bool CapturePlan::ShowsProgress() const
{
    if (m_options.every || m_options.stream)
    {
        return true;
    }
    if (!m_options.DrawsEveryFrame())
    {
        return DrawingCount() > CaptureOptions::kProgressMoments;
    }
    return m_options.EndSeconds() > CaptureOptions::kProgressSeconds;
}
