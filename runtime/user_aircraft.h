// `UserAircraft`: everything the run knows about the user's aircraft, as one object that the
// program owns (app/program_services.h) and hands by reference to the simulator link, which
// alone writes it, and to every reader: the simulator's `UserAircraftState` record, the title,
// the half wing span and category, whether it stands on the ground, the simulator's UTC time,
// and the `UserPosition` published for the threads that place traffic around the user. The
// records travel under the object's mutex, copied in and out; the single values are atomics
// that readers take without a lock, accepting a stale value. Tests make their own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
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

// Half wing span of the user aircraft with its validity, as the model reply left it.
struct UserModelData {
    double halfSpanNm = 0;
    bool halfSpanValid = false;

    friend bool operator==(const UserModelData&, const UserModelData&) = default;
};

// The user aircraft's latest position with its altitude, as the main loop publishes it to the
// threads that place traffic around the user (the livery choice, the web API's query area,
// the runway-heading correction).
struct UserPosition {
    Lalo position;
    double altitudeFt = 0.0;
    // True when the published position is a valid one (gf_isValidLalo): inside [-90, 90] and
    // [-180, 180] and not 0,0, which the simulator reports before the user aircraft is placed.
    // False before the first publication and after a clear.
    bool known = false;

    friend bool operator==(const UserPosition&, const UserPosition&) = default;
};

// 255 until the first on-ground reply with a known position, then 0 or 1.
inline constexpr std::uint8_t kUserOnGroundUnknown = 255;
// Bits of `UserAircraft::infoReceived`: a title reply and a model reply were handled.
inline constexpr std::uint8_t kUserInfoTitle = 1;
inline constexpr std::uint8_t kUserInfoModel = 2;

class UserAircraft {
public:
    UserAircraft() = default;
    UserAircraft(const UserAircraft&) = delete;
    UserAircraft& operator=(const UserAircraft&) = delete;

    // A copy taken under the mutex; stores a new state (SimClient thread).
    UserAircraftState state() const;
    void storeState(const UserAircraftState& state);

    // The title, empty until a title reply was stored.
    std::string title() const;
    void setTitle(std::string title);

    UserModelData modelData() const;
    void setModelData(UserModelData data);

    // Publishes the latest position and altitude (feet); `known` as gf_isValidLalo says.
    void publishPosition(const Lalo& position, double altitudeFt) noexcept;
    // Publishes the position and altitude of the stored state.
    void publishPosition(const UserAircraftState& state) noexcept;
    // A copy of what was published last.
    UserPosition position() const noexcept;
    // Forgets the published position (the traffic-state reset before a restart).
    void clearPosition() noexcept;

    // Everything but the published position back to its start value. Main worker, after the
    // SimClient was joined.
    void clear() noexcept;

    // The simulator's UTC time in seconds since 1970-01-01 00:00 UTC, valid only while the flag
    // is set (a professional RealTraffic licence and a sane zulu time).
    std::atomic<std::int64_t> simUtcSeconds{0};
    std::atomic<bool> simUtcValid{false};
    // On the ground as the last on-ground reply said.
    std::atomic<bool> onGround{false};
    // kUserOnGroundUnknown until the first on-ground reply with a known position, then 0 or 1.
    std::atomic<std::uint8_t> onGroundByte{kUserOnGroundUnknown};
    // Half wing span in NM for the collision checks: NaN until a model reply was handled.
    std::atomic<double> halfSpanNm{std::numeric_limits<double>::quiet_NaN()};
    // An `AircraftCategory` value.
    std::atomic<std::uint32_t> category{0};
    // kUserInfoTitle and kUserInfoModel.
    std::atomic<std::uint8_t> infoReceived{0};
    // Set by each on-ground reply; taken by the main cycle, which then runs its user-data step.
    std::atomic<bool> groundDataReceived{false};

private:
    // Guards the records below; held only to copy in or out.
    mutable std::mutex mutex_;
    UserAircraftState state_;
    std::string title_;
    UserModelData modelData_;
    UserPosition position_;
};

} // namespace skyloom
