// Fuzz target "world": any bytes as a world file, loaded through BaseEngineLogic as at start-up, then a frame
// of updates and a move of every actor; LeakSanitizer catches actors kept alive by ownership cycles.
// The mesh component reads its OBJ as in the engine; the mesh render component needs Direct3D and is left out.
#include "actors/ActorFactory.h"
#include "actors/BaseEngineLogic.h"
#include "actors/LightRenderComponent.h"
#include "actors/MeshComponent.h"
#include "events/EventManager.h"
#include "events/Matrix4x4.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzWorkspace.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace
{
// One manager for the whole run, as in the engine: the logic registers its move listener with it.
EventManager* g_events = nullptr;
}

// Actor files a world can name beside itself (it may also name "World.xml", itself).
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const FuzzWorkspace& workspace = FuzzWorkspace::Get();
    workspace.Write("Crate.xml", R"(<Actor type="Crate" resource="Crate.xml">
  <TransformComponent><Position x="1" y="2" z="3"/><YawPitchRoll x="90" y="0" z="45"/></TransformComponent>
</Actor>)");
    workspace.Write("Lamp.xml", R"(<Actor type="Lamp" resource="Lamp.xml"><TransformComponent/>
  <LightRenderComponent><Color r="1" g="0.5" b="0.5" a="1"/><Light type="PointLight">
    <Attenuation const="1" linear="0.1" exp="0"/><Diffuse r="1" g="1" b="1" a="1"/><Shape range="10" spot="2"/>
  </Light></LightRenderComponent>
</Actor>)");
    workspace.Write("Bare.xml", R"(<Actor type="Bare" resource="Bare.xml"/>)");
    workspace.Write("Statue.xml", R"(<Actor type="Statue" resource="Statue.xml"><TransformComponent/>
  <MeshComponent><Obj>Statue.obj</Obj></MeshComponent>
</Actor>)");
    workspace.Write("Statue.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\nf 1/1/1 2/2/1 3/3/1\n");
    workspace.Write("Unknown.xml", R"(<Actor type="Odd" resource="Unknown.xml"><NoSuchComponent/></Actor>)");
    static EventManager events("fuzz world");
    g_events = &events;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file = FuzzWorkspace::Get().Write("World.xml", data, size);

    auto logic = std::make_unique<BaseEngineLogic>();
    FUZZ_CHECK(logic->Init(), "the logic initialises once an event manager exists");
    logic->GetActorFactory()->RegisterComponent<MeshComponent>();
    logic->GetActorFactory()->RegisterComponent<LightRenderComponent>();
    logic->SetState(EngineLogicState::LoadingWorld);
    const bool loaded = logic->LoadWorld(file.c_str());
    logic->SetState(EngineLogicState::Running);

    const ActorId lastId = logic->GetActorFactory()->GetLastActorId();
    FUZZ_CHECK(logic->GetActorCount() <= lastId, "every kept actor has an id the factory handed out");
    if (!loaded)
    {
        FUZZ_CHECK(logic->GetActorCount() == 0, "a world that failed to load holds no actor");
    }

    logic->OnUpdate(1.0f, 0.0169f);
    const Matrix4x4 moved = Matrix4x4::Translation(4.0f, 5.0f, 6.0f);
    for (ActorId id = 0; id <= lastId + 1; ++id)
    {
        logic->MoveActor(id, moved);
    }
    g_events->Update(20.0f);
    return 0;
}
