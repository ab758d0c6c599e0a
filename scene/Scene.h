// The interface the graphics object holds its one scene through: a name and the per-frame update. It owns
// nothing itself; the drawing and resize entry points join with the scene tree's Direct3D side.
#pragma once

#include <array>
#include <string>

class Mouse;
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

    const std::string& GetName() const { return m_name; }

protected:
    std::string m_name;
};
