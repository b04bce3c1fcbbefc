// `MotionWorld`: what the motion of live aircraft reads of the world around them (the park
// airport's runways and position, the user aircraft's position, the settings it obeys, the
// QNH); and `MotionContext`, the one aircraft the motion works on with its traffic state and
// world, so that each decision of the motion can be driven alone. `gf_refreshMotionWorld`
// brings the world up to date from the run (the main loop calls it once a second; a test may
// set the values itself); the runways follow every load and stop of the park airport's runway
// list at once. The motion only reads it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "foundation/iata_code.h"
#include "foundation/icao_code.h"
#include "foundation/lalo.h"
#include "refdata/aircraft_category.h"
#include "sim/facility_runways.h"

namespace skyloom {

struct LiveAircraft;
struct TrafficState;
struct MotionContext;

struct ParkAirportPlace {
    Lalo position;
    double altitudeFt = 0.0;
    IataCode iata;
    bool known = false;
};

struct MotionWorld {
    std::span<const FacilityRunway> runways; // the park airport's, as the facilities give them
    ParkAirportPlace parkAirport;
    Lalo userPosition;                  // 0/0 while not known
    double rangeNm = 40.0;              // RANGE
    std::int32_t maxHoldingMinutes = 3; // MAX_HOLDING_MINUTES
    double qnhHpa = 1013.0;             // 1013 while none is known
};

// Takes the runways from the traffic state's runway list, the park airport from its entry, the
// user's position, RANGE, MAX_HOLDING_MINUTES and the QNH.
void gf_refreshMotionWorld(TrafficState& state);

// Parking has loaded the park airport `icao`'s stands from a file of `source` ("stock" for the
// simulator's own airports): its runways are read, and the motion's world takes them.
void lf_correctRunwayHeadings(TrafficState& state, const IcaoCode& icao, std::string_view source);
// Static parking stopped: the park airport's runways are gone, and the next load reads them
// again.
void gf_clearParkAirportRunways(TrafficState& state);

struct MotionContext {
    TrafficState& state;
    LiveAircraft& aircraft;
    const MotionWorld& world;

    std::int32_t tick() const noexcept;
};

} // namespace skyloom
