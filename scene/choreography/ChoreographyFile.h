// A choreography as an XML file (docs/choreography.md): reading it through XmlFileLoader with
// every value checked and the first problem named with its line, and writing it so that reading gives back the
// same floats bit for bit and the same choreography always gives the same bytes. It plays nothing and keeps no
// state; the format is described in docs/choreography.md.
#pragma once

#include "scene/choreography/Choreography.h"

#include <optional>
#include <string>

class ChoreographyFile
{
public:
    static constexpr const char* kRootElement = "Choreography";
    // The format's version; a file of another one is refused rather than half understood.
    static constexpr int kVersion = 1;

    // Reads and validates `fileName`. On failure returns nothing and `problem`, when given, receives one line
    // naming the file, the line (where there is one) and what is wrong: "choreo.xml:12: ...".
    static std::optional<Choreography> Load(const std::string& fileName, std::string* problem = nullptr);
    // The file's text for a valid choreography. Numbers in their shortest form that reads back as the same float.
    static std::string Write(const Choreography& choreography);
    // Writes Write()'s text to `fileName` through a temporary file beside it, so that a failed write never
    // leaves a half-written file in its place. False, with `problem`, when it cannot.
    static bool Save(const Choreography& choreography, const std::string& fileName, std::string* problem = nullptr);
};
