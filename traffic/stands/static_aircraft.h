// The records of static (parked) aircraft as the parking plan and the live traffic share them:
// `StaticParkRequest`, one aircraft the plan asks the traffic step to place on a stand (the
// traffic step takes them from the back of a vector); `StaticAircraft`, one placed static
// aircraft; `LiveStayer`, a live aircraft that stays at its stand while the plan is redone.
// With the callsign a request shows (lf_determineStaticCallsign) and the parked age of a
// static aircraft in half-hour slots of the week.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "refdata/livery_key.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

// Static aircraft number their hexids from 0 up to this (exclusive); live ones lie above.
inline constexpr std::uint32_t kStaticHexidCount = 10000;
inline constexpr std::int32_t kSlotsPerWeek = 7 * 48;

struct StaticParkRequest {
    std::uint32_t rtHexid = 0; // RealTraffic hexid of a parked report; 0 from an airport file
    std::uint32_t source = 0;  // 1 from an airport file's flight option, 0 from RealTraffic
    std::int32_t standId = 0;  // 1-based
    std::uint32_t age = 0;     // half-hour slots already parked
    LiveryKey key;
    std::string callsign;  // first flight callsign
    std::string callsign2; // second flight callsign; empty for RealTraffic aircraft
    std::string registration;
    // Show the first callsign: the aircraft is expected still at its stand in the next
    // half-hour; otherwise it shows the second one, with which it leaves.
    std::uint8_t preferFirst = 0;

    friend bool operator==(const StaticParkRequest&, const StaticParkRequest&) = default;
};

struct StaticAircraft {
    // callsign: what the simulator shows; displayCallsign: the first flight callsign of its
    // request; thirdText: the second one.
    AircraftBase base;
    std::uint32_t objectId = 0;
    double latitude = 0;
    double longitude = 0;
    double headingRad = 0;
    std::int32_t parkedDay = 0;  // 1..7
    std::int32_t parkedSlot = 0; // 0..47
    std::uint32_t rtHexid = 0;
    std::int32_t standId = 0;
    SimState simState = SimState::buffer;
    std::int32_t throttleIndex = 5;
    std::int32_t flapsIndex = 4;
    std::uint8_t cargoStand = 0;
    std::uint8_t atGate = 0;
    std::uint32_t source = 0; // 0 RealTraffic parked traffic, else an airport file's option
    std::uint8_t removalRequested = 0;
    std::uint8_t eraseAfterCleanup = 0;
    std::uint8_t eraseNow = 0;
    // The current plan keeps this aircraft where it stands.
    bool kept = false;
};

struct LiveStayer {
    std::string callsign;
    std::string registration;
    std::int32_t standId = 0;
    double minutes = 0; // parked for
};

// The callsign a static aircraft made from the request shows: the first flight callsign when
// the request prefers it, else the second, the other one when that is empty; every trailing
// "_" stripped and "*" appended unless it ends in one. Both empty: logs
// "lf_determineStaticCallsign callsign is empty.." and gives an empty text.
std::string lf_determineStaticCallsign(const StaticParkRequest& request);

// The text without one trailing "*".
std::string_view gf_withoutTrailingStar(std::string_view text) noexcept;

// Half-hour slots from the parked-since day and slot to now (a packed DaySlot), across the
// week (0 to 335). A day outside 1..7 on either side (a clock failure, a reset) gives 0.
std::int32_t gf_staticParkedAge(std::int32_t parkedDay, std::int32_t parkedSlot,
                                std::uint64_t nowDaySlot) noexcept;

} // namespace skyloom
