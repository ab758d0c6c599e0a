// The transform component's element: position, yaw/pitch/roll in degrees or radians, direction and scale,
// and what a re-initialisation keeps or resets.
#include "actors/TransformComponent.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>

namespace
{
constexpr float kTolerance = 1e-5f;
constexpr float kHalfPi = 1.5707963f;

// Initialises `component` from the XML text of one transform element.
void InitFrom(TransformComponent& component, const char* xml)
{
    TiXmlDocument document;
    document.Parse(xml);
    ASSERT_FALSE(document.Error()) << document.ErrorDesc();
    EXPECT_TRUE(component.Init(document.FirstChildElement()));
}

void ExpectRow(const Matrix4x4& m, int row, float a, float b, float c, float d)
{
    EXPECT_NEAR(m(row, 0), a, kTolerance) << "row " << row;
    EXPECT_NEAR(m(row, 1), b, kTolerance) << "row " << row;
    EXPECT_NEAR(m(row, 2), c, kTolerance) << "row " << row;
    EXPECT_NEAR(m(row, 3), d, kTolerance) << "row " << row;
}

void ExpectFour(const std::array<float, 4>& v, float x, float y, float z, float w)
{
    EXPECT_EQ(v, (std::array<float, 4>{x, y, z, w}));
}
}

TEST(TransformDefaults, NewComponentIsIdentityFacingPlusZAtUnitScale)
{
    const TransformComponent component;
    EXPECT_EQ(component.GetName(), "TransformComponent");
    EXPECT_EQ(component.GetTransform(), Matrix4x4::Identity());
    ExpectFour(component.GetDirection(), 0, 0, 1, 0);
    ExpectFour(component.GetScale(), 1, 1, 1, 1);
}

TEST(TransformPosition, MissingCoordinatesCountAsZero)
{
    TransformComponent component;
    InitFrom(component, R"(<TransformComponent><Position x="1"/></TransformComponent>)");
    EXPECT_EQ(component.GetPosition(), (std::array<float, 3>{1, 0, 0}));
    ExpectRow(component.GetTransform(), 3, 1, 0, 0, 1);

    InitFrom(component, R"(<TransformComponent><Position x="2.5" y="abc" z="-7"/></TransformComponent>)");
    EXPECT_EQ(component.GetPosition(), (std::array<float, 3>{2.5f, 0, -7})) << "unparsable text counts as 0";
}

TEST(TransformAngles, DegreesAreTheDefaultUnit)
{
    TransformComponent component;
    InitFrom(component, R"(<TransformComponent><YawPitchRoll x="90"/></TransformComponent>)");
    const Matrix4x4& m = component.GetTransform();
    ExpectRow(m, 0, 0, 0, -1, 0);
    ExpectRow(m, 2, 1, 0, 0, 0);
    EXPECT_NEAR(component.GetYawPitchRoll().yaw, kHalfPi, 1e-5f);
}

TEST(TransformAngles, OnlyTheExactWordRadSelectsRadians)
{
    TransformComponent radians;
    InitFrom(radians, R"(<TransformComponent><YawPitchRoll x="1.5707963" angleType="rad"/></TransformComponent>)");
    ExpectRow(radians.GetTransform(), 0, 0, 0, -1, 0);
    ExpectRow(radians.GetTransform(), 2, 1, 0, 0, 0);

    for (const char* other : {"radians", "RAD", "deg", ""})
    {
        TransformComponent degrees;
        const std::string xml = std::string(R"(<T><YawPitchRoll x="1.5707963" angleType=")") + other + "\"/></T>";
        InitFrom(degrees, xml.c_str());
        EXPECT_NEAR(degrees.GetYawPitchRoll().yaw, 1.5707963f * 0.017453292f, 1e-6f) << other;
    }
}

TEST(TransformAngles, PitchAndRollComeFromYAndZ)
{
    TransformComponent component;
    InitFrom(component, R"(<T><YawPitchRoll x="10" y="20" z="30"/><Position x="4" y="5" z="6"/></T>)");
    const YawPitchRoll angles = component.GetYawPitchRoll();
    EXPECT_NEAR(angles.yaw, 10 * 0.017453292f, 1e-5f);
    EXPECT_NEAR(angles.pitch, 20 * 0.017453292f, 1e-5f);
    EXPECT_NEAR(angles.roll, 30 * 0.017453292f, 1e-5f);
    EXPECT_EQ(component.GetPosition(), (std::array<float, 3>{4, 5, 6}));
}

TEST(TransformReinit, PositionOnlyKeepsOrientationButResetsDirectionAndScale)
{
    TransformComponent component;
    InitFrom(component, R"(<T><YawPitchRoll x="30" y="-40" z="50"/><Position x="1" y="2" z="3"/>
                           <Direction x="1" y="0" z="0"/><Scale x="2" y="2" z="2"/></T>)");
    const Matrix4x4 before = component.GetTransform();

    InitFrom(component, R"(<T><Position x="9" y="8" z="7"/></T>)");
    const Matrix4x4& after = component.GetTransform();
    for (int row = 0; row < 3; ++row)
    {
        ExpectRow(after, row, before(row, 0), before(row, 1), before(row, 2), 0);
    }
    EXPECT_EQ(component.GetPosition(), (std::array<float, 3>{9, 8, 7}));
    ExpectFour(component.GetDirection(), 0, 0, 1, 0);
    ExpectFour(component.GetScale(), 1, 1, 1, 1);
}

TEST(TransformReinit, EmptyElementKeepsPositionAndRotation)
{
    TransformComponent component;
    InitFrom(component, R"(<T><YawPitchRoll x="-60" y="15" z="100"/><Position x="1" y="2" z="3"/></T>)");
    const Matrix4x4 before = component.GetTransform();
    InitFrom(component, "<T/>");
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(component.GetTransform().m[i], before.m[i], 1e-5f) << "element " << i;
    }
}

TEST(TransformDirectionAndScale, AreStoredButNeverEnterTheMatrix)
{
    TransformComponent component;
    InitFrom(component, R"(<T><Scale x="2"/><Direction x="0.5" z="-1"/></T>)");
    ExpectFour(component.GetScale(), 2, 0, 0, 1);
    ExpectFour(component.GetDirection(), 0.5f, 0, -1, 0);
    EXPECT_EQ(component.GetTransform(), Matrix4x4::Identity());
}

TEST(TransformSetters, SetPositionMovesWithoutTurning)
{
    TransformComponent component;
    InitFrom(component, R"(<T><YawPitchRoll x="45"/></T>)");
    const Matrix4x4 rotation = component.GetTransform();
    Matrix4x4 skewed = rotation;
    skewed.m[15] = 3.0f;
    component.SetTransform(skewed);
    component.SetPosition(1, 2, 3);
    ExpectRow(component.GetTransform(), 0, rotation(0, 0), rotation(0, 1), rotation(0, 2), 0);
    ExpectRow(component.GetTransform(), 3, 1, 2, 3, 1);
}
