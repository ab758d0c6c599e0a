// The capture's output side, on a thread of its own so that it overlaps the drawing: takes each drawing read
// back for a picture, averages the drawings of a supersampled or blurred picture in linear light
// (LinearLightMean), and writes each finished picture: a moment as t<seconds>.png, a frame as
// frame-NNNNNN.png (--every) and as raw RGB on the stream (--stream), the stream's frames strictly in order. A
// picture of one drawing at its own size is written as it was drawn. At most a few drawings wait, so the drawing
// never runs far ahead of the writing. Portable.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "graphics/formats/FrameImage.h"
#include "tools/capture/CapturePlan.h"
#include "tools/capture/LinearLightMean.h"

class PictureWriter
{
public:
    // Drawings waiting for the writer; the drawing waits once this many do.
    static constexpr std::size_t kMaxWaiting = 2;

    // Pictures go to `outDir` and, with --stream, to `stream` (binary). The plan and options must outlive it.
    PictureWriter(const CaptureOptions& options, const CapturePlan& plan, std::filesystem::path outDir,
                  std::FILE* stream);
    // Finishes what is waiting.
    ~PictureWriter();
    PictureWriter(const PictureWriter&) = delete;
    PictureWriter& operator=(const PictureWriter&) = delete;

    // Hands over one drawing of picture `picture` (an index into the plan's pictures).
    void Add(std::size_t picture, FrameImage drawing);
    // Waits until everything handed over is written.
    void Finish();

    // Whether a file or the stream could not be written (the stream: its reader has gone). Once the stream
    // fails, nothing more is written to it.
    bool Failed() const;
    bool StreamFailed() const;
    // The moments whose pictures were written, and how many pictures were finished.
    std::set<double> SavedMoments() const;
    long long FinishedCount() const;

    static std::string MomentFileName(double seconds);
    static std::string FrameFileName(long long frame);

private:
    struct Job
    {
        std::size_t picture;
        FrameImage drawing;
    };

    void Work();
    void Take(Job job);
    void Write(std::size_t picture, const FrameImage& image);
    void Stream(const FrameImage& image);

    const CaptureOptions& m_options;
    const CapturePlan& m_plan;
    std::filesystem::path m_outDir;
    std::FILE* m_stream;

    // The writer thread's own: pictures being averaged, and finished frames waiting for their turn on the
    // stream.
    std::map<std::size_t, std::unique_ptr<LinearLightMean>> m_means;
    std::map<std::size_t, FrameImage> m_streamWaiting;
    std::size_t m_nextStreamed = 0;   // index into m_streamOrder
    std::vector<std::size_t> m_streamOrder;
    std::vector<std::uint8_t> m_rgb;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    bool m_failed = false;
    bool m_streamFailed = false;
    std::set<double> m_saved;
    long long m_finished = 0;
    std::thread m_thread;
};
