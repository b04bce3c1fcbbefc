// The operations through which the live traffic acts on one aircraft: the spoilers, flaps,
// gear and throttle commands for its simulator object, its removal from the simulator in
// whatever state it is (`removeAircraftFromSim`), the livery respawn, the phase setter and the
// reference speed by category.
#pragma once

#include <cstdint>
#include <string_view>

#include "traffic/step/aircraft_record.h"
#include "traffic/stands/static_aircraft.h"

namespace skyloom {

class SimCommandQueue;
struct TrafficState;

// Values the simulator takes for the flaps (index 0..4) and throttle (index 0..4).
inline constexpr std::uint32_t kFullControlValue = 16383;

// Never for a Rotorcraft; every call queues (16383 when value > 0, else 0).
void gf_setSpoilers(SimCommandQueue& queue, const LiveAircraft& aircraft, std::uint32_t value);
// Only when the index differs from the one last sent; never for a Rotorcraft. An index above 4
// sends nothing and is logged; the index is stored in any case.
void gf_setFlaps(SimCommandQueue& queue, LiveAircraft& aircraft, std::int32_t flapsIndex);
void gf_setGear(SimCommandQueue& queue, const LiveAircraft& aircraft, std::uint8_t value);
// Only when the index differs from the one last sent; 5 or more sends nothing but is stored.
void gf_setThrottle(SimCommandQueue& queue, LiveAircraft& aircraft, std::int32_t throttleIndex);

// Takes the aircraft out of the simulator by its state: a buffered record is marked for
// erasure, a create request still queued is withdrawn (the record is erased at the end of the
// caller's loop), an object is queued for removal (paced by the traffic step). The first
// removal of an aircraft logs "{callsign} {registration} removed: {reason}", so that the log
// says why every aircraft went.
void removeAircraftFromSim(TrafficState& state, LiveAircraft& aircraft, std::string_view reason);
// removeAircraftFromSim; an exception is reported under `operation` and goes no further.
void gf_removeAircraftReporting(TrafficState& state, LiveAircraft& aircraft,
                                std::string_view operation, std::string_view reason) noexcept;
// Says in the log why the aircraft is not shown, "{callsign} {registration} not shown:
// {reason}", once per hexid and run: a refused aircraft is offered again with every report.
void gf_explainNotShown(TrafficState& state, std::uint32_t hexid, std::string_view callsign,
                        std::string_view registration, std::string_view reason);
// True while the aircraft is on its way out: its removal was requested or sent, or its record
// is marked for erasure.
bool gf_isBeingRemoved(const LiveAircraft& aircraft) noexcept;
void removeAircraftFromSim(TrafficState& state, StaticAircraft& aircraft);
// The aircraft keeps its record and comes back in a new object with another livery.
void liveryRespawn(TrafficState& state, LiveAircraft& aircraft);
// Sets the flight phase, keeping the two previous ones and the tick of the change.
void lf_setPhase(TrafficState& state, LiveAircraft& aircraft, FlightPhase phase);
// The reference speed (knots) of the aircraft; mode 2 and 3 lower it by 10 and 20 kt.
double lf_categorySpeedKts(const LiveAircraft& aircraft, std::uint8_t mode);

// The callsign, registration, route and key texts of log lines.
std::string gf_aircraftLogText(const AircraftBase& base);

} // namespace skyloom
