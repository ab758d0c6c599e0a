// BindingRecord: the record lives in a small COM object that the context holds as private data, so Direct3D
// releases it with the context. The last context asked for is remembered, which makes Of() one comparison in
// the engine, where there is only the immediate context.
#include "graphics/bindables/BindingRecord.h"

#include <d3d11.h>

#include <algorithm>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

namespace
{
// {5B7C2E91-4A63-4D0F-9E28-71C4B3A6D50E}
const GUID kBindingRecordGuid = {0x5b7c2e91, 0x4a63, 0x4d0f, {0x9e, 0x28, 0x71, 0xc4, 0xb3, 0xa6, 0xd5, 0x0e}};

class RecordHolder;
ID3D11DeviceContext* g_lastContext = nullptr;
RecordHolder* g_lastHolder = nullptr;

class RecordHolder final : public IUnknown
{
public:
    BindingRecord record;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (object == nullptr)
        {
            return E_POINTER;
        }
        if (riid == __uuidof(IUnknown))
        {
            *object = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0)
        {
            // The context is going: its address may come back with a new context and no bindings.
            if (g_lastHolder == this)
            {
                g_lastHolder = nullptr;
                g_lastContext = nullptr;
            }
            delete this;
        }
        return left;
    }

private:
    ULONG m_references = 1;
};

RecordHolder* FindHolder(ID3D11DeviceContext* context)
{
    IUnknown* stored = nullptr;
    UINT size = sizeof(stored);
    if (FAILED(context->GetPrivateData(kBindingRecordGuid, &size, &stored)) || stored == nullptr)
    {
        return nullptr;
    }
    // Only this file stores under the GUID. The context keeps its own reference; drop the one just handed out.
    RecordHolder* holder = static_cast<RecordHolder*>(stored);
    holder->Release();
    return holder;
}
}

BindingRecord& BindingRecord::Of(ID3D11DeviceContext* context)
{
    if (context == g_lastContext && g_lastHolder != nullptr)
    {
        return g_lastHolder->record;
    }
    RecordHolder* holder = FindHolder(context);
    if (holder == nullptr)
    {
        holder = new RecordHolder;
        const HRESULT stored = context->SetPrivateDataInterface(kBindingRecordGuid, holder);
        holder->Release();   // the context's reference is now the only one, or the holder is gone
        if (FAILED(stored))
        {
            // Nowhere to keep a record: one that remembers nothing lets every bind through.
            static BindingRecord forgetful;
            forgetful.Clear();
            return forgetful;
        }
    }
    g_lastContext = context;
    g_lastHolder = holder;
    return holder->record;
}

void BindingRecord::Reset(ID3D11DeviceContext* context)
{
    if (context != nullptr)
    {
        Of(context).Clear();
    }
}

// What a list sets, entry by entry in the order it sets them (a later call for the same kind and slot replaces
// the earlier), with the mask of the kinds and slots it covers.
struct BindingRecord::Captured
{
    std::vector<std::tuple<unsigned, unsigned, const void*, std::uint32_t>> entries;
    std::uint64_t mask = 0;
    bool recordable = true;
};

class BindingRecord::StateSet
{
public:
    std::uint64_t mask = 0;
};

static_assert(static_cast<unsigned>(BindingRecord::Kind::Count) * BindingRecord::kSlots <= 64,
              "a state set's mask has a bit per kind and slot");

void BindingRecord::Note(Kind kind, unsigned slot, const void* value, std::uint32_t detail)
{
    if (slot >= kSlots)
    {
        m_capture->recordable = false;
        return;
    }
    const auto entry = std::make_tuple(static_cast<unsigned>(kind), slot, value, detail);
    for (auto& noted : m_capture->entries)
    {
        if (std::get<0>(noted) == std::get<0>(entry) && std::get<1>(noted) == slot)
        {
            noted = entry;
            return;
        }
    }
    m_capture->entries.push_back(entry);
    m_capture->mask |= Bit(kind, slot);
}

const BindingRecord::StateSet* BindingRecord::Capture(const std::function<void()>& bind)
{
    Captured captured;
    m_capture = &captured;
    try
    {
        bind();
    }
    catch (...)
    {
        m_capture = nullptr;   // a bind that failed (a DxException) must not leave the record noting only
        throw;
    }
    m_capture = nullptr;
    return Intern(captured);
}

std::uint64_t BindingRecord::SetMask(const StateSet* set)
{
    return set->mask;
}

const BindingRecord::StateSet* BindingRecord::Intern(const Captured& captured)
{
    if (!captured.recordable || captured.entries.empty())
    {
        return nullptr;
    }
    // Keyed by the entries in kind and slot order, so that lists binding the same state in another order share
    // a key. Main thread only, like the record.
    static std::map<std::vector<std::tuple<unsigned, unsigned, const void*, std::uint32_t>>, std::unique_ptr<StateSet>>
        sets;
    auto entries = captured.entries;
    std::sort(entries.begin(), entries.end());
    std::unique_ptr<StateSet>& set = sets[entries];
    if (!set)
    {
        set = std::make_unique<StateSet>();
        set->mask = captured.mask;
    }
    return set.get();
}

void BindingRecord::Clear()
{
    m_heldSet = nullptr;
    for (auto& kind : m_entries)
    {
        for (Entry& entry : kind)
        {
            entry = Entry{};
        }
    }
}
