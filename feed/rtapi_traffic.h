// The "/v6/traffic" request of the RealTraffic web API and the conversion of its replies into
// traffic entries and parked entries.
// - A reply holds its aircraft in "data" keyed by the lower-case hex id, or, in older replies,
//   at the top level beside "status" and the rest: every array-valued member is an aircraft.
//   A buffered reply holds "buffer_0" (the youngest) to "buffer_n" in "data", each like a
//   plain "data".
// - Each aircraft array is read by its indices into the shared record (`RtTrafficRecord`) and
//   converted with the App road's checks: a value of the wrong type, out of range or missing
//   where it is needed rejects that aircraft alone; the rest of the reply is kept. Unknown
//   values are JSON null or the text "null".
// - The barometric altitude (index 4) is standard-pressure; it is corrected with the QNH.
//   Aircraft on the ground take the reader's reference altitude (the park airport's), else
//   the corrected barometric one; the geometric altitude (index 18, above the WGS84
//   ellipsoid, off by the geoid's height) serves only when there is no barometric one.
// - Parked aircraft are arrays [lat, lon, "<ICAO>_<stand>", type, registration, epoch,
//   callsign, (track)].
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "feed/feed_clock.h"
#include "feed/rt_records.h"
#include "feed/rtapi_query_area.h"
#include "feed/rtapi_transport.h"
#include "feed/traffic_entry.h"
#include "foundation/clock.h"

namespace skyloom {

// Fewest values an aircraft array may have: everything up to the true heading (index 25).
inline constexpr std::size_t kRtApiMinAircraftValues = 26;
inline constexpr std::size_t kRtApiMinParkedValues = 7;

enum class RtApiQueryType { location, parked };

struct RtApiBufferRequest {
    std::uint32_t count = 0;
    std::uint32_t spacingSeconds = 0;
};

// The form of a traffic request: session, query type, box (2 decimals), time offset in
// minutes and, for buffered traffic, the number and spacing of snapshots.
RtApiForm gf_trafficForm(const std::string& guid, RtApiQueryType type, const RtApiBox& box,
                         int timeOffsetMinutes,
                         std::optional<RtApiBufferRequest> buffers = std::nullopt);

// What the altitudes of a reply are corrected with.
struct RtApiAltitudeBasis {
    double qnhHpa = 1013.25;
    // The reader's reference altitude (feet) for aircraft on the ground.
    std::optional<double> referenceFt;
};

// A standard-pressure altitude (feet) as the altimeter reads it with the QNH set (standard
// atmosphere).
double gf_qnhCorrectedAltitudeFt(double pressureAltitudeFt, double qnhHpa) noexcept;

// One aircraft that could not be used: its key and why.
struct RtApiRejected {
    std::string key;
    std::string reason;
};

struct RtApiTrafficReply {
    // A plain reply: its aircraft. A buffered reply: empty.
    std::vector<TrafficEntry> live;
    // A buffered reply: one batch per snapshot, the oldest first, and the number of each
    // ("buffer_3" is 3; 0 is the youngest).
    std::vector<std::vector<TrafficEntry>> buffers;
    std::vector<std::size_t> bufferIndices;
    bool buffered = false;
    // Aircraft arrays read (entries, rejected and static ones together).
    std::size_t aircraftCount = 0;
    // Static aircraft (hexid at or below 10000), never passed on.
    std::size_t staticCount = 0;
    std::vector<RtApiRejected> rejected;
};

// The aircraft of a location-traffic reply. Never throws for a bad aircraft (it is listed in
// `rejected`); a reply that holds no aircraft gives an empty result.
RtApiTrafficReply gf_readRtApiTraffic(const nlohmann::json& reply, const RtApiAltitudeBasis& basis);

// Moves every entry stamped more than kMaxFeedTimestampAheadSeconds after `receivedAt` out of
// the reply into `rejected` (keyed by its hex id), so that the offsets of its batch come from
// the entries that remain.
void gf_skipEntriesAheadOfClock(RtApiTrafficReply& reply, Clock::UtcTime receivedAt);

// Moves every entry whose stamp lies far from the other reports of its batch
// (feed/stray_timestamps.h) out of the reply into `rejected`: the live batch and each snapshot
// are judged apart.
void gf_skipStrayEntries(RtApiTrafficReply& reply);

// Learns the feed's clock from the reply (feed/feed_clock.h), received at `receivedAt` and
// `now`, and moves every entry stamped far from it into `rejected`: each snapshot, the oldest
// first, then the live batch.
void gf_skipEntriesOffFeedClock(RtApiTrafficReply& reply, FeedClock& clock,
                                Clock::UtcTime receivedAt, Clock::SteadyTime now);

// One aircraft array into the shared record; throws FeedRecordError naming what is wrong.
// `key` is the member's name (the hex id). The record's texts point into `values`.
RtTrafficRecord gf_rtApiTrafficRecord(const std::string& key, const nlohmann::json& values,
                                      const RtApiAltitudeBasis& basis);

struct RtApiParkedReply {
    std::vector<ParkedEntry> entries;
    std::size_t aircraftCount = 0;
    std::vector<RtApiRejected> rejected;
};

// The aircraft of a parked-traffic reply.
RtApiParkedReply gf_readRtApiParkedTraffic(const nlohmann::json& reply);

} // namespace skyloom
