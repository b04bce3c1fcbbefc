// The time offsets of a batch of traffic entries: the traffic tick at which the live traffic is
// to show each aircraft at its reported position. The feed plays traffic back with a delay, the
// offset base, in seconds: 30 s for a live batch; for a buffered snapshot 30 s less the
// snapshot's age, a multiple of 6 s (the oldest snapshot first). An entry reported `age`
// seconds before the batch's reference time is due `age` seconds earlier than an entry
// stamped at the reference:
//     time = tick + 100 x base - round(100 x (reference time - entry time stamp)),
// and never earlier than the next tick (tick + 1). A traffic tick is 10 ms.
//
// The reference is the newest time stamp of the batch that lies no more than
// kMaxStampAheadOfBatchSeconds after the batch's median stamp: a report stamped far ahead of
// the others (a faulty sender on the App's network, a clock set wrong) would otherwise make
// every other entry of the batch due up to the whole base early, and the aircraft race to
// their positions. The readers refuse such reports before they post (feed/stray_timestamps.h);
// the reference holds without them.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "feed/traffic_entry.h"

namespace skyloom {

// Playback delays in seconds.
inline constexpr std::uint32_t kLiveOffsetBaseSeconds = 30;
inline constexpr std::uint32_t kBufferedOffsetBaseSecondsPerSnapshot = 6;
inline constexpr std::int64_t kTicksPerSecond = 100;

// How far a report's time stamp may lie from the median stamp of its batch. The reports of
// one round are a few seconds to a minute old: the KLAX capture's rounds reach 41 s ahead of
// their median, the web API replies 57 s behind it (aircraft whose last position is stale).
inline constexpr double kMaxStampAheadOfBatchSeconds = 60.0;
inline constexpr double kMaxStampBehindBatchSeconds = 300.0;

// The time offset of one entry (see above), kept inside the range of a 32-bit tick.
std::int32_t gf_timeOffsetOf(double timestamp, double newestTimestamp, std::uint32_t currentTick,
                             std::uint32_t offsetBase) noexcept;

// The lower median of the batch's finite time stamps; none when no stamp is finite.
std::optional<double> gf_batchMedianTimestamp(const std::vector<TrafficEntry>& batch);

// The reference time of the batch (see above); none when no stamp is finite. One entry far
// ahead of the others cannot move it: it lies beyond the median's reach.
std::optional<double> gf_batchReferenceTimestamp(const std::vector<TrafficEntry>& batch);

// Sets `sample.time` of every entry of the batch from the batch's reference time, the current
// traffic tick and the offset base in seconds. Entries whose time stamp is not finite, or
// lies after the reference, count as stamped at the reference.
void gf_setTimeOffsets(std::vector<TrafficEntry>& batch, std::uint32_t currentTick,
                       std::uint32_t offsetBase) noexcept;

} // namespace skyloom
