// Scene3: construction of the camera and tree, the frame's update through the choreography player (the
// travelling value, the camera, the actors), and the resize and frame calls handed to the tree. It reads no
// files and makes no Direct3D call itself; device arguments are passed on untouched.
#include "scene/Scene3.h"

#include "events/IEventManager.h"
#include "scene/FreeCameraNode.h"

float Scene3::s_travelZ = Scene3::kInitialTravelZ;

namespace
{
constexpr float kPi = 3.14159265358979f;
}

Scene3::Scene3(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context,
               EngineLogicSource logicSource)
    : Scene("First s")
{
    m_camera = std::make_shared<FreeCameraNode>(options);
    // Starts upside down, looking along -z; the presentation's first segment pitches it the rest of the way round.
    m_camera->SetPosition(0.0f, 2.0f, 0.0f);
    m_camera->Pitch(-kPi);
    m_sceneTree = std::make_unique<SceneTree>(options, device, context, std::move(logicSource));
    m_sceneTree->SetCamera(m_camera);
    m_startState = GetTimelineState();
    // The process-wide value may still hold an earlier scene's flight.
    m_startState.travelZ = m_player.GetChoreography().travel.start;
}

Scene3::~Scene3()
{
    m_camera.reset();
    m_sceneTree.reset();
}

void Scene3::SetChoreography(std::shared_ptr<const Choreography> choreography, std::string source)
{
    ChoreographyPlayer next(std::move(choreography), std::move(source));
    next.KeepReportsOf(m_player);
    m_player = std::move(next);
    s_travelZ = m_startState.travelZ = m_player.GetChoreography().travel.start;
}

Scene3::TimelineState Scene3::GetTimelineState() const
{
    TimelineState state;
    state.position = m_camera->GetPosition();
    state.right = m_camera->GetRight();
    state.up = m_camera->GetUp();
    state.look = m_camera->GetLook();
    state.skySelector = m_sceneTree->GetSkySelector();
    state.travelZ = s_travelZ;
    return state;
}

void Scene3::SetTimelineState(const TimelineState& state)
{
    m_camera->SetPosition(state.position.x, state.position.y, state.position.z);
    m_camera->SetBasis(state.right, state.up, state.look);
    m_sceneTree->SetSkySelector(state.skySelector);
    s_travelZ = state.travelZ;
}

void Scene3::Update(ID3D11DeviceContext* context, const std::array<unsigned char, 256>& keys, Mouse& mouse,
                    float elapsedSeconds, float totalSeconds)
{
    (void)keys;
    (void)mouse;
    PlaceCamera(elapsedSeconds, totalSeconds);
    MoveActors(elapsedSeconds, totalSeconds);
    m_sceneTree->OnUpdate(context);
}

int Scene3::OnResize(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context)
{
    return m_sceneTree->OnResize(options, device, context);
}

int Scene3::Render(ID3D11DeviceContext* context)
{
    return m_sceneTree->Render(context);
}

void Scene3::PlaceCamera(float elapsedSeconds, float totalSeconds)
{
    // The actors placed relative to the travelling value read this frame's.
    s_travelZ = m_player.AdvanceTravel(s_travelZ, elapsedSeconds, totalSeconds);
    m_player.PlaceCamera(*m_camera, *m_sceneTree, elapsedSeconds, totalSeconds, s_travelZ);
}

void Scene3::MoveActors(float elapsedSeconds, float totalSeconds)
{
    BaseEngineLogic* logic = m_sceneTree->GetLogic();
    IEventManager* manager = IEventManager::Get();
    if (logic == nullptr || manager == nullptr)
    {
        return;
    }
    m_player.MoveActors(*logic, *manager, elapsedSeconds, totalSeconds, s_travelZ);
}
