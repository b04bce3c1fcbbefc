// The records the traffic step hands to the SimClient thread through the `SimCommandQueue`:
// a client event for one object (`SimCommand`), a data request (`SimDataRequest`), an AI flight
// plan for one object (`SimFlightPlanRequest`), the create of one AI aircraft
// (`SimCreateRequest`) and the spoilers and throttles of one object (`ReverseThrustCommand`).
// Removals travel as bare object ids.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/simconnect/simconnect_recv.h"

namespace skyloom {

// A client event (206 to 222) with its data word, for one object.
struct SimCommand {
    std::uint32_t objectId = 0;
    std::uint32_t eventId = 0;
    std::uint32_t value = 0;

    friend bool operator==(const SimCommand&, const SimCommand&) = default;
};

// What a data request asks the simulator for; the values are the queue's own kinds.
enum class SimDataRequestKind : std::uint32_t {
    aiInRange = 0,         // request 101 by type: every aircraft within the traffic radius
    userTitleAndModel = 1, // requests 105 and 106, once each
    userOnGround = 2,      // request 107, every second
    userPosition = 3,      // request 108, once
    staticCgAndPitch = 4,  // request 102 on the record's object, once
};

// "ac within range", "user ac title and model", "user ac gnd/air", "user ac position",
// "StaticCG"; "unknown" for another value.
std::string_view gf_simDataRequestKindText(SimDataRequestKind kind) noexcept;

// The widest radius (m) a request by type may ask for: a wider one the simulator refuses
// (SIMCONNECT_EXCEPTION_OUT_OF_BOUNDS).
inline constexpr std::uint32_t kMostRequestRadiusMetres = 200000;

struct SimDataRequest {
    SimDataRequestKind kind = SimDataRequestKind::aiInRange;
    std::uint32_t objectId = 0; // kind staticCgAndPitch only
    // Kind aiInRange only: the radius (m) the live aircraft lie within, where it is wider than
    // the traffic radius: the simulator's ground and on-ground flag reach the motion only for
    // the aircraft inside the request's radius.
    std::uint32_t reachMetres = 0;

    friend bool operator==(const SimDataRequest&, const SimDataRequest&) = default;
};

// The ".pln" file to hand to one object (MSFS 2020 only).
struct SimFlightPlanRequest {
    std::uint32_t objectId = 0;
    std::filesystem::path path;

    friend bool operator==(const SimFlightPlanRequest&, const SimFlightPlanRequest&) = default;
};

// One AI aircraft to create: where (pitch, bank and heading in degrees), the callsign that
// becomes its tail number, the installed livery's title, and the aircraft's hexid, which tells
// a live aircraft (above 10000) from a static one.
struct SimCreateRequest {
    SIMCONNECT_DATA_INITPOSITION position{};
    std::string callsign;
    std::string liveryTitle;
    std::uint32_t hexid = 0;
};

// Spoilers and throttles of one object: reverse thrust when active and reverse, full spoilers
// and throttles when active only, all back to zero when not active.
struct ReverseThrustCommand {
    std::uint32_t objectId = 0;
    std::uint8_t active = 0;
    std::uint8_t reverse = 0;

    friend bool operator==(const ReverseThrustCommand&, const ReverseThrustCommand&) = default;
};

// The largest hexid of a static aircraft: static aircraft count their hexids from 0 to 9999,
// live aircraft carry the feed's, above 10000.
inline constexpr std::uint32_t kLastStaticHexid = 10000;

constexpr bool gf_isLiveHexid(std::uint32_t hexid) noexcept {
    return hexid > kLastStaticHexid;
}

} // namespace skyloom
