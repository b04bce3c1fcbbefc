// The checks that keep live traffic out of the user aircraft's way: on the ground, an aircraft
// within 1 NM that lies ahead of the user inside a corridor 50 ft either side of the user's
// heading is removed; in the air, the air-conflict predictor decides, in a mode chosen by how
// low, level and steady the user flies. Also the user's size-and-speed term that the other
// ground checks add to distances.
#pragma once

#include <cmath>

#include "foundation/lalo.h"

namespace skyloom {

struct LiveAircraft;
struct TrafficSample;
struct TrafficState;
struct UserAircraftState;

// Half width of the corridor ahead of a user on the ground, feet.
inline constexpr double kUserCorridorHalfWidthFt = 50.0;
// Farther than this (flat NM) the ground check leaves an aircraft alone.
inline constexpr double kUserCorridorReachNm = 1.0;
// The user counts as low (ground checks) at most this high above the ground, feet.
inline constexpr double kUserLowHeightFt = 500.0;

// Once per user-data step: every active live aircraft in order, the ground check for an
// aircraft on the ground while the user is low, else the air check for one with samples; the
// first removal ends the pass.
void gf_checkUserCollisions(TrafficState& state);

// True when `at` lies in the user's way on the ground: the user at most 500 ft above the
// ground, `at` within 1 NM (flat), ahead of the user and at most 50 ft to the side of its
// heading.
bool gf_isInUserCorridor(const UserAircraftState& user, const Lalo& at);
// True when the aircraft was in the user's way on the ground and has been removed.
bool checkUserAirGndCollision(TrafficState& state, LiveAircraft& aircraft,
                              const UserAircraftState& user);
// True when the predictor found a conflict in the air and the aircraft has been removed.
bool checkUserAirCollision(TrafficState& state, LiveAircraft& aircraft, double cosUserLat,
                           const UserAircraftState& user);
// The spawn's tests of a new aircraft's sample against the user, which remove nothing (the
// aircraft is not in the simulator yet): on the ground the user's ground check with the
// aircraft's conflict radius, in the air the conflict predictor at the sample.
bool lf_spawnSampleHitsUserOnGround(TrafficState& state, const LiveAircraft& aircraft,
                                    const TrafficSample& sample);
bool lf_spawnSampleHitsUserInAir(TrafficState& state, const TrafficSample& sample);
// 2 for a low (at most 4000 ft), level (at most 300 ft/min) user with wings within 5 degrees;
// 1 up to 7000 ft with wings within 15 degrees; else 0.
int lf_userAirCheckMode(const UserAircraftState& user) noexcept;

// The user's half wing span (NM) when known, else a B738's, plus the distance covered in
// 0.75 s at the ground speed (at most 15 m).
double lf_userGroundCollisionTermNm(TrafficState& state);
// True when the user is not on the ground, or stands more than 500 ft above it.
bool lf_userAboveGround(const TrafficState& state);

} // namespace skyloom
