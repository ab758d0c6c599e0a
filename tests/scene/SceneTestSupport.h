// Shared pieces of the scene tests: a world with a real event manager, engine logic and scene tree built in
// the application's order; actors written as real XML files; a recording node and a render component that
// builds one.
#pragma once

#include "actors/Actor.h"
#include "actors/ActorFactory.h"
#include "actors/BaseEngineLogic.h"
#include "actors/BaseRenderComponent.h"
#include "actors/LightRenderComponent.h"
#include "actors/TransformComponent.h"
#include "app/EngineOptions.h"
#include "events/EventManager.h"
#include "scene/Scene3.h"
#include "scene/SceneNode.h"
#include "scene/SceneTree.h"
#include "tests/ScratchDirectory.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// Every walk call on recording nodes, as "<label>.<Operation>", in call order.
inline std::vector<std::string>& WalkLog()
{
    static std::vector<std::string> log;
    return log;
}

// A node that records the walk and the world matrix it would draw with.
class RecordingNode : public SceneNode
{
public:
    RecordingNode(std::string label, DrawPass pass, const Matrix4x4* toWorld = nullptr,
                  BaseRenderComponent* component = nullptr)
        : SceneNode(component, pass, toWorld), m_label(std::move(label))
    {
    }

    int PreRender(SceneTree* scene, ID3D11DeviceContext* context) override
    {
        WalkLog().push_back(m_label + ".PreRender");
        SceneNode::PreRender(scene, context);
        return m_preRenderResult;
    }
    int Render(SceneTree* scene, ID3D11DeviceContext*) override
    {
        WalkLog().push_back(m_label + ".Render");
        m_drawnWith = scene->CurrentMatrix();
        return 0;
    }
    int RenderChildren(SceneTree* scene, ID3D11DeviceContext* context) override
    {
        WalkLog().push_back(m_label + ".RenderChildren");
        return SceneNode::RenderChildren(scene, context);
    }
    int PostRender(SceneTree* scene) override
    {
        WalkLog().push_back(m_label + ".PostRender");
        return SceneNode::PostRender(scene);
    }
    int OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context) override
    {
        WalkLog().push_back(m_label + ".OnUpdate");
        return SceneNode::OnUpdate(scene, step, context);
    }

    void FailPreRender() { m_preRenderResult = 1; }
    const Matrix4x4& DrawnWith() const { return m_drawnWith; }

private:
    std::string m_label;
    int m_preRenderResult = 0;
    Matrix4x4 m_drawnWith;
};

// A render component of the test's own kind: <TestRenderComponent pass="N"/> builds a RecordingNode of that
// pass at the actor's transform; fail="yes" makes it build nothing.
class TestRenderComponent : public BaseRenderComponent
{
public:
    static const std::string s_name;
    const std::string& GetName() const override { return s_name; }
    int BuildCount() const { return m_buildCount; }

protected:
    bool InitDerived(const TiXmlElement* element) override
    {
        int pass = 0;
        if (element->Attribute("pass", &pass) != nullptr)
        {
            m_pass = static_cast<DrawPass>(pass);
        }
        const char* fail = element->Attribute("fail");
        m_fail = fail != nullptr && std::string(fail) == "yes";
        return true;
    }
    std::shared_ptr<ISceneNode> BuildSceneNode() override
    {
        ++m_buildCount;
        if (m_fail)
        {
            return nullptr;
        }
        Matrix4x4 toWorld;
        if (m_owner)
        {
            if (auto transform = std::dynamic_pointer_cast<TransformComponent>(
                    m_owner->GetComponent(TransformComponent::s_name.c_str()).lock()))
            {
                toWorld = transform->GetTransform();
            }
        }
        return std::make_shared<RecordingNode>("actor" + std::to_string(m_owner ? m_owner->GetId() : 0), m_pass,
                                               &toWorld, this);
    }

private:
    DrawPass m_pass = DrawPass_Main;
    bool m_fail = false;
    int m_buildCount = 0;
};
inline const std::string TestRenderComponent::s_name = "TestRenderComponent";

// Event manager, scene (a bare tree, or the scripted scene with its tree) and engine logic created in the
// application's order, so the tree listens before the logic; the light and test render components are
// registered with the factory.
class SceneWorld
{
public:
    enum class Kind
    {
        BareTree,
        ScriptedScene
    };

    explicit SceneWorld(Kind kind = Kind::BareTree)
    {
        WalkLog().clear();
        const EngineLogicSource source = [this] { return logic.get(); };
        if (kind == Kind::BareTree)
        {
            tree = std::make_unique<SceneTree>(options, nullptr, nullptr, source);
        }
        else
        {
            scene = std::make_unique<Scene3>(options, nullptr, nullptr, source);
        }
        MakeLogic();
    }

    // A new engine logic (the old one, if any, goes first, with its actors), as a world reload would make it.
    void MakeLogic()
    {
        logic.reset();
        logic = std::make_unique<BaseEngineLogic>();
        logic->SetState(EngineLogicState::Initialising);
        EXPECT_TRUE(logic->Init());
        logic->GetActorFactory()->RegisterComponent<LightRenderComponent>();
        logic->GetActorFactory()->RegisterComponent<TestRenderComponent>();
        logic->SetState(EngineLogicState::Running);
    }
    ~SceneWorld()
    {
        // The nodes point at their components, so the tree goes before the actors.
        tree.reset();
        scene.reset();
        logic.reset();
    }

    // Writes `body` as the children of an actor definition and creates the actor with the requested id.
    std::shared_ptr<Actor> MakeActor(ActorId id, const std::string& body)
    {
        const std::string name = "actor" + std::to_string(id) + "-" + std::to_string(++m_files) + ".xml";
        const std::string path =
            scratch.Write(name, "<Actor type=\"Test\" resource=\"" + name + "\">" + body + "</Actor>");
        return logic->CreateActor(path, nullptr, nullptr, id);
    }

    static std::string TransformAt(float x, float y, float z)
    {
        return "<TransformComponent><Position x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" z=\"" +
               std::to_string(z) + "\"/></TransformComponent>";
    }

    ScratchDirectory scratch;
    EventManager manager{"scene test manager"};
    EngineOptions options;
    std::unique_ptr<SceneTree> tree;
    std::unique_ptr<Scene3> scene;
    std::unique_ptr<BaseEngineLogic> logic;

private:
    int m_files = 0;
};

inline std::shared_ptr<TransformComponent> TransformOf(const std::shared_ptr<Actor>& actor)
{
    return std::dynamic_pointer_cast<TransformComponent>(
        actor->GetComponent(TransformComponent::s_name.c_str()).lock());
}

inline void ExpectMatrixNear(const Matrix4x4& actual, const Matrix4x4& expected, float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
    }
}
