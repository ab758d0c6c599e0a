// The capture's writer thread: see PictureWriter.h.
#include "tools/capture/PictureWriter.h"

#include <iomanip>
#include <iostream>
#include <sstream>

PictureWriter::PictureWriter(const CaptureOptions& options, const CapturePlan& plan, std::filesystem::path outDir,
                             std::FILE* stream)
    : m_options(options), m_plan(plan), m_outDir(std::move(outDir)), m_stream(stream)
{
    if (options.stream)
    {
        for (std::size_t picture = 0; picture < plan.Pictures().size(); ++picture)
        {
            if (plan.Pictures()[picture].frame >= 0)
            {
                m_streamOrder.push_back(picture);
            }
        }
    }
    m_thread = std::thread([this] { Work(); });
}

PictureWriter::~PictureWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

std::string PictureWriter::MomentFileName(double seconds)
{
    std::ostringstream name;
    name << "t" << std::fixed << std::setprecision(3) << seconds << ".png";
    return name.str();
}

std::string PictureWriter::FrameFileName(long long frame)
{
    std::ostringstream name;
    name << "frame-" << std::setw(6) << std::setfill('0') << frame << ".png";
    return name.str();
}

void PictureWriter::Add(std::size_t picture, FrameImage drawing)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_jobs.size() < kMaxWaiting; });
    m_jobs.push_back(Job{picture, std::move(drawing)});
    m_changed.notify_all();
}

void PictureWriter::Finish()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

bool PictureWriter::Failed() const
{
    const std::lock_guard lock(m_mutex);
    return m_failed;
}

bool PictureWriter::StreamFailed() const
{
    const std::lock_guard lock(m_mutex);
    return m_streamFailed;
}

std::set<double> PictureWriter::SavedMoments() const
{
    const std::lock_guard lock(m_mutex);
    return m_saved;
}

long long PictureWriter::FinishedCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_finished;
}

void PictureWriter::Work()
{
    for (;;)
    {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
            if (m_jobs.empty())
            {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_busy = true;
        }
        m_changed.notify_all();   // room for the next drawing while this one is written
        Take(std::move(job));
        {
            const std::lock_guard lock(m_mutex);
            m_busy = false;
        }
        m_changed.notify_all();
    }
}

void PictureWriter::Take(Job job)
{
    const CapturePlan::Picture& picture = m_plan.Pictures()[job.picture];
    if (picture.samples == 1 && m_options.supersample == 1)
    {
        Write(job.picture, job.drawing);
        return;
    }
    std::unique_ptr<LinearLightMean>& mean = m_means[job.picture];
    if (!mean)
    {
        // Without --size the window decides the size, and the first drawing tells it.
        const int width = m_options.width > 0 ? m_options.width : job.drawing.width / m_options.supersample;
        const int height = m_options.height > 0 ? m_options.height : job.drawing.height / m_options.supersample;
        mean = std::make_unique<LinearLightMean>(width, height, m_options.supersample);
    }
    if (!mean->Add(job.drawing))
    {
        std::cerr << "engine-capture: a drawing of " << job.drawing.width << "x" << job.drawing.height
                  << " does not fit the picture it belongs to; stopping\n";
        const std::lock_guard lock(m_mutex);
        m_failed = true;
        return;
    }
    if (mean->Count() == picture.samples)
    {
        const FrameImage image = mean->Resolve();
        m_means.erase(job.picture);
        Write(job.picture, image);
    }
}

void PictureWriter::Write(std::size_t index, const FrameImage& image)
{
    const CapturePlan::Picture& picture = m_plan.Pictures()[index];
    bool written = true;
    if (picture.moment)
    {
        written = image.WritePng((m_outDir / MomentFileName(*picture.moment)).string());
    }
    else
    {
        if (m_options.every)
        {
            written = image.WritePng((m_outDir / FrameFileName(picture.frame)).string());
        }
        if (m_options.stream)
        {
            // Frames finish in order as a rule; one that is early waits for those before it.
            m_streamWaiting.emplace(index, image);
            while (m_nextStreamed < m_streamOrder.size())
            {
                const auto next = m_streamWaiting.find(m_streamOrder[m_nextStreamed]);
                if (next == m_streamWaiting.end())
                {
                    break;
                }
                Stream(next->second);
                m_streamWaiting.erase(next);
                ++m_nextStreamed;
            }
        }
    }
    const std::lock_guard lock(m_mutex);
    m_failed |= !written;
    if (written && picture.moment)
    {
        m_saved.insert(*picture.moment);
    }
    ++m_finished;
}

void PictureWriter::Stream(const FrameImage& image)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_streamFailed)
        {
            return;
        }
    }
    const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
    m_rgb.resize(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i)
    {
        m_rgb[i * 3] = image.rgba[i * 4];
        m_rgb[i * 3 + 1] = image.rgba[i * 4 + 1];
        m_rgb[i * 3 + 2] = image.rgba[i * 4 + 2];
    }
    if (std::fwrite(m_rgb.data(), 1, m_rgb.size(), m_stream) != m_rgb.size())
    {
        std::cerr << "engine-capture: standard output was closed; stopping\n";
        const std::lock_guard lock(m_mutex);
        m_streamFailed = true;
    }
}
