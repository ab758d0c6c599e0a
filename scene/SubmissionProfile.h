// Where the mesh pass's submission spends its time, part by part, for the benchmarks: the look-ups of an actor's
// components, computing a mesh's constants, writing the constant buffers, the binds with the binding record's
// checks, and the draw call; the walk with its matrix stack is what is left of the pass. Off unless a tool turns
// it on: then each part costs one test of a flag, and nothing a frame draws depends on it either way.
// Portable; it counts the processor's time-stamp ticks and turns them into time with the pass's own clock.
#pragma once

#include <array>
#include <cstdint>

#include <x86intrin.h>

class SubmissionProfile
{
public:
    enum Part
    {
        Lookups,     // the transform and mesh components found for each mesh
        Constants,   // world, view, projection, the inverse transpose and the material put together
        Writes,      // the per-object and per-frame constants written into their buffers (Map, copy, Unmap)
        Binds,       // the bindables' Bind calls, the binding record's checks and what reaches the context
        Draws,       // DrawIndexed
        kTimedParts
    };

    // One mesh pass in milliseconds: the timed parts, the walk (the rest of the pass) and the timer's own cost,
    // which the walk does not include.
    struct Frame
    {
        std::uint64_t meshes = 0;   // draw calls made in the pass
        double passMs = 0.0;
        std::array<double, kTimedParts> partMs{};
        double walkMs = 0.0;
        double timerMs = 0.0;
    };

    // Adds the enclosed time to `part` while a pass is measured.
    class Scope
    {
    public:
        explicit Scope(Part part) : m_part(part), m_start(s_measuring ? __rdtsc() : 0) {}
        ~Scope()
        {
            if (s_measuring)
            {
                s_ticks[m_part] += __rdtsc() - m_start;
                ++s_counts[m_part];
            }
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Part m_part;
        std::uint64_t m_start;
    };

    // Whether mesh passes are measured from now on; turning it on times the timer itself once.
    static void Enable(bool enabled);
    static bool IsEnabled() { return s_enabled; }
    // Around the mesh pass of a frame: nothing happens while measuring is off.
    static void BeginPass();
    static void EndPass();
    // The last pass measured; all zero before the first.
    static const Frame& LastPass();
    // A pass's figures from its ticks: each scope costs `timerTicksPerScope`, of which `timerTicksInside` is
    // counted in its part; the walk is the pass less the timed parts and the timer's ticks around them.
    static Frame Resolve(double passMs, std::uint64_t passTicks, const std::array<std::uint64_t, kTimedParts>& ticks,
                         const std::array<std::uint64_t, kTimedParts>& counts, double timerTicksPerScope,
                         double timerTicksInside);

private:
    static inline bool s_enabled = false;
    static inline bool s_measuring = false;
    static inline std::array<std::uint64_t, kTimedParts> s_ticks{};
    static inline std::array<std::uint64_t, kTimedParts> s_counts{};
    static inline std::uint64_t s_passStartTicks = 0;
    static inline std::int64_t s_passStartNs = 0;
    static inline double s_timerTicksPerScope = 0.0;
    static inline double s_timerTicksInside = 0.0;
};
