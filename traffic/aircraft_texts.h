// The texts that name an aircraft in the live traffic's log lines: its livery key in fixed
// columns, the key with the registration (the key text of the no-livery set), and the route.
#pragma once

#include <string>

#include "foundation/iata_code.h"
#include "refdata/livery_key.h"

namespace skyloom {

struct AircraftBase;

// "{:3}{:4} {:4}{}{:3}": the airline code; "," and the operator's code, or 4 blanks; the model
// code; "." for a key from the registration table, else a blank; "(C)" for cargo, else blanks.
std::string gf_liveryKeyText(const LiveryKey& key);
// The key text, a blank and the registration.
std::string gf_aircraftKeyText(const AircraftBase& base);
// "{:3}->{:3}" of the two codes; 8 blanks when both are empty.
std::string gf_origDestText(const IataCode& origin, const IataCode& destination);

} // namespace skyloom
