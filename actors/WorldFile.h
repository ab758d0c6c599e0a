// The structure of a world file ("World1.xml"): under its root element, a "StaticActors" element lists one
// element per actor, whose "resource" attribute names the actor file and whose children override that actor's
// components. The one reader of that structure: the engine logic, the world reload and the baseline renderer
// decide what an entry becomes and what a faulty one is worth.
#pragma once

#include <vector>

class TiXmlElement;

class WorldFile
{
public:
    struct Entry
    {
        const TiXmlElement* element;
        // Null when the entry names no actor file.
        const char* resource;
    };

    // The actor entries of a world's root element, in file order; none without a root or a "StaticActors"
    // element (an empty world, not an error).
    static std::vector<Entry> ActorEntries(const TiXmlElement* root);
};
