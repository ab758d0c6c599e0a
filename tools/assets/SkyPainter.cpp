// Sky colours come from simple analytic gradients (zenith to horizon, brighter towards the sun), clouds and
// the Milky Way from 3D noise evaluated on the direction, and stars from a fixed list splatted in direction
// space. Features fade out near the poles, where the sphere's caps stretch the texture.
#include "tools/assets/SkyPainter.h"

#include "tools/assets/Noise.h"
#include "tools/assets/Rng.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

float Saturate(float v)
{
    return Clamp01(v);
}

// A tiny per-texel offset against banding in the smooth 8-bit gradients.
Vec3 Dither(int x, int y, uint32_t seed)
{
    const float n = (Noise::HashUnit(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed) - 0.5f) / 255.0f;
    return {n, n, n};
}

struct Star
{
    Vec3 direction;
    float brightness;
    Vec3 tint;
};

std::vector<Star> MakeStars(int count, uint32_t seed)
{
    Rng rng(seed);
    std::vector<Star> stars;
    stars.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
    {
        const float z = rng.Range(-1.0f, 1.0f);
        const float a = rng.Range(0.0f, 2.0f * kPi);
        const float s = std::sqrt(std::max(0.0f, 1.0f - z * z));
        const Vec3 d{s * std::cos(a), z, s * std::sin(a)};
        // Many faint stars, few bright ones.
        const float m = rng.Uniform();
        const float brightness = 0.12f + 0.9f * m * m * m * m;
        const float t = rng.Uniform();
        const Vec3 tint =
            t < 0.2f ? Vec3{0.75f, 0.85f, 1.0f} : (t > 0.85f ? Vec3{1.0f, 0.85f, 0.68f} : Vec3{1.0f, 1.0f, 1.0f});
        stars.push_back({d, brightness, tint});
    }
    return stars;
}

// Adds each star as a small Gaussian in angle. `weight(direction)` scales it (horizon haze, aurora, ...).
template <typename Weight>
void SplatStars(Image& image, const std::vector<Star>& stars, float radiusRadians, Weight weight)
{
    const int width = image.Width();
    const int height = image.Height();
    for (const Star& star : stars)
    {
        const float phi = std::acos(std::clamp(star.direction.y, -1.0f, 1.0f));
        // Stars too close to the poles would be smeared by the sphere's caps.
        if (phi < 0.16f || phi > kPi - 0.16f)
        {
            continue;
        }
        float theta = std::atan2(star.direction.z, star.direction.x);
        if (theta < 0.0f)
        {
            theta += 2.0f * kPi;
        }
        const float w = weight(star.direction) * star.brightness;
        if (w <= 0.002f)
        {
            continue;
        }
        const float cx = theta / (2.0f * kPi) * static_cast<float>(width);
        const float cy = phi / kPi * static_cast<float>(height);
        const float pixelAngle = kPi / static_cast<float>(height);
        const float sigma = std::max(radiusRadians, 0.5f * pixelAngle) / pixelAngle;
        const float stretch = 1.0f / std::max(std::sin(phi), 0.2f);
        const int reachY = static_cast<int>(std::ceil(sigma * 3.0f));
        const int reachX = static_cast<int>(std::ceil(sigma * 3.0f * stretch));
        for (int dy = -reachY; dy <= reachY; ++dy)
        {
            const int y = static_cast<int>(std::floor(cy)) + dy;
            if (y < 0 || y >= height)
            {
                continue;
            }
            for (int dx = -reachX; dx <= reachX; ++dx)
            {
                const int xi = static_cast<int>(std::floor(cx)) + dx;
                const int x = (xi % width + width) % width;
                const float ox = (static_cast<float>(xi) + 0.5f - cx) / stretch;
                const float oy = static_cast<float>(y) + 0.5f - cy;
                const float g = std::exp(-(ox * ox + oy * oy) / (2.0f * sigma * sigma));
                Rgba& p = image.At(x, y);
                p.r += star.tint.x * w * g;
                p.g += star.tint.y * w * g;
                p.b += star.tint.z * w * g;
            }
        }
    }
}

// Angle in radians between two unit vectors.
float AngleBetween(const Vec3& a, const Vec3& b)
{
    return std::acos(std::clamp(Dot(a, b), -1.0f, 1.0f));
}

}   // namespace

Vec3 SkyPainter::SunDirection()
{
    // Low over the sea in the start's first view (which looks along -z), to its right between two columns, 7
    // degrees up; it sits behind the camera for the rest of the flight, so what the camera sees is lit.
    const float azimuth = 38.0f * kPi / 180.0f;
    const float elevation = 7.0f * kPi / 180.0f;
    return Normalize(
        Vec3{std::sin(azimuth) * std::cos(elevation), std::sin(elevation), -std::cos(azimuth) * std::cos(elevation)});
}

Vec3 SkyPainter::MoonDirection()
{
    // Ahead and to the left of the final view, which looks along +z from high above the plaza.
    return Normalize(Vec3{-0.42f, 0.30f, 0.86f});
}

Vec3 SkyPainter::DirectionOf(int x, int y, int width, int height)
{
    const float theta = (static_cast<float>(x) + 0.5f) / static_cast<float>(width) * 2.0f * kPi;
    const float phi = (static_cast<float>(y) + 0.5f) / static_cast<float>(height) * kPi;
    return {std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta)};
}

Image SkyPainter::PaintSunset(int width, int height)
{
    Image image(width, height);
    const Vec3 sun = SunDirection();
    const Vec3 antiSun = Normalize(Vec3{-sun.x, 0.0f, -sun.z});
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const Vec3 d = DirectionOf(x, y, width, height);
            const float elevation = std::asin(std::clamp(d.y, -1.0f, 1.0f));
            const float up = Saturate(d.y);
            const float towardsSun =
                0.5f + 0.5f * Dot(Normalize(Vec3{d.x, 0.0f, d.z}), Normalize(Vec3{sun.x, 0.0f, sun.z}));
            const float cosSun = Dot(d, sun);

            // Zenith blue-violet down to a horizon that is gold towards the sun and rose away from it.
            const Vec3 zenith{0.13f, 0.17f, 0.38f};
            const Vec3 upper{0.36f, 0.36f, 0.60f};
            const Vec3 horizonSun{1.0f, 0.60f, 0.28f};
            const Vec3 horizonAway{0.78f, 0.56f, 0.62f};
            const Vec3 horizon = Lerp(horizonAway, horizonSun, std::pow(towardsSun, 2.2f));
            Vec3 c = Lerp(horizon, upper, Smoothstep(0.0f, 0.35f, up));
            c = Lerp(c, zenith, Smoothstep(0.3f, 1.0f, up));
            // The earth's shadow: a blue-grey band low in the sky opposite the sun, with the pink belt above it.
            const float away = Saturate(Dot(Normalize(Vec3{d.x, 0.0f, d.z}), antiSun));
            const float shadow = Smoothstep(0.06f, 0.0f, elevation) * Smoothstep(0.4f, 1.0f, away);
            c = Lerp(c, Vec3{0.42f, 0.44f, 0.58f}, shadow * 0.6f);
            const float belt = std::exp(-std::pow((elevation - 0.12f) / 0.06f, 2.0f)) * Smoothstep(0.3f, 1.0f, away);
            c = c + Vec3{0.16f, 0.06f, 0.08f} * belt;

            // Glow around the sun and the sun itself.
            const float glow = std::pow(Saturate(cosSun), 12.0f);
            const float haze = std::pow(Saturate(cosSun), 3.0f) * Smoothstep(0.5f, 0.0f, up);
            c = c + Vec3{0.55f, 0.32f, 0.10f} * glow + Vec3{0.25f, 0.12f, 0.04f} * haze;
            const float sunAngle = AngleBetween(d, sun);
            const float disc = Smoothstep(0.022f, 0.017f, sunAngle);
            c = Lerp(c, Vec3{1.0f, 0.93f, 0.72f}, disc);

            // Clouds: a fractal layer seen in perspective, thinning towards the zenith and the horizon, lit gold
            // and rose from below on the sun's side and violet-grey away from it.
            if (d.y > 0.0f)
            {
                const float k = 1.0f / (d.y + 0.12f);
                const float cx = d.x * k * 2.2f;
                const float cz = d.z * k * 2.2f;
                float density = Noise::Fractal3(cx * 0.8f, cz * 0.8f, 0.37f, 6, 1301u, 0.55f);
                density =
                    Smoothstep(-0.06f, 0.40f, density + 0.12f * Noise::Fractal3(cx * 4.0f, cz * 4.0f, 2.1f, 3, 1302u));
                density *= Smoothstep(0.015f, 0.12f, d.y) * Smoothstep(0.92f, 0.6f, d.y);
                const float edgeLight = std::pow(Saturate(cosSun), 4.0f);
                Vec3 cloud = Lerp(Vec3{0.46f, 0.38f, 0.52f}, Vec3{1.0f, 0.62f, 0.40f}, std::pow(towardsSun, 1.5f));
                cloud = Lerp(cloud, Vec3{1.0f, 0.85f, 0.62f}, edgeLight * (1.0f - density) * 0.8f);
                cloud = Lerp(cloud, Vec3{0.30f, 0.26f, 0.40f}, Smoothstep(0.3f, 0.8f, d.y) * 0.5f);
                c = Lerp(c, cloud, density * 0.85f);
            }
            else
            {
                // Below the horizon: the distant sea, darkening downwards, with the sun's path on the water.
                const float depth = Smoothstep(0.0f, -0.25f, d.y);
                Vec3 sea = Lerp(Lerp(horizon, Vec3{0.20f, 0.20f, 0.30f}, 0.6f), Vec3{0.05f, 0.08f, 0.12f}, depth);
                const Vec3 mirrored{d.x, -d.y, d.z};
                const float path = std::pow(Saturate(Dot(mirrored, sun)), 60.0f) * (1.0f - depth);
                sea = sea + Vec3{0.8f, 0.5f, 0.2f} * path;
                c = Lerp(c, sea, Smoothstep(0.0f, -0.004f, d.y));
            }
            c = c + Dither(x, y, 1303u);
            image.At(x, y) = Rgba(c);
        }
    }
    // A few early stars high up, opposite the sun.
    SplatStars(image, MakeStars(900, 1304u), 0.0012f, [&](const Vec3& d) {
        return Smoothstep(0.35f, 0.8f, d.y) * Smoothstep(0.0f, -0.6f, Dot(d, sun)) * 0.5f;
    });
    return image;
}

Image SkyPainter::PaintNight(int width, int height)
{
    Image image(width, height);
    const Vec3 moon = MoonDirection();
    // The Milky Way follows a great circle tilted across the sky; `pole` is that circle's axis.
    const Vec3 galacticPole = Normalize(Vec3{0.55f, 0.45f, -0.70f});
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const Vec3 d = DirectionOf(x, y, width, height);
            const float up = Saturate(d.y);
            const float elevation = std::asin(std::clamp(d.y, -1.0f, 1.0f));

            Vec3 c = Lerp(Vec3{0.08f, 0.12f, 0.24f}, Vec3{0.018f, 0.026f, 0.075f}, Smoothstep(0.0f, 0.6f, up));

            // The Milky Way: a soft band with brighter knots and dark dust lanes.
            const float band = std::exp(-std::pow(Dot(d, galacticPole) / 0.2f, 2.0f));
            const float knots = 0.5f + 0.5f * Noise::Fractal3(d.x * 4.0f, d.y * 4.0f, d.z * 4.0f, 5, 1401u);
            const float dust =
                Smoothstep(0.1f, 0.5f, Noise::Fractal3(d.x * 7.0f + 3.0f, d.y * 7.0f, d.z * 7.0f, 4, 1402u));
            const float milky = band * knots * (1.0f - 0.7f * dust * Smoothstep(0.3f, 1.0f, band));
            c = c + Vec3{0.20f, 0.20f, 0.24f} * milky * Smoothstep(0.02f, 0.2f, d.y);

            // Aurora curtains above the horizon ahead (+z): a wavy lower edge, vertical rays, green at the
            // bottom turning violet at the top.
            const float azimuth = std::atan2(d.x, d.z);   // 0 straight ahead
            const float ahead = Smoothstep(1.4f, 0.6f, std::fabs(azimuth));
            const float baseElevation = 0.09f + 0.05f * std::sin(azimuth * 3.0f + 0.7f) +
                                        0.03f * Noise::Fractal2(azimuth * 3.0f, 0.5f, 3, 1403u);
            const float aboveBase = elevation - baseElevation;
            if (aboveBase > -0.02f && ahead > 0.0f)
            {
                const float bottom = Smoothstep(-0.02f, 0.012f, aboveBase);
                const float fall = std::exp(-std::max(aboveBase, 0.0f) / 0.16f);
                const float rays =
                    0.45f + 0.55f * Smoothstep(-0.2f, 0.6f, Noise::Fractal2(azimuth * 45.0f, 0.3f, 3, 1404u));
                const float curtains = 0.5f + 0.5f * Noise::Fractal2(azimuth * 5.0f, 1.7f, 3, 1405u);
                const float intensity = bottom * fall * rays * curtains * ahead * 1.2f;
                const Vec3 green{0.18f, 0.85f, 0.50f};
                const Vec3 violet{0.45f, 0.22f, 0.62f};
                c = c + Lerp(green, violet, Smoothstep(0.02f, 0.3f, aboveBase)) * intensity;
            }

            // Moonlight: a halo around the moon and its disc with darker seas.
            const float moonAngle = AngleBetween(d, moon);
            c = c + Vec3{0.10f, 0.12f, 0.16f} * std::exp(-moonAngle / 0.12f) +
                Vec3{0.05f, 0.06f, 0.08f} * std::exp(-moonAngle / 0.5f);
            const float discRadius = 0.032f;
            if (moonAngle < discRadius + 0.004f)
            {
                const float maria = Noise::Fractal3(d.x * 90.0f, d.y * 90.0f, d.z * 90.0f, 4, 1406u);
                const Vec3 surface = Vec3{0.95f, 0.94f, 0.88f} * (0.86f - 0.22f * Smoothstep(0.0f, 0.4f, maria));
                c = Lerp(c, surface, Smoothstep(discRadius + 0.003f, discRadius - 0.002f, moonAngle));
            }

            if (d.y < 0.0f)
            {
                // Below the horizon: the dark sea, with the moon's path on it and the aurora's faint reflection.
                const float depth = Smoothstep(0.0f, -0.3f, d.y);
                Vec3 sea = Lerp(Vec3{0.05f, 0.08f, 0.15f}, Vec3{0.015f, 0.025f, 0.05f}, depth);
                const Vec3 mirrored{d.x, -d.y, d.z};
                const float path = std::pow(Saturate(Dot(mirrored, moon)), 80.0f) *
                                   (0.6f + 0.4f * Noise::Fractal3(d.x * 60.0f, d.y * 200.0f, d.z * 60.0f, 3, 1407u));
                sea = sea + Vec3{0.45f, 0.45f, 0.42f} * path * (1.0f - depth);
                sea = sea + Vec3{0.02f, 0.08f, 0.05f} * ahead * (1.0f - depth);
                c = Lerp(c, sea, Smoothstep(0.0f, -0.004f, d.y));
            }
            c = c + Dither(x, y, 1408u);
            image.At(x, y) = Rgba(c);
        }
    }
    SplatStars(image, MakeStars(14000, 1409u), 0.0009f, [&](const Vec3& d) {
        const float horizonFade = Smoothstep(0.0f, 0.12f, d.y);
        const float nearMoon = Smoothstep(0.05f, 0.35f, AngleBetween(d, moon));
        const float band = std::exp(-std::pow(Dot(d, galacticPole) / 0.25f, 2.0f));
        return horizonFade * nearMoon * (0.8f + 0.6f * band);
    });
    return image;
}
