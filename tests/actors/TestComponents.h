// Component kinds for the actor tests: stand-ins that carry the names of the engine's Direct3D-side kinds
// (so their ids sort as the real ones do) and a probe kind, all of which record what the engine calls.
#pragma once

#include "actors/Actor.h"
#include "actors/ActorComponent.h"

#include <tinyxml.h>

#include <string>
#include <vector>

// Every call on a recording component, as "<Name>.<Operation>", in call order.
inline std::vector<std::string>& ComponentCalls()
{
    static std::vector<std::string> calls;
    return calls;
}

// `Init` fails when the element carries fail="yes"; it records the element's "tag" attribute, if any.
template <class KindName>
class RecordingComponent : public ActorComponent
{
public:
    static const std::string s_name;

    bool Init(const TiXmlElement* element) override
    {
        const char* tag = element->Attribute("tag");
        m_tag = tag != nullptr ? tag : "";
        ComponentCalls().push_back(s_name + ".Init" + (m_tag.empty() ? "" : "(" + m_tag + ")"));
        const char* fail = element->Attribute("fail");
        return fail == nullptr || std::string(fail) != "yes";
    }
    const std::string& GetName() const override { return s_name; }
    void PostInit() override
    {
        ComponentCalls().push_back(s_name + ".PostInit");
        m_ownerIdAtPostInit = GetOwner() ? GetOwner()->GetId() : 0;
    }
    void Update(float deltaMs) override
    {
        ComponentCalls().push_back(s_name + ".Update");
        m_lastDeltaMs = deltaMs;
    }
    void OnChanged() override { ComponentCalls().push_back(s_name + ".OnChanged"); }

    const std::string& Tag() const { return m_tag; }
    float LastDeltaMs() const { return m_lastDeltaMs; }
    ActorId OwnerIdAtPostInit() const { return m_ownerIdAtPostInit; }

private:
    std::string m_tag;
    float m_lastDeltaMs = -1.0f;
    ActorId m_ownerIdAtPostInit = 0;
};

struct MeshTag
{
    static constexpr const char* kName = "MeshComponent";
};
struct MeshRenderTag
{
    static constexpr const char* kName = "MeshRenderComponent";
};
struct LightRenderTag
{
    static constexpr const char* kName = "LightRenderComponent";
};
struct ProbeTag
{
    static constexpr const char* kName = "ProbeComponent";
};

template <class KindName>
const std::string RecordingComponent<KindName>::s_name = KindName::kName;

using FakeMeshComponent = RecordingComponent<MeshTag>;
using FakeMeshRenderComponent = RecordingComponent<MeshRenderTag>;
using FakeLightRenderComponent = RecordingComponent<LightRenderTag>;
using ProbeComponent = RecordingComponent<ProbeTag>;
