// Deterministic lattice noise for the asset generator: gradient noise in 2D (optionally periodic, so textures
// tile) and 3D (for skies painted by direction, which are seamless by construction), fractal sums of both and a
// periodic cellular noise for stones and cobbles. Pure functions of their arguments and a seed; no state.
#pragma once

#include <cstdint>

struct CellSample
{
    float nearest = 0.0f;   // distance to the nearest feature point, in lattice units
    float second = 0.0f;    // distance to the second nearest
    uint32_t id = 0;        // a hash of the nearest cell, stable for the whole cell
    float centreX = 0.0f;   // the nearest feature point, in lattice units (wrapped into the period)
    float centreY = 0.0f;
};

class Noise
{
public:
    static uint32_t Hash(uint32_t a, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0);
    // A hash mapped to [0, 1).
    static float HashUnit(uint32_t a, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0);

    // Gradient noise in about [-1, 1]. With periods > 0 the lattice wraps, so the noise repeats every period
    // lattice units along that axis.
    static float Gradient2(float x, float y, uint32_t seed, int periodX = 0, int periodY = 0);
    static float Gradient3(float x, float y, float z, uint32_t seed);

    // Fractal sums normalised to about [-1, 1]; each octave doubles frequency and period.
    static float Fractal2(float x, float y, int octaves, uint32_t seed, int periodX = 0, int periodY = 0,
                          float gain = 0.5f);
    static float Fractal3(float x, float y, float z, int octaves, uint32_t seed, float gain = 0.5f);
    // Ridged variant (sharp crests, for mountains and wave crests), in [0, 1].
    static float Ridged2(float x, float y, int octaves, uint32_t seed, int periodX = 0, int periodY = 0);

    // Cellular noise with one jittered point per lattice cell, wrapping with the given periods (0: no wrap).
    static CellSample Cells2(float x, float y, uint32_t seed, int periodX = 0, int periodY = 0, float jitter = 0.8f);
};
