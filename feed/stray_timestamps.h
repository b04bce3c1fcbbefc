// The reports of a batch whose time stamps lie far from the batch's other reports, taken out
// before the batch is posted. The batch's reference time (feed/time_offsets.h) must come from
// the feed's own clock: the App broadcasts on the local network, and one faulty sender, or one
// report stamped by a clock set wrong, must not make the other aircraft race.
//
// A batch of at least kMinEntriesToJudgeBatch entries is judged by its median stamp: an entry
// more than kMaxStampAheadOfBatchSeconds after it, or more than kMaxStampBehindBatchSeconds
// before it, is a stray. The median of a round cannot be moved by one report, and a feed whose
// clock moves as a whole (an App switched to past traffic) is followed at once. A smaller batch
// has no majority to judge by and stays whole: its reports cannot move the others' times.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "feed/traffic_entry.h"

namespace skyloom {

inline constexpr std::size_t kMinEntriesToJudgeBatch = 3;

// An entry taken out of its batch, and why ("time stamp {} lies {} s after the other reports
// of its batch").
struct StrayEntry {
    TrafficEntry entry;
    std::string reason;
};

// Takes every stray entry out of `batch` (the others keep their order) and returns them.
std::vector<StrayEntry> gf_takeStrayEntries(std::vector<TrafficEntry>& batch);

} // namespace skyloom
