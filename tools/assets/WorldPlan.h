// Where everything stands: the fixed dimensions of the world that the models, the world file and the preview
// share, and the list of actors in creation order (so their ids match what the scripted scene moves: 5 and 17
// spin, the armillary behind the start and the great armillary ahead, 12, 13 and 14 are the nested rings, 19
// and 20 the riders). It also writes the world and actor XML files from that list. No geometry here.
#pragma once

#include "tools/assets/Vec3.h"

#include <string>
#include <utility>
#include <vector>

struct ActorPlacement
{
    int id = 0;               // the id the factory will hand out, checked against the list order
    std::string definition;   // actor file stem under actors/ (also the model's file stem, except the light)
    Vec3 position;
    Vec3 yawPitchRoll;   // degrees
    std::string note;    // one line for the world file
};

class WorldPlan
{
public:
    // The causeway: its axis, the length after which it repeats itself (the flight jumps back by this much),
    // its first segment and how many segments it has (enough to reach past the far plane from any point of
    // the flight).
    static constexpr float kCausewayX = 86.0f;
    static constexpr float kSegmentLength = 43.0f;
    static constexpr float kFirstSegmentZ = -86.0f;
    static constexpr int kSegmentCount = 27;
    static constexpr float kBay = kSegmentLength / 4.0f;

    // The plaza: its terrace, the colonnade's centre and radius, and the plinths of the two spinning pieces.
    static constexpr float kPlazaHalfWidth = 36.0f;
    static constexpr float kPlazaMinZ = -46.0f;
    static constexpr float kPlazaMaxZ = 30.0f;
    static constexpr float kColonnadeZ = -8.0f;
    static constexpr float kColonnadeRadius = 12.0f;
    static constexpr float kPlinthHeight = 2.0f;
    static constexpr float kArmillaryZ = -27.0f;
    static constexpr float kOrreryZ = 10.0f;

    // The great armillary on the headland of the final view.
    static Vec3 GreatArmillaryBase();

    // The light: yaw and pitch in degrees of the direction it shines (its actor's local +z).
    static constexpr float kLightYaw = -38.0f;
    static constexpr float kLightPitch = 32.0f;

    static std::vector<ActorPlacement> Actors();

    // "World1.xml" text and the actor definition files, as (path under data/, text) pairs.
    static std::string WorldXml();
    static std::vector<std::pair<std::string, std::string>> ActorFiles();
};
