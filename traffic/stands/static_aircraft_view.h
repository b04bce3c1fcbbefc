// `StaticAircraftView`: what the collision checks and the bulk removals of the live traffic read
// of one static (parked) aircraft, handed over by the static aircraft's own code so that these
// checks need not know its record.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/lalo.h"
#include "refdata/aircraft_category.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

// Where a static aircraft came from: RealTraffic's parked traffic, else an airport file.
inline constexpr std::uint8_t kStaticSourceRealTraffic = 0;

struct StaticAircraftView {
    std::string callsign; // ends in "*"
    // The first and second flight callsigns (display callsign and third text).
    std::string firstFlight;
    std::string secondFlight;
    std::string registration;
    std::string modelCode;
    std::uint32_t rtHexid = 0; // the RealTraffic hexid of parked traffic
    std::uint8_t source = kStaticSourceRealTraffic;
    SimState simState = SimState::buffer;
    bool removalRequested = false;
    AircraftCategory category = AircraftCategory::Large;
    Lalo position;
    double conflictRadiusNm = 0;
    std::uint32_t standId = 0;
};

} // namespace skyloom
