// What happens to a live record on its way out: the cleanup that runs before every erase (its
// flight-plan file, its pending entries, its remembered livery) and the time-out that erases a
// record whose removal the simulator never confirmed, so that such a record neither stays in
// the list for ever nor keeps the window's count up.
#pragma once

namespace skyloom {

struct LiveAircraft;
struct TrafficState;

// Removes the aircraft's flight-plan file (when it has an object), purges its pending entries
// and forgets its livery. Never throws: a failed file removal is logged and the cleanup goes on.
void lf_cleanupLiveAircraft(TrafficState& state, LiveAircraft& aircraft);

// Notes the steady time at which the removal of the object went to the simulator (of an
// aircraft being removed, or respawned in another livery).
void lf_noteRemovalSent(TrafficState& state, unsigned objectId);

// Erases, after their cleanup, the records whose removal went out more than
// kRemovalConfirmTimeoutNs ago without a confirmation. A confirmation that comes later finds no
// record and is ignored.
void lf_expireUnconfirmedRemovals(TrafficState& state);

} // namespace skyloom
