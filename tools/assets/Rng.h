// A small seeded random sequence (PCG32) for the asset generator: the same seed gives the same numbers on every
// machine and compiler. It deliberately reads no clock and no system entropy, so every asset is reproducible.
#pragma once

#include <cstdint>

class Rng
{
public:
    explicit Rng(uint64_t seed) : m_state(0), m_increment((seed << 1u) | 1u)
    {
        Next();
        m_state += seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull;
        Next();
    }

    uint32_t Next()
    {
        const uint64_t old = m_state;
        m_state = old * 6364136223846793005ull + m_increment;
        const uint32_t shifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
        const uint32_t rotation = static_cast<uint32_t>(old >> 59u);
        return (shifted >> rotation) | (shifted << ((32u - rotation) & 31u));
    }

    // Uniform in [0, 1).
    float Uniform() { return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f); }
    float Range(float low, float high) { return low + (high - low) * Uniform(); }
    int Below(int count) { return static_cast<int>(Next() % static_cast<uint32_t>(count)); }

private:
    uint64_t m_state;
    uint64_t m_increment;
};
