// The user aircraft flying its scripted track: between two waypoints it moves evenly along
// the straight line of latitude, longitude and altitude; speed, track, vertical speed, height
// above ground and on-ground follow from the waypoints. Before the first waypoint and after
// the last it stands still; before a teleport waypoint it holds at the waypoint before.
#pragma once

#include "platform/simworld/object_state.h"
#include "platform/simworld/world_setup.h"

namespace skyloom::simworld {

// Height above ground up to which the aircraft counts as on the ground.
inline constexpr double kOnGroundToleranceFeet = 0.5;

class UserTrack {
public:
    // Teleports of the timeline join the track as teleport waypoints. Throws
    // std::invalid_argument when two waypoints share a time.
    UserTrack(UserAircraftSetup setup, const std::vector<TimelineEvent>& timeline);

    ObjectState at(double seconds) const;
    const UserAircraftSetup& setup() const { return setup_; }

private:
    double courseInto(std::size_t index) const;

    UserAircraftSetup setup_;
};

} // namespace skyloom::simworld
