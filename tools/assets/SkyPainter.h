// Paints the two equirectangular skies: "10.dds", a warm sunset over the sea, and "11.dds", a deep night with
// the Milky Way, an aurora and a low moon. Every texel is painted from its view direction (u = theta / 2pi,
// v = phi / pi from +y, as the engine's sky sphere maps them), so the seam at u = 0/1 and the poles are
// continuous by construction. It writes no files and assumes nothing about the sphere's size.
#pragma once

#include "tools/assets/Image.h"
#include "tools/assets/Vec3.h"

class SkyPainter
{
public:
    // Directions towards the sun in the first sky and the moon in the second; the world's light comes from
    // the sun's side (its actor is oriented to match).
    static Vec3 SunDirection();
    static Vec3 MoonDirection();

    static Image PaintSunset(int width, int height);
    static Image PaintNight(int width, int height);

    // The view direction of texel centre (x, y).
    static Vec3 DirectionOf(int x, int y, int width, int height);
};
