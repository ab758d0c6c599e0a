// The data set the build generated into bin/, read back the way the engine reads it: every model loads with
// tinyobjloader as one shape the 16-bit indices can address, faces and texture layouts suit the engine's
// culling and normal mapping, every texture a material names is there and valid, the skies wrap without a
// seam, and the music exists.
#include "graphics/formats/DdsFile.h"
#include "tools/assets/ModelSet.h"

#include <gtest/gtest.h>
#include <tiny_obj_loader.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace
{

std::vector<uint8_t> ReadFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Texels
{
    uint32_t width = 0;
    uint32_t height = 0;
    const uint8_t* data = nullptr;   // top level, RGBA rows
};

// Parses with the engine's reader and points at the top level's texels.
::testing::AssertionResult ReadRgbaDds(const std::string& name, DdsFile& file, Texels& texels)
{
    if (!file.Parse(ReadFile(name), name))
    {
        return ::testing::AssertionFailure() << name << " is refused by the engine's DDS reader";
    }
    if (file.GetFormat() != DdsFormat::R8G8B8A8_UNORM || file.GetDimension() != DdsDimension::Texture2D ||
        file.IsCubeMap())
    {
        return ::testing::AssertionFailure() << name << " is not a plain 2D R8G8B8A8 texture";
    }
    DdsLayout layout;
    if (!file.LayoutSurfaces(0, layout) || layout.surfaces.empty())
    {
        return ::testing::AssertionFailure() << name << " has no surfaces";
    }
    texels = {layout.width, layout.height, file.Data() + layout.surfaces[0].offset};
    return ::testing::AssertionSuccess();
}

struct Corner
{
    float p[3];
    float n[3];
    float uv[2];
};

float Dot3(const float* a, const float* b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
void Cross3(const float* a, const float* b, float* out)
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

}   // namespace

TEST(GeneratedModels, EveryModelLoadsAsOneShapeThatSixteenBitIndicesCanAddress)
{
    for (const ModelOutput& model : ModelSet::BuildAll())
    {
        const std::string file = model.stem + ".obj";
        SCOPED_TRACE(file);
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warning, error;
        ASSERT_TRUE(tinyobj::LoadObj(&attrib, &shapes, &materials, &warning, &error, file.c_str())) << error;
        ASSERT_EQ(1u, shapes.size());
        const tinyobj::mesh_t& mesh = shapes[0].mesh;
        EXPECT_GT(mesh.indices.size(), 0u);
        EXPECT_LE(mesh.indices.size(), 65536u);
        EXPECT_EQ(mesh.indices.size(), mesh.num_face_vertices.size() * 3);

        ASSERT_EQ(1u, materials.size());
        const tinyobj::material_t& material = materials[0];
        EXPECT_FALSE(material.diffuse_texname.empty());
        EXPECT_FALSE(material.bump_texname.empty()) << "the normal-map shader samples slot 1 for every mesh";
        EXPECT_TRUE(std::filesystem::exists(material.diffuse_texname)) << material.diffuse_texname;
        EXPECT_TRUE(std::filesystem::exists(material.bump_texname)) << material.bump_texname;
        EXPECT_GT(material.diffuse[0] + material.diffuse[1] + material.diffuse[2], 0.0f);

        // Per triangle: every corner has a normal and texture coordinates; the corners run clockwise seen from
        // the side the normals face (the engine culls the other side); the texture layout is neither degenerate
        // (the engine divides by its determinant for the tangent) nor mirrored (the shader's bitangent is
        // cross(normal, tangent)).
        size_t facingAway = 0;
        size_t degenerate = 0;
        size_t mirrored = 0;
        for (size_t f = 0; f + 2 < mesh.indices.size(); f += 3)
        {
            Corner c[3];
            for (size_t k = 0; k < 3; ++k)
            {
                const tinyobj::index_t& index = mesh.indices[f + k];
                ASSERT_GE(index.normal_index, 0);
                ASSERT_GE(index.texcoord_index, 0);
                for (int a = 0; a < 3; ++a)
                {
                    c[k].p[a] = attrib.vertices[static_cast<size_t>(3 * index.vertex_index + a)];
                    c[k].n[a] = attrib.normals[static_cast<size_t>(3 * index.normal_index + a)];
                }
                c[k].uv[0] = attrib.texcoords[static_cast<size_t>(2 * index.texcoord_index)];
                c[k].uv[1] = attrib.texcoords[static_cast<size_t>(2 * index.texcoord_index + 1)];
            }
            float e1[3], e2[3], face[3], n[3];
            for (int a = 0; a < 3; ++a)
            {
                e1[a] = c[1].p[a] - c[0].p[a];
                e2[a] = c[2].p[a] - c[0].p[a];
                n[a] = c[0].n[a] + c[1].n[a] + c[2].n[a];
            }
            Cross3(e1, e2, face);
            if (Dot3(face, n) <= 0.0f)
            {
                ++facingAway;
            }
            const float s1 = c[1].uv[0] - c[0].uv[0], t1 = c[1].uv[1] - c[0].uv[1];
            const float s2 = c[2].uv[0] - c[0].uv[0], t2 = c[2].uv[1] - c[0].uv[1];
            const float det = s1 * t2 - s2 * t1;
            if (std::fabs(det) < 1e-9f)
            {
                ++degenerate;
                continue;
            }
            // dP/du x dP/dv must point along the normal.
            float dpdu[3], dpdv[3], uvFrame[3];
            for (int a = 0; a < 3; ++a)
            {
                dpdu[a] = (t2 * e1[a] - t1 * e2[a]) / det;
                dpdv[a] = (s1 * e2[a] - s2 * e1[a]) / det;
            }
            Cross3(dpdu, dpdv, uvFrame);
            if (Dot3(uvFrame, n) <= 0.0f)
            {
                ++mirrored;
            }
        }
        EXPECT_EQ(0u, facingAway);
        EXPECT_EQ(0u, degenerate);
        EXPECT_EQ(0u, mirrored);
    }
}

TEST(GeneratedModels, CausewayAndSeaLookTheSameOneSegmentFurtherOnSoTheFlightsJumpBackIsInvisible)
{
    // The flight jumps back 43 units whenever it passes z = 10; whatever it can see must repeat with that
    // period. Triangles of each causeway segment that the camera flies through are compared with the next
    // segments', shifted back (texture coordinates modulo whole repeats). Positions are scaled by 64 so that
    // the layout's binary fractions (bays of 10.75) do not sit on rounding boundaries.
    const float period = 43.0f;
    for (const ModelOutput& model : ModelSet::BuildAll())
    {
        if (model.stem == "Sea")
        {
            // The sea is a few large planar tiles: its texture must advance by whole repeats over a segment.
            const MeshVertex& a = model.mesh.Vertices()[0];
            const MeshVertex& b = model.mesh.Vertices()[1];
            const MeshVertex& c = model.mesh.Vertices()[2];
            const float dz1 = b.position.z - a.position.z, dz2 = c.position.z - a.position.z;
            const float dv = std::fabs(dz1) > std::fabs(dz2) ? (b.v - a.v) / dz1 : (c.v - a.v) / dz2;
            EXPECT_NEAR(std::round(dv * period), dv * period, 1e-3)
                << "sea texture repeats " << dv * period << " times per segment";
            continue;
        }
        if (model.stem.rfind("Causeway", 0) != 0)
        {
            continue;
        }
        SCOPED_TRACE(model.stem);
        using Key = std::array<long, 15>;
        auto keysIn = [&](float z0) {
            std::vector<Key> keys;
            const auto& v = model.mesh.Vertices();
            const auto& idx = model.mesh.Indices();
            for (size_t i = 0; i + 2 < idx.size(); i += 3)
            {
                const MeshVertex* c[3] = {&v[static_cast<size_t>(idx[i])], &v[static_cast<size_t>(idx[i + 1])],
                                          &v[static_cast<size_t>(idx[i + 2])]};
                const float centre = (c[0]->position.z + c[1]->position.z + c[2]->position.z) / 3.0f;
                if (centre < z0 || centre >= z0 + period)
                {
                    continue;
                }
                // Texture offsets are taken relative to the first corner, so whole repeats cancel.
                Key key{};
                for (int k = 0; k < 3; ++k)
                {
                    key[static_cast<size_t>(5 * k)] = std::lround(c[k]->position.x * 64.0f);
                    key[static_cast<size_t>(5 * k + 1)] = std::lround(c[k]->position.y * 64.0f);
                    key[static_cast<size_t>(5 * k + 2)] = std::lround((c[k]->position.z - z0) * 64.0f);
                    const float du = c[k]->u - c[0]->u + (c[0]->u - std::floor(c[0]->u));
                    const float dv = c[k]->v - c[0]->v + (c[0]->v - std::floor(c[0]->v));
                    key[static_cast<size_t>(5 * k + 3)] = std::lround(du * 1000.0f);
                    key[static_cast<size_t>(5 * k + 4)] = std::lround(dv * 1000.0f);
                }
                keys.push_back(key);
            }
            std::sort(keys.begin(), keys.end());
            return keys;
        };
        // The camera flies z from -33 to 10 and looks ahead; these segments cover that stretch and beyond.
        const std::vector<Key> first = keysIn(-43.0f);
        ASSERT_FALSE(first.empty());
        for (int k = 1; k <= 3; ++k)
        {
            EXPECT_TRUE(first == keysIn(-43.0f + period * static_cast<float>(k))) << "segment " << k;
        }
    }
}

TEST(GeneratedTextures, EveryTextureAMaterialNamesIsPlainRgbaAndNormalMapsHoldUnitNormals)
{
    std::set<std::string> names = {"10.dds", "11.dds", "dirty-wicker-weave1-albedo.dds"};
    for (const ModelOutput& model : ModelSet::BuildAll())
    {
        names.insert(model.material.diffuseMap);
        names.insert(model.material.bumpMap);
    }
    for (const std::string& name : names)
    {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".dds")
        {
            continue;
        }
        SCOPED_TRACE(name);
        DdsFile file;
        Texels texels;
        ASSERT_TRUE(ReadRgbaDds(name, file, texels));
        if (name.find("-normal") == std::string::npos)
        {
            continue;
        }
        size_t bad = 0;
        for (size_t i = 0; i < static_cast<size_t>(texels.width) * texels.height; ++i)
        {
            const float x = texels.data[4 * i] / 127.5f - 1.0f;
            const float y = texels.data[4 * i + 1] / 127.5f - 1.0f;
            const float z = texels.data[4 * i + 2] / 127.5f - 1.0f;
            const float length = std::sqrt(x * x + y * y + z * z);
            if (z <= 0.0f || std::fabs(length - 1.0f) > 0.04f)
            {
                ++bad;
            }
        }
        EXPECT_EQ(0u, bad);
    }
}

TEST(GeneratedTextures, SkiesAreEquirectangularSeamlessAtTheWrapAndCalmAtThePoles)
{
    double brightness[2] = {0.0, 0.0};
    const char* skies[2] = {"10.dds", "11.dds"};
    for (int s = 0; s < 2; ++s)
    {
        SCOPED_TRACE(skies[s]);
        DdsFile file;
        Texels sky;
        ASSERT_TRUE(ReadRgbaDds(skies[s], file, sky));
        EXPECT_GE(sky.width, 2048u);
        EXPECT_GE(sky.height, 1024u);
        EXPECT_EQ(sky.width, 2 * sky.height);
        auto at = [&](uint32_t x, uint32_t y, int channel) {
            return static_cast<int>(
                sky.data[(static_cast<size_t>(y) * sky.width + x) * 4 + static_cast<size_t>(channel)]);
        };
        // Across the wrap (last column to first) the sky changes no more than between neighbours elsewhere.
        double seam = 0.0;
        double inside = 0.0;
        for (uint32_t y = 0; y < sky.height; ++y)
        {
            for (int c = 0; c < 3; ++c)
            {
                seam += std::abs(at(sky.width - 1, y, c) - at(0, y, c));
                inside += std::abs(at(sky.width / 2, y, c) - at(sky.width / 2 + 1, y, c));
            }
        }
        EXPECT_LE(seam, inside * 2.0 + sky.height * 3.0);
        // The top and bottom rows are a single direction each: they must be (nearly) one colour.
        for (uint32_t row : {0u, sky.height - 1})
        {
            int low = 255, high = 0;
            for (uint32_t x = 0; x < sky.width; ++x)
            {
                low = std::min(low, at(x, row, 1));
                high = std::max(high, at(x, row, 1));
            }
            EXPECT_LE(high - low, 4) << "row " << row;
        }
        for (uint32_t y = 0; y < sky.height / 2; y += 4)
        {
            for (uint32_t x = 0; x < sky.width; x += 4)
            {
                brightness[s] += at(x, y, 0) + at(x, y, 1) + at(x, y, 2);
            }
        }
    }
    EXPECT_GT(brightness[0], brightness[1] * 2.0) << "the sunset should be clearly brighter than the night";
}

TEST(GeneratedStartUpFiles, BitmapAndMusicArePresentAndWellFormed)
{
    const std::vector<uint8_t> bmp = ReadFile("D.bmp");
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ('B', bmp[0]);
    EXPECT_EQ('M', bmp[1]);
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(bmp[at]) | static_cast<uint32_t>(bmp[at + 1]) << 8 |
               static_cast<uint32_t>(bmp[at + 2]) << 16 | static_cast<uint32_t>(bmp[at + 3]) << 24;
    };
    const uint32_t width = u32(18);
    const uint32_t height = u32(22);
    const uint32_t bits = bmp[28] | (static_cast<uint32_t>(bmp[29]) << 8);
    EXPECT_TRUE(bits == 24 || bits == 32);
    EXPECT_GT(width, 0u);
    EXPECT_GT(height, 0u);
    EXPECT_EQ(0u, u32(30)) << "uncompressed";
    EXPECT_GE(bmp.size(), u32(10) + ((width * bits / 8 + 3) & ~3u) * height);

    // A minute at 160 kbit/s is about 1.2 MB; an MPEG audio file starts with an ID3 tag or a frame sync.
    const std::vector<uint8_t> mp3 = ReadFile("DemoTrack01.mp3");
    ASSERT_GE(mp3.size(), 800u * 1024u) << "DemoTrack01.mp3 is missing or too short (is lame installed?)";
    const bool id3 = mp3[0] == 'I' && mp3[1] == 'D' && mp3[2] == '3';
    const bool sync = mp3[0] == 0xFF && (mp3[1] & 0xE0) == 0xE0;
    EXPECT_TRUE(id3 || sync);
}
