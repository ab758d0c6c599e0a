// ScaleWorldWriter: see ScaleWorldWriter.h. The block is a cube of 12 triangles with a texture and a normal
// map, so every actor costs the engine a full mesh draw while the pixels stay cheap.
#include "tools/bench/scale/ScaleWorldWriter.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

namespace
{
constexpr int kTextureSide = 64;
// The camera flies down to (0, 2, -8) and looks straight down there at 8 s.
constexpr float kGridCentreZ = -8.0f;

bool WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    if (!out)
    {
        std::cerr << path << ": cannot write the file\n";
        return false;
    }
    return true;
}

std::string Join(const std::string& folder, const char* name)
{
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\')
    {
        return folder + name;
    }
    return folder + "/" + name;
}

// Uncompressed 32-bit Targa, B, G, R, A bytes; `pixel(x, y)` gives R, G, B, A.
template <class PixelFunction>
std::string Targa(PixelFunction pixel)
{
    std::string file(18, '\0');
    file[2] = 2;   // uncompressed true colour
    file[12] = static_cast<char>(kTextureSide & 0xFF);
    file[13] = static_cast<char>(kTextureSide >> 8);
    file[14] = static_cast<char>(kTextureSide & 0xFF);
    file[15] = static_cast<char>(kTextureSide >> 8);
    file[16] = 32;
    file[17] = 8;   // eight alpha bits
    for (int y = 0; y < kTextureSide; ++y)
    {
        for (int x = 0; x < kTextureSide; ++x)
        {
            const std::array<std::uint8_t, 4> rgba = pixel(x, y);
            file.push_back(static_cast<char>(rgba[2]));
            file.push_back(static_cast<char>(rgba[1]));
            file.push_back(static_cast<char>(rgba[0]));
            file.push_back(static_cast<char>(rgba[3]));
        }
    }
    return file;
}

// Six faces; for each, the outward normal n and the axes u (texture right) and v (texture up) with v x u = n,
// so that the corners (-u-v, -u+v, +u+v, +u-v) run clockwise seen from outside, the engine's front faces.
std::string CubeObj()
{
    struct Face
    {
        float n[3], u[3], v[3];
    };
    const Face faces[6] = {
        {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}}, {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},
    };
    std::ostringstream obj;
    obj << "# Written by the scale benchmark's world generator: a unit block standing on y = 0.\n";
    obj << "mtllib " << ScaleWorldWriter::kBlockMtlFile << "\n";
    obj << "o ScaleBlock\n";
    const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    for (const Face& face : faces)
    {
        for (const auto& corner : corners)
        {
            float p[3];
            for (int i = 0; i < 3; ++i)
            {
                p[i] = 0.5f * (face.n[i] + corner[0] * face.u[i] + corner[1] * face.v[i]);
            }
            obj << "v " << p[0] << " " << p[1] + 0.5f << " " << p[2] << "\n";
        }
    }
    obj << "vt 0 1\nvt 0 0\nvt 1 0\nvt 1 1\n";
    for (const Face& face : faces)
    {
        obj << "vn " << face.n[0] << " " << face.n[1] << " " << face.n[2] << "\n";
    }
    obj << "usemtl ScaleBlock\n";
    for (int f = 0; f < 6; ++f)
    {
        const int first = f * 4 + 1;
        const int normal = f + 1;
        const auto corner = [&](int c) {
            return std::to_string(first + c) + "/" + std::to_string(c + 1) + "/" + std::to_string(normal);
        };
        obj << "f " << corner(0) << " " << corner(1) << " " << corner(2) << "\n";
        obj << "f " << corner(0) << " " << corner(2) << " " << corner(3) << "\n";
    }
    return obj.str();
}

std::string BlockActor()
{
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        << "<!-- Written by the scale benchmark's world generator. The world file places each block. -->\n"
        << "<Actor type=\"ScaleBlock\" resource=\"" << ScaleWorldWriter::kBlockActorFile << "\">\n"
        << "  <TransformComponent>\n"
        << "    <Position x=\"0\" y=\"0\" z=\"0\"/>\n"
        << "    <YawPitchRoll x=\"0\" y=\"0\" z=\"0\"/>\n"
        << "  </TransformComponent>\n"
        << "  <MeshComponent>\n"
        << "    <Obj>" << ScaleWorldWriter::kBlockObjFile << "</Obj>\n"
        << "  </MeshComponent>\n"
        << "  <MeshRenderComponent>\n"
        << "    <Color r=\"1\" g=\"1\" b=\"1\" a=\"1\"/>\n"
        << "    <PixelShader>BasicNormalMapPixelShader.fx</PixelShader>\n"
        << "    <VertexShader>BasicNormalMapVertexShader.fx</VertexShader>\n"
        << "  </MeshRenderComponent>\n"
        << "</Actor>\n";
    return xml.str();
}

std::string LightActor()
{
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        << "<!-- Written by the scale benchmark's world generator: the world's one light, from above and aside. -->\n"
        << "<Actor type=\"ScaleLight\" resource=\"" << ScaleWorldWriter::kLightActorFile << "\">\n"
        << "  <TransformComponent>\n"
        << "    <Position x=\"0\" y=\"50\" z=\"0\"/>\n"
        << "    <YawPitchRoll x=\"-35\" y=\"50\" z=\"0\"/>\n"
        << "  </TransformComponent>\n"
        << "  <LightRenderComponent>\n"
        << "    <Light type=\"DirectionalLight\">\n"
        << "      <Ambient r=\"0.35\" g=\"0.35\" b=\"0.4\" a=\"1\"/>\n"
        << "      <Diffuse r=\"1\" g=\"0.95\" b=\"0.85\" a=\"1\"/>\n"
        << "      <Specular r=\"0.8\" g=\"0.75\" b=\"0.7\" a=\"1\"/>\n"
        << "    </Light>\n"
        << "  </LightRenderComponent>\n"
        << "</Actor>\n";
    return xml.str();
}

std::string World(int count)
{
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        << "<!-- Scale benchmark world: " << count << " blocks (actors 1 to " << count << ") and one light. -->\n"
        << "<World>\n  <StaticActors>\n";
    for (int i = 0; i < count; ++i)
    {
        const std::array<float, 3> p = ScaleWorldWriter::PositionOf(i, count);
        xml << "    <Actor resource=\"" << ScaleWorldWriter::kBlockActorFile << "\"><TransformComponent>"
            << "<Position x=\"" << p[0] << "\" y=\"" << p[1] << "\" z=\"" << p[2] << "\"/>"
            << "<YawPitchRoll x=\"" << ScaleWorldWriter::YawOf(i) << "\" y=\"0\" z=\"0\"/>"
            << "</TransformComponent></Actor>\n";
    }
    xml << "    <Actor resource=\"" << ScaleWorldWriter::kLightActorFile << "\"/>\n";
    xml << "  </StaticActors>\n</World>\n";
    return xml.str();
}
}

std::array<float, 3> ScaleWorldWriter::PositionOf(int index, int count)
{
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count > 0 ? count : 1))));
    const int rows = (count + columns - 1) / columns;
    const int column = index % columns;
    const int row = index / columns;
    return {(static_cast<float>(column) - static_cast<float>(columns - 1) * 0.5f) * kSpacing, 0.0f,
            kGridCentreZ + (static_cast<float>(row) - static_cast<float>(rows - 1) * 0.5f) * kSpacing};
}

float ScaleWorldWriter::YawOf(int index)
{
    return static_cast<float>((index * 37) % 360);
}

bool ScaleWorldWriter::Write(const std::string& folder, int count)
{
    if (count < 1 || count > kMaxActors)
    {
        std::cerr << Join(folder, kWorldFile) << ": " << count << " actors asked for; a scale world has 1 to "
                  << kMaxActors << "\n";
        return false;
    }
    const std::string mtl = std::string("# Written by the scale benchmark's world generator.\n") +
                            "newmtl ScaleBlock\nKa 1.0 1.0 1.0\nKd 1.0 1.0 1.0\nKs 0.3 0.3 0.3\nNs 24.0\nd 1.0\n"
                            "illum 2\nmap_Kd " +
                            kAlbedoFile + "\nmap_bump " + kNormalFile + "\n";
    // Albedo: a two-tone check, so that a block reads as a block; normal map: flat.
    const std::string albedo = Targa([](int x, int y) {
        const bool light = ((x / 16) + (y / 16)) % 2 == 0;
        return light ? std::array<std::uint8_t, 4>{200, 170, 120, 255} : std::array<std::uint8_t, 4>{150, 110, 70, 255};
    });
    const std::string normal = Targa([](int, int) { return std::array<std::uint8_t, 4>{128, 128, 255, 255}; });

    return WriteFile(Join(folder, kBlockObjFile), CubeObj()) && WriteFile(Join(folder, kBlockMtlFile), mtl) &&
           WriteFile(Join(folder, kAlbedoFile), albedo) && WriteFile(Join(folder, kNormalFile), normal) &&
           WriteFile(Join(folder, kBlockActorFile), BlockActor()) &&
           WriteFile(Join(folder, kLightActorFile), LightActor()) && WriteFile(Join(folder, kWorldFile), World(count));
}
