// `lf_handleAddingStack`: one traffic step, which the main loop runs every 10 ms while the
// simulator's flight is running. In this order: the simulator's events are drained, every live
// aircraft is advanced, removals (one per 10 ticks) and creations (one per 20 ticks, live
// before static) are paced out to the simulator, traffic is taken from the mailbox, one
// aircraft of the adding stack becomes a create request, the 20-tick tasks run (data request,
// user aircraft, ground conflicts), and the traffic tick advances.
#pragma once

#include <cstddef>
#include <cstdint>

namespace skyloom {

struct TrafficState;

void lf_handleAddingStack(TrafficState& state);
// Advances every live aircraft, sweeps the erased records and hands the positions of this
// step to the simulator link.
void lf_updateLiveTraffic(TrafficState& state);
// Advances every live aircraft by one tick and sweeps the erased records.
void lf_advanceLiveAircraft(TrafficState& state);
// The traffic's time moves on by `ticks` that no traffic step ran (the main loop fell behind
// and dropped its missed cycles): tick by tick the simulator's events are drained (and the
// delayed activations count down), every live aircraft moves, so that each stands where its
// reports' schedule puts it, the mailbox's entries are taken as a step takes them, and the
// tick advances. Nothing else of a step runs (no pacing of removals and creations, no adding
// stack, no 20-tick task) and no position goes to the simulator link: what the objects did in
// the gap is not shown.
void gf_catchUpTraffic(TrafficState& state, std::uint32_t ticks);
// Erases, in order, the records that the removal loop marked for erasure at once.
void lf_eraseWithdrawnAircraft(TrafficState& state);
// Erases, in order and after their cleanup, the records marked by any erase flag.
void lf_eraseMarkedAircraft(TrafficState& state);

} // namespace skyloom
