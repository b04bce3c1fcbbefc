// The `SimEvent` records made from the simulator's data replies: the position report of an AI
// aircraft within the radius (request 101, definition 404) and the static centre of gravity and
// pitch of an object (request 102, definition 405). The report leaves out what the traffic step
// must not act on: the user's own aircraft, aircraft without an ATC id, Skyloom's own static
// aircraft (their ATC id, the callsign, ends in '*'), and aircraft more than 2500 ft above the
// ground.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/simconnect/simconnect_recv.h"
#include "sim/sim_event.h"

namespace skyloom {

// Message sizes: the data header (40 bytes) and the definition's data.
inline constexpr std::size_t kAiPositionReportBytes = 96; // f64, f64, i64, char[32]
inline constexpr std::size_t kStaticCgAndPitchBytes = 56; // f64, f64
inline constexpr double kAiPositionReportMaxAglFeet = 2500.0;

// The report of one SIMOBJECT_DATA_BYTYPE message of request 101; no value when the message is
// shorter than 96 bytes or a filter drops it.
std::optional<SimEvent> gf_aiPositionReportEvent(const SIMCONNECT_RECV_SIMOBJECT_DATA& message,
                                                 std::size_t size, std::uint32_t userObjectId);

// The static centre of gravity and pitch of one SIMOBJECT_DATA message of request 102; no
// value when it is shorter than 56 bytes.
std::optional<SimEvent> gf_staticCgAndPitchEvent(const SIMCONNECT_RECV_SIMOBJECT_DATA& message,
                                                 std::size_t size);

} // namespace skyloom
