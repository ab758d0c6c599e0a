// Plays a choreography onto the scene one frame at a time: the travelling value, then the camera (segments, sky,
// tracks), then the actors (rows and tracks, as queued move events). The timeline's state stays with the scene
// (the travelling value, the camera, the sky, the actors' transforms); the player keeps only the choreography,
// an index of its tracks and actors built once, and which actors it has reported missing.
#pragma once

#include "events/EngineTypes.h"
#include "events/Matrix4x4.h"
#include "scene/choreography/Choreography.h"

#include <array>
#include <memory>
#include <set>
#include <string>
#include <vector>

class BaseEngineLogic;
class FreeCameraNode;
class IEventManager;
class SceneTree;

class ChoreographyPlayer
{
public:
    // The conversion factors the choreography was tuned with: a track's angles in degrees become radians by
    // kRadiansPerDegree, and what stands on screen is read back into degrees by kDegreesPerRadian.
    static constexpr float kDegreesPerRadian = 57.2957764f;
    static constexpr float kRadiansPerDegree = 0.0174533f;
    // The camera's orientation as yaw, pitch and roll in radians: what its tracks and a keyed flown view start from.
    static YawPitchRoll CameraAngles(const FreeCameraNode& camera);

    // Plays the compiled-in presentation.
    ChoreographyPlayer();
    // `source` names the file the choreography came from: an actor it moves that the world lacks (or that has
    // no transform) is then reported once on standard error, naming the file, and skipped. Empty, the player is
    // silent about them, as the compiled-in presentation is. The choreography must be valid (Validate()).
    ChoreographyPlayer(std::shared_ptr<const Choreography> choreography, std::string source);

    // Takes over which actors `earlier` has named already, when both play from the same file: an edit or a reload
    // of it then does not name them again.
    void KeepReportsOf(const ChoreographyPlayer& earlier);

    const Choreography& GetChoreography() const { return *m_choreography; }
    const std::shared_ptr<const Choreography>& GetShared() const { return m_choreography; }

    // The travelling value after a frame of `elapsed` seconds at time `t`.
    float AdvanceTravel(float travel, float elapsed, float t) const;
    // Every camera segment whose window holds, in order, then the camera's tracks.
    void PlaceCamera(FreeCameraNode& camera, SceneTree& tree, float elapsed, float t, float travel) const;
    // Queues one move per holding actor row, each with the actor's tracks applied, and one for an actor that
    // only a track drives this frame.
    void MoveActors(BaseEngineLogic& logic, IEventManager& events, float elapsed, float t, float travel);

private:
    using TrackByChannel = std::array<const Choreography::Track*, Choreography::kChannelCount>;
    // One lookup per actor and frame: its rows (in order) and its tracks.
    struct ActorGroup
    {
        ActorId actor = kInvalidActorId;
        std::vector<const Choreography::ActorRow*> rows;
        TrackByChannel tracks{};
    };

    void BuildIndex();
    void ReportOnce(ActorId actor, const char* problem);

    std::shared_ptr<const Choreography> m_choreography;
    std::string m_source;
    TrackByChannel m_cameraTracks{};
    std::vector<ActorGroup> m_groups;
    std::set<ActorId> m_reported;
};
