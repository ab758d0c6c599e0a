// Writes a world of many small mesh actors for the scale benchmark: "World1.xml" with `count` textured blocks
// (actors 1 .. count) on a grid around the start of the camera's path and one light (actor count + 1), plus
// the one actor file, OBJ, MTL and two Targa textures they share. It touches nothing else in the folder, so a
// copy of the program's folder becomes a scale world while keeping its shaders, skies and options.
#pragma once

#include <array>
#include <string>

class ScaleWorldWriter
{
public:
    static constexpr const char* kWorldFile = "World1.xml";
    static constexpr const char* kBlockActorFile = "ScaleBlock.xml";
    static constexpr const char* kLightActorFile = "ScaleLight.xml";
    static constexpr const char* kBlockObjFile = "ScaleBlock.obj";
    static constexpr const char* kBlockMtlFile = "ScaleBlock.mtl";
    static constexpr const char* kAlbedoFile = "ScaleBlock-albedo.tga";
    static constexpr const char* kNormalFile = "ScaleBlock-normal.tga";
    // Grid pitch in world units; blocks are one unit wide.
    static constexpr float kSpacing = 3.0f;
    // A world bigger than this is a typing error, not a benchmark.
    static constexpr int kMaxActors = 100000;

    // Writes every file into `folder` (which must exist). False, with "file: reason" on standard error, for a
    // count outside 1 .. kMaxActors or a file that cannot be written.
    static bool Write(const std::string& folder, int count);

    // Where block `index` (0 .. count - 1) of a world of `count` stands: rows of ceil(sqrt(count)) blocks,
    // centred on the point the camera looks straight down at, eight seconds in.
    static std::array<float, 3> PositionOf(int index, int count);
    // Its yaw in degrees, varied so that no two neighbours share a matrix.
    static float YawOf(int index);
};
