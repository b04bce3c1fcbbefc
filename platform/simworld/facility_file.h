// Airport files: the facility data of one airport in JSON (docs/simworld-facilities.md gives
// the format), read with every key checked, as a world file's are, and written back in the
// same form (the fixture tool writes them). The "airports" list of a world file names such
// files, or holds airports inline, each with how the world serves it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/simworld/facility_setup.h"

namespace skyloom::simworld {

// Throw WorldFileError naming the file, the place in it and the fault.
AirportFacilitySetup gf_loadAirportFile(const std::filesystem::path& file);
AirportFacilitySetup gf_parseAirportText(std::string_view text, std::string_view source);

// The "airports" list of a world file at `pointer`: texts name airport files (relative paths
// from `folder`), objects give "file" or "airport" with the serving keys. An ICAO code given
// twice is an error.
std::vector<AirportFacilitySetup> gf_parseAirportList(const nlohmann::json& list,
                                                      const std::string& pointer,
                                                      std::string_view source,
                                                      const std::filesystem::path& folder);

// The airport file of the airport (its serving is not part of the file).
std::string gf_airportFileText(const AirportFacilitySetup& airport);

} // namespace skyloom::simworld
