// The device's time for each pass of a frame (GpuFrameTimes): a timestamp query at every pass boundary inside
// one disjoint query per frame. The answers are read a few frames later from a ring of query sets, asking
// without a flush and never waiting, so the timer never makes the CPU wait for the device. Beyond the queries it
// only hands each pass's commands to the device as the pass ends (see Stamp): no binding, no drawing, not a pixel
// changed. GraphicsClass makes one only when timing is asked for.
#pragma once

#include <d3d11.h>
#include <wrl/client.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/FrameStats.h"
#include "scene/IFramePassListener.h"

class GpuPassTimer : public IFramePassListener
{
public:
    // Frames in flight before a frame's answer is given up on. Wine keeps at most three frames queued (the
    // DXGI default frame latency), so an answer is normally in by the time its set comes round again.
    static constexpr std::size_t kRingDepth = 5;

    // Where a frame's timestamps are taken, in submission order. Pass p of GpuFrameTimes ends at boundary p + 1
    // and begins at the latest boundary before that which the frame reached; Present ends at FrameEnd.
    enum Boundary
    {
        FrameBegin,
        MeshesEnd,
        SkyEnd,
        PostEnd,
        OverlayEnd,
        FrameEnd,   // after Present
        kBoundaryCount
    };
    using Ticks = std::array<std::optional<std::uint64_t>, kBoundaryCount>;

    // Makes the queries. A device that refuses one has no timestamps: every frame is then reported as not
    // measured, and nothing is issued.
    explicit GpuPassTimer(ID3D11Device* device);

    GpuPassTimer(const GpuPassTimer&) = delete;
    GpuPassTimer& operator=(const GpuPassTimer&) = delete;

    bool HasTimestamps() const { return m_hasTimestamps; }

    // Opens a frame: its disjoint interval and its first timestamp. A frame still open is closed and not counted.
    void BeginFrame(ID3D11DeviceContext* context);
    // The scene tree's passes, and the overlay's; a boundary outside a frame, or a second one, is ignored.
    void OnPassSubmitted(Pass pass, ID3D11DeviceContext* context) override;
    void OnOverlaySubmitted(ID3D11DeviceContext* context);
    // After Present: closes the frame, then reports (Reported) every earlier frame whose answer has arrived, and
    // the oldest one as lost when its set is needed by the next frame and its answer is still out.
    void EndFrame(ID3D11DeviceContext* context);

    // The frames reported since the last BeginFrame (so, after EndFrame, those the frame learnt of), oldest first. Every frame opened is reported once, in order, as
    // soon as its answer is known, unless the timer goes first.
    const std::vector<GpuFrameTimes>& Reported() const { return m_reported; }
    // The number of the frame opened last; the first frame is 0.
    std::uint64_t CurrentFrame() const { return m_nextFrame == 0 ? 0 : m_nextFrame - 1; }

    // A frame's figures from its answers: the timestamp frequency, whether the interval was disjoint, and the
    // ticks of each boundary the frame reached. No frequency, a disjoint interval or ticks that run backwards
    // give no figures (NotMeasured); a boundary not reached gives none for the pass that ends there.
    static GpuFrameTimes Resolve(std::uint64_t frame, std::uint64_t frequency, bool disjoint, const Ticks& ticks);

private:
    struct QuerySet
    {
        Microsoft::WRL::ComPtr<ID3D11Query> disjoint;
        std::array<Microsoft::WRL::ComPtr<ID3D11Query>, kBoundaryCount> stamps;
        std::array<bool, kBoundaryCount> issued{};
        std::uint64_t frame = 0;
        bool pending = false;     // ended, answer not read yet
        bool abandoned = false;   // the frame was cut short: nothing to count
    };

    // Ends the boundary's timestamp query and flushes the context.
    void Stamp(Boundary boundary, ID3D11DeviceContext* context);
    // The frame's figures when its answer has arrived; nothing while it is still out.
    std::optional<GpuFrameTimes> Collect(QuerySet& set, ID3D11DeviceContext* context) const;
    QuerySet& SetOf(std::uint64_t frame) { return m_ring[frame % kRingDepth]; }

    std::array<QuerySet, kRingDepth> m_ring;
    bool m_hasTimestamps = false;
    bool m_inFrame = false;
    std::uint64_t m_nextFrame = 0;
    std::uint64_t m_oldestPending = 0;   // frames below it have all been reported
    std::vector<GpuFrameTimes> m_reported;
};
