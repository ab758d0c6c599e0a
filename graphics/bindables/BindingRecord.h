// What the bindables last set on one device context, per stage and slot, so that a bind which would change
// nothing does not reach Direct3D again (under Wine each call is a command for its rendering thread). It knows
// only what went through it: whoever sets pipeline state on the context directly (the scene tree's targets and
// views, the overlay, ClearState, a test) does so inside a BindingRecord::Bypass, or resets it after. Main
// thread only, like the context itself.
#pragma once

#include <cstdint>
#include <functional>

struct ID3D11DeviceContext;

class BindingRecord
{
public:
    enum class Kind : std::uint8_t
    {
        VertexShader,
        PixelShader,
        InputLayout,
        Topology,
        VertexBuffer,
        IndexBuffer,
        BlendState,
        DepthStencilState,
        RasterizerState,
        PixelSampler,
        VertexConstantBuffer,
        PixelConstantBuffer,
        PixelShaderResource,
        Count
    };
    // Slots recorded per kind; binds to higher slots (nothing in the engine makes them) always reach Direct3D.
    static constexpr unsigned kSlots = 4;

    // The record kept with `context`: made empty on first use, and released by Direct3D with the context, so
    // that a context made later at the same address never inherits it.
    static BindingRecord& Of(ID3D11DeviceContext* context);
    // Forgets what was recorded for `context`: the next bind of every kind reaches Direct3D.
    static void Reset(ID3D11DeviceContext* context);

    // Holds while code sets pipeline state on `context` directly, behind the bindables' back; the record is
    // forgotten when it ends, however it ends.
    class Bypass
    {
    public:
        explicit Bypass(ID3D11DeviceContext* context) : m_context(context) {}
        ~Bypass() { Reset(m_context); }
        Bypass(const Bypass&) = delete;
        Bypass& operator=(const Bypass&) = delete;

    private:
        ID3D11DeviceContext* m_context;
    };

    // A drawable's whole list of binds under one key: drawables whose lists set exactly the same state share
    // the key, and while the record holds a key, all of that state is on the context, so a drawable of that key
    // may skip its list. Made by Capture; keys live as long as the program.
    class StateSet;

    // Records `value` (with `detail`, such as a stride, that is part of the same call) for the kind and slot,
    // and says whether the caller must make the call: true unless exactly this was recorded there already.
    // While capturing, only notes the call and says false.
    bool Change(Kind kind, unsigned slot, const void* value, std::uint32_t detail = 0)
    {
        if (m_capture != nullptr)
        {
            Note(kind, slot, value, detail);
            return false;
        }
        if (slot >= kSlots)
        {
            return true;
        }
        Entry& entry = m_entries[static_cast<unsigned>(kind)][slot];
        if (entry.known && entry.value == value && entry.detail == detail)
        {
            return false;
        }
        entry = Entry{value, detail, true};
        if (m_heldSet != nullptr && (SetMask(m_heldSet) & Bit(kind, slot)) != 0)
        {
            m_heldSet = nullptr;   // the set is no longer all there
        }
        return true;
    }

    void Clear();

    // The key of what `bind` sets through this record, found by running it with nothing reaching Direct3D;
    // null when some of it cannot be recorded (a slot past kSlots), so that it is never skipped.
    const StateSet* Capture(const std::function<void()>& bind);
    // Whether all of `set` is on the context as recorded.
    bool Holds(const StateSet* set) const { return set != nullptr && m_heldSet == set; }
    // Says that all of `set` has just been bound; any later change to one of its entries forgets it.
    void Hold(const StateSet* set) { m_heldSet = set; }

private:
    struct Entry
    {
        const void* value = nullptr;
        std::uint32_t detail = 0;
        bool known = false;
    };
    struct Captured;

    static std::uint64_t Bit(Kind kind, unsigned slot)
    {
        return std::uint64_t{1} << (static_cast<unsigned>(kind) * kSlots + slot);
    }
    static std::uint64_t SetMask(const StateSet* set);
    void Note(Kind kind, unsigned slot, const void* value, std::uint32_t detail);
    static const StateSet* Intern(const Captured& captured);

    Entry m_entries[static_cast<unsigned>(Kind::Count)][kSlots];
    const StateSet* m_heldSet = nullptr;
    Captured* m_capture = nullptr;
};
