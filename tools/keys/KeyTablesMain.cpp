// key_tables: the key tables of README.md, docs/controls.md and the release's README.txt, checked against the key
// map (app/live/KeyMap.cpp) or written from it. ./test.sh checks them (tools_key_tables), so that a key added to
// the map and not to the manual fails there.
//   key_tables --check [ROOT]    exit 1, naming each page whose table is not the map's
//   key_tables --write [ROOT]    writes the tables into the pages
// ROOT is the repository (default: the working folder).
#include <cstdio>
#include <string>

#include "tools/keys/KeyTables.h"

int main(int argc, char** argv)
{
    const std::string mode = argc >= 2 ? argv[1] : "";
    if ((mode != "--check" && mode != "--write") || argc > 3)
    {
        std::fprintf(stderr, "usage: key_tables --check|--write [ROOT]\n");
        return 64;
    }
    const std::vector<std::string> faults = KeyTables::CheckPages(argc == 3 ? argv[2] : ".", mode == "--write");
    for (const std::string& fault : faults)
    {
        std::fprintf(stderr, "key_tables: %s\n", fault.c_str());
    }
    return faults.empty() ? 0 : 1;
}
