// The feed's output: how a reader hands over one complete batch of traffic entries. The live
// traffic's mailbox takes them in the program (gf_postTrafficBatch); tests record them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "feed/traffic_entry.h"

namespace skyloom {

enum class TrafficBatchKind : std::uint8_t {
    // The aircraft as they are now: one batch per burst of the feed.
    live,
    // One snapshot of time-delayed traffic.
    buffered,
};

// What a post did with the records it was handed and with those still waiting to be taken, so
// that the reader's log says what never reached the live traffic.
struct TrafficPostOutcome {
    // The live batch came while an earlier one was not yet taken whole.
    bool metPending = false;
    // Records destroyed untaken: older reports that newer ones of the same aircraft replaced
    // before they were taken, and records the mailbox could not keep (delivery off, full,
    // stalled).
    std::size_t dropped = 0;

    friend bool operator==(const TrafficPostOutcome&, const TrafficPostOutcome&) = default;
};

// Hands over a batch; `batch` is left empty. `offsetBase` is the playback delay in seconds for
// the entries' time offsets. The App reader posts with `dropWhenOff` true (a live batch that
// comes while delivery is off is dropped), the web API reader with false.
using TrafficBatchPost =
    std::function<TrafficPostOutcome(std::vector<TrafficEntry>& batch, TrafficBatchKind kind,
                                     std::uint32_t offsetBase, bool dropWhenOff)>;

} // namespace skyloom
