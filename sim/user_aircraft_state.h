// `UserAircraftState` and the rest of what the simulator says about the user's aircraft: its
// title, half wing span and category, whether it stands on the ground, and the simulator's UTC
// time. The SimClient thread alone writes all of it (the reply handlers of
// sim/user_aircraft_replies.h); any thread reads. The state record travels under its own
// mutex, copied in and out; the single values are atomics that readers take without a lock,
// accepting a stale value. Everything is cleared with the simulator tables after the SimClient
// was joined.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/lalo.h"

namespace skyloom {

// The layout of definition 403, as the position reply (request 108) carries it.
struct UserAircraftState {
    double latitude = 0;      // degrees
    double longitude = 0;     // degrees
    double pitch = 0;         // radians
    double bank = 0;          // radians
    double verticalSpeed = 0; // feet per minute
    double headingTrue = 0;   // radians
    double altitude = 0;      // feet; a negative reading is stored as 0
    double indicatedAltitude = 0;
    double altitudeAboveGround = 0;
    double groundVelocity = 0;      // knots
    std::int64_t zuluTime = 0;      // seconds of the day
    std::int64_t zuluDayOfYear = 0; // 1 to 366
    std::int64_t zuluYear = 0;
    std::int64_t lightStates = 0;  // the simulator's light mask
    double gpsGroundTrueTrack = 0; // degrees

    Lalo position() const noexcept { return {latitude, longitude}; }
    // The simulator reports 0, 0 until the aircraft is placed.
    bool positionKnown() const noexcept;

    friend bool operator==(const UserAircraftState&, const UserAircraftState&) = default;
};

static_assert(sizeof(UserAircraftState) == 120);

// Latitude or longitude further than this from 0 (degrees) makes a position known.
inline constexpr double kKnownPositionEpsilonDeg = 0.0001;
// Titles longer than this (characters) are cut.
inline constexpr std::size_t kUserTitleMaxChars = 48;

// A copy taken under the state's mutex.
UserAircraftState gf_userAircraftState();
// Stores a new state (SimClient thread).
void gf_storeUserAircraftState(const UserAircraftState& state);

// The title of the user aircraft, empty until a title reply was stored.
std::string gf_userAcTitle();
void gf_setUserAcTitle(std::string title);

// Half wing span of the user aircraft with its validity, as the model reply left it.
struct UserModelData {
    double halfSpanNm = 0;
    bool halfSpanValid = false;

    friend bool operator==(const UserModelData&, const UserModelData&) = default;
};
UserModelData gf_userModelData();
void gf_setUserModelData(UserModelData data);

// The simulator's UTC time in seconds since 1970-01-01 00:00 UTC, valid only while the flag
// is set (a professional RealTraffic licence and a sane zulu time).
extern std::atomic<std::int64_t> g_simUtcSeconds;
extern std::atomic<bool> g_simUtcValid;

// On the ground as the last on-ground reply said.
extern std::atomic<bool> g_userAcOnGround;
// 255 until the first on-ground reply with a known position, then 0 or 1.
inline constexpr std::uint8_t kUserOnGroundUnknown = 255;
extern std::atomic<std::uint8_t> g_userAcOnGroundByte;

// Half wing span in NM for the collision checks: NaN until a model reply was handled.
extern std::atomic<double> g_userHalfSpanNm;
// An `AircraftCategory` value.
extern std::atomic<std::uint32_t> g_userAcCategory;

// Bits of g_userAcInfoReceived: a title reply and a model reply were handled.
inline constexpr std::uint8_t kUserInfoTitle = 1;
inline constexpr std::uint8_t kUserInfoModel = 2;
extern std::atomic<std::uint8_t> g_userAcInfoReceived;

// Everything above back to its start value, the reply handlers' own memory (last known
// position, warn-once flags) included. Main worker, after the SimClient was joined.
void gf_clearUserAircraftData();

} // namespace skyloom
