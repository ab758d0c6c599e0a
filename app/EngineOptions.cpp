// Engine options: see EngineOptions.h.
#include "app/EngineOptions.h"

#include "files/XmlFileLoader.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <utility>

#include <tinyxml.h>

namespace
{
constexpr int kRendererDirect3D11 = 3;

bool IsYes(const char* text)
{
    return std::strcmp(text, "yes") == 0;
}
}

EngineOptions::EngineOptions()
    : m_renderer(kRendererDirect3D11), m_runFullSpeed(false), m_fullScreen(false), m_screenWidth(kDefaultWidth),
      m_screenHeight(kDefaultHeight), m_screenDepth(1000.0f), m_screenNear(0.1f), m_fieldOfView(1.5707964f),
      m_screenAspect(1.0f), m_sfxVolume(1.0f), m_musicVolume(1.0f)
{
}

void EngineOptions::Load()
{
    Load(kFileName);
}

int EngineOptions::WindowWidth() const
{
    return m_screenWidth > 0 ? m_screenWidth : kDefaultWidth;
}

int EngineOptions::WindowHeight() const
{
    return m_screenHeight > 0 ? m_screenHeight : kDefaultHeight;
}

void EngineOptions::ReplaceBrokenLensValues(const std::string& fileName)
{
    // Zero or a negative size gives an aspect ratio of 0, infinity or below 0: a flat or mirrored picture.
    if (m_screenWidth <= 0 || m_screenHeight <= 0)
    {
        for (const auto& [name, value] : {std::pair{"width", m_screenWidth}, std::pair{"height", m_screenHeight}})
        {
            if (value <= 0)
            {
                std::cerr << fileName << ": " << name << " " << value << " is not a window size; the camera takes "
                          << "the aspect ratio of the " << WindowWidth() << " x " << WindowHeight() << " window\n";
            }
        }
        m_screenAspect = static_cast<float>(WindowWidth()) / static_cast<float>(WindowHeight());
    }

    // A near plane at or behind the eye, or at or beyond the far plane, puts every depth at 1 or divides by
    // zero: nothing would pass the depth test.
    const EngineOptions defaults;
    const auto replace = [&fileName](const char* name, float& value, float replacement, const char* why) {
        std::cerr << fileName << ": " << name << " " << value << " " << why << "; using " << replacement << "\n";
        value = replacement;
    };
    if (!(std::isfinite(m_screenDepth) && m_screenDepth > 0.0f))
    {
        replace("screenDepth", m_screenDepth, defaults.m_screenDepth, "is not a distance");
    }
    if (!(std::isfinite(m_screenNear) && m_screenNear > 0.0f))
    {
        replace("screenNear", m_screenNear, defaults.m_screenNear, "is not a distance");
    }
    if (!(m_screenNear < m_screenDepth))
    {
        // Whichever default parts the two again: a far plane closer than the default near one is the odd one.
        if (defaults.m_screenNear < m_screenDepth)
        {
            replace("screenNear", m_screenNear, defaults.m_screenNear, "is not nearer than screenDepth");
        }
        else
        {
            replace("screenDepth", m_screenDepth, defaults.m_screenDepth, "is not farther than screenNear");
        }
    }
}

void EngineOptions::Load(const std::string& fileName)
{
    TiXmlDocument document;
    std::string problem;
    if (!XmlFileLoader::Load(document, fileName, &problem))
    {
        // A missing file is an ordinary way to run with defaults; only a broken one is worth a line.
        if (document.ErrorId() != TiXmlBase::TIXML_ERROR_OPENING_FILE)
        {
            std::cerr << fileName << ": " << problem << "; using default options\n";
        }
        return;
    }
    const TiXmlElement* root = document.FirstChildElement();
    if (!root)
    {
        return;
    }

    if (const TiXmlElement* graphics = root->FirstChildElement("Graphics"))
    {
        // Only one renderer exists, so an absent attribute simply keeps it.
        if (const char* renderer = graphics->Attribute("renderer"))
        {
            if (std::strcmp(renderer, "Direct3D 11") == 0)
            {
                m_renderer = kRendererDirect3D11;
            }
        }
        if (const char* width = graphics->Attribute("width"))
        {
            m_screenWidth = std::atoi(width);
        }
        if (const char* height = graphics->Attribute("height"))
        {
            m_screenHeight = std::atoi(height);
        }
        if (m_screenHeight != 0)
        {
            m_screenAspect = static_cast<float>(m_screenWidth) / static_cast<float>(m_screenHeight);
        }
        if (const char* fullSpeed = graphics->Attribute("runfullspeed"))
        {
            m_runFullSpeed = IsYes(fullSpeed);
        }
        if (const char* fullScreen = graphics->Attribute("fullscreen"))
        {
            m_fullScreen = IsYes(fullScreen);
        }
        if (const char* depth = graphics->Attribute("screenDepth"))
        {
            m_screenDepth = static_cast<float>(std::atof(depth));
        }
        if (const char* nearPlane = graphics->Attribute("screenNear"))
        {
            m_screenNear = static_cast<float>(std::atof(nearPlane));
        }
    }

    if (const TiXmlElement* sound = root->FirstChildElement("Sound"))
    {
        if (const char* music = sound->Attribute("musicVolume"))
        {
            m_musicVolume = static_cast<float>(std::atoi(music) / 100.0);
        }
        if (const char* sfx = sound->Attribute("sfxVolume"))
        {
            m_sfxVolume = static_cast<float>(std::atoi(sfx) / 100.0);
        }
        if (const char* latency = sound->Attribute("latency"))
        {
            // Not the volumes' atoi: "19O" read as 19 would put the picture 170 ms ahead of the sound.
            char* end = nullptr;
            const long value = std::strtol(latency, &end, 10);
            if (end == latency || *end != '\0' || value < 0 || value > kLongestMusicLatencyMs)
            {
                std::cerr << fileName << ": Sound latency \"" << latency << "\" is not a whole number of "
                          << "milliseconds from 0 to " << kLongestMusicLatencyMs << "; the platform's figure is used\n";
            }
            else
            {
                m_musicLatencyMs = static_cast<int>(value);
            }
        }
    }
}
