// The static aircraft of the traffic step: turning the parking plan's `StaticParkRequest`s into
// static aircraft with a livery and a create request, switching a new static object on, the
// counts of static and live parked aircraft (with their average parked age for the window),
// the parked-aircraft limit with the removal of the oldest, and the live aircraft that stay at
// their stands when the plan is redone, and what the traffic step, the event drain, the checks and
// the bulk removals do with the static list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "traffic/stands/static_aircraft.h"
#include "traffic/stands/static_aircraft_view.h"

namespace skyloom {

struct GroundCheckAircraft;
struct SimEvent;
struct TrafficState;
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
void gf_removeStaticAircraft(TrafficState& state, StaticAircraft& aircraft, std::string_view caller);

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

// The traffic step's creation slot: places the next waiting request, reporting what throws.
void lf_parkWaitingStaticAircraft(TrafficState& state);
// Erases the static records marked for erasure (the static-erase-pending sweep), and those
// whose create request was withdrawn (erase-now flag).
void lf_eraseMarkedStatics(TrafficState& state);
void lf_eraseWithdrawnStatics(TrafficState& state);
// A static object was assigned: the aircraft is switched on (an object nobody owns any more is
// taken back).
void lf_activateStaticAircraft(TrafficState& state, const SimEvent& entry);
// Erases the static aircraft with the object id; false when there is none.
bool lf_eraseStaticByObject(TrafficState& state, std::uint32_t objectId);
// A static create failed: its livery is reported and the aircraft erased.
void lf_staticCreateFailed(TrafficState& state, std::uint32_t hexid);
// A static create was refused for want of room: the aircraft's create request goes back to the
// front of the static create queue (one whose removal was asked for meanwhile is erased).
void lf_staticCreateRefused(TrafficState& state, std::uint32_t hexid);
// What the user's ground check and the collision checks read of the static aircraft, in the
// order of the static list; and the removal of the one an index names.
std::vector<GroundCheckAircraft> gf_staticGroundCheckAircraft(const TrafficState& state);
std::vector<StaticAircraftView> gf_staticAircraftViews(const TrafficState& state);
void gf_removeStaticAircraftAt(TrafficState& state, std::size_t index, std::string_view caller);
// The plan's waiting requests of Rotorcraft models, or for one stand, are dropped.
void lf_dropRotorcraftParkRequests(TrafficState& state);
void lf_dropStaticParkRequestsForStand(TrafficState& state, std::int32_t sid);
// Removes the active static aircraft on the stand; its callsign, or none when there was none.
std::optional<std::string> lf_removeStaticOnStand(TrafficState& state, std::int32_t sid);

} // namespace skyloom
