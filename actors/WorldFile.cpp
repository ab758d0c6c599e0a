// The world file's structure: see WorldFile.h.
#include "actors/WorldFile.h"

#include <tinyxml.h>

std::vector<WorldFile::Entry> WorldFile::ActorEntries(const TiXmlElement* root)
{
    std::vector<Entry> entries;
    const TiXmlElement* staticActors = root != nullptr ? root->FirstChildElement("StaticActors") : nullptr;
    for (const TiXmlElement* entry = staticActors != nullptr ? staticActors->FirstChildElement() : nullptr;
         entry != nullptr; entry = entry->NextSiblingElement())
    {
        entries.push_back({entry, entry->Attribute("resource")});
    }
    return entries;
}
