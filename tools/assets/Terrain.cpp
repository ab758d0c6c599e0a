// Height functions built from smooth noise, shaped so that the plaza terrace is flat, the coast stays clear of
// the causeway (which runs at x = 86) and every mesh edge that the cameras could see is hidden behind a rise.
#include "tools/assets/Terrain.h"

#include "tools/assets/Noise.h"
#include "tools/assets/Vec3.h"

#include <cmath>

float Terrain::CoastX(float z)
{
    // Straight beside the plaza, then curving away to the left to open a bay ahead of the final view.
    const float bend = z > 60.0f ? (z - 60.0f) : 0.0f;
    return 46.0f - 0.00085f * bend * bend + 8.0f * Noise::Fractal2(z * 0.01f, 3.7f, 3, 71u);
}

float Terrain::LandHeight(float x, float z)
{
    const float coast = CoastX(z);
    // Distance from the plaza terrace (x within +-36, z from -46 to 30), in units beyond its edge.
    const float dx = std::fabs(x) - 36.0f;
    const float dz = z < -46.0f ? -46.0f - z : (z > 30.0f ? z - 30.0f : 0.0f);
    const float beyond = std::sqrt(std::fmax(dx, 0.0f) * std::fmax(dx, 0.0f) + dz * dz);
    const float rise = Smoothstep(0.0f, 60.0f, beyond);

    float height = -0.35f;
    // Rolling heath, growing with distance from the terrace and rising inland.
    const float hills = 10.0f * Noise::Fractal2(x * 0.006f, z * 0.006f, 5, 11u) + 6.0f;
    const float inland = Smoothstep(20.0f, -400.0f, x) * 38.0f;
    const float behind = Smoothstep(-200.0f, -650.0f, z) * 34.0f;
    height += rise * (hills + inland + behind + 3.0f * Noise::Fractal2(x * 0.03f, z * 0.03f, 3, 12u));

    // Cliffs down to the sea along the coast.
    const float toCoast = coast - x;   // positive on land
    const float cliff = Smoothstep(-4.0f, 10.0f, toCoast);
    height = Mix(Terrain::kSeaLevel - 7.0f, height, cliff);
    return height;
}

float Terrain::MountainHeight(float x, float z)
{
    // A range along the left of the final view whose ridge line hides the far edges of the land.
    const float across = Smoothstep(-300.0f, -620.0f, x) * Smoothstep(-1000.0f, -880.0f, x);
    const float along = Smoothstep(-450.0f, -250.0f, z) * Smoothstep(1150.0f, 900.0f, z);
    const float ridges = Noise::Ridged2(x * 0.0035f, z * 0.0035f, 6, 31u);
    const float broad = 0.5f + 0.5f * Noise::Fractal2(x * 0.0015f, z * 0.0015f, 3, 32u);
    const float peak = across * along * (140.0f + 330.0f * ridges * broad);
    return peak - 30.0f + 30.0f * across;
}
