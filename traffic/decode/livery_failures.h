// The live traffic's reaction to a livery the simulator could not create, and the log texts of
// aircraft keys that its livery lines use (the route text is the liveries' gf_origDestText).
#pragma once

#include <cstddef>
#include <string>

#include "refdata/livery_key.h"

namespace skyloom {

struct AircraftBase;
struct TrafficState;

// More failed titles than this end the run with error 81.
inline constexpr std::size_t kMaxFailedLiveryTitles = 20;
inline constexpr int kTooManyFailedLiveriesCode = 81;

// Shows and logs "{callsign} '{title}' could not be created by your Sim!" while the run goes
// on, and records the title (with the model and airline codes) so that no choice and no
// respawn takes it again. At the 20th title the log gets error 81 and
// UserRelatedException 81 is thrown.
void gf_reportLiveryCreationFailure(TrafficState& state, const AircraftBase& aircraft);

// "{:3}{:4} {:4}{}{:3}": airline code; "," and the operator code, or 4 blanks; the model code;
// '.' for a key from the registration table, else a blank; "(C)" for a cargo key, else blanks.
std::string gf_liveryKeyText(const LiveryKey& key);
// The key text, a blank and the registration.
std::string gf_aircraftKeyText(const AircraftBase& aircraft);

} // namespace skyloom
