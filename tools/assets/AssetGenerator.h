// Runs every painter and builder and writes the presentation's data set: material textures, "D.bmp", the
// two skies, the OBJ/MTL models and the music as a WAV file (the build encodes it to "DemoTrack01.mp3").
// Everything comes from fixed seeds, so two runs write identical bytes.
#pragma once

#include <string>

struct GeneratorOptions
{
    std::string outputDirectory;
    std::string wavPath;    // where the music goes; empty: no music
    std::string listPath;   // where the names of the files written into outputDirectory go, one a line
                            // (the release archive's data list); empty: no list
    int textureScale = 1;   // divides texture sizes (tests use a coarse set to stay quick)
    int skyWidth = 2048;
    int skyHeight = 1024;
    double musicSeconds = 60.0;
    bool quiet = false;
};

class AssetGenerator
{
public:
    static bool Generate(const GeneratorOptions& options);
    // Writes the world file "World1.xml" and the actor definitions under `dataDirectory`.
    static bool WriteWorld(const std::string& dataDirectory);
};
