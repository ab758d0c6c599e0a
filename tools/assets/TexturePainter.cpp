// The material textures. Each painter works in the texture's own world units (how many units one repeat
// covers on the model), so patterns keep their real sizes; every tiling texture uses periodic noise so that
// its edges meet. Heights drawn alongside the colours become the normal maps.
#include "tools/assets/TexturePainter.h"

#include "tools/assets/Noise.h"
#include "tools/assets/Rng.h"
#include "tools/assets/Terrain.h"
#include "tools/assets/Vec3.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace
{

struct Painted
{
    Image albedo;
    std::vector<float> height;
};

// Runs `pixel(u, v, colour, height)` at every texel centre.
Painted Paint(int width, int height, const std::function<void(float, float, Vec3&, float&)>& pixel)
{
    Painted out{Image(width, height), std::vector<float>(static_cast<size_t>(width) * static_cast<size_t>(height))};
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            Vec3 colour;
            float h = 0.0f;
            pixel((static_cast<float>(x) + 0.5f) / static_cast<float>(width),
                  (static_cast<float>(y) + 0.5f) / static_cast<float>(height), colour, h);
            out.albedo.At(x, y) = Rgba(colour);
            out.height[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = h;
        }
    }
    return out;
}

void AddPair(std::vector<TextureOutput>& out, const std::string& stem, const Painted& painted, float strength,
             int normalDivisor = 1)
{
    out.push_back({stem + "-albedo.dds", painted.albedo, TextureEncoding::Dds, MipChain::Full, false});
    Image normals = Image::NormalsFromHeight(painted.height, painted.albedo.Width(), painted.albedo.Height(), strength);
    for (int d = normalDivisor; d > 1; d /= 2)
    {
        normals = normals.Downsampled(true);
    }
    out.push_back({stem + "-normal.dds", normals, TextureEncoding::Dds, MipChain::Full, true});
}

int Sized(int size, int scale)
{
    return std::max(8, size / scale);
}

// Periodic fractal noise over a texture that repeats every `period` lattice cells.
float Tiled(float u, float v, int period, int octaves, uint32_t seed, float gain = 0.5f)
{
    return Noise::Fractal2(u * static_cast<float>(period), v * static_cast<float>(period), octaves, seed, period,
                           period, gain);
}

// Courses of blocks of random lengths that wrap around a repeat `width` units wide; used by the stone walls
// and pavements. Returns the distance to the nearest joint and a per-block hash.
struct Coursed
{
    float joint = 0.0f;
    uint32_t block = 0;
};

Coursed Courses(float x, float y, float width, float courseHeight, int blocksPerCourse, uint32_t seed)
{
    const int course = static_cast<int>(std::floor(y / courseHeight));
    const float inCourse = y - static_cast<float>(course) * courseHeight;
    // Breakpoints: even spacing jittered by up to a third of a block, shifted per course.
    const float spacing = width / static_cast<float>(blocksPerCourse);
    const float shift = spacing * (0.5f * static_cast<float>(course & 1) + 0.15f * Noise::HashUnit(course, seed, 7u));
    float local = std::fmod(x - shift + width * 4.0f, width);
    int index = static_cast<int>(local / spacing);
    float best = 1e9f;
    uint32_t block = 0;
    for (int k = index - 1; k <= index + 2; ++k)
    {
        const int wrapped = (k % blocksPerCourse + blocksPerCourse) % blocksPerCourse;
        const float jitter =
            (Noise::HashUnit(static_cast<uint32_t>(wrapped), static_cast<uint32_t>(course), seed) - 0.5f) * spacing *
            0.6f;
        const float edge = static_cast<float>(k) * spacing + (wrapped == 0 ? 0.0f : jitter);
        const float d = std::fabs(local - edge);
        best = std::min(best, d);
        if (local >= edge)
        {
            block = Noise::Hash(static_cast<uint32_t>(wrapped), static_cast<uint32_t>(course), seed, 9u);
        }
    }
    const float vertical = std::min(inCourse, courseHeight - inCourse);
    return {std::min(best, vertical), block};
}

// ---------------------------------------------------------------------------------------------------------------

Painted PlazaFlagstones(int size)
{
    // One repeat covers 4 x 4 units: four courses of sandstone slabs.
    return Paint(size, size, [](float u, float v, Vec3& c, float& h) {
        const float x = u * 4.0f;
        const float y = v * 4.0f;
        const Coursed slab = Courses(x, y, 4.0f, 1.0f, 3, 101u);
        const float tint = Noise::HashUnit(slab.block);
        const Vec3 warm{0.66f, 0.57f, 0.45f};
        const Vec3 pale{0.76f, 0.70f, 0.59f};
        const Vec3 grey{0.60f, 0.58f, 0.54f};
        Vec3 stone = tint < 0.2f ? grey : Lerp(warm, pale, tint);
        const float grain = Tiled(u, v, 16, 5, 102u);
        const float speck = Tiled(u, v, 128, 2, 103u);
        stone = stone * (0.9f + 0.12f * grain + 0.06f * speck);
        const float wear = Smoothstep(0.0f, 0.12f, slab.joint);
        stone = stone * (0.85f + 0.15f * wear);
        const float mortar = Smoothstep(0.012f, 0.03f, slab.joint);
        c = Lerp(Vec3{0.22f, 0.20f, 0.18f}, stone, mortar);
        h = mortar * (0.7f + 0.3f * Smoothstep(0.0f, 0.08f, slab.joint)) + 0.05f * grain * mortar;
    });
}

Painted CompassRose(int size)
{
    const Vec3 brass{0.86f, 0.64f, 0.30f};
    const Vec3 brassDark{0.62f, 0.42f, 0.18f};
    const Vec3 copper{0.78f, 0.42f, 0.26f};
    const Vec3 copperDark{0.55f, 0.27f, 0.17f};
    const Vec3 marble{0.88f, 0.86f, 0.80f};
    const Vec3 marbleDark{0.66f, 0.64f, 0.60f};
    const Vec3 granite{0.17f, 0.18f, 0.23f};
    return Paint(size, size, [&](float u, float v, Vec3& c, float& h) {
        const float dx = (u - 0.5f) * 2.0f;
        const float dy = (0.5f - v) * 2.0f;   // +z (the top of the texture) is north
        const float r = std::sqrt(dx * dx + dy * dy);
        const float angle = std::atan2(dy, dx);   // 0 east, pi/2 north

        // Polished granite with sparkles.
        const float sparkle =
            Noise::HashUnit(static_cast<uint32_t>(u * 2048.0f), static_cast<uint32_t>(v * 2048.0f), 7u);
        c = granite * (0.85f + 0.25f * Noise::Fractal2(u * 24.0f, v * 24.0f, 4, 201u));
        if (sparkle > 0.995f)
        {
            c = c + Vec3{0.3f, 0.3f, 0.32f};
        }
        h = 0.5f;

        auto ring = [&](float inner, float outer, const Vec3& colour, float height) {
            if (r >= inner && r < outer)
            {
                c = colour * (0.92f + 0.1f * Noise::Fractal2(angle * 40.0f, r * 60.0f, 3, 202u));
                h = height;
            }
        };
        ring(0.935f, 0.99f, brass, 0.9f);
        ring(0.985f, 1.2f, brassDark, 0.7f);
        ring(0.86f, 0.885f, marble, 0.8f);
        ring(0.70f, 0.712f, brassDark, 0.75f);

        // Engraved degree ticks on the outer brass band: every 5 degrees, longer every 30.
        if (r > 0.935f && r < 0.985f)
        {
            const float degrees = angle * 180.0f / kPi + 360.0f;
            const float step = std::fmod(degrees + 0.25f, 5.0f);
            const bool major = std::fmod(degrees + 0.25f, 30.0f) < 0.5f;
            if (step < 0.5f && (major || r > 0.955f))
            {
                c = Vec3{0.25f, 0.16f, 0.08f};
                h = 0.5f;
            }
        }

        // Twelve brass studs between the star's points.
        for (int k = 0; k < 12; ++k)
        {
            const float a = (15.0f + 30.0f * static_cast<float>(k)) * kPi / 180.0f;
            const float sx = std::cos(a) * 0.785f;
            const float sy = std::sin(a) * 0.785f;
            const float d = std::sqrt((dx - sx) * (dx - sx) + (dy - sy) * (dy - sy));
            if (d < 0.03f)
            {
                c = Lerp(brass, brassDark, d / 0.03f);
                h = 0.8f + 0.3f * (1.0f - d / 0.03f);
            }
        }

        // The sixteen-point star, smallest points first so the larger ones lie on top. Each point is a
        // pyramid with a lit and a shaded facet, as on a mariner's compass.
        struct Points
        {
            int count;
            float offsetDegrees;
            float length;
            float halfWidth;   // radians at the centre
            Vec3 light;
            Vec3 dark;
        };
        const Points layers[3] = {{8, 22.5f, 0.52f, 0.16f, marble, marbleDark},
                                  {4, 45.0f, 0.68f, 0.24f, copper, copperDark},
                                  {4, 0.0f, 0.92f, 0.30f, brass, brassDark}};
        for (const Points& layer : layers)
        {
            for (int k = 0; k < layer.count; ++k)
            {
                const float pointAngle =
                    (layer.offsetDegrees + 360.0f / static_cast<float>(layer.count) * static_cast<float>(k)) * kPi /
                    180.0f;
                float delta = angle - pointAngle;
                while (delta > kPi)
                    delta -= 2.0f * kPi;
                while (delta < -kPi)
                    delta += 2.0f * kPi;
                // The point's outline: a kite from the centre (width halfWidth * 0.12) to its tip.
                const float along = r * std::cos(delta);
                const float across = r * std::sin(delta);
                if (along <= 0.0f || along > layer.length)
                {
                    continue;
                }
                const float halfAcross =
                    (1.0f - along / layer.length) * layer.length * std::tan(layer.halfWidth) * 0.5f;
                if (std::fabs(across) < halfAcross)
                {
                    const float edge = 1.0f - std::fabs(across) / halfAcross;
                    c = across > 0.0f ? layer.light : layer.dark;
                    c = c * (0.93f + 0.07f * edge);
                    h = 0.9f + 0.5f * edge * (1.0f - along / layer.length);
                    if (edge < 0.04f)
                    {
                        c = c * 0.6f;
                    }
                }
            }
        }

        // The sun medallion at the centre.
        if (r < 0.13f)
        {
            const float rays = 0.5f + 0.5f * std::cos(angle * 16.0f);
            if (r < 0.07f)
            {
                c = Lerp(brass * 1.08f, brass, r / 0.07f);
                h = 1.6f - r * 3.0f;
            }
            else if (r < 0.08f)
            {
                c = brassDark * 0.7f;
                h = 1.0f;
            }
            else if (r < 0.07f + 0.06f * rays)
            {
                c = copper;
                h = 1.2f;
            }
        }
    });
}

Painted Limestone(int size)
{
    // One repeat covers 2 x 2 units: two courses of dressed limestone.
    return Paint(size, size, [](float u, float v, Vec3& c, float& h) {
        const Coursed block = Courses(u * 2.0f, v * 2.0f, 2.0f, 1.0f, 2, 301u);
        const float tint = Noise::HashUnit(block.block);
        Vec3 stone = Lerp(Vec3{0.78f, 0.73f, 0.64f}, Vec3{0.86f, 0.82f, 0.74f}, tint);
        const float grain = Tiled(u, v, 8, 5, 302u);
        const float strata = 0.5f + 0.5f * std::sin(v * 2.0f * kPi * 9.0f + 2.0f * Tiled(u, v, 4, 3, 303u));
        const CellSample pit = Noise::Cells2(u * 40.0f, v * 40.0f, 304u, 40, 40);
        const float pits = Smoothstep(0.08f, 0.04f, pit.nearest) * (Noise::HashUnit(pit.id) > 0.6f ? 1.0f : 0.0f);
        stone = stone * (0.9f + 0.08f * grain + 0.04f * strata) * (1.0f - 0.25f * pits);
        const float joint = Smoothstep(0.008f, 0.022f, block.joint);
        c = Lerp(Vec3{0.45f, 0.42f, 0.38f}, stone, joint);
        h = joint * (0.8f + 0.2f * Smoothstep(0.0f, 0.06f, block.joint)) + 0.06f * grain - 0.2f * pits;
    });
}

Painted Brass(int size)
{
    return Paint(size, size, [](float u, float v, Vec3& c, float& h) {
        // Brushed along u (around the rings), with green-brown patina in a few places.
        const float brushed = Noise::Fractal2(u * 4.0f, v * 96.0f, 3, 401u, 4, 96);
        const float patina = Smoothstep(0.35f, 0.6f, Tiled(u, v, 4, 4, 402u));
        Vec3 metal = Vec3{0.84f, 0.63f, 0.30f} * (0.92f + 0.1f * brushed);
        metal = Lerp(metal, Vec3{0.42f, 0.48f, 0.36f}, patina * 0.45f);
        // Engraved graduation lines across the band, sixteen per repeat, and a groove along its middle.
        const float tick = std::fabs(std::fmod(u * 16.0f + 0.5f, 1.0f) - 0.5f);
        const float groove = std::fabs(v - 0.5f);
        const float engraved = std::max(Smoothstep(0.035f, 0.015f, tick) * Smoothstep(0.3f, 0.26f, groove),
                                        Smoothstep(0.02f, 0.008f, groove));
        c = Lerp(metal, metal * 0.35f, engraved);
        h = 0.02f * brushed - 0.6f * engraved;
    });
}

Painted CausewayPaving(int size)
{
    // One repeat spans 8 units across the deck (u) and 5.375 units along it (v, an eighth of the 43-unit
    // segment), so the pavement matches itself when the flight jumps back one segment.
    const float width = 8.0f;
    const float length = 5.375f;
    return Paint(size, size, [&](float u, float v, Vec3& c, float& h) {
        const float x = u * width;
        const float y = v * length;
        // Granite setts in courses across the deck, 10 courses per repeat and 8 setts per course.
        const Coursed sett = Courses(x, y, width, length / 10.0f, 8, 501u);
        const float tint = Noise::HashUnit(sett.block);
        Vec3 stone = Lerp(Vec3{0.42f, 0.42f, 0.45f}, Vec3{0.55f, 0.52f, 0.50f}, tint);
        const float speck = Noise::HashUnit(static_cast<uint32_t>(u * 1024.0f), static_cast<uint32_t>(v * 1024.0f), 5u);
        stone =
            stone * (0.88f + 0.1f * Noise::Fractal2(u * 32.0f, v * 32.0f, 4, 502u, 32, 32) + 0.12f * (speck - 0.5f));
        const float joint = Smoothstep(0.01f, 0.035f, sett.joint);
        c = Lerp(Vec3{0.18f, 0.17f, 0.17f}, stone, joint);
        h = joint * (0.6f + 0.4f * Smoothstep(0.0f, 0.08f, sett.joint));
        // A brass strip along both edges of the repeat: it shows down the middle of the deck and at its kerbs.
        const float fromEdge = std::min(x, width - x);
        if (fromEdge < 0.16f)
        {
            c = fromEdge < 0.04f ? Vec3{0.24f, 0.2f, 0.16f}
                                 : Vec3{0.80f, 0.60f, 0.30f} * (0.92f + 0.08f * std::sin(y * 40.0f));
            h = fromEdge < 0.04f ? 0.2f : 0.9f;
        }
        else if (fromEdge < 0.22f)
        {
            c = Vec3{0.82f, 0.80f, 0.74f};
            h = 0.85f;
        }
    });
}

Painted Facade(int width, int height)
{
    // One bay of the gallery wall: 10.75 units wide (u, a quarter of a segment) and 16 units tall (v from the top).
    const float bay = 10.75f;
    const float tall = 16.0f;
    return Paint(width, height, [&](float u, float v, Vec3& c, float& h) {
        const float x = u * bay;
        const float y = (1.0f - v) * tall;   // height above the deck
        const Coursed block = Courses(x, y, bay, 0.8f, 6, 601u);
        const float tint = Noise::HashUnit(block.block);
        Vec3 stone = Lerp(Vec3{0.74f, 0.68f, 0.58f}, Vec3{0.82f, 0.77f, 0.67f}, tint);
        stone = stone * (0.92f + 0.08f * Noise::Fractal2(u * 16.0f, v * 24.0f, 4, 602u, 16, 24));
        const float jointMask = Smoothstep(0.012f, 0.03f, block.joint);
        c = Lerp(Vec3{0.42f, 0.38f, 0.33f}, stone, jointMask);
        h = 0.5f * jointMask;

        const Vec3 dressed{0.86f, 0.82f, 0.74f};
        // Rusticated plinth.
        if (y < 1.0f)
        {
            c = c * 0.78f;
            h = 0.5f * jointMask + 0.1f;
        }
        // String course and cornice with dentils, and a frieze of rosettes between them.
        if (y > 12.3f && y < 12.75f)
        {
            c = dressed * (0.95f + 0.05f * std::sin(x * 3.0f));
            h = 1.0f - 0.3f * std::fabs(y - 12.52f) / 0.22f;
        }
        if (y > 15.25f)
        {
            c = dressed;
            h = 1.1f - 0.3f * Smoothstep(15.25f, 16.0f, y);
        }
        else if (y > 14.95f)
        {
            const float dentil = std::fmod(x, 0.27f);
            c = dentil < 0.16f ? dressed : dressed * 0.55f;
            h = dentil < 0.16f ? 0.95f : 0.55f;
        }
        else if (y > 13.2f && y < 14.7f)
        {
            const float cx = std::fmod(x, bay / 8.0f) - bay / 16.0f;
            const float cy = y - 13.95f;
            const float d = std::sqrt(cx * cx + cy * cy);
            if (d < 0.42f)
            {
                const float petals = 0.5f + 0.5f * std::cos(std::atan2(cy, cx) * 8.0f);
                c = d < 0.12f ? Vec3{0.80f, 0.60f, 0.30f} : dressed * (0.8f + 0.2f * petals);
                h = 0.7f + 0.3f * petals * (1.0f - d / 0.42f);
            }
        }

        // A tall round-arched window in the middle of the bay, glazed and lit from within.
        const float cx = x - bay * 0.5f;
        const float halfWidth = 1.45f;
        const float sill = 2.6f;
        const float spring = 9.3f;
        auto insideArch = [&](float margin) {
            if (std::fabs(cx) > halfWidth + margin || y < sill - margin)
            {
                return false;
            }
            if (y <= spring)
            {
                return true;
            }
            const float dy = y - spring;
            return std::sqrt(cx * cx + dy * dy) < halfWidth + margin;
        };
        if (insideArch(0.38f))
        {
            c = dressed * (0.95f + 0.05f * Noise::Fractal2(x * 3.0f, y * 3.0f, 2, 603u));
            h = 1.0f;
            if (y > spring + halfWidth && std::fabs(cx) < 0.28f)
            {
                c = dressed * 1.04f;   // keystone
                h = 1.15f;
            }
        }
        if (y > sill - 0.55f && y < sill - 0.2f && std::fabs(cx) < halfWidth + 0.6f)
        {
            c = dressed;   // sill
            h = 1.2f;
        }
        if (insideArch(0.0f))
        {
            // Warm light, brightest low in the window, behind a bronze lattice.
            const float glow = 1.0f - 0.25f * Smoothstep(sill, spring + halfWidth, y);
            Vec3 glass = Vec3{1.0f, 0.80f, 0.46f} * glow;
            glass = glass * (0.93f + 0.07f * Noise::Fractal2(x * 6.0f, y * 6.0f, 2, 604u));
            const float mullion = std::fabs(cx);
            const float transom = std::fabs(std::fmod(y - sill, 1.65f) - 0.825f);
            const float lattice = std::min(Smoothstep(0.04f, 0.07f, mullion), Smoothstep(0.765f, 0.735f, transom));
            c = Lerp(Vec3{0.16f, 0.12f, 0.09f}, glass, lattice);
            h = 0.2f + 0.15f * (1.0f - lattice);
        }
    });
}

Painted Lantern(int size)
{
    return Paint(size, size, [](float u, float v, Vec3& c, float& h) {
        const float du = std::fabs(u - 0.5f) * 2.0f;
        const float dv = std::fabs(v - 0.5f) * 2.0f;
        const float centre = 1.0f - 0.25f * (du * du + dv * dv);
        c = Vec3{1.0f, 0.84f, 0.52f} * centre;
        const float frame = std::max(du, dv);
        if (frame > 0.86f)
        {
            c = Vec3{0.2f, 0.15f, 0.1f};
        }
        h = 0.0f;
    });
}

Painted Sea(int size)
{
    // One repeat covers 21.5 units, half a causeway segment.
    return Paint(size, size, [](float u, float v, Vec3& c, float& h) {
        // Waves as sums of sines whose wave vectors are whole numbers of cycles per repeat, so they tile.
        const float tau = 2.0f * kPi;
        // Only short waves: long ones would make each repeat visible as a tile from high above.
        const int waves[6][2] = {{7, 2}, {3, 8}, {9, -5}, {-7, 9}, {13, 6}, {4, -15}};
        float height = 0.0f;
        float amplitude = 1.0f;
        for (int i = 0; i < 6; ++i)
        {
            const float phase = Noise::HashUnit(static_cast<uint32_t>(i), 701u) * tau;
            height +=
                amplitude *
                std::sin(tau * (u * static_cast<float>(waves[i][0]) + v * static_cast<float>(waves[i][1])) + phase);
            amplitude *= 0.7f;
        }
        height = height * 0.3f + 0.3f * Tiled(u, v, 96, 3, 702u);
        const float crest = Smoothstep(0.6f, 1.2f, height);
        // The colour varies little: the waves live in the normal map, so the repeat does not show from afar.
        c = Lerp(Vec3{0.055f, 0.14f, 0.19f}, Vec3{0.065f, 0.16f, 0.21f}, Smoothstep(-1.0f, 1.0f, height));
        c = Lerp(c, Vec3{0.30f, 0.36f, 0.40f}, crest * 0.04f);
        h = height;
    });
}

Painted Meadow(int size)
{
    // One repeat covers 32 units of heath.
    return Paint(size, size, [](float u, float v, Vec3& c, float& h) {
        const float patches = Tiled(u, v, 4, 5, 801u);
        const float heather = Smoothstep(0.1f, 0.45f, Tiled(u, v, 6, 4, 802u));
        const float blades = Tiled(u, v, 128, 2, 803u);
        const Vec3 grass{0.20f, 0.25f, 0.15f};
        const Vec3 dry{0.33f, 0.31f, 0.21f};
        const Vec3 purple{0.30f, 0.21f, 0.27f};
        Vec3 ground = Lerp(grass, dry, Smoothstep(-0.3f, 0.5f, patches));
        ground = Lerp(ground, purple, heather * 0.7f);
        ground = ground * (0.85f + 0.2f * blades);
        const CellSample rock = Noise::Cells2(u * 20.0f, v * 20.0f, 804u, 20, 20);
        const bool isRock = Noise::HashUnit(rock.id) > 0.93f && rock.nearest < 0.22f + 0.1f * Tiled(u, v, 64, 2, 805u);
        h = 0.3f * blades + 0.2f * patches;
        if (isRock)
        {
            c = Vec3{0.50f, 0.48f, 0.44f} * (0.8f + 0.6f * (0.3f - rock.nearest));
            h += 1.5f * (0.3f - rock.nearest);
        }
        else
        {
            c = ground;
        }
    });
}

Painted Mountains(int width, int height)
{
    // Baked once for the whole range: u across x, v against z (as seen from above, north at the top).
    const float spanX = Terrain::kMountainMaxX - Terrain::kMountainMinX;
    const float spanZ = Terrain::kMountainMaxZ - Terrain::kMountainMinZ;
    return Paint(width, height, [&](float u, float v, Vec3& c, float& h) {
        const float x = Terrain::kMountainMinX + u * spanX;
        const float z = Terrain::kMountainMaxZ - v * spanZ;
        const float e = 3.0f;
        const float y = Terrain::MountainHeight(x, z);
        const float gx = (Terrain::MountainHeight(x + e, z) - Terrain::MountainHeight(x - e, z)) / (2.0f * e);
        const float gz = (Terrain::MountainHeight(x, z + e) - Terrain::MountainHeight(x, z - e)) / (2.0f * e);
        const float slope = std::sqrt(gx * gx + gz * gz);
        const float detail = Noise::Fractal2(x * 0.05f, z * 0.05f, 5, 901u);
        const Vec3 heath{0.19f, 0.22f, 0.15f};
        const Vec3 rock{0.40f, 0.38f, 0.37f};
        const Vec3 darkRock{0.26f, 0.25f, 0.25f};
        const Vec3 snow{0.93f, 0.94f, 0.97f};
        const float strata = 0.5f + 0.25f * std::sin(y * 0.12f + 6.0f * detail) + 0.25f * detail;
        Vec3 ground = Lerp(heath, Lerp(darkRock, rock, strata), Smoothstep(40.0f, 110.0f, y + 30.0f * detail));
        ground = Lerp(ground, darkRock, Smoothstep(0.9f, 1.6f, slope) * 0.6f);
        const float snowLine = 190.0f + 35.0f * detail;
        const float snowCover = Smoothstep(snowLine, snowLine + 30.0f, y) * Smoothstep(1.4f, 0.7f, slope);
        c = Lerp(ground, snow, snowCover) * (0.92f + 0.08f * detail);
        // Only detail finer than the mesh goes into the normal map; the mesh carries the large slopes.
        h = 3.0f * Noise::Fractal2(x * 0.08f, z * 0.08f, 4, 902u) * (1.0f - 0.7f * snowCover);
    });
}

Painted StarChartPaper(int size)
{
    Rng rng(1001u);
    struct Star
    {
        float u, v, radius;
    };
    std::vector<Star> stars;
    for (int i = 0; i < 90; ++i)
    {
        stars.push_back({rng.Range(0.05f, 0.95f), rng.Range(0.05f, 0.95f), rng.Range(0.003f, 0.011f)});
    }
    return Paint(size, size, [&](float u, float v, Vec3& c, float& h) {
        const float fibres = Noise::Fractal2(u * 64.0f, v * 16.0f, 3, 1002u, 64, 16);
        c = Vec3{0.93f, 0.89f, 0.78f} * (0.96f + 0.04f * fibres);
        h = 0.05f * fibres;
        const Vec3 ink{0.16f, 0.24f, 0.52f};
        // Coordinate circles and meridians of a celestial chart.
        const float dx = u - 0.5f;
        const float dy = v - 0.5f;
        const float r = std::sqrt(dx * dx + dy * dy);
        const float circles = std::fabs(std::fmod(r * 8.0f + 0.5f, 1.0f) - 0.5f);
        const float meridians =
            std::fabs(std::fmod(std::atan2(dy, dx) / (2.0f * kPi) * 12.0f + 12.5f, 1.0f) - 0.5f) * r;
        if (circles < 0.025f || (meridians < 0.0025f && r > 0.1f))
        {
            c = Lerp(c, ink, 0.45f);
        }
        for (const Star& s : stars)
        {
            const float d = std::sqrt((u - s.u) * (u - s.u) + (v - s.v) * (v - s.v));
            if (d < s.radius)
            {
                c = ink;
            }
        }
        // The glider's centre fold runs down the middle of the sheet.
        h -= 0.6f * Smoothstep(0.02f, 0.0f, std::fabs(u - 0.5f));
    });
}

Painted Wicker(int size)
{
    // Plain weave: eight strands each way per repeat, each passing over one and under the next.
    const int strands = 8;
    return Paint(size, size, [&](float u, float v, Vec3& c, float& h) {
        const float su = u * static_cast<float>(strands);
        const float sv = v * static_cast<float>(strands);
        const int iu = static_cast<int>(std::floor(su));
        const int iv = static_cast<int>(std::floor(sv));
        const float fu = su - static_cast<float>(iu);
        const float fv = sv - static_cast<float>(iv);
        // Profile across a strand (1 in the middle, 0 at its edges), with a small gap between strands.
        auto profile = [](float f) {
            const float d = std::fabs(f - 0.5f) * 2.0f;
            return d > 0.86f ? 0.0f : std::sqrt(1.0f - (d / 0.86f) * (d / 0.86f));
        };
        const bool horizontalOnTop = ((iu + iv) & 1) == 0;
        // Along its length each strand dips where it passes under the crossing one.
        const float alongH = 0.75f + 0.25f * std::cos(fu * 2.0f * kPi);
        const float alongV = 0.75f + 0.25f * std::cos(fv * 2.0f * kPi);
        const float hH = profile(fv) * (horizontalOnTop ? alongH : alongH * 0.6f);
        const float hV = profile(fu) * (horizontalOnTop ? alongV * 0.6f : alongV);
        const bool showH = horizontalOnTop ? hH > 0.0f : hV <= 0.0f;
        const float strandHeight = showH ? hH : hV;
        const uint32_t strandId = showH ? static_cast<uint32_t>(iv) : static_cast<uint32_t>(iu) + 100u;
        const float tint = Noise::HashUnit(strandId, 1101u);
        // Fibres run along each strand.
        const float fibre = showH ? Noise::Fractal2(u * 8.0f, v * 256.0f, 3, 1102u, 8, 256)
                                  : Noise::Fractal2(u * 256.0f, v * 8.0f, 3, 1103u, 256, 8);
        Vec3 cane = Lerp(Vec3{0.66f, 0.50f, 0.28f}, Vec3{0.78f, 0.63f, 0.38f}, tint);
        cane = cane * (0.86f + 0.14f * fibre);
        // Grime settles in the gaps and low points; some patches are darker with age.
        const float grime = Smoothstep(0.55f, 0.05f, strandHeight);
        const float dirt = Smoothstep(0.0f, 0.6f, Tiled(u, v, 4, 4, 1104u));
        cane = Lerp(cane, Vec3{0.24f, 0.19f, 0.13f}, std::max(grime * 0.8f, dirt * 0.35f));
        c = strandHeight > 0.0f ? cane : Vec3{0.10f, 0.08f, 0.06f};
        h = strandHeight * 2.0f + 0.1f * fibre;
    });
}

Image Emblem(int size)
{
    // "D.bmp": a terracotta tile with a sixteen-rayed sun. It is symmetric under a half turn, so the loader's
    // 180-degree rotation leaves it as drawn.
    Image image(size, size);
    for (int y = 0; y < size; ++y)
    {
        for (int x = 0; x < size; ++x)
        {
            const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(size) - 0.5f;
            const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(size) - 0.5f;
            const float r = std::sqrt(u * u + v * v) * 2.0f;
            const float a = std::atan2(v, u);
            Vec3 c{0.14f, 0.20f, 0.36f};   // deep blue ground
            const float border = std::max(std::fabs(u), std::fabs(v)) * 2.0f;
            const float rays = std::fabs(std::cos(a * 8.0f));
            if (r < 0.78f && r > 0.34f && (r - 0.34f) < 0.44f * std::pow(rays, 3.0f))
            {
                c = Lerp(Vec3{0.90f, 0.62f, 0.26f}, Vec3{0.80f, 0.40f, 0.22f}, (r - 0.34f) / 0.44f);
            }
            if (r < 0.34f)
            {
                c = Lerp(Vec3{0.98f, 0.86f, 0.52f}, Vec3{0.92f, 0.66f, 0.30f}, r / 0.34f);
            }
            if (std::fabs(r - 0.36f) < 0.015f || std::fabs(r - 0.86f) < 0.012f)
            {
                c = Vec3{0.95f, 0.90f, 0.78f};
            }
            if (border > 0.9f)
            {
                c = border > 0.95f ? Vec3{0.55f, 0.30f, 0.18f} : Vec3{0.92f, 0.86f, 0.72f};
            }
            c = c * (0.94f + 0.06f * Noise::Fractal2(u * 24.0f, v * 24.0f, 3, 1201u));
            image.At(x, y) = Rgba(c);
        }
    }
    return image;
}

}   // namespace

std::vector<TextureOutput> TexturePainter::PaintAll(int scale)
{
    std::vector<TextureOutput> out;
    AddPair(out, "plaza-flagstone", PlazaFlagstones(Sized(512, scale)), 24.0f, 2);
    AddPair(out, "compass-rose", CompassRose(Sized(1024, scale)), 30.0f, 2);
    AddPair(out, "limestone", Limestone(Sized(512, scale)), 16.0f, 2);
    AddPair(out, "brass", Brass(Sized(256, scale)), 10.0f);
    AddPair(out, "causeway-paving", CausewayPaving(Sized(512, scale)), 20.0f, 2);
    AddPair(out, "gallery-facade", Facade(Sized(512, scale), Sized(1024, scale)), 14.0f, 2);
    AddPair(out, "lantern", Lantern(Sized(128, scale)), 1.0f, 16);
    AddPair(out, "sea", Sea(Sized(512, scale)), 1.6f);
    AddPair(out, "meadow", Meadow(Sized(512, scale)), 6.0f, 2);
    AddPair(out, "mountain", Mountains(Sized(512, scale), Sized(1024, scale)), 1.0f, 2);
    AddPair(out, "star-chart-paper", StarChartPaper(Sized(256, scale)), 6.0f);
    const Painted wicker = Wicker(Sized(512, scale));
    out.push_back({"dirty-wicker-weave1-albedo.dds", wicker.albedo, TextureEncoding::Dds, MipChain::Full, false});
    out.push_back({"dirty-wicker-weave1-normal.dds",
                   Image::NormalsFromHeight(wicker.height, wicker.albedo.Width(), wicker.albedo.Height(), 10.0f),
                   TextureEncoding::Dds, MipChain::Full, true});
    out.push_back({"D.bmp", Emblem(Sized(256, scale)), TextureEncoding::Bmp, MipChain::SingleLevel, false});
    return out;
}
