// The mesh component tests' fixture: OBJ and MTL files written into a scratch folder and loaded through a
// fresh component the way an actor file names them.
#pragma once

#include "actors/MeshComponent.h"
#include "tests/ScratchDirectory.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

namespace
{
// Four corners of the unit square in the xy plane, facing -z, with a texture mapping and one normal.
const char* const kQuad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                          "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                          "vn 0 0 -1\n"
                          "f 1/1/1 2/2/1 3/3/1 4/4/1\n";

class MeshComponentTest : public testing::Test
{
protected:
    // Inits a fresh component from <MeshComponent><Obj>text</Obj></MeshComponent>.
    bool InitWith(const std::string& objText)
    {
        return InitFromXml("<MeshComponent><Obj>" + objText + "</Obj></MeshComponent>");
    }
    bool InitFromXml(const std::string& xml)
    {
        m_document.Clear();
        m_document.Parse(xml.c_str());
        m_component = std::make_unique<MeshComponent>();
        return m_component->Init(m_document.RootElement());
    }
    bool InitFromObj(const std::string& obj, const std::string& mtl = "")
    {
        std::string text = obj;
        if (!mtl.empty())
        {
            // A full path with forward slashes: the loader takes a backslash for an escape character.
            text = "mtllib " + std::filesystem::path(m_scratch.Write("mesh.mtl", mtl)).generic_string() + "\n" + obj;
        }
        return InitWith(m_scratch.Write("mesh" + std::to_string(++m_files) + ".obj", text));
    }

    static void ExpectUnitAndFinite(const MeshVertex& vertex)
    {
        const float* t = vertex.tangent;
        ASSERT_TRUE(std::isfinite(t[0]) && std::isfinite(t[1]) && std::isfinite(t[2]));
        EXPECT_NEAR(std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]), 1.0f, 1e-5f);
    }

    ScratchDirectory m_scratch;
    TiXmlDocument m_document;
    std::unique_ptr<MeshComponent> m_component;
    int m_files = 0;
};
}
