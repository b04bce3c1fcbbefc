// Stand-ins for the parts of the live traffic that the replays of one aircraft need before the
// decoder and the per-tick update are wired: the record made from the first report (the
// category's handling, placed at the report), its create request, a report joining the stream
// (it ends an extrapolation), and the per-tick update of an active aircraft (the driver when
// the target is due, a tick of motion while it is not stationary, the position to the batch).
#pragma once

#include <cstdint>
#include <string>

#include "sim/sim_command_records.h"
#include "traffic/aircraft_record.h"

namespace skyloom {
struct TrafficState;
}

namespace skyloom::tools {

LiveAircraft gf_replayAircraft(std::uint32_t hexid, const std::string& callsign,
                               const TrafficSample& first, FlightPhase phase,
                               AircraftCategory category);
SimCreateRequest gf_replayCreateRequest(const LiveAircraft& aircraft, const std::string& livery);
void gf_replayDeliver(LiveAircraft& aircraft, const TrafficSample& sample);
bool gf_replayUpdate(TrafficState& state, LiveAircraft& aircraft);

} // namespace skyloom::tools
