// The field names AddToFacilityDefinition accepts: "OPEN x" and "CLOSE x" for the facility
// kinds, and the fields of airports, runways, starts, thresholds, helipads and taxi parkings.
// Matched without regard to case.
#pragma once

#include <string_view>

namespace skyloom::simworld {

bool gf_isFacilityFieldName(std::string_view name);

} // namespace skyloom::simworld
