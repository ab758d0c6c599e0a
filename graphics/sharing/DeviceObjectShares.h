// One object per device and key, shared by everyone who asks for the same key while any of them holds it:
// the state objects, input layouts and geometry buffers that thousands of drawables would otherwise each create
// alike, and the constant buffers that all meshes bind. The registry holds no object itself, so it keeps no
// device alive.
#pragma once

#include <d3d11.h>
#include <wrl/client.h>

#include <cstddef>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <utility>

// Every share of one kind of object, by device and key.
template <class Value>
class DeviceObjectShares
{
public:
    static DeviceObjectShares& Instance()
    {
        static DeviceObjectShares instance;
        return instance;
    }

    std::shared_ptr<Value> Find(ID3D11Device* device, const std::string& key) const
    {
        const auto found = m_shares.find({device, key});
        return found != m_shares.end() ? found->second.lock() : nullptr;
    }

    void File(ID3D11Device* device, const std::string& key, const std::shared_ptr<Value>& value)
    {
        m_shares[{device, key}] = value;
        // A key can be a whole vertex array: those of objects nobody holds go once the map has doubled since
        // the last sweep, so it never holds much more than what is alive.
        if (m_shares.size() >= 2 * m_sweptSize + 16)
        {
            for (auto share = m_shares.begin(); share != m_shares.end();)
            {
                share = share->second.expired() ? m_shares.erase(share) : std::next(share);
            }
            m_sweptSize = m_shares.size();
        }
    }

private:
    std::map<std::pair<ID3D11Device*, std::string>, std::weak_ptr<Value>> m_shares;
    std::size_t m_sweptSize = 0;
};

// The object filed under (`device`, `key`), or a new one from `make()` (a std::shared_ptr<Value>) when nobody
// holds one. If `make` throws, nothing is filed.
template <class Value, class Make>
std::shared_ptr<Value> ShareDeviceObject(ID3D11Device* device, const std::string& key, Make make)
{
    DeviceObjectShares<Value>& shares = DeviceObjectShares<Value>::Instance();
    if (std::shared_ptr<Value> existing = shares.Find(device, key))
    {
        return existing;
    }
    std::shared_ptr<Value> made = make();
    shares.File(device, key, made);
    return made;
}

// A Direct3D object shared by key: `create(ComPtr<Object>&)` makes it the first time (and may throw).
template <class Object, class Create>
std::shared_ptr<const Microsoft::WRL::ComPtr<Object>> ShareComObject(ID3D11Device* device, const std::string& key,
                                                                     Create create)
{
    return ShareDeviceObject<const Microsoft::WRL::ComPtr<Object>>(device, key, [&] {
        auto made = std::make_shared<Microsoft::WRL::ComPtr<Object>>();
        create(*made);
        return std::shared_ptr<const Microsoft::WRL::ComPtr<Object>>(std::move(made));
    });
}

// A state object shared by description, whose bytes are the key. Descriptions start from zeroed memory here,
// so padding compares equal; one that did not would only get an object of its own.
template <class Object, class Desc, class Create>
std::shared_ptr<const Microsoft::WRL::ComPtr<Object>> ShareStateObject(ID3D11Device* device, const Desc& desc,
                                                                       Create create)
{
    return ShareComObject<Object>(device, std::string(reinterpret_cast<const char*>(&desc), sizeof(Desc)), create);
}
