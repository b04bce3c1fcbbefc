// `gf_parkingName`: the stand-name prefix of a parking name code, as the simulator's scenery
// and facility data number them. The BGL stand reader and the facility reader build stand id
// texts from it ("GATE " + 12 gives GATE 12, "GATE A" + 12 gives GATE A12).
#pragma once

#include <cstdint>
#include <string>

namespace skyloom {

// Code 1 "PARKING "; 2 to 9 "N_PARKING " ... "NW_PARKING "; 10 "GATE "; 11 "DOCK "; 12 to 37
// "GATE A" to "GATE Z"; 0 and any other code an empty text.
std::string gf_parkingName(std::int32_t code);

} // namespace skyloom
