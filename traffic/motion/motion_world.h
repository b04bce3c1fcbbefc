// `MotionWorld`: what the motion of live aircraft reads of the world around them (the park
// airport's runways and position, the user aircraft's position, the settings it obeys, the
// QNH) and the ground-motion work that other parts of the live traffic provide; and
// `MotionContext`, the one aircraft the motion works on with its traffic state and world, so
// that each decision of the motion can be driven alone. The run's wiring (or a test) keeps the
// world up to date between traffic steps (the runways after a load, the user's position, the
// settings snapshot, the QNH); the motion only reads it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "foundation/iata_code.h"
#include "foundation/lalo.h"
#include "refdata/aircraft_category.h"
#include "sim/facility_runways.h"

namespace skyloom {

struct LiveAircraft;
struct TrafficState;
struct MotionContext;

// The ground motion of take-off roll, landing roll, taxi and parking. Each may be empty; the
// motion then leaves that work out (an aircraft on the ground without `nextPosGround` keeps
// the feed's timing).
struct GroundMotionSteps {
    // Fixes the length of a step on the ground.
    std::function<void(MotionContext&)> nextPosGround;
    // Prepares a step on the ground once its increments are known.
    std::function<void(MotionContext&)> lf_setupGroundStep;
    // Forgets the take-off or landing roll state.
    std::function<void(MotionContext&)> lf_clearRollState;
    // Moves a running roll one tick; true when it moved the aircraft.
    std::function<bool(MotionContext&)> lf_moveRollOneTick;
    // The lift-off decision of a rotation that waits for it; true when the aircraft lifted off.
    std::function<bool(MotionContext&)> lf_decideLiftOff;
    // The stand of a parking aircraft: 0 when it is free for it (else who holds it).
    std::function<int(MotionContext&)> lf_standFree;
    // True when the stand list holds the stand id.
    std::function<bool(std::uint32_t standId)> standExists;
    // A parked aircraft's stand becomes a real option; the parked count is limited.
    std::function<void(MotionContext&)> gf_addRealStandOption;
    std::function<void()> gf_limitParkedAircraft;
    // The radius (NM) of the stand with the 1-based id; 0 or less when there is no such stand.
    std::function<double(std::uint32_t standId)> standRadiusNm;
    // Hands a taxiing aircraft that came to rest near the park airport to the parking code.
    std::function<void(MotionContext&)> try2Park;
    // Shows a take-off report as the settings say (status line or log); empty: the log.
    std::function<void(std::string text)> flightMessage;
};

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
    // Whether the category options include a category; empty includes every one.
    std::function<bool(AircraftCategory)> categoryIncluded;
    // A random index in [0, n) for the parked-aircraft schedule; empty gives 0.
    std::function<std::uint32_t(std::uint32_t n)> randomIndex;
    // The present shared traffic time stamp (the parked-at stamp of a parking aircraft).
    std::function<double()> trafficTimeStamp;
    GroundMotionSteps ground;
    // Set when the park airport's airport file has been reported.
    bool parkAirportReady = false;
};

struct MotionContext {
    TrafficState& state;
    LiveAircraft& aircraft;
    const MotionWorld& world;

    std::int32_t tick() const noexcept;
};

} // namespace skyloom
