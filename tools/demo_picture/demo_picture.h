// The demo's picture: a flat map of the airport and about 15 NM around it with its runways,
// its stands and the tracks of the simulator's AI objects coloured by phase, an inset of the
// airport itself, a legend with the phase counts, scale bars and a title with the airport and
// the time span of the trace; written as PNG.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/simworld/facility_setup.h"
#include "tools/demo_picture/trace_file.h"

namespace skyloom::tools {

// `atcIds` (object id -> ATC id, may be empty) labels the objects still there at the end.
// Throws std::runtime_error when the file cannot be written.
void gf_drawDemoPicture(const std::filesystem::path& png,
                        const simworld::AirportFacilitySetup& airport,
                        const std::vector<TraceTrack>& tracks,
                        const std::map<std::uint32_t, std::string>& atcIds);

} // namespace skyloom::tools
