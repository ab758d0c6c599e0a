// The world as the baseline renderer needs it, read with TinyXML straight from the world file and the actor
// files it names: for every actor that the engine would draw as a mesh, its OBJ file, shader files and world
// matrix, and the first light's colours and direction. No actor, component or event is made; an entry the
// engine would refuse is skipped here too.
#pragma once

#include "events/Matrix4x4.h"

#include <optional>
#include <string>
#include <vector>

class TiXmlElement;

struct MeshInstance
{
    unsigned actorNumber = 0;   // place in the world's actor list, from 1, counting only actors that load
    std::string objFile;
    std::string vertexShader;
    std::string pixelShader;
    Matrix4x4 world;
};

struct WorldLight
{
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {0.9f, 0.9f, 0.9f, 1.0f};
    float specular[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    // The light's local z axis in world space (row 2 of its actor's matrix): the direction it shines.
    float direction[3] = {0.0f, 0.0f, 1.0f};
};

class BaselineWorld
{
public:
    // Reads the world file and every actor file it lists. False, with "file: reason" on standard error, when
    // the world file cannot be read or parsed; actors that cannot be built are reported and skipped.
    bool Load(const std::string& worldFile);

    const std::vector<MeshInstance>& Meshes() const { return m_meshes; }
    // The first light in actor order, the only one the engine lights with; empty without one.
    const std::optional<WorldLight>& Light() const { return m_light; }
    // Actors that loaded, drawn or not.
    unsigned ActorCount() const { return m_actorCount; }

private:
    // What the engine's components of one actor would hold.
    struct ActorRecord
    {
        bool hasTransform = false;
        Matrix4x4 transform;
        bool hasMesh = false;
        std::string objFile;
        bool hasMeshRender = false;
        std::string vertexShader;
        std::string pixelShader;
        bool hasLight = false;
        WorldLight light;
    };

    // One component element into the record; false for a name that is no component of the engine.
    static bool ReadComponent(const TiXmlElement* element, ActorRecord& actor);
    void AddActor(const char* resourceFile, const TiXmlElement* overrides);

    std::vector<MeshInstance> m_meshes;
    std::optional<WorldLight> m_light;
    unsigned m_actorCount = 0;
};
