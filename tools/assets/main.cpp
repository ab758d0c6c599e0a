// Command line of the asset generator, run by the build (see cmake/Assets.cmake):
//   asset_generator OUTPUT_DIR [--wav FILE] [--list FILE]
//                                             writes the data set into OUTPUT_DIR (the music to the WAV file, and
//                                             the names of the files written into OUTPUT_DIR to the list)
//   asset_generator --world DATA_DIR           writes the world and actor XML files under DATA_DIR
// Exit code 0 on success, 1 on a write failure, 2 on bad arguments.
#include "tools/assets/AssetGenerator.h"

#include <cstring>
#include <iostream>
#include <string>

namespace
{
constexpr const char* kUsage = "usage: asset_generator OUTPUT_DIR [--wav FILE] [--list FILE] | --world DATA_DIR\n";
}   // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--world") == 0)
    {
        return AssetGenerator::WriteWorld(argv[2]) ? 0 : 1;
    }
    GeneratorOptions options;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        if (argument == "--wav" && i + 1 < argc)
        {
            options.wavPath = argv[++i];
        }
        else if (argument == "--list" && i + 1 < argc)
        {
            options.listPath = argv[++i];
        }
        else if (!argument.empty() && argument[0] != '-' && options.outputDirectory.empty())
        {
            options.outputDirectory = argument;
        }
        else
        {
            std::cerr << kUsage;
            return 2;
        }
    }
    if (options.outputDirectory.empty())
    {
        std::cerr << kUsage;
        return 2;
    }
    return AssetGenerator::Generate(options) ? 0 : 1;
}
