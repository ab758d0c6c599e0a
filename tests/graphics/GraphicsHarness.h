// The application's graphics object, set up once per test program on a small hidden window exactly as start-up
// does it (device, overlay back-ends, start-up textures and shaders from bin/, the scripted scene), and torn down
// after the last test. Components, drawables and scene trees under test find the device, the registries and
// the swap chain where the engine keeps them: through SystemClass::GetGraphics().
//
// The application's own scene tree is built while no event manager exists, so it never hears of the actors
// the tests create; each test makes its own manager, logic and tree (DrawingWorld).
#pragma once

#include "actors/BaseEngineLogic.h"
#include "app/EngineOptions.h"
#include "events/EventManager.h"
#include "scene/FreeCameraNode.h"
#include "scene/SceneTree.h"
#include "tests/ScratchDirectory.h"

#include <d3d11.h>

#include <memory>
#include <string>
#include <vector>

class Scene3;

namespace graphics_harness
{
constexpr int kWidth = 160;
constexpr int kHeight = 120;

// The options the graphics object was initialised with: a windowed kWidth x kHeight client area.
const EngineOptions& Options();
ID3D11Device* Device();
ID3D11DeviceContext* Context();
IDXGISwapChain* SwapChain();
// The scripted scene the graphics object built.
Scene3& ApplicationScene();

// Returns once the device has carried out every command issued so far.
void WaitForTheGpu();
// R, G, B, A of one pixel of an R8G8B8A8 texture.
std::vector<uint8_t> PixelOf(ID3D11Texture2D* texture, unsigned x, unsigned y);
// Every pixel, rows top to bottom.
std::vector<uint8_t> PixelsOf(ID3D11Texture2D* texture);
}

// A test's own world drawn with the harness's device: event manager, engine logic with the Direct3D
// component kinds registered, and a scene tree with a camera, built in the application's order.
class DrawingWorld
{
public:
    DrawingWorld();
    ~DrawingWorld();
    DrawingWorld(const DrawingWorld&) = delete;
    DrawingWorld& operator=(const DrawingWorld&) = delete;

    // Writes `body` as the children of an actor definition and creates the actor with the requested id.
    std::shared_ptr<Actor> MakeActor(ActorId id, const std::string& body);
    // Writes an OBJ (and, when `mtl` is not empty, its MTL beside it, referenced by full path) into the
    // scratch folder; returns the OBJ's full path.
    std::string WriteObj(const std::string& name, const std::string& obj, const std::string& mtl = "");
    // The mesh and render elements of an actor that draws `objPath` with the start-up mesh shaders.
    static std::string MeshElements(const std::string& objPath);
    static std::string TransformAt(float x, float y, float z);
    // A 2 x 2 square in the xy plane centred on the origin, facing -z (the default camera looks along +z),
    // wound clockwise as seen from there, mapped over the whole texture.
    static const char* const kFacingQuadObj;
    // A material with the given diffuse and (unless empty) bump textures and easily recognised colours:
    // Ka (0.1, 0.2, 0.3), Kd (0.4, 0.5, 0.6), Ks (0.7, 0.8, 0.9), Ns 32.
    static std::string Material(const std::string& diffuse, const std::string& bump);
    // A material that shows its texture plainly: white ambient and diffuse, no highlight.
    static std::string LitMaterial(const std::string& diffuse);
    // An actor that draws the facing quad with `material` at (x, y, z).
    std::shared_ptr<Actor> MakeQuadActor(ActorId id, float x, float y, float z,
                                         const std::string& material = LitMaterial("brass-albedo.dds"));

    ScratchDirectory scratch;
    EventManager manager{"drawing test manager"};
    std::unique_ptr<SceneTree> tree;
    std::shared_ptr<FreeCameraNode> camera;
    std::unique_ptr<BaseEngineLogic> logic;

private:
    int m_files = 0;
};
