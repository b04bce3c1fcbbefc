// The stand read of the facility connection: the simulator's taxi parkings and helipads of one
// airport, asked for with definition 1001 and turned into the `Stand` records of an
// `AirportFile` with the airport's position, name and altitude. The airport scan calls it for
// each airport it learns from the simulator; the park airport's load may call it too.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "refdata/airport_file.h"

namespace skyloom {

class StopControl;

inline constexpr std::chrono::seconds kParkingReadTimeout{30};

// Reads the airport `ident` on the facility connection (opening it when needed) and sets these
// fields of `airport`, leaving the others (source, package, ...) as the caller set them: its
// ICAO code from `ident`, position, name, altitude in whole feet and the stands in reply order
// (taxi parkings, then helipads named "HELIPAD 1", "HELIPAD 2", ...); `helipadCount` gets the
// number of helipads. The request names `requestIcao` (by default `ident`) and `region` (by
// default none): the airport scan passes the four-character code alone.
//
// False, with `airport` and `helipadCount` untouched, when the connection cannot be opened,
// the request is refused, the reply fails (an exception message, a record shorter than its
// kind, a failed dispatch) or does not end within 30 s, the program is to stop, or the reply
// holds no airport record (an airport the simulator does not know) or no usable airport
// position. A failed or unfinished reply closes the connection, so that the next read opens it
// afresh. An `ident` that is no ICAO code throws std::invalid_argument once the reply is read.
bool gf_readParkingFacilities(const StopControl& stop, std::string_view ident, AirportFile& airport,
                              std::int32_t& helipadCount, std::string_view requestIcao = {},
                              std::string_view region = {});

} // namespace skyloom
