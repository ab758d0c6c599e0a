// scale_world: writes a scale benchmark world (ScaleWorldWriter) into a folder. ./bench.sh runs it in a
// copy of the program's folder for 10, 100, 1000 and 5000 actors.
//
// Run:  build-native/bin/scale_world FOLDER COUNT   (or tools/winerun build/bin/scale_world.exe FOLDER COUNT)
#include "tools/bench/scale/ScaleWorldWriter.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
    {
        std::cout << "Usage: scale_world FOLDER COUNT\n"
                     "Writes World1.xml with COUNT block actors and one light, and the files they use, into FOLDER\n"
                     "(an existing folder; other files in it are left alone).\n";
        return 0;
    }
    if (argc != 3)
    {
        std::cerr << "scale_world: usage: scale_world FOLDER COUNT (see --help)\n";
        return 64;
    }
    char* end = nullptr;
    const long count = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || count < 1 || count > ScaleWorldWriter::kMaxActors)
    {
        std::cerr << "scale_world: COUNT must be a whole number from 1 to " << ScaleWorldWriter::kMaxActors << "\n";
        return 64;
    }
    if (!ScaleWorldWriter::Write(argv[1], static_cast<int>(count)))
    {
        return 1;
    }
    std::cout << "scale_world: " << count << " blocks and one light written to " << argv[1] << "\n";
    return 0;
}
