// GpuPassTimer: see GpuPassTimer.h. Answers are read oldest first and stop at the first that is still out, so
// frames are reported in the order they were drawn.
#include "graphics/GpuPassTimer.h"

static_assert(GpuPassTimer::MeshesEnd == GpuFrameTimes::Meshes + 1 && GpuPassTimer::SkyEnd == GpuFrameTimes::Sky + 1 &&
                  GpuPassTimer::PostEnd == GpuFrameTimes::Post + 1 &&
                  GpuPassTimer::OverlayEnd == GpuFrameTimes::Overlay + 1 &&
                  GpuPassTimer::FrameEnd == GpuFrameTimes::Present + 1,
              "pass p ends at boundary p + 1");
static_assert(static_cast<int>(IFramePassListener::Pass::Post) + 1 == GpuPassTimer::PostEnd,
              "the scene's passes end at the boundaries of the same number + 1");

namespace
{
// S_OK with the answer in `data`, S_FALSE while it is still out, an error when the device has none to give.
template <typename T>
HRESULT Answer(ID3D11DeviceContext* context, ID3D11Query* query, T& data)
{
    // Never a flush: asking must not push the frame's commands out any earlier than Present does.
    return context->GetData(query, &data, sizeof data, D3D11_ASYNC_GETDATA_DONOTFLUSH);
}
}

GpuPassTimer::GpuPassTimer(ID3D11Device* device)
{
    D3D11_QUERY_DESC disjointDesc = {};
    disjointDesc.Query = D3D11_QUERY_TIMESTAMP_DISJOINT;
    D3D11_QUERY_DESC stampDesc = {};
    stampDesc.Query = D3D11_QUERY_TIMESTAMP;
    bool made = device != nullptr;
    for (QuerySet& set : m_ring)
    {
        made = made && SUCCEEDED(device->CreateQuery(&disjointDesc, set.disjoint.GetAddressOf()));
        for (auto& stamp : set.stamps)
        {
            made = made && SUCCEEDED(device->CreateQuery(&stampDesc, stamp.GetAddressOf()));
        }
    }
    // Timestamps are an optional capability: a device without them is not an error, it just gives no figures.
    m_hasTimestamps = made;
}

void GpuPassTimer::BeginFrame(ID3D11DeviceContext* context)
{
    m_reported.clear();
    if (m_inFrame)
    {
        // The last frame never ended (its drawing threw): its stamps stop part-way, so it is given up on.
        if (m_hasTimestamps)
        {
            SetOf(m_nextFrame - 1).abandoned = true;
        }
        EndFrame(context);
    }
    m_inFrame = true;
    const std::uint64_t frame = m_nextFrame++;
    if (!m_hasTimestamps)
    {
        return;
    }
    // EndFrame gave up on this set's previous frame if its answer was still out.
    QuerySet& set = SetOf(frame);
    set.frame = frame;
    set.issued.fill(false);
    set.abandoned = false;
    context->Begin(set.disjoint.Get());
    Stamp(FrameBegin, context);
}

void GpuPassTimer::OnPassSubmitted(Pass pass, ID3D11DeviceContext* context)
{
    Stamp(static_cast<Boundary>(static_cast<int>(pass) + 1), context);
}

void GpuPassTimer::OnOverlaySubmitted(ID3D11DeviceContext* context)
{
    Stamp(OverlayEnd, context);
}

void GpuPassTimer::Stamp(Boundary boundary, ID3D11DeviceContext* context)
{
    if (!m_inFrame || !m_hasTimestamps)
    {
        return;
    }
    QuerySet& set = SetOf(m_nextFrame - 1);
    if (!set.issued[boundary])
    {
        context->End(set.stamps[boundary].Get());
        set.issued[boundary] = true;
        // A tiling renderer records a timestamp when it meets it in each tile, and Wine's llvmpipe reports the
        // latest tile's: every boundary inside one batch of commands then reads as nearly the batch's end, and a
        // pass that filled the screen showed 0 ms beside one that took it all. Handing the commands over here
        // ends the batch at the boundary, so the stamp reads when the device has finished everything before it.
        // It does not wait, and on a GPU it is one early submission per boundary.
        context->Flush();
    }
}

void GpuPassTimer::EndFrame(ID3D11DeviceContext* context)
{
    if (!m_inFrame)
    {
        return;
    }
    Stamp(FrameEnd, context);
    m_inFrame = false;
    if (!m_hasTimestamps)
    {
        GpuFrameTimes times;
        times.frame = m_nextFrame - 1;
        m_reported.push_back(times);
        m_oldestPending = m_nextFrame;
        return;
    }
    QuerySet& current = SetOf(m_nextFrame - 1);
    context->End(current.disjoint.Get());
    current.pending = true;

    while (m_oldestPending < m_nextFrame)
    {
        QuerySet& oldest = SetOf(m_oldestPending);
        std::optional<GpuFrameTimes> times = Collect(oldest, context);
        if (!times)
        {
            if (m_nextFrame - m_oldestPending < kRingDepth)
            {
                break;   // still in time; the frames after it wait their turn
            }
            // The next frame needs the set; a Begin would abandon the answer anyway.
            times = GpuFrameTimes{};
            times->frame = oldest.frame;
            times->outcome = GpuFrameTimes::Outcome::Lost;
        }
        m_reported.push_back(*times);
        oldest.pending = false;
        ++m_oldestPending;
    }
}

std::optional<GpuFrameTimes> GpuPassTimer::Collect(QuerySet& set, ID3D11DeviceContext* context) const
{
    GpuFrameTimes failed;
    failed.frame = set.frame;
    if (set.abandoned)
    {
        failed.outcome = GpuFrameTimes::Outcome::Lost;
        return failed;
    }
    D3D11_QUERY_DATA_TIMESTAMP_DISJOINT disjoint = {};
    const HRESULT disjointAnswer = Answer(context, set.disjoint.Get(), disjoint);
    if (disjointAnswer == S_FALSE)
    {
        return std::nullopt;
    }
    if (FAILED(disjointAnswer))
    {
        return failed;
    }
    Ticks ticks;
    for (int boundary = 0; boundary < kBoundaryCount; ++boundary)
    {
        if (!set.issued[boundary])
        {
            continue;
        }
        UINT64 value = 0;
        const HRESULT answer = Answer(context, set.stamps[boundary].Get(), value);
        if (answer == S_FALSE)
        {
            return std::nullopt;
        }
        if (FAILED(answer))
        {
            return failed;
        }
        ticks[boundary] = value;
    }
    return Resolve(set.frame, disjoint.Frequency, disjoint.Disjoint != FALSE, ticks);
}

GpuFrameTimes GpuPassTimer::Resolve(std::uint64_t frame, std::uint64_t frequency, bool disjoint, const Ticks& ticks)
{
    GpuFrameTimes times;
    times.frame = frame;
    // Without a frequency, over a disjoint interval, or with a clock that ran backwards between two boundaries,
    // the device's clock cannot be trusted for this frame: no figure is better than a wrong one.
    if (frequency == 0 || disjoint || !ticks[FrameBegin])
    {
        return times;
    }
    std::uint64_t latest = *ticks[FrameBegin];
    for (const std::optional<std::uint64_t>& tick : ticks)
    {
        if (tick && *tick < latest)
        {
            return times;
        }
        latest = tick.value_or(latest);
    }
    times.outcome = GpuFrameTimes::Outcome::Measured;
    const auto milliseconds = [frequency](std::uint64_t begin, std::uint64_t end) {
        return static_cast<double>(end - begin) * 1000.0 / static_cast<double>(frequency);
    };
    std::uint64_t passBegin = *ticks[FrameBegin];
    for (int pass = 0; pass < GpuFrameTimes::kPassCount; ++pass)
    {
        // A pass the frame did not reach has no figure, and the next one starts where the frame had got to.
        if (const std::optional<std::uint64_t>& passEnd = ticks[pass + 1])
        {
            times.passMs[pass] = milliseconds(passBegin, *passEnd);
            passBegin = *passEnd;
        }
    }
    if (ticks[FrameEnd])
    {
        times.frameMs = milliseconds(*ticks[FrameBegin], *ticks[FrameEnd]);
    }
    return times;
}
