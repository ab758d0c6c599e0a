// BaselineWorld: see BaselineWorld.h. Component elements are read with the engine's rules: names compared
// without regard to letter case, overrides re-reading a component or adding one, "NoObj" for no geometry.
#include "tools/bench/baseline/BaselineWorld.h"

#include "actors/WorldFile.h"
#include "files/XmlFileLoader.h"

#include <tinyxml.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace
{
constexpr float kDegreesToRadians = 0.017453292f;

std::string Lowered(const char* text)
{
    std::string result = text != nullptr ? text : "";
    for (char& c : result)
    {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

// A missing or unreadable number counts as 0, as in the transform component.
float Number(const TiXmlElement* element, const char* attribute)
{
    double value = 0.0;
    if (element->QueryDoubleAttribute(attribute, &value) != TIXML_SUCCESS)
    {
        return 0.0f;
    }
    return static_cast<float>(value);
}

// The element's text, or nothing when it has no element of that name.
std::optional<std::string> ChildText(const TiXmlElement* element, const char* name)
{
    const TiXmlElement* child = element->FirstChildElement(name);
    if (child == nullptr)
    {
        return std::nullopt;
    }
    const char* text = child->GetText();
    return std::string(text != nullptr ? text : "");
}

void ReadColour(const TiXmlElement* light, const char* name, float (&colour)[4])
{
    const TiXmlElement* element = light->FirstChildElement(name);
    if (element == nullptr)
    {
        return;
    }
    const char* channels[4] = {"r", "g", "b", "a"};
    for (int i = 0; i < 4; ++i)
    {
        double value = 0.0;
        const char* text = element->Attribute(channels[i]);
        if (text != nullptr && std::sscanf(text, "%lf", &value) == 1)
        {
            colour[i] = static_cast<float>(value);
        }
    }
}

void ReadTransform(const TiXmlElement* element, Matrix4x4& transform)
{
    float translation[3] = {transform.m[12], transform.m[13], transform.m[14]};
    if (const TiXmlElement* position = element->FirstChildElement("Position"))
    {
        translation[0] = Number(position, "x");
        translation[1] = Number(position, "y");
        translation[2] = Number(position, "z");
    }
    YawPitchRoll angles = transform.GetYawPitchRoll();
    if (const TiXmlElement* given = element->FirstChildElement("YawPitchRoll"))
    {
        angles.yaw = Number(given, "x");
        angles.pitch = Number(given, "y");
        angles.roll = Number(given, "z");
        const char* angleType = given->Attribute("angleType");
        if (angleType == nullptr || std::strcmp(angleType, "rad") != 0)
        {
            angles.yaw *= kDegreesToRadians;
            angles.pitch *= kDegreesToRadians;
            angles.roll *= kDegreesToRadians;
        }
    }
    transform = Matrix4x4::RotationYawPitchRoll(angles.yaw, angles.pitch, angles.roll);
    transform.m[12] = translation[0];
    transform.m[13] = translation[1];
    transform.m[14] = translation[2];
    transform.m[15] = 1.0f;
}
}

bool BaselineWorld::Load(const std::string& worldFile)
{
    m_meshes.clear();
    m_light.reset();
    m_actorCount = 0;

    TiXmlDocument document;
    std::string problem;
    if (!XmlFileLoader::Load(document, worldFile, &problem))
    {
        std::cerr << worldFile << ": cannot read the world: " << problem << "\n";
        return false;
    }
    const TiXmlElement* root = document.FirstChildElement();
    if (root == nullptr)
    {
        std::cerr << worldFile << ": the world has no root element\n";
        return false;
    }
    for (const WorldFile::Entry& entry : WorldFile::ActorEntries(root))
    {
        if (entry.resource == nullptr || *entry.resource == '\0')
        {
            std::cerr << worldFile << ": <" << entry.element->Value() << "> on line " << entry.element->Row()
                      << " has no \"resource\" attribute; skipped\n";
            continue;
        }
        AddActor(entry.resource, entry.element);
    }
    return true;
}

bool BaselineWorld::ReadComponent(const TiXmlElement* element, ActorRecord& actor)
{
    const std::string name = Lowered(element->Value());
    if (name == "transformcomponent")
    {
        ReadTransform(element, actor.transform);
        actor.hasTransform = true;
    }
    else if (name == "meshcomponent")
    {
        const std::optional<std::string> obj = ChildText(element, "Obj");
        if (!obj || obj->empty())
        {
            return false;
        }
        actor.objFile = *obj;
        actor.hasMesh = true;
    }
    else if (name == "meshrendercomponent")
    {
        if (const auto pixelShader = ChildText(element, "PixelShader"))
        {
            actor.pixelShader = *pixelShader;
        }
        if (const auto vertexShader = ChildText(element, "VertexShader"))
        {
            actor.vertexShader = *vertexShader;
        }
        actor.hasMeshRender = true;
    }
    else if (name == "lightrendercomponent")
    {
        if (const TiXmlElement* light = element->FirstChildElement("Light"))
        {
            ReadColour(light, "Ambient", actor.light.ambient);
            ReadColour(light, "Diffuse", actor.light.diffuse);
            ReadColour(light, "Specular", actor.light.specular);
        }
        actor.hasLight = true;
    }
    else
    {
        return false;
    }
    return true;
}

void BaselineWorld::AddActor(const char* resourceFile, const TiXmlElement* overrides)
{
    TiXmlDocument document;
    std::string problem;
    if (!XmlFileLoader::Load(document, resourceFile, &problem))
    {
        std::cerr << resourceFile << ": cannot read the actor: " << problem << "\n";
        return;
    }
    const TiXmlElement* root = document.FirstChildElement();
    if (root == nullptr || root->Attribute("type") == nullptr || root->Attribute("resource") == nullptr)
    {
        std::cerr << resourceFile << ": the actor needs a root element with \"type\" and \"resource\"\n";
        return;
    }

    ActorRecord actor;
    // A component the engine cannot build fails the whole definition; in an override it is only skipped.
    for (const TiXmlElement* element = root->FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement())
    {
        if (!ReadComponent(element, actor))
        {
            std::cerr << resourceFile << ": <" << element->Value() << "> on line " << element->Row()
                      << " is no component the baseline can build; actor skipped\n";
            return;
        }
    }
    for (const TiXmlElement* element = overrides->FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement())
    {
        ActorRecord changed = actor;
        if (ReadComponent(element, changed))
        {
            actor = changed;
        }
    }

    ++m_actorCount;
    if (actor.hasLight && !m_light)
    {
        WorldLight light = actor.light;
        light.direction[0] = actor.transform.m[8];
        light.direction[1] = actor.transform.m[9];
        light.direction[2] = actor.transform.m[10];
        m_light = light;
    }
    // The engine builds a mesh node only for an actor with a render component, geometry and a transform.
    if (actor.hasMesh && actor.hasMeshRender && actor.hasTransform && actor.objFile != "NoObj")
    {
        MeshInstance mesh;
        mesh.actorNumber = m_actorCount;
        mesh.objFile = actor.objFile;
        mesh.vertexShader = actor.vertexShader;
        mesh.pixelShader = actor.pixelShader;
        mesh.world = actor.transform;
        m_meshes.push_back(std::move(mesh));
    }
}
