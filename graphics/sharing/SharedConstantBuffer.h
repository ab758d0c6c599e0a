// One constant buffer that every drawable of a kind on a device binds, instead of one each: the meshes'
// per-object constants (filled just before each mesh's draw) and their per-frame light and eye. It is
// rewritten only when the bytes differ from what it holds, so the per-frame constants cost one upload a frame
// however many meshes draw. A discard map costs Wine a fresh allocation and a command for its rendering thread;
// a comparison of a few hundred bytes is much cheaper.
#pragma once

#include "graphics/bindables/ConstantBuffer.h"
#include "graphics/sharing/DeviceObjectShares.h"
#include "graphics/sharing/MeshPassBatch.h"
#include "graphics/sharing/SameBytes.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <cstring>
#include <memory>
#include <string>

template <typename T>
class SharedConstantBuffer
{
public:
    // The device's buffer filed under `purpose`, created holding `initial` when nobody holds it yet.
    static std::shared_ptr<SharedConstantBuffer> ForDevice(ID3D11Device* device, const std::string& purpose,
                                                           const T& initial)
    {
        return ShareDeviceObject<SharedConstantBuffer>(
            device, purpose, [&] { return std::make_shared<SharedConstantBuffer>(device, initial); });
    }

    SharedConstantBuffer(ID3D11Device* device, const T& initial) : m_buffer(device, initial), m_held(initial) {}

    // Uploads `constants` unless the buffer holds exactly these bytes already. Draws held by a MeshPassBatch
    // read the buffer as it is now: they are made first.
    void Update(ID3D11DeviceContext* context, const T& constants)
    {
        if (SameBytes(&constants, &m_held, sizeof(T)))
        {
            return;
        }
        if (MeshPassBatch* batch = MeshPassBatch::OpenOn(context))
        {
            batch->Submit();
        }
        m_buffer.Update(context, constants);
        m_held = constants;
    }

    // For the binders of the drawables that share it.
    const Microsoft::WRL::ComPtr<ID3D11Buffer>& ShareBuffer() const { return m_buffer.ShareBuffer(); }

private:
    PixelConstantBuffer<T> m_buffer;   // only its buffer and Update are used; the drawables bind
    T m_held;
};
