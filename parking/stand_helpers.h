// Small operations over the park airport's stand table that the stand search, the static
// parking, the live traffic and the log share: conflicts between stands, taking a stand with
// its overlapping neighbours, keeping the user's stand free, whether a stand suits an
// aircraft, whether a stand has a real option for it, the wanted number of parked aircraft and
// a stand's exclusions as a log line. Main worker thread (it owns the stand table).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "refdata/aircraft_category.h"
#include "refdata/airport_file.h"
#include "refdata/livery_key.h"

namespace skyloom {

class ParkingState;
class WindowSink;

// Stand-fit tolerances: how much larger (NM) an aircraft's radius may be than the stand's.
inline constexpr double kStandFitToleranceNM = 0.0029157667386609074;      // 5.4 m
inline constexpr double kFuelStandToleranceNM = 0.002699784017278618;      // 5.0 m
inline constexpr double kExtraStandToleranceNM = 0.0009719222462203025;    // 1.8 m

// True when a = b; false when a names no stand; else whether b is in a's exclusions.
bool gf_standsConflict(const ParkingState& state, std::int32_t a, std::int32_t b);

// Takes the stand for a static aircraft (inUse) and marks its overlapping neighbours excluded;
// false when the sid names no stand or the stand is taken already. Then true when at least
// `wanted` stands are in use.
bool gf_reserveStand(ParkingState& state, std::int32_t sid, std::int32_t wanted);

// Keeps the stand named `name` and its overlapping neighbours free of static aircraft, logging
// each with `label` ("Reserved" or "User"); nothing when no stand has that name.
void gf_blockUserStandForStatic(ParkingState& state, std::string_view name, std::string_view label);

// Whether the stand's type takes the category and the aircraft's radius (NM) is not too large.
bool gf_standFitsAircraft(const Stand& stand, AircraftCategory category, double radiusNm);

// Whether a real option of the stand, valid and not taken this run, names the callsign (first
// or second) or has the aircraft's airline, operator, model and cargo byte. False for an empty
// callsign.
bool lf_standHasMatchingFlightOption(const Stand& stand, std::string_view callsign,
                                     const LiveryKey& key);

// Whether the option was recorded for this registration and key (airline, model, operator and
// the cargo byte).
bool lf_sameAircraftKey(std::string_view registration, const LiveryKey& key,
                        const FlightOption& option);

// Sets the state's wanted number of parked aircraft from the parking percentage and the
// maximum in force, shows it with its share of the stands, and returns it.
std::int32_t gf_setParkedAircraftTarget(ParkingState& state, std::int32_t percentage,
                                        std::int32_t maximum, WindowSink& window);

// "          {id:8}: excludes {ids joined by ','}"; empty without exclusions.
std::string gf_standExclusionsText(const ParkingState& state, std::span<const std::int32_t> exclusions,
                                   std::int32_t sid);

} // namespace skyloom
