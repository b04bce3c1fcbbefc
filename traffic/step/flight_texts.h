// The texts of the take-off and touch-down messages: an aircraft's airline and operator codes,
// the IATA code of the airport at a position, and where a flight message goes (the window's
// status line when FLIGHT_MESSAGES is on, else the log).
#pragma once

#include <cstdint>
#include <string>

#include "foundation/iata_code.h"
#include "foundation/lalo.h"

namespace skyloom {

struct ParamsSnapshot;
class WindowSink;

// The airline code of the id, then "," and the operator's code when it has one: "DAL",
// "DAL,SKW". Ids beyond the airline code table give no code.
std::string gf_airlineText(std::uint16_t airlineId, std::uint16_t operatorId);

// The IATA code of the airport at the position: the park airport's when it has ICAO and IATA
// codes and lies within 5 NM; else the fallback when set; else the nearest airport of the
// airports table within 5 NM (flat earth, later entries winning ties), whose code may be
// empty.
IataCode gf_iataCodeAt(const Lalo& position, const IataCode& fallback);

// A take-off or touch-down report: to the window's status line (logged there) when the
// settings' FLIGHT_MESSAGES is on, else to the log as a plain line.
void gf_flightMessage(std::string text, const ParamsSnapshot& settings, WindowSink& window);

} // namespace skyloom
