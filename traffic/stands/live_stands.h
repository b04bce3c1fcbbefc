// The stands of the park airport as the live aircraft use them: the nearest stand that fits an
// aircraft (gf_findNearest), stands kept for the user, whether a stand is free of other live
// aircraft, the settling of a stand between two live aircraft (same flight, ghost copies, an
// aircraft not yet seen there), static aircraft making way for a live one, the stand of a live
// aircraft first seen at rest (lf_standForGroundSpawn) and the start of the drive to a stand of
// one that is to park (try2Park). The stands and their helpers are the park airport's, which
// parking keeps (state.parkAirport). Main worker thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/lalo.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

struct Stand;
struct TrafficState;

// Stands farther than this are never chosen (81.25 m, NM).
inline constexpr double kStandSearchNm = 0.04387149028077754;
// A live aircraft first seen at rest farther than this from the park airport gets no stand.
inline constexpr double kGroundSpawnAirportNm = 5.0;
inline constexpr double kGroundSpawnMaxSpeedKt = 6.0;
inline constexpr double kGroundSpawnSpreadNm2 = 0.0003571528532577005; // 35 m, squared NM

// Pushing back, pushed back, parking or parked: the phases in which a live aircraft holds its
// stand.
bool gf_holdsStand(FlightPhase phase) noexcept;

// The stand's id text for log lines: "sid==0?" for sid 0, "sid==?" for one the stand list
// does not hold.
std::string gf_standLogText(const TrafficState& state, std::int32_t sid);

// The stand nearest to `position` that fits the aircraft, else (when allowed) the nearest
// within the wide fit radius with a flight option for it; `metres` gets its distance.
const Stand* gf_findNearest(const TrafficState& state, const Lalo& position,
                            const AircraftBase& aircraft, double& metres, bool allowOptionMatch);
// The stand, or one it excludes, is the park airport's named stand or the one under the user.
bool lf_standReservedForUser(const TrafficState& state, const Stand& stand);
void lf_assignStand(LiveAircraft& aircraft, const Stand& stand);
// 0 free; 2 another live aircraft with an object is parked there; 1 another parks, is parked
// or pushes back there.
int lf_standFree(const TrafficState& state, std::int32_t sid, std::uint32_t hexid);
bool lf_standUsable(const TrafficState& state, std::int32_t sid, std::uint32_t hexid);

bool lf_checkStandIsNotUsedByOtherLiveAircraftSub(TrafficState& state, std::int32_t sid,
                                                  const LiveAircraft& aircraft);
bool lf_liveParkedAtStandNear(const TrafficState& state, const LiveAircraft& other,
                              std::int32_t sid, const LiveAircraft& aircraft, const Stand& stand);
bool lf_checkExcludedStandIsAvailableForLiveParkingTry(TrafficState& state, std::int32_t sid,
                                                       const LiveAircraft& aircraft,
                                                       const Stand& stand);
bool lf_checkStandOrExcludedIsOccupiedByLiveParkedTry(TrafficState& state, const Stand& stand,
                                                      const LiveAircraft& aircraft);
// Static aircraft on the stand, and those on excluded stands within reach, leave for the live
// aircraft.
void lf_makeWayForLive(TrafficState& state, const LiveAircraft& aircraft, const Stand& stand);

// The aircraft parks now: its parking time is taken from the traffic clock, its parked-since
// half hour of the week from the current one (an arrival was created in an earlier one, and
// its parked age counts from its parking), and what the at-stand samples measured (seen at the
// stand, nearest and farthest distance, outward steps, push-back candidate) starts afresh.
void gf_startParkedTime(const TrafficState& state, LiveAircraft& aircraft);
void gf_clearAtStandCounters(LiveAircraft& aircraft);

// The stand of a new live aircraft seen at rest at the park airport, or none.
const Stand* lf_standForGroundSpawn(TrafficState& state, LiveAircraft& aircraft);
// Finds a stand for an aircraft that is to park and starts its drive there.
void try2Park(TrafficState& state, LiveAircraft& aircraft);

} // namespace skyloom
