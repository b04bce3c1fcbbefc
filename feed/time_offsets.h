// The time offsets of a batch of traffic entries: the traffic tick at which the live traffic is
// to show each aircraft at its reported position. The feed plays traffic back with a delay, the
// offset base, in seconds: 30 s for a live batch; for a buffered snapshot 30 s less the
// snapshot's age, a multiple of 6 s (the oldest snapshot first). An entry reported `age`
// seconds before the newest entry of its batch is due `age` seconds earlier than the newest:
//     time = tick + 100 x base - round(100 x (newest time stamp - entry time stamp)),
// and never earlier than the next tick (tick + 1). A traffic tick is 10 ms.
#pragma once

#include <cstdint>
#include <vector>

#include "feed/traffic_entry.h"

namespace skyloom {

// Playback delays in seconds.
inline constexpr std::uint32_t kLiveOffsetBaseSeconds = 30;
inline constexpr std::uint32_t kBufferedOffsetBaseSecondsPerSnapshot = 6;
inline constexpr std::int64_t kTicksPerSecond = 100;

// The time offset of one entry (see above), kept inside the range of a 32-bit tick.
std::int32_t gf_timeOffsetOf(double timestamp, double newestTimestamp, std::uint32_t currentTick,
                             std::uint32_t offsetBase) noexcept;

// Sets `sample.time` of every entry of the batch from the newest time stamp of the batch, the
// current traffic tick and the offset base in seconds. Entries whose time stamp is not finite
// count as newest.
void gf_setTimeOffsets(std::vector<TrafficEntry>& batch, std::uint32_t currentTick,
                       std::uint32_t offsetBase) noexcept;

} // namespace skyloom
