// The interface the graphics object holds its one scene through: a name, the per-frame update, the resize
// path and the frame. It owns nothing itself and knows no Direct3D type beyond forward declarations.
#pragma once

#include <array>
#include <string>

class Mouse;
struct EngineOptions;
struct ID3D11Device;
struct ID3D11DeviceContext;

class Scene
{
public:
    explicit Scene(std::string name) : m_name(std::move(name)) {}
    virtual ~Scene() = default;

    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // One frame: `keys` holds 1 for every virtual key that is down; times are the frame timer's, in seconds.
    virtual void Update(ID3D11DeviceContext* context, const std::array<unsigned char, 256>& keys, Mouse& mouse,
                        float elapsedSeconds, float totalSeconds) = 0;
    // The window's client area changed to the options' size: size-dependent targets are rebuilt. 0 for success.
    virtual int OnResize(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context) = 0;
    // Draws the frame into the back buffer (presenting is the caller's). 0 for success.
    virtual int Render(ID3D11DeviceContext* context) = 0;

    const std::string& GetName() const { return m_name; }

protected:
    std::string m_name;
};
