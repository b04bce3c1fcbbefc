// What the world knows about one object at one moment, in the units the simulator keeps them
// in: position, attitude, speeds, identity texts, lights, static values and the controls the
// program may set. Simulation variables (variables.h) read and write these fields.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "platform/simconnect/win_types.h"
#include "platform/simworld/world_setup.h"

namespace skyloom::simworld {

struct ObjectState {
    std::uint32_t objectId = 0;
    ObjectKind kind = ObjectKind::aircraft;
    std::string title;
    std::string atcModel;
    std::string atcId;

    double latitudeDeg = 0;
    double longitudeDeg = 0;
    double altitudeFeet = 0;
    double groundAltitudeFeet = 0;
    double pitchRad = 0;
    double bankRad = 0;
    double headingTrueRad = 0;
    double groundSpeedKnots = 0;
    double trueAirspeedKnots = 0;
    double verticalSpeedFpm = 0;
    double groundTrackDeg = 0;
    bool onGround = false;
    std::int64_t lightStates = 0;

    double staticCgToGroundFeet = 0;
    double staticPitchRad = 0;
    double spoilersHandlePercent = 0;
    std::array<double, 4> throttleLeverPercent{};

    // The last value of every client event transmitted to the object, by simulator event name.
    std::map<std::string, DWORD> lastEventValues;
};

} // namespace skyloom::simworld
