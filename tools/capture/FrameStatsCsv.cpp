// The --stats rows: see FrameStatsCsv.h.
#include "tools/capture/FrameStatsCsv.h"

#include <cstdio>
#include <iomanip>

namespace
{
constexpr int kFrameFigure = GpuFrameTimes::kPassCount;   // the whole frame, after the passes

std::string Cell(const std::optional<GpuFrameTimes>& gpu, const std::optional<double>& figure)
{
    if (!gpu || gpu->outcome == GpuFrameTimes::Outcome::Lost)
    {
        return "";
    }
    if (!figure)
    {
        return FrameStatsCsv::kNotMeasured;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", *figure);
    return text;
}
}

FrameStatsCsv::FrameStatsCsv(std::ostream& out) : m_out(out)
{
    m_out << kHeader << '\n';
    m_out << std::fixed << std::setprecision(4);
}

void FrameStatsCsv::AddFrame(long long frame, double seconds, const FrameStats& cpu,
                             std::optional<std::uint64_t> gpuFrame)
{
    m_waiting.push_back(Row{frame, seconds, cpu, gpuFrame, std::nullopt});
    WriteReadyRows();
}

void FrameStatsCsv::AddGpuTimes(const std::vector<GpuFrameTimes>& reported)
{
    for (const GpuFrameTimes& times : reported)
    {
        for (Row& row : m_waiting)
        {
            if (row.gpuFrame == times.frame)
            {
                row.gpu = times;
            }
        }
    }
    WriteReadyRows();
}

void FrameStatsCsv::Finish()
{
    for (const Row& row : m_waiting)
    {
        Write(row);
    }
    m_waiting.clear();
    m_out.flush();
}

void FrameStatsCsv::WriteReadyRows()
{
    // The timer reports frames in order, so once a frame's answer is in, every earlier one has had its own.
    while (!m_waiting.empty() && (!m_waiting.front().gpuFrame || m_waiting.front().gpu))
    {
        Write(m_waiting.front());
        m_waiting.pop_front();
    }
}

void FrameStatsCsv::Write(const Row& row)
{
    const FrameStats& s = row.cpu;
    m_out << row.frame << ',' << row.seconds << ',' << s.logicMs << ',' << s.eventsMs << ',' << s.sceneUpdateMs << ','
          << s.sceneRenderMs << ',' << s.overlayMs << ',' << s.presentMs;
    const std::optional<GpuFrameTimes>& gpu = row.gpu;
    for (int pass = 0; pass < GpuFrameTimes::kPassCount; ++pass)
    {
        m_out << ',' << Cell(gpu, gpu ? gpu->passMs[pass] : std::nullopt);
    }
    m_out << ',' << Cell(gpu, gpu ? gpu->frameMs : std::nullopt) << '\n';

    if (!gpu || gpu->outcome == GpuFrameTimes::Outcome::Lost)
    {
        ++m_lost;
        return;
    }
    if (gpu->outcome == GpuFrameTimes::Outcome::NotMeasured)
    {
        ++m_notMeasured;
        return;
    }
    ++m_measured;
    for (int figure = 0; figure <= kFrameFigure; ++figure)
    {
        const std::optional<double>& value = figure == kFrameFigure ? gpu->frameMs : gpu->passMs[figure];
        if (value)
        {
            m_sums[figure] += *value;
            ++m_counts[figure];
        }
    }
}

std::string FrameStatsCsv::Summary() const
{
    char text[96];
    std::snprintf(text, sizeof text,
                  "device time per frame, mean of %lld measured frames (%lld n/a, %lld unanswered):", m_measured,
                  m_notMeasured, m_lost);
    std::string line = text;
    for (int figure = 0; figure <= kFrameFigure; ++figure)
    {
        const char* name = figure == kFrameFigure ? "frame" : GpuFrameTimes::kPassNames[figure];
        if (m_counts[figure] > 0)
        {
            std::snprintf(text, sizeof text, " %s %.2f ms", name,
                          m_sums[figure] / static_cast<double>(m_counts[figure]));
        }
        else
        {
            std::snprintf(text, sizeof text, " %s n/a", name);
        }
        line += text;
        line += figure < kFrameFigure ? "," : "";
    }
    return line;
}
