// The checks the stand search and the RealTraffic placement share: whether an aircraft is
// already present or planned (lf_optionInUse and its helpers), whether a neighbour in use
// blocks a stand (lf_standBlocked), the number of stands in use, and whether an aircraft is
// wider than a stand.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "parking/static_parking_state.h"

namespace skyloom {

// How much wider than a stand's circle an aircraft may be (NM; 5.4 m), the largest tolerance
// the stand fit allows.
inline constexpr double kStandWidthToleranceNm = 0.0029157667386609074;

std::int32_t lf_countStandsInUse(const std::vector<Stand>& stands) noexcept;

// True when an aircraft of the model is wider than the stand (beyond the tolerance); a model
// of unknown wingspan fits.
bool lf_modelWiderThanStand(std::uint16_t modelId, const Stand& stand);

// True when the callsign (not empty) is in the feed callsign set, by itself or followed by "_".
bool lf_callsignInFeed(const StaticParkingState& state, const std::string& callsign);

// True when a live stayer has the callsign or the second callsign, or the registration. An
// empty text matches nothing.
bool lf_standNameLookup(const StaticParkingState& state, std::string_view registration,
                        std::string_view callsign, std::string_view callsign2);

// True when the static aircraft shows the callsign or the second callsign (one trailing "*"
// ignored on either side) or has the registration. An empty text matches nothing.
bool lf_staticMatchesIdentity(const StaticAircraft& aircraft, std::string_view registration,
                              std::string_view callsign, std::string_view callsign2);

// True when the aircraft is already planned, in the feed, live, a live stayer or a kept
// static aircraft.
bool lf_optionInUse(const StaticParkingRun& run, const StaticParkingState& state,
                    const std::string& registration, const std::string& callsign,
                    const std::string& callsign2);

// True when a static aircraft not being removed, a live stayer or a plan entry stands at
// another stand whose exclusions hold sid. False for a sid below 1.
bool lf_standBlocked(const StaticParkingRun& run, const StaticParkingState& state,
                     std::int32_t sid);

} // namespace skyloom
