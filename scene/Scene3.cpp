// Scene3: construction of the camera and tree, the compiled-in timeline (camera segments, sky choice and the
// actor rows), and the resize and frame calls handed to the tree. It reads no files and makes no Direct3D call
// itself; device arguments are passed on untouched.
#include "scene/Scene3.h"

#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "actors/ComponentLookup.h"
#include "actors/TransformComponent.h"
#include "events/EvtData_Move_Actor.h"
#include "events/IEventManager.h"
#include "scene/FreeCameraNode.h"

#include <iterator>
#include <limits>

float Scene3::s_travelZ = Scene3::kInitialTravelZ;

namespace
{
constexpr float kPi = 3.14159265358979f;
constexpr float kForever = std::numeric_limits<float>::infinity();

// Camera segments: [0, 15) pitches down at the start position, [15, 44) flies along +z at x = 86,
// [44, ...) looks on from above.
constexpr float kFlightStart = 15.0f;
constexpr float kFlightEnd = 44.0f;
// -pi/16 radians per second of frame time.
constexpr float kPitchRate = -0.19634955f;
constexpr float kTravelSpeed = 16.0f;
// The flight is a loop: past z = 10 the camera jumps back 43 units, which the scenery repeats over.
constexpr float kTravelWrapAt = 10.0f;
constexpr float kTravelWrapBy = 43.0f;

// The conversion factors the choreography was tuned with.
constexpr float kDegreesPerRadian = 57.2957764f;
constexpr float kRadiansPerDegree = 0.0174533f;

enum class SpinAxis
{
    Yaw,
    Roll
};

// One line of the choreography: while from <= t < until, the actor spins about one axis at `rate` degrees
// per second, either where it stands or at (x, y, travel z + zOffset).
struct ActorRow
{
    ActorId actor;
    float from;
    float until;
    bool keepPosition;
    float x;
    float y;
    float zOffset;
    SpinAxis axis;
    float rate;
};

// Rows of one actor follow each other; they share one lookup per frame.
constexpr ActorRow kActorRows[] = {
    {5, -kForever, kForever, true, 0.0f, 0.0f, 0.0f, SpinAxis::Yaw, 16.0f},
    {17, -kForever, kForever, true, 0.0f, 0.0f, 0.0f, SpinAxis::Yaw, 16.0f},
    {14, -kForever, kForever, false, 86.0f, 2.0f, 2.0f, SpinAxis::Yaw, 16.0f},
    {20, 22.0f, 29.0f, false, 86.9f, 2.0f, 3.0f, SpinAxis::Roll, 12.0f},
    {20, 29.0f, kForever, false, 0.5f, 2.0f, 1.5f, SpinAxis::Roll, 16.0f},
    {19, 15.0f, 21.5f, false, 86.9f, 2.0f, 3.0f, SpinAxis::Roll, 12.0f},
    {19, 21.5f, kForever, false, 0.5f, 2.0f, 1.5f, SpinAxis::Roll, 16.0f},
    {12, 0.0f, 29.0f, false, 186.0f, 2.0f, 2.0f, SpinAxis::Roll, 64.0f},
    {12, 29.0f, kForever, false, 86.0f, 2.0f, 2.0f, SpinAxis::Roll, 64.0f},
    {13, 0.0f, 29.0f, false, 186.0f, 2.0f, 2.0f, SpinAxis::Roll, 64.0f},
    {13, 29.0f, kForever, false, 86.0f, 2.0f, 2.0f, SpinAxis::Roll, 64.0f},
};

// The new world matrix for one row: the component's angles with one of them advanced, rebuilt without any
// scale the old matrix may have had, at the row's position.
Matrix4x4 NextTransform(const TransformComponent& transform, const ActorRow& row, float elapsedSeconds, float travelZ)
{
    const YawPitchRoll angles = transform.GetYawPitchRoll();
    float yaw = angles.yaw * kDegreesPerRadian;
    float pitch = angles.pitch * kDegreesPerRadian;
    float roll = angles.roll * kDegreesPerRadian;
    (row.axis == SpinAxis::Yaw ? yaw : roll) += elapsedSeconds * row.rate;
    yaw *= kRadiansPerDegree;
    pitch *= kRadiansPerDegree;
    roll *= kRadiansPerDegree;

    const auto current = transform.GetPosition();
    const Matrix4x4 place = row.keepPosition ? Matrix4x4::Translation(current[0], current[1], current[2])
                                             : Matrix4x4::Translation(row.x, row.y, travelZ + row.zOffset);
    return Matrix4x4::RotationYawPitchRoll(yaw, pitch, roll) * place;
}
}

Scene3::Scene3(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context,
               EngineLogicSource logicSource)
    : Scene("First s")
{
    m_camera = std::make_shared<FreeCameraNode>(options);
    // Starts upside down, looking along -z; the first segment pitches it the rest of the way round.
    m_camera->SetPosition(0.0f, 2.0f, 0.0f);
    m_camera->Pitch(-kPi);
    m_sceneTree = std::make_unique<SceneTree>(options, device, context, std::move(logicSource));
    m_sceneTree->SetCamera(m_camera);
    m_startState = GetTimelineState();
    m_startState.travelZ = kInitialTravelZ;   // the process-wide value may still hold an earlier scene's flight
}

Scene3::~Scene3()
{
    m_camera.reset();
    m_sceneTree.reset();
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
    const float t = totalSeconds;
    // Three independent tests, not a chain: the segment follows from t alone, so a long stall simply lands
    // in a later segment.
    if (t < kFlightStart)
    {
        m_sceneTree->SetSkySelector(0);
        m_camera->SetPosition(0.0f, 2.0f, t - 16.0f);
        m_camera->Pitch(elapsedSeconds * kPitchRate);
    }
    if (t >= kFlightStart && t < kFlightEnd)
    {
        s_travelZ += elapsedSeconds * kTravelSpeed;
        if (s_travelZ >= kTravelWrapAt)
        {
            s_travelZ -= kTravelWrapBy;
        }
        m_camera->SetPosition(86.0f, 2.0f, s_travelZ);
    }
    if (t >= kFlightEnd)
    {
        m_sceneTree->SetSkySelector(1);
        m_camera->SetPosition(0.0f, 96.0f, 0.0f);
    }
}

void Scene3::MoveActors(float elapsedSeconds, float totalSeconds)
{
    BaseEngineLogic* logic = m_sceneTree->GetLogic();
    IEventManager* manager = IEventManager::Get();
    if (logic == nullptr || manager == nullptr)
    {
        return;
    }

    const std::size_t rowCount = std::size(kActorRows);
    for (std::size_t first = 0; first < rowCount;)
    {
        const ActorId id = kActorRows[first].actor;
        std::size_t end = first;
        while (end < rowCount && kActorRows[end].actor == id)
        {
            ++end;
        }
        // A world without this actor (or one that has expired) just skips its rows.
        if (const std::shared_ptr<Actor> actor = logic->GetActor(id).lock())
        {
            for (std::size_t i = first; i < end; ++i)
            {
                const ActorRow& row = kActorRows[i];
                if (!(totalSeconds >= row.from && totalSeconds < row.until))
                {
                    continue;
                }
                // An actor without a transform has nothing to spin; the row is skipped.
                const auto transform = FindComponent<TransformComponent>(*actor);
                if (!transform)
                {
                    continue;
                }
                const Matrix4x4 next = NextTransform(*transform, row, elapsedSeconds, s_travelZ);
                manager->QueueEvent(std::make_shared<EvtData_Move_Actor>(id, next));
            }
        }
        first = end;
    }
}
