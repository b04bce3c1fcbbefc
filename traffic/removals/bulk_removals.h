// The removals that take many aircraft out at once: all static aircraft, everything at the park
// airport (the user left its reach, shutdown), one category the user switched off, and
// whatever stands on the user's destination stand. Each goes through removeAircraftFromSim
// (static aircraft through the static code's own removal), reports what a single removal
// throws and goes on with the next aircraft; records whose create request was still queued
// are erased at once, keeping the order of the others.
#pragma once

#include <string_view>

#include "refdata/aircraft_category.h"

namespace skyloom {

struct TrafficState;
class WindowRequests;

// Removes every active static aircraft ("{stand:14}: {callsign:8} removed") and withdraws the
// queued ones.
void gf_removeAllStatic(TrafficState& state);
// gf_removeAllStatic, then every live aircraft on the ground outside take-off, landing and
// parking (pushing back, pushed back, taxi, take-off roll, landing roll, parked) gives up its
// stand and is removed.
void lf_removeAllStaticAndLiveAtAirport(TrafficState& state);
// Removes the live aircraft of the category that are not being removed already.
void gf_removeLiveAircraftCategory(TrafficState& state, AircraftCategory category);
// Removes the static Rotorcraft and drops the waiting Rotorcraft parking requests.
void gf_removeStaticAircraftCategory(TrafficState& state);
// Frees the user's destination stand: the first active static aircraft on it, else the first
// active live aircraft parked on it, is removed (one per call).
void gf_clearUserDestGate(TrafficState& state, std::string_view standText);
// Takes the window's category switch-offs (each flag read and cleared) and removes the live
// aircraft of each; helicopters switched off also take the static Rotorcraft with them.
void gf_handleCategoryRemovals(TrafficState& state, WindowRequests& requests);

} // namespace skyloom
