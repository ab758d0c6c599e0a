// Renders preview frames of the generated world at given times of the presentation, as BMP files:
//   asset_preview OUTPUT_DIR SECONDS...    (writes preview-<seconds>.bmp for each time)
// A development aid for judging the data; the build does not run it.
#include "tools/assets/AssetWriter.h"
#include "tools/assets/ImageFiles.h"
#include "tools/assets/PreviewRenderer.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::cerr << "usage: asset_preview OUTPUT_DIR SECONDS...\n";
        return 2;
    }
    const PreviewRenderer renderer;
    AssetWriter writer(argv[1]);
    for (int i = 2; i < argc; ++i)
    {
        const double seconds = std::atof(argv[i]);
        char name[64];
        std::snprintf(name, sizeof name, "preview-%05.1f.bmp", seconds);
        if (!writer.Write(name, ImageFiles::EncodeBmp(renderer.Render(seconds, 640, 360))))
        {
            return 1;
        }
    }
    return 0;
}
