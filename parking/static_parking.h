// Static parking at the park airport starts and stops here: the update (at the first cycle,
// every PARKING_INTERVAL_MINUTES and on request) saves what was learned at the airport, reads
// its stands again and plans, counting the planning time into the traffic tick; stopping saves
// what was learned, puts the park options back and empties everything that belongs to the park
// airport. Neither removes an aircraft. Main worker thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace skyloom {

class Clock;
struct ParamsSnapshot;
struct ParkingContext;
struct StaticParkingRun;

// Traffic ticks (10 ms) that a planning of `ms` milliseconds counts for: none below 5 ms, else
// rounded to the nearest tick (5 ms rounds up).
std::uint32_t gf_planningTicks(std::uint64_t ms) noexcept;
// Runs `work` (a planning or an adjustment of the parking) and moves the traffic tick on by the
// ticks its time counts for.
void gf_runCountingTicks(Clock& clock, std::atomic<std::uint32_t>& trafficTick,
                         const std::function<void()>& work);

// The inputs of a plan over the context's stands and the live traffic's aircraft as they are
// now, with the identity sets and parked list of the road in use.
StaticParkingRun gf_staticParkingRun(ParkingContext& context, const ParamsSnapshot& settings);
// Plans the loaded stands (lf_planStaticParking); the traffic takes the plan's parked target.
void gf_planStaticParking(ParkingContext& context);
// A park option changed: the loaded stands are planned again from the aircraft already there
// (lf_adjustParking), the time it takes counted into the traffic tick like a plan's.
void gf_adjustParking(ParkingContext& context, bool rtOnlySwitchedTo);
// The main loop's look at a plan being placed (every 14 cycles): once the traffic step has
// taken all of it, or the simulator is full, the parking controls come back (a full simulator's
// waiting parked aircraft are counted on the status line and in the log, and placed as it has
// room); the window's parking panel is shown what static parking does now (the positions still
// to place among it).
void gf_followStaticParkingPlan(ParkingContext& context);

// Saves the learned stand options and the park-airport list when it changed (while an airport
// file is applied), then reloads the park airport's stands and plans; a failed load re-enables
// the parking controls, shows why (in the log too, unless the reader said it there already)
// and goes on without stands (lf_stayWithoutStands). When the learned file could not be saved,
// the stands are not read again (that would drop what was learned since the last load): the
// plan is made from the stands in place.
void lf_updateStaticParking(ParkingContext& context);

// When an airport file is applied: saves what was learned and puts the park options back.
// Then no park airport, no stands, no runways, no waiting requests; "Park" and "Flush" off.
void lf_stopStaticParking(ParkingContext& context);

// The park airport's file could not be had (most airports have none): static parking stops as
// lf_stopStaticParking stops it, but the airport stays the park airport while the user stays
// there, so that it is not chosen and its file asked for again and again, and the landings
// there keep their airport: its runways are read from the simulator's facilities and its
// altitude is the traffic road's reference. Nothing is parked there.
void lf_stayWithoutStands(ParkingContext& context);

// Saves what was learned at the park airport into its learned file; false when it could not be
// written.
bool gf_saveLearnedOfParkAirport(ParkingContext& context);

} // namespace skyloom
