// The shape of the land around the presentation: the plaza terrace at the origin, rolling heath that rises
// inland (towards -x) and behind (towards -z), the coast that curves away to the left ahead, and a range of
// mountains on the far left. Shared by the terrain models and the mountain texture, which is painted to match.
// It holds no geometry itself; the sea is a separate flat plane at kSeaLevel.
#pragma once

class Terrain
{
public:
    static constexpr float kSeaLevel = -3.0f;

    // The coast line: land lies at x below this value for the given z.
    static float CoastX(float z);
    // Height of the heath (meadow model) at (x, z).
    static float LandHeight(float x, float z);
    // Height of the mountain range model; below the land where there are no mountains.
    static float MountainHeight(float x, float z);

    // The region the mountain model and its baked texture cover.
    static constexpr float kMountainMinX = -1000.0f;
    static constexpr float kMountainMaxX = -240.0f;
    static constexpr float kMountainMinZ = -500.0f;
    static constexpr float kMountainMaxZ = 1150.0f;
};
