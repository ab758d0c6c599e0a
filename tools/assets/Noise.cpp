// Gradient, fractal and cellular noise built on an integer hash, so results do not depend on any library's
// random generator. Periodic variants wrap the lattice coordinates before hashing.
#include "tools/assets/Noise.h"

#include <cmath>

namespace
{

int Wrap(int value, int period)
{
    if (period <= 0)
    {
        return value;
    }
    const int r = value % period;
    return r < 0 ? r + period : r;
}

float Fade(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float Grad2(uint32_t hash, float x, float y)
{
    // Eight directions evenly spaced on the circle.
    static const float kDirections[8][2] = {{1.0f, 0.0f},  {0.7071f, 0.7071f},   {0.0f, 1.0f},  {-0.7071f, 0.7071f},
                                            {-1.0f, 0.0f}, {-0.7071f, -0.7071f}, {0.0f, -1.0f}, {0.7071f, -0.7071f}};
    const float* d = kDirections[hash & 7u];
    return d[0] * x + d[1] * y;
}

float Grad3(uint32_t hash, float x, float y, float z)
{
    // The twelve edge directions of a cube.
    switch (hash % 12u)
    {
    case 0: return x + y;
    case 1: return -x + y;
    case 2: return x - y;
    case 3: return -x - y;
    case 4: return x + z;
    case 5: return -x + z;
    case 6: return x - z;
    case 7: return -x - z;
    case 8: return y + z;
    case 9: return -y + z;
    case 10: return y - z;
    default: return -y - z;
    }
}

}   // namespace

uint32_t Noise::Hash(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    uint32_t h = a * 0x8DA6B343u ^ b * 0xD8163841u ^ c * 0xCB1AB31Fu ^ d * 0x165667B1u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float Noise::HashUnit(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return static_cast<float>(Hash(a, b, c, d) >> 8) * (1.0f / 16777216.0f);
}

float Noise::Gradient2(float x, float y, uint32_t seed, int periodX, int periodY)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const float dx = x - fx;
    const float dy = y - fy;
    const uint32_t x0 = static_cast<uint32_t>(Wrap(ix, periodX));
    const uint32_t x1 = static_cast<uint32_t>(Wrap(ix + 1, periodX));
    const uint32_t y0 = static_cast<uint32_t>(Wrap(iy, periodY));
    const uint32_t y1 = static_cast<uint32_t>(Wrap(iy + 1, periodY));
    const float n00 = Grad2(Hash(x0, y0, seed), dx, dy);
    const float n10 = Grad2(Hash(x1, y0, seed), dx - 1.0f, dy);
    const float n01 = Grad2(Hash(x0, y1, seed), dx, dy - 1.0f);
    const float n11 = Grad2(Hash(x1, y1, seed), dx - 1.0f, dy - 1.0f);
    const float u = Fade(dx);
    const float v = Fade(dy);
    const float a = n00 + (n10 - n00) * u;
    const float b = n01 + (n11 - n01) * u;
    return (a + (b - a) * v) * 1.4142f;
}

float Noise::Gradient3(float x, float y, float z, uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const float fz = std::floor(z);
    const uint32_t ix = static_cast<uint32_t>(static_cast<int>(fx));
    const uint32_t iy = static_cast<uint32_t>(static_cast<int>(fy));
    const uint32_t iz = static_cast<uint32_t>(static_cast<int>(fz));
    const float dx = x - fx;
    const float dy = y - fy;
    const float dz = z - fz;
    float corners[8];
    for (uint32_t i = 0; i < 8; ++i)
    {
        const uint32_t ox = i & 1u;
        const uint32_t oy = (i >> 1) & 1u;
        const uint32_t oz = (i >> 2) & 1u;
        corners[i] = Grad3(Hash(ix + ox, iy + oy, iz + oz, seed ^ 0x51ED270Bu), dx - static_cast<float>(ox),
                           dy - static_cast<float>(oy), dz - static_cast<float>(oz));
    }
    const float u = Fade(dx);
    const float v = Fade(dy);
    const float w = Fade(dz);
    const float x00 = corners[0] + (corners[1] - corners[0]) * u;
    const float x10 = corners[2] + (corners[3] - corners[2]) * u;
    const float x01 = corners[4] + (corners[5] - corners[4]) * u;
    const float x11 = corners[6] + (corners[7] - corners[6]) * u;
    const float y0 = x00 + (x10 - x00) * v;
    const float y1 = x01 + (x11 - x01) * v;
    return (y0 + (y1 - y0) * w) * 0.9f;
}

float Noise::Fractal2(float x, float y, int octaves, uint32_t seed, int periodX, int periodY, float gain)
{
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    float frequency = 1.0f;
    for (int octave = 0; octave < octaves; ++octave)
    {
        const int scale = 1 << octave;
        sum += amplitude * Gradient2(x * frequency, y * frequency, seed + static_cast<uint32_t>(octave) * 977u,
                                     periodX * scale, periodY * scale);
        total += amplitude;
        amplitude *= gain;
        frequency *= 2.0f;
    }
    return sum / total;
}

float Noise::Fractal3(float x, float y, float z, int octaves, uint32_t seed, float gain)
{
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    float frequency = 1.0f;
    for (int octave = 0; octave < octaves; ++octave)
    {
        // Each octave is shifted so that lattice points of different octaves do not line up.
        const float shift = static_cast<float>(octave) * 17.31f;
        sum += amplitude * Gradient3(x * frequency + shift, y * frequency - shift, z * frequency + shift * 0.5f,
                                     seed + static_cast<uint32_t>(octave) * 977u);
        total += amplitude;
        amplitude *= gain;
        frequency *= 2.0f;
    }
    return sum / total;
}

float Noise::Ridged2(float x, float y, int octaves, uint32_t seed, int periodX, int periodY)
{
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    float frequency = 1.0f;
    float weight = 1.0f;
    for (int octave = 0; octave < octaves; ++octave)
    {
        const int scale = 1 << octave;
        float n = 1.0f - std::fabs(Gradient2(x * frequency, y * frequency, seed + static_cast<uint32_t>(octave) * 613u,
                                             periodX * scale, periodY * scale));
        n = n * n * weight;
        weight = n < 1.0f ? n : 1.0f;
        sum += amplitude * n;
        total += amplitude;
        amplitude *= 0.5f;
        frequency *= 2.0f;
    }
    return sum / total;
}

CellSample Noise::Cells2(float x, float y, uint32_t seed, int periodX, int periodY, float jitter)
{
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    CellSample result;
    float best = 1e9f;
    float second = 1e9f;
    for (int oy = -1; oy <= 1; ++oy)
    {
        for (int ox = -1; ox <= 1; ++ox)
        {
            const int cx = ix + ox;
            const int cy = iy + oy;
            const uint32_t hx = static_cast<uint32_t>(Wrap(cx, periodX));
            const uint32_t hy = static_cast<uint32_t>(Wrap(cy, periodY));
            const float px = static_cast<float>(cx) + 0.5f + jitter * (HashUnit(hx, hy, seed, 1u) - 0.5f);
            const float py = static_cast<float>(cy) + 0.5f + jitter * (HashUnit(hx, hy, seed, 2u) - 0.5f);
            const float dx = px - x;
            const float dy = py - y;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < best)
            {
                second = best;
                best = d;
                result.id = Hash(hx, hy, seed, 3u);
                result.centreX = px;
                result.centreY = py;
            }
            else if (d < second)
            {
                second = d;
            }
        }
    }
    result.nearest = best;
    result.second = second;
    return result;
}
