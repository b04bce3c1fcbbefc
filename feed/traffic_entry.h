// The records the traffic feed hands on: `TrafficEntry`, one live or buffered aircraft report
// with its `TrafficSample`, for the live traffic; and `ParkedEntry`, one parked aircraft, for
// static parking. Both roads (the RealTraffic App and the web API) fill the same records, so
// that everything downstream is blind to where a report came from.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/iata_code.h"
#include "foundation/lalo.h"
#include "refdata/livery_key.h"

namespace skyloom {

// Hexids at or below this value are RealTraffic's ids of static aircraft: no reader passes
// them on as live traffic.
inline constexpr std::uint32_t kMaxStaticHexid = 10000;

// One timed position report. The feed fills every field up to `airborne` and the bank and
// true heading with their valid bytes; the four flags between them belong to the live
// traffic and leave the feed as 0.
struct TrafficSample {
    double latitude = 0.0;  // degrees, south negative
    double longitude = 0.0; // degrees, west negative
    double altitudeFt = 0.0;
    double groundSpeedKt = 0.0;
    double trackDeg = 0.0; // true track, [0, 360)
    double verticalSpeedFpm = 0.0;
    double trueAirspeedKt = 0.0; // 0 when the feed does not know it
    // The time offset in traffic ticks that gf_setTimeOffsets gives (the tick at which the
    // aircraft is to stand at this sample); in the live traffic's stream the arrival tick.
    std::int32_t time = 0;
    std::uint8_t airborne = 0;
    // Set by the live traffic: the sample repeats the previous position.
    std::uint8_t stationary = 0;
    // Set by the live traffic's motion.
    std::uint8_t headingFlag = 0;
    // The two turn-hold marks that the ground motion's corner turns read: the turn-hold mark
    // and its exception mark.
    std::uint8_t turnHoldMark = 0;
    std::uint8_t turnHoldExceptionMark = 0;
    // Bank in radians as the feed reports it: positive with the right wing down.
    double bankRad = 0.0;
    // True heading in radians, [0, 2 pi).
    double trueHeadingRad = 0.0;
    std::uint8_t bankValid = 0;
    std::uint8_t trueHeadingValid = 0;
    // Set by the live traffic: the feed's time stamp (seconds) of the report the sample stands
    // for, once it is taken into an aircraft's stream (0 before; not a number for a position
    // no report gave). `time` is when the program is to show the sample: the arrival of its
    // batch and its age there, moved by the motion when it retimes a leg or restamps a sample
    // it waited at. The speed the reports give by their positions is measured over these
    // stamps instead.
    double reportTime = 0.0;
    // Set by the live traffic: the tick its report is due to be shown at, as the decoder
    // stamped `time` when the report joined the stream (0 for a sample no report gave it). A
    // sample the motion delays is due again from there, never earlier.
    std::int32_t dueTick = 0;

    friend bool operator==(const TrafficSample&, const TrafficSample&) = default;
};

// One live or buffered aircraft report as the feed hands it to the live traffic.
struct TrafficEntry {
    // Airline (from the callsign, else the operator), operator (when it differs from the
    // airline), model and cargo flag, through the run's code tables.
    LiveryKey key;
    IataCode origin;      // none when the feed does not know it
    IataCode destination; // none when the feed does not know it
    // Belongs to the live traffic; the feed delivers false.
    bool reserved = false;
    std::string callsign;
    // Two texts that the live traffic fills (the display callsign and a third text); the
    // feed delivers them empty.
    std::string displayCallsign;
    std::string thirdText;
    std::string registration;
    TrafficSample sample;
    // The feed's time stamp of the position, Unix epoch seconds.
    double timestamp = 0.0;
    // The 24-bit address (or RealTraffic's own id above 0xFFFFFF); always above
    // kMaxStaticHexid.
    std::uint32_t hexid = 0;

    friend bool operator==(const TrafficEntry&, const TrafficEntry&) = default;
};

// One parked aircraft reported by RealTraffic. The feed fills the slot of the UTC day in which
// the aircraft was last seen in place; the parked-traffic processing turns it into `age`
// before static parking reads the list.
struct ParkedEntry {
    std::uint16_t airlineId = 0; // 0 when the callsign names no airline
    std::uint16_t modelId = 0;
    std::string callsign;
    std::string registration;
    Lalo position;
    std::uint32_t hexid = 0;
    // The stand RealTraffic names, without its airport prefix ("D12" of "YSSY_D12"); empty
    // when it names none.
    std::string standText;
    // The airport prefix of RealTraffic's stand text ("YSSY"); empty when there is none.
    std::string standAirport;
    // Unix epoch seconds of the report.
    double timestamp = 0.0;
    // Half-hour slot of the UTC day of `timestamp` (0 to 47).
    std::int32_t slot = 0;
    // Half-hour slots since `slot` (0 to 47), set by gf_processParkedTraffic.
    std::int32_t age = 0;

    friend bool operator==(const ParkedEntry&, const ParkedEntry&) = default;
};

} // namespace skyloom
