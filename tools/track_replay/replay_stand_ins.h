// The set-up of a motion scenario that starts one aircraft in a chosen phase, past the
// decoder and the spawn: the record made from the first report (the category's handling,
// placed at the report), its create request, and a report joining the stream (it ends an
// extrapolation).
#pragma once

#include <cstdint>
#include <string>

#include "sim/sim_command_records.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom::tools {

LiveAircraft gf_replayAircraft(std::uint32_t hexid, const std::string& callsign,
                               const TrafficSample& first, FlightPhase phase,
                               AircraftCategory category);
SimCreateRequest gf_replayCreateRequest(const LiveAircraft& aircraft, const std::string& livery);
void gf_replayDeliver(LiveAircraft& aircraft, const TrafficSample& sample);

} // namespace skyloom::tools
