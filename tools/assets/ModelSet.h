// Builds every model of the presentation with its one material: the plaza and its colonnade, the two spinning
// instruments and their plinths, the heath, the mountains and the sea, the causeway (deck, gallery wall, stone
// work and lanterns, each one repeating every 43 units), the three nested rings, the two riders and the great
// armillary of the final view. Building only: ModelOutput holds the mesh and material for the writer and the
// preview.
#pragma once

#include "tools/assets/MeshBuilder.h"

#include <string>
#include <vector>

struct ModelOutput
{
    std::string stem;   // "<stem>.obj" and "<stem>.mtl"
    MeshBuilder mesh;
    MeshMaterial material;
};

class ModelSet
{
public:
    static std::vector<ModelOutput> BuildAll();
};
