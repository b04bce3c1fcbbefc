// The static aircraft of the traffic step: turning the parking plan's `StaticParkRequest`s into
// static aircraft with a livery and a create request, switching a new static object on, the
// counts of static and live parked aircraft (with their average parked age for the window),
// the parked-aircraft limit with the removal of the oldest, and the live aircraft that stay at
// their stands when the plan is redone. `gf_installStaticSteps` fills the step's static seams.
#pragma once

#include <cstdint>
#include <vector>

#include "traffic/stands/static_aircraft.h"

namespace skyloom {

struct SimEvent;
struct TrafficState;
struct TrafficSteps;
class WindowSink;

// Live aircraft parked longer than this (minutes; Heavy twice as long) and never seen at their
// stand leave when the stayers are collected.
inline constexpr double kStayerMaxMinutes = 90.0;
inline constexpr double kHeavyStayerMaxMinutes = 180.0;

// Takes the last waiting request and, unless its stand is missing or taken, adds the static
// aircraft in adding2sim with its create request on the static create queue. `nowDaySlot` is
// the current packed DaySlot, from which the request's age is counted back.
void lf_parkStaticAircraft(TrafficState& state, std::uint64_t nowDaySlot);

// The (day, slot) `ageSlots` half-hours before the packed DaySlot; day 0 when now has no valid
// weekday.
struct ParkedSince {
    std::int32_t day = 0;
    std::int32_t slot = 0;
};
ParkedSince gf_parkedSince(std::uint64_t nowDaySlot, std::uint32_t ageSlots) noexcept;

// removeAircraftFromSim, reporting what it throws under the caller's name.
void gf_removeStaticAircraft(TrafficState& state, StaticAircraft& aircraft, const char* caller);

// Throttle and flaps to 0, engines off, parked lights, for a newly assigned static object.
void lf_setupStaticObject(TrafficState& state, StaticAircraft& aircraft);

// Static aircraft active or being removed. With a window, and unless a parking adjustment is
// pending, posts their average parked age in hours (kind 31).
std::int32_t gf_countStaticAircraft(const TrafficState& state, std::uint64_t nowDaySlot,
                                    WindowSink* report, bool adjustmentPending);
// Active live aircraft in phase parked; with a window posts their average parked age (kind 32).
std::int32_t gf_countLiveParked(const TrafficState& state, std::uint64_t nowDaySlot,
                                WindowSink* report);

// Keeps live parked (plus `extra`) and static aircraft within state.maxParked, removing the
// oldest live parked ones first when they alone exceed it, then the oldest static ones.
void gf_limitParkedAircraft(TrafficState& state, std::int32_t extra, std::uint64_t nowDaySlot);
void lf_removeNOldestLiveParked(TrafficState& state, std::int32_t n);
void lf_removeNOldestStaticParked(TrafficState& state, std::int32_t n, std::uint64_t nowDaySlot);

// Refills `stayers` with the live parked aircraft that stay, by minutes parked; removes those
// parked too long without having been seen at their stand.
void lf_collectLiveStayers(TrafficState& state, std::vector<LiveStayer>& stayers);

// Fills the step's static seams (erasure, placement, switching on, failed creates, the user's
// ground check) with the operations of this file, and the livery choice when it is empty.
void gf_installStaticSteps(TrafficSteps& steps);

} // namespace skyloom
