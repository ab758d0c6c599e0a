// Reading "EngineOptions.xml": what each attribute sets, and what a missing or broken file leaves alone.
#include <gtest/gtest.h>

#include "app/EngineOptions.h"
#include "tests/ScratchDirectory.h"

namespace
{
EngineOptions LoadText(const std::string& xml)
{
    ScratchDirectory dir;
    EngineOptions options;
    options.Load(dir.Write("EngineOptions.xml", xml));
    return options;
}

void ExpectDefaults(const EngineOptions& options)
{
    EXPECT_EQ(options.m_renderer, 3);
    EXPECT_FALSE(options.m_runFullSpeed);
    EXPECT_FALSE(options.m_fullScreen);
    EXPECT_EQ(options.m_screenWidth, 1280);
    EXPECT_EQ(options.m_screenHeight, 720);
    EXPECT_FLOAT_EQ(options.m_screenDepth, 1000.0f);
    EXPECT_FLOAT_EQ(options.m_screenNear, 0.1f);
    EXPECT_FLOAT_EQ(options.m_fieldOfView, 1.5707964f);
    EXPECT_FLOAT_EQ(options.m_screenAspect, 1.0f);
    EXPECT_FLOAT_EQ(options.m_sfxVolume, 1.0f);
    EXPECT_FLOAT_EQ(options.m_musicVolume, 1.0f);
    EXPECT_FALSE(options.m_musicLatencyMs.has_value());
}
}

TEST(EngineOptions, DefaultsWhenConstructed)
{
    ExpectDefaults(EngineOptions{});
}

TEST(EngineOptions, ReadsEveryAttribute)
{
    const auto options = LoadText(R"(<Options>
        <Graphics renderer="Direct3D 11" width="800" height="600" runfullspeed="yes" fullscreen="yes"
                  screenDepth="500.5" screenNear="0.5"/>
        <Sound musicVolume="50" sfxVolume="25"/>
    </Options>)");
    EXPECT_EQ(options.m_screenWidth, 800);
    EXPECT_EQ(options.m_screenHeight, 600);
    EXPECT_FLOAT_EQ(options.m_screenAspect, 800.0f / 600.0f);
    EXPECT_TRUE(options.m_runFullSpeed);
    EXPECT_TRUE(options.m_fullScreen);
    EXPECT_FLOAT_EQ(options.m_screenDepth, 500.5f);
    EXPECT_FLOAT_EQ(options.m_screenNear, 0.5f);
    EXPECT_FLOAT_EQ(options.m_musicVolume, 0.5f);
    EXPECT_FLOAT_EQ(options.m_sfxVolume, 0.25f);
    EXPECT_FLOAT_EQ(options.m_fieldOfView, 1.5707964f);   // never read from the file
}

TEST(EngineOptions, ZeroHeightKeepsTheAspectRatio)
{
    const auto options = LoadText(R"(<O><Graphics renderer="Direct3D 11" width="800" height="0"/></O>)");
    EXPECT_EQ(options.m_screenHeight, 0);
    EXPECT_FLOAT_EQ(options.m_screenAspect, 1.0f);
}

TEST(EngineOptions, OnlyAnExactLowerCaseYesTurnsFlagsOn)
{
    for (const char* text : {"Yes", "true", "YES", "yes ", "1"})
    {
        const auto options = LoadText(std::string(R"(<O><Graphics renderer="Direct3D 11" fullscreen=")") + text +
                                      R"(" runfullspeed=")" + text + R"("/></O>)");
        EXPECT_FALSE(options.m_fullScreen) << text;
        EXPECT_FALSE(options.m_runFullSpeed) << text;
    }
}

TEST(EngineOptions, NumbersFollowTheCConversions)
{
    const auto options = LoadText(R"(<O><Graphics renderer="Direct3D 11" width="1024px" height="abc"
        screenNear="x"/><Sound musicVolume="7.9"/></O>)");
    EXPECT_EQ(options.m_screenWidth, 1024);
    EXPECT_EQ(options.m_screenHeight, 0);
    EXPECT_FLOAT_EQ(options.m_screenNear, 0.0f);
    EXPECT_FLOAT_EQ(options.m_musicVolume, 0.07f);
}

TEST(EngineOptions, AnyRootNameAndOnlyTheFirstGraphicsElement)
{
    const auto options = LoadText(R"(<Whatever><Graphics renderer="Direct3D 11" width="640" height="480"/>
        <Graphics renderer="Direct3D 11" width="320" height="200"/></Whatever><Second><Graphics width="1"/></Second>)");
    EXPECT_EQ(options.m_screenWidth, 640);
    EXPECT_EQ(options.m_screenHeight, 480);
}

TEST(EngineOptions, SoundIsReadWithoutGraphics)
{
    const auto options = LoadText(R"(<O><Sound sfxVolume="30"/></O>)");
    EXPECT_FLOAT_EQ(options.m_sfxVolume, 0.3f);
    EXPECT_FLOAT_EQ(options.m_musicVolume, 1.0f);
    EXPECT_EQ(options.m_screenWidth, 1280);
}

TEST(EngineOptions, MusicLatencyIsWholeMillisecondsInRangeOrLeftToThePlatform)
{
    EXPECT_EQ(LoadText(R"(<O><Sound latency="120"/></O>)").m_musicLatencyMs, 120);
    EXPECT_EQ(LoadText(R"(<O><Sound latency="0" musicVolume="50"/></O>)").m_musicLatencyMs, 0);
    EXPECT_EQ(LoadText(R"(<O><Sound latency="2000"/></O>)").m_musicLatencyMs, 2000);
    // A slip of the keyboard must not move the picture against the sound: the platform's figure applies.
    for (const char* text : {"19O", "", "-5", "2001", "1e3", "12.5", "99999999999999999999"})
    {
        const std::string xml = std::string("<O><Sound latency=\"") + text + "\"/></O>";
        EXPECT_FALSE(LoadText(xml).m_musicLatencyMs.has_value()) << text;
    }
    EXPECT_FALSE(LoadText(R"(<O><Sound musicVolume="50"/></O>)").m_musicLatencyMs.has_value());
}

TEST(EngineOptions, UnknownRendererTextChangesNothing)
{
    auto options = LoadText(R"(<O><Graphics renderer="OpenGL" width="640" height="480"/></O>)");
    EXPECT_EQ(options.m_renderer, 3);
    EXPECT_EQ(options.m_screenWidth, 640);
}

TEST(EngineOptions, MissingEmptyOrMalformedFilesLeaveTheDefaults)
{
    ScratchDirectory dir;
    for (const char* content : {"", "not xml at all", "<O><Graphics width=\"10\"", "<!-- only a comment -->"})
    {
        EngineOptions options;
        options.Load(dir.Write("broken.xml", content));
        ExpectDefaults(options);
    }
    EngineOptions options;
    options.Load(dir.File("does-not-exist.xml"));
    ExpectDefaults(options);
}
