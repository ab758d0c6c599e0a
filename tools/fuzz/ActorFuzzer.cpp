// Fuzz target "actor": any bytes as an actor file, built by ActorFactory plain, with overrides, an initial
// position and a requested id, and used as a world entry's override element on a fixed actor. Each actor is
// destroyed again (LeakSanitizer watches). The mesh component reads whatever OBJ the input names ("Quad.obj"
// is there); the mesh render component needs Direct3D and is left out.
#include "actors/Actor.h"
#include "actors/ActorFactory.h"
#include "actors/ComponentLookup.h"
#include "actors/LightRenderComponent.h"
#include "actors/MeshComponent.h"
#include "actors/TransformComponent.h"
#include "files/XmlFileLoader.h"
#include "events/EventManager.h"
#include "events/Matrix4x4.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzWorkspace.h"

#include <tinyxml.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace
{
TiXmlDocument g_fixedOverrides;

void Check(const std::shared_ptr<Actor>& actor, ActorId expectedId)
{
    if (!actor)
    {
        return;
    }
    FUZZ_CHECK(actor->GetId() == expectedId, "the actor carries the id the factory chose");
    actor->Update(16.0f);
    actor->Destroy();
}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Render components announce their nodes through the process-wide manager.
    static EventManager events("fuzz actor");
    FuzzWorkspace::Get().Write("Crate.xml", R"(<Actor type="Crate" resource="Crate.xml">
  <TransformComponent><Position x="1" y="2" z="3"/><YawPitchRoll x="90"/></TransformComponent>
</Actor>)");
    FuzzWorkspace::Get().Write("Quad.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                           "vn 0 0 1\nf 1/1/1 2/2/1 3/3/1 4/4/1\n");
    g_fixedOverrides.Parse(R"(<Entry resource="Actor.xml">
  <TransformComponent><Position x="7" y="8" z="9"/><Scale x="2" y="2" z="2"/></TransformComponent>
  <NoSuchComponent/>
</Entry>)");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file = FuzzWorkspace::Get().Write("Actor.xml", data, size);
    const Matrix4x4 start = Matrix4x4::Translation(10.0f, 20.0f, 30.0f);

    ActorFactory factory;
    factory.RegisterComponent<MeshComponent>();
    factory.RegisterComponent<LightRenderComponent>();
    const std::shared_ptr<Actor> plain = factory.CreateActor(file.c_str(), nullptr, nullptr, 0);
    Check(plain, 1);
    const ActorId afterPlain = factory.GetLastActorId();
    FUZZ_CHECK(afterPlain <= 1, "one definition consumes at most one id");

    const std::shared_ptr<Actor> placed =
        factory.CreateActor(file.c_str(), g_fixedOverrides.FirstChildElement(), &start, 42);
    Check(placed, 42);
    FUZZ_CHECK(factory.GetLastActorId() == afterPlain, "a requested id leaves the counter alone");

    // Read the way the world loader reads the file that holds an override element.
    TiXmlDocument overrides;
    XmlFileLoader::Load(overrides, file);
    if (const TiXmlElement* root = overrides.FirstChildElement())
    {
        const std::shared_ptr<Actor> crate = factory.CreateActor("Crate.xml", root, &start, 0);
        FUZZ_CHECK(crate != nullptr, "overrides never stop the fixed actor from being built");
        const auto transform = FindComponent<TransformComponent>(*crate);
        if (transform)
        {
            const Matrix4x4& m = transform->GetTransform();
            FUZZ_CHECK(m.m[12] == 10.0f && m.m[13] == 20.0f && m.m[14] == 30.0f && m.m[15] == 1.0f,
                       "the initial position wins over every override");
        }
        Check(crate, factory.GetLastActorId());
    }
    return 0;
}
