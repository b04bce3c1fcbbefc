// Ghosts: a live callsign ending in "_" is a second copy of the flight without it, and gives way
// to it. When a flight spawns, its ghost copy leaves; a ghost whose flight is live never comes.
#pragma once

#include <string_view>

namespace skyloom {

struct TrafficState;

// Removes the first live aircraft called `callsign` + "_" that is not being removed already,
// logs it and notes its callsign among the run's removed ghosts.
void lf_removeGhostWithUnderscoreIfPresent(TrafficState& state, std::string_view callsign);
// True when a live aircraft that is not being removed has the callsign without its last
// character.
bool lf_ghostHasLiveFlight(const TrafficState& state, std::string_view callsign);

} // namespace skyloom
