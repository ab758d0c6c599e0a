// What every render component shares: the optional "Color" element, the node it builds on first request, and
// the announcements to the scene tree (new node after PostInit, change after an override). Concrete kinds
// read their own XML and build their own node; this class never builds one itself.
#pragma once

#include "actors/RenderComponentInterface.h"
#include "scene/NodeProperties.h"

class BaseRenderComponent : public RenderComponentInterface
{
public:
    // Reads "Color" (attributes r, g, b, a; each missing or unreadable one is 1.0), then the kind's own XML.
    // Without "Color" the colour stays as it was: opaque white for a new component.
    bool Init(const TiXmlElement* element) override;
    // Builds the node and triggers EvtData_New_Render_Component, even when no node could be built.
    void PostInit() override;
    // Triggers EvtData_Modified_Render_Component for the owner.
    void OnChanged() override;
    // Builds the node on first use and keeps it; after a failed build the next call tries again.
    std::shared_ptr<ISceneNode> GetSceneNode() override;

    const Color4& GetColor() const { return m_color; }

protected:
    virtual bool InitDerived(const TiXmlElement* element) = 0;
    virtual std::shared_ptr<ISceneNode> BuildSceneNode() = 0;

    // Parses the attribute with "%lf" into `out`. Missing: false, `out` untouched. Present but not a number:
    // false, `out` untouched, and a line on standard error naming the file, line and attribute.
    static bool ReadFloatAttribute(const TiXmlElement* element, const char* name, float& out);
    // "file" or "(unnamed document)" for messages about `element`.
    static const char* DocumentName(const TiXmlElement* element);

    Color4 m_color{1.0f, 1.0f, 1.0f, 1.0f};
    std::shared_ptr<ISceneNode> m_sceneNode;
};
