// The tunable constants of the RealTraffic web API road in one place, with their units in
// their names: waits after failures, the floor under the service's request-rate limits, how
// often weather and parked traffic are asked for, the shape of the buffered request, and the
// names under which the road's threads report.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace skyloom {

// Thread names, as the log and the window's error line show them.
inline constexpr std::string_view kRtApiTrafficReaderName = "Traffic RTAPIreader";
inline constexpr std::string_view kRtApiWeatherReaderName = "Weather RTAPIreader";
// The name under which a failed authentication (start-up, not a reader) is reported.
inline constexpr std::string_view kRtApiAuthenticationName = "RealTraffic authentication";

// What the service asks for when a reply does not say ("rrl", "wrrl").
inline constexpr std::chrono::milliseconds kRtApiDefaultRateLimitMs{2000};
// The traffic is never polled faster than this, whatever the service allows: the live
// traffic consumes a batch in seconds, and the App road delivers one every 2 s as well.
inline constexpr std::chrono::milliseconds kRtApiMinTrafficIntervalMs{2000};
// The QNH changes slowly; one nearest-METAR request a minute keeps it current.
inline constexpr std::chrono::milliseconds kRtApiWeatherIntervalMs{60000};
// Parked aircraft move rarely; their list is asked for again after this long.
inline constexpr std::chrono::milliseconds kRtApiParkedRefreshMs{300000};
// A parked request that failed is tried again after this long (live traffic goes on).
inline constexpr std::chrono::milliseconds kRtApiParkedRetryMs{60000};
// Waits after a failed request, by what went wrong.
inline constexpr std::chrono::milliseconds kRtApiRetryWaitMs{5000};
inline constexpr std::chrono::milliseconds kRtApiTooManySessionsWaitMs{10000};
// After too many failed logins the service locks the address for the rest of 5 minutes.
inline constexpr std::chrono::milliseconds kRtApiLoginLockedWaitMs{60000};
// A reader whose requests failed this many times in a row gives up and stops the run (which
// restarts it with a new session).
inline constexpr int kRtApiMaxConsecutiveFailures = 12;
// A start-up authentication that the service cannot answer is tried this often.
inline constexpr int kRtApiMaxAuthAttempts = 5;
// How long the start-up waits for the first (buffered) traffic reply before the main loop
// runs without it.
inline constexpr std::chrono::milliseconds kRtApiFirstReplyWaitMs{20000};
// Waits are cut into slices of this length so that a stop is noticed soon.
inline constexpr std::chrono::milliseconds kRtApiWaitSliceMs{100};
// The reader threads look at the clock this often while they pause.
inline constexpr std::chrono::milliseconds kRtApiPauseSliceMs{20};

// The buffered request: 5 snapshots 6 s apart. Snapshot k (0 the youngest, k x 6 s old) is
// posted with the offset base 6 x (5 - k), so that every snapshot plays 30 s after it was
// seen, like the App road's snapshots and the live batches that follow it.
inline constexpr std::uint32_t kRtApiBufferCount = 5;
inline constexpr std::uint32_t kRtApiBufferSpacingSeconds = 6;
inline constexpr std::uint32_t kRtApiBufferBaseStep = 6;
inline constexpr std::uint32_t kRtApiLiveOffsetBase = 30;

// The offset base of snapshot "buffer_{index}": the live delay less one buffer step per
// snapshot, never below one step.
constexpr std::uint32_t gf_rtApiBufferOffsetBase(std::size_t index) noexcept {
    const std::size_t steps = index < kRtApiBufferCount ? kRtApiBufferCount - index : 1;
    return static_cast<std::uint32_t>(steps) * kRtApiBufferBaseStep;
}

// The parked query is a box this far around the park airport (as on the App road).
inline constexpr double kRtApiParkedBoxNm = 3.0;
// The traffic area follows the user once the user is this share of the radius away from its
// centre.
inline constexpr double kRtApiAreaFollowShare = 0.25;
// Nearest-METAR airports asked for; the nearest with a QNH gives it.
inline constexpr int kRtApiMetarCount = 7;

} // namespace skyloom
