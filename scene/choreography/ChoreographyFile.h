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
    // Reads `fileName` as Load does, but takes values that cannot be played yet (a recovered edit in progress):
    // only what the format itself refuses fails.
    static std::optional<Choreography> LoadForEditing(const std::string& fileName, std::string* problem = nullptr);
    // The file's text. Numbers in their shortest form that reads back as the same float; a choreography that
    // cannot be played yet is written as it is. Files are written by the application (FileReplacer), which knows
    // how the platform keeps them safe.
    static std::string Write(const Choreography& choreography);
};
