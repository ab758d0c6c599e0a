// The presentation's scripted scene: owns the scene tree and the free camera, and its update plays the
// choreography, a timeline keyed on total time that flies the camera, picks the sky and spins and carries actors
// by queueing move events. It plays the compiled-in presentation unless it is given another choreography (one
// read from a file); both go through the same ChoreographyPlayer.
#pragma once

#include "events/EngineTypes.h"
#include "scene/choreography/ChoreographyPlayer.h"
#include "scene/Scene.h"
#include "scene/SceneTree.h"
#include "scene/Vector3.h"

#include <cstdint>
#include <memory>
#include <string>

class FreeCameraNode;
struct EngineOptions;
struct ID3D11Device;

class Scene3 : public Scene
{
public:
    // The camera's lens comes from `options`, once. `logicSource` is how the timeline and the tree find the
    // engine logic's actors (the application passes one that returns its logic).
    Scene3(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context,
           EngineLogicSource logicSource);
    ~Scene3() override;

    // The keys and the mouse are not read: the presentation takes no input.
    void Update(ID3D11DeviceContext* context, const std::array<unsigned char, 256>& keys, Mouse& mouse,
                float elapsedSeconds, float totalSeconds) override;
    // Both are the scene tree's, with the arguments unchanged.
    int OnResize(const EngineOptions& options, ID3D11Device* device, ID3D11DeviceContext* context) override;
    int Render(ID3D11DeviceContext* context) override;

    SceneTree& GetSceneTree() { return *m_sceneTree; }
    const std::shared_ptr<FreeCameraNode>& GetCamera() const { return m_camera; }

    // Everything the timeline carries from one frame to the next besides the actors' transforms: where the
    // camera stands and how it is turned, the sky it picked and the flight's z. Saved and put back bit for bit,
    // so that the seek controls can start the timeline over and a paused frame can be drawn again unchanged.
    struct TimelineState
    {
        Vector3 position;
        Vector3 right;
        Vector3 up;
        Vector3 look;
        std::uint32_t skySelector = 0;
        float travelZ = kInitialTravelZ;
    };
    TimelineState GetTimelineState() const;
    void SetTimelineState(const TimelineState& state);
    // The state right after construction, where every run of the timeline begins.
    const TimelineState& GetStartState() const { return m_startState; }

    // Plays `choreography` from now on instead of the compiled-in one; `source` names the file it came from, for
    // the reports of actors it cannot find (see ChoreographyPlayer). It must be valid. The travelling value goes
    // to the choreography's start, here and in the start state, so call it before the first frame or replay
    // from the start afterwards.
    void SetChoreography(std::shared_ptr<const Choreography> choreography, std::string source);
    const Choreography& GetChoreography() const { return m_player.GetChoreography(); }

    // The travelling value (the camera's z in the presentation's middle segment), shared by the whole process
    // (not per scene), -32 at start.
    static float GetTravelZ() { return s_travelZ; }
    // Puts the timeline's process-wide state back to the compiled-in start, for a second run in the same process.
    static void ResetTimeline() { s_travelZ = kInitialTravelZ; }

    // Where the compiled-in choreography's travelling value starts.
    static constexpr float kInitialTravelZ = -32.0f;

private:
    void PlaceCamera(float elapsedSeconds, float totalSeconds);
    void MoveActors(float elapsedSeconds, float totalSeconds);

    static float s_travelZ;

    std::unique_ptr<SceneTree> m_sceneTree;
    std::shared_ptr<FreeCameraNode> m_camera;
    ChoreographyPlayer m_player;
    TimelineState m_startState;
};
