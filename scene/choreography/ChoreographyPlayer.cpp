// ChoreographyPlayer: see ChoreographyPlayer.h. The order of operations and the float arithmetic of segments and
// rows are the presentation's own (its pictures depend on them bit for bit); tracks come after, over them.
#include "scene/choreography/ChoreographyPlayer.h"

#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "actors/ComponentLookup.h"
#include "actors/TransformComponent.h"
#include "events/EvtData_Move_Actor.h"
#include "events/IEventManager.h"
#include "scene/FreeCameraNode.h"
#include "scene/SceneTree.h"

#include <iostream>
#include <optional>
#include <unordered_map>

namespace
{
using Channel = Choreography::Channel;
using Angle = Choreography::Angle;

constexpr float kDegreesPerRadian = ChoreographyPlayer::kDegreesPerRadian;
constexpr float kRadiansPerDegree = ChoreographyPlayer::kRadiansPerDegree;

// This frame's values of the tracks that drive, by channel.
using DrivenValues = std::array<std::optional<float>, Choreography::kChannelCount>;

bool DrivenValuesAt(const std::array<const Choreography::Track*, Choreography::kChannelCount>& tracks, float t,
                    DrivenValues& values)
{
    bool any = false;
    for (std::size_t channel = 0; channel < tracks.size(); ++channel)
    {
        if (tracks[channel] != nullptr && tracks[channel]->DrivesAt(t))
        {
            values[channel] = tracks[channel]->ValueAt(t);
            any = true;
        }
    }
    return any;
}

const std::optional<float>& Driven(const DrivenValues& values, Channel channel)
{
    return values[static_cast<std::size_t>(channel)];
}

bool DrivesAny(const DrivenValues& values, Channel first, Channel last)
{
    for (auto channel = static_cast<std::size_t>(first); channel <= static_cast<std::size_t>(last); ++channel)
    {
        if (values[channel])
        {
            return true;
        }
    }
    return false;
}

// Angles in radians and a position: a transform before it becomes a matrix, where tracks take over.
struct Pose
{
    float yaw;
    float pitch;
    float roll;
    float x;
    float y;
    float z;

    void ApplyTracks(const DrivenValues& values)
    {
        float* const coordinates[] = {&x, &y, &z};
        for (const Channel channel : {Channel::X, Channel::Y, Channel::Z})
        {
            if (const auto& value = Driven(values, channel))
            {
                *coordinates[static_cast<std::size_t>(channel)] = *value;
            }
        }
        float* const angles[] = {&yaw, &pitch, &roll};
        for (const Channel channel : {Channel::Yaw, Channel::Pitch, Channel::Roll})
        {
            if (const auto& value = Driven(values, channel))
            {
                *angles[static_cast<std::size_t>(channel) - 3] = *value * kRadiansPerDegree;
            }
        }
    }

    // Rotation times translation, without any scale the old matrix may have had.
    Matrix4x4 Matrix() const
    {
        return Matrix4x4::RotationYawPitchRoll(yaw, pitch, roll) * Matrix4x4::Translation(x, y, z);
    }
};

// The pose a row gives: the component's angles with one of them advanced (through degrees, as the presentation
// was tuned), at the row's place.
Pose RowPose(const TransformComponent& transform, const Choreography::ActorRow& row, float elapsed, float t,
             float travel)
{
    const YawPitchRoll angles = transform.GetYawPitchRoll();
    float yaw = angles.yaw * kDegreesPerRadian;
    float pitch = angles.pitch * kDegreesPerRadian;
    float roll = angles.roll * kDegreesPerRadian;
    (row.turns == Angle::Yaw ? yaw : row.turns == Angle::Pitch ? pitch : roll) += elapsed * row.rate;
    yaw *= kRadiansPerDegree;
    pitch *= kRadiansPerDegree;
    roll *= kRadiansPerDegree;

    const auto current = transform.GetPosition();
    return {yaw,
            pitch,
            roll,
            row.place[0].At(current[0], t, travel),
            row.place[1].At(current[1], t, travel),
            row.place[2].At(current[2], t, travel)};
}

// Where an actor that no row moves this frame stands and how it is turned, untouched.
Pose CurrentPose(const TransformComponent& transform)
{
    const YawPitchRoll angles = transform.GetYawPitchRoll();
    const auto position = transform.GetPosition();
    return {angles.yaw, angles.pitch, angles.roll, position[0], position[1], position[2]};
}
}

ChoreographyPlayer::ChoreographyPlayer()
    // The compiled-in choreography lives for the whole process; the pointer shares nothing.
    : ChoreographyPlayer(
          std::shared_ptr<const Choreography>(std::shared_ptr<const Choreography>(), &Choreography::Presentation()),
          std::string())
{
}

ChoreographyPlayer::ChoreographyPlayer(std::shared_ptr<const Choreography> choreography, std::string source)
    : m_choreography(std::move(choreography)), m_source(std::move(source))
{
    BuildIndex();
}

void ChoreographyPlayer::BuildIndex()
{
    // Groups stay in the order their actors first appear, which is the order their moves are queued in.
    std::unordered_map<ActorId, std::size_t> groupIndex;
    const auto groupOf = [this, &groupIndex](ActorId actor) -> ActorGroup& {
        const auto [found, added] = groupIndex.emplace(actor, m_groups.size());
        if (added)
        {
            m_groups.push_back(ActorGroup{actor, {}, {}});
        }
        return m_groups[found->second];
    };
    for (const Choreography::ActorRow& row : m_choreography->actors)
    {
        groupOf(row.actor).rows.push_back(&row);
    }
    for (const Choreography::Track& track : m_choreography->tracks)
    {
        TrackByChannel& tracks =
            track.actor == Choreography::Track::kCamera ? m_cameraTracks : groupOf(track.actor).tracks;
        tracks[static_cast<std::size_t>(track.channel)] = &track;
    }
}

YawPitchRoll ChoreographyPlayer::CameraAngles(const FreeCameraNode& camera)
{
    // The basis as a rotation: rows right, up, look.
    Matrix4x4 basis;
    const Vector3* const rows[] = {&camera.GetRight(), &camera.GetUp(), &camera.GetLook()};
    for (int row = 0; row < 3; ++row)
    {
        basis(row, 0) = rows[row]->x;
        basis(row, 1) = rows[row]->y;
        basis(row, 2) = rows[row]->z;
    }
    return basis.GetYawPitchRoll();
}

void ChoreographyPlayer::KeepReportsOf(const ChoreographyPlayer& earlier)
{
    if (earlier.m_source == m_source)
    {
        m_reported = earlier.m_reported;
    }
}

float ChoreographyPlayer::AdvanceTravel(float travel, float elapsed, float t) const
{
    return m_choreography->travel.Advance(travel, elapsed, t);
}

void ChoreographyPlayer::PlaceCamera(FreeCameraNode& camera, SceneTree& tree, float elapsed, float t,
                                     float travel) const
{
    // Independent tests, not a chain: what holds follows from t alone, so a long stall simply lands in a later
    // segment.
    for (const Choreography::CameraSegment& segment : m_choreography->camera)
    {
        if (!segment.window.Contains(t))
        {
            continue;
        }
        if (segment.sky)
        {
            tree.SetSkySelector(*segment.sky);
        }
        const Vector3 current = camera.GetPosition();
        camera.SetPosition(segment.place[0].At(current.x, t, travel), segment.place[1].At(current.y, t, travel),
                           segment.place[2].At(current.z, t, travel));
        // Pitching by 0 could still turn the sign of a zero in the basis; a segment without a rate leaves it be.
        if (segment.pitchRate != 0.0f)
        {
            camera.Pitch(elapsed * segment.pitchRate);
        }
    }

    DrivenValues driven;
    if (!DrivenValuesAt(m_cameraTracks, t, driven))
    {
        return;
    }
    if (DrivesAny(driven, Channel::X, Channel::Z))
    {
        const Vector3 current = camera.GetPosition();
        camera.SetPosition(Driven(driven, Channel::X).value_or(current.x),
                           Driven(driven, Channel::Y).value_or(current.y),
                           Driven(driven, Channel::Z).value_or(current.z));
    }
    if (DrivesAny(driven, Channel::Yaw, Channel::Roll))
    {
        // The camera's own angles stand for those the tracks do not drive.
        const YawPitchRoll angles = CameraAngles(camera);
        Pose pose{angles.yaw, angles.pitch, angles.roll, 0.0f, 0.0f, 0.0f};
        pose.ApplyTracks(driven);
        const Matrix4x4 turned = Matrix4x4::RotationYawPitchRoll(pose.yaw, pose.pitch, pose.roll);
        camera.SetBasis({turned(0, 0), turned(0, 1), turned(0, 2)}, {turned(1, 0), turned(1, 1), turned(1, 2)},
                        {turned(2, 0), turned(2, 1), turned(2, 2)});
    }
}

void ChoreographyPlayer::MoveActors(BaseEngineLogic& logic, IEventManager& events, float elapsed, float t, float travel)
{
    for (const ActorGroup& group : m_groups)
    {
        // A world without this actor (or one that has expired) just skips it.
        const std::shared_ptr<Actor> actor = logic.GetActor(group.actor).lock();
        if (!actor)
        {
            ReportOnce(group.actor, "is not in the world");
            continue;
        }
        std::shared_ptr<TransformComponent> transform;
        bool looked = false;
        const auto findTransform = [&] {
            if (!looked)
            {
                looked = true;
                transform = FindComponent<TransformComponent>(*actor);
                if (!transform)
                {
                    ReportOnce(group.actor, "has no TransformComponent");
                }
            }
            return transform != nullptr;
        };

        DrivenValues driven;
        const bool tracksDrive = DrivenValuesAt(group.tracks, t, driven);
        bool moved = false;
        for (const Choreography::ActorRow* row : group.rows)
        {
            // An actor without a transform has nothing to turn; the row is skipped.
            if (!row->window.Contains(t) || !findTransform())
            {
                continue;
            }
            Pose pose = RowPose(*transform, *row, elapsed, t, travel);
            pose.ApplyTracks(driven);
            events.QueueEvent(std::make_shared<EvtData_Move_Actor>(group.actor, pose.Matrix()));
            moved = true;
        }
        if (!moved && tracksDrive && findTransform())
        {
            Pose pose = CurrentPose(*transform);
            pose.ApplyTracks(driven);
            events.QueueEvent(std::make_shared<EvtData_Move_Actor>(group.actor, pose.Matrix()));
        }
    }
}

void ChoreographyPlayer::ReportOnce(ActorId actor, const char* problem)
{
    if (!m_source.empty() && m_reported.insert(actor).second)
    {
        std::cerr << m_source << ": actor " << actor << ' ' << problem << "; its rows and tracks are skipped"
                  << std::endl;
    }
}
