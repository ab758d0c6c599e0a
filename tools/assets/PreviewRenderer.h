// A software rasteriser that draws the generated world as the presentation would show it at a given time:
// the scripted camera and actor moves, the normal-mapped lighting of the mesh shader, the sky and the post
// pass's tone curve and vignette. It lets the data be judged without the engine; it is an approximation
// (no anisotropic filtering, per-pixel mip choice only) and is never part of the build's outputs.
#pragma once

#include "tools/assets/Image.h"
#include "tools/assets/ModelSet.h"

#include <map>
#include <string>
#include <vector>

class PreviewRenderer
{
public:
    PreviewRenderer();

    // Renders the frame at `seconds` of the presentation.
    Image Render(double seconds, int width, int height) const;

private:
    struct Texture
    {
        std::vector<Image> levels;
    };
    std::vector<ModelOutput> m_models;
    std::map<std::string, Texture> m_textures;
    Image m_sky0;
    Image m_sky1;
};
