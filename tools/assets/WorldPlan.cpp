// The actor list and the XML it becomes. Actor ids follow the list order (the factory numbers actors as the
// world file creates them), so the pieces the scripted scene moves sit at positions 5, 12, 13, 14, 17, 19 and
// 20; the rest fill the places between them.
#include "tools/assets/WorldPlan.h"

#include "tools/assets/Terrain.h"

#include <cstdio>
#include <set>

namespace
{

std::string Number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(value));
    std::string s = text;
    while (!s.empty() && s.back() == '0')
    {
        s.pop_back();
    }
    if (!s.empty() && s.back() == '.')
    {
        s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

std::string Transform(const Vec3& position, const Vec3& ypr, const char* indent)
{
    std::string text = std::string(indent) + "<TransformComponent>\n";
    text += std::string(indent) + "  <Position x=\"" + Number(position.x) + "\" y=\"" + Number(position.y) + "\" z=\"" +
            Number(position.z) + "\"/>\n";
    text += std::string(indent) + "  <YawPitchRoll x=\"" + Number(ypr.x) + "\" y=\"" + Number(ypr.y) + "\" z=\"" +
            Number(ypr.z) + "\"/>\n";
    text += std::string(indent) + "</TransformComponent>\n";
    return text;
}

}   // namespace

Vec3 WorldPlan::GreatArmillaryBase()
{
    const float x = -115.0f;
    const float z = 360.0f;
    return {x, Terrain::LandHeight(x, z) - 1.0f, z};
}

std::vector<ActorPlacement> WorldPlan::Actors()
{
    const float causewayStartZ = -32.0f;   // where the flight begins; the scene places the travellers from there
    return {
        {1, "Sun", {0.0f, 50.0f, 0.0f}, {kLightYaw, kLightPitch, 0.0f}, "the low sun of the first sky; the only light"},
        {2, "Plaza", {}, {}, "the terrace where the flight starts"},
        {3, "CompassRose", {0.0f, 0.0f, kColonnadeZ}, {}, "the inlaid rose seen straight down at 8 s"},
        {4, "Colonnade", {0.0f, 0.0f, kColonnadeZ}, {}, "sixteen columns and their ring, with benches"},
        {5, "Armillary", {0.0f, kPlinthHeight, kArmillaryZ}, {}, "spins: the armillary behind the start"},
        {6, "Plinth", {0.0f, 0.0f, kArmillaryZ}, {}, "under the armillary"},
        {7, "Plinth", {0.0f, 0.0f, kOrreryZ}, {}, "under the orrery"},
        {8, "Meadow", {}, {}, "the heath around the plaza and along the bay"},
        {9, "Mountains", {}, {}, "the range on the left of the final view"},
        {10, "Sea", {}, {}, "the sea, repeating every 21.5 units"},
        {11, "CausewayDeck", {kCausewayX, 0.0f, 0.0f}, {}, "the causeway's paving, 27 segments of 43 units"},
        {12,
         "RingMiddle",
         {kCausewayX + 100.0f, 2.0f, causewayStartZ + 2.0f},
         {90.0f, 0.0f, 0.0f},
         "rolls: middle ring, waits out of sight until 29 s"},
        {13,
         "RingInner",
         {kCausewayX + 100.0f, 2.0f, causewayStartZ + 2.0f},
         {45.0f, 0.0f, 0.0f},
         "rolls: inner ring with the globe, waits until 29 s"},
        {14,
         "RingOuter",
         {kCausewayX, 2.0f, causewayStartZ + 2.0f},
         {},
         "yaws: the graduated ring 2 ahead of the camera"},
        {15, "CausewayGallery", {kCausewayX, 0.0f, 0.0f}, {}, "the gallery wall with its lit windows"},
        {16, "CausewayStone", {kCausewayX, 0.0f, 0.0f}, {}, "arches, pilasters, piers, balustrade and lamp posts"},
        {17,
         "GreatArmillary",
         GreatArmillaryBase() + Vec3{0.0f, 6.0f, 0.0f},
         {18.0f, 0.0f, 0.0f},
         "spins: the great armillary on the headland, ahead of the start's end and the landmark of the final view"},
        {18, "CausewayLanterns", {kCausewayX, 0.0f, 0.0f}, {}, "lanterns on the posts and the wall"},
        {19,
         "PaperGlider",
         {kCausewayX + 100.0f, 2.0f, causewayStartZ + 3.0f},
         {},
         "rides from 15 s to 21.5 s; waits out of sight"},
        {20,
         "WickerLantern",
         {kCausewayX + 100.0f, 2.0f, causewayStartZ + 3.0f},
         {},
         "rides from 22 s to 29 s; waits out of sight"},
        {21, "Orrery", {0.0f, kPlinthHeight, kOrreryZ}, {}, "the orrery at the end of the plaza"},
        {22, "GreatArmillaryBase", GreatArmillaryBase(), {18.0f, 0.0f, 0.0f}, "its stepped base"},
    };
}

std::string WorldPlan::WorldXml()
{
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    text +=
        "<!-- The presentation's world, written by tools/assets from its actor list. Actors get ids 1, 2, 3, ... in\n";
    text += "     this order; the scripted scene moves ids 5, 12, 13, 14, 17, 19 and 20. -->\n";
    text += "<World>\n  <StaticActors>\n";
    for (const ActorPlacement& a : Actors())
    {
        text += "    <!-- " + std::to_string(a.id) + ": " + a.note + " -->\n";
        text += "    <Actor resource=\"actors/" + a.definition + ".xml\">\n";
        text += Transform(a.position, a.yawPitchRoll, "      ");
        text += "    </Actor>\n";
    }
    text += "  </StaticActors>\n</World>\n";
    return text;
}

std::vector<std::pair<std::string, std::string>> WorldPlan::ActorFiles()
{
    std::vector<std::pair<std::string, std::string>> files;
    std::set<std::string> written;
    for (const ActorPlacement& a : Actors())
    {
        if (!written.insert(a.definition).second)
        {
            continue;
        }
        std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
        text += "<!-- Written by tools/assets. The world file places each instance. -->\n";
        text += "<Actor type=\"" + a.definition + "\" resource=\"actors/" + a.definition + ".xml\">\n";
        text += Transform({}, {}, "  ");
        if (a.definition == "Sun")
        {
            text += "  <LightRenderComponent>\n";
            text += "    <Color r=\"1\" g=\"1\" b=\"1\" a=\"1\"/>\n";
            text += "    <Light type=\"DirectionalLight\">\n";
            text += "      <Attenuation const=\"1\" linear=\"0\" exp=\"0\"/>\n";
            text += "      <Ambient r=\"0.36\" g=\"0.36\" b=\"0.46\" a=\"1\"/>\n";
            text += "      <Diffuse r=\"1.45\" g=\"1.22\" b=\"0.95\" a=\"1\"/>\n";
            text += "      <Specular r=\"1\" g=\"0.85\" b=\"0.65\" a=\"1\"/>\n";
            text += "      <Shape range=\"10000\" spot=\"0\"/>\n";
            text += "    </Light>\n";
            text += "  </LightRenderComponent>\n";
        }
        else
        {
            text += "  <MeshComponent>\n    <Obj>" + a.definition + ".obj</Obj>\n  </MeshComponent>\n";
            text += "  <MeshRenderComponent>\n";
            text += "    <Color r=\"1\" g=\"1\" b=\"1\" a=\"1\"/>\n";
            text += "    <PixelShader>BasicNormalMapPixelShader.fx</PixelShader>\n";
            text += "    <VertexShader>BasicNormalMapVertexShader.fx</VertexShader>\n";
            text += "  </MeshRenderComponent>\n";
        }
        text += "</Actor>\n";
        files.emplace_back("actors/" + a.definition + ".xml", text);
    }
    return files;
}
