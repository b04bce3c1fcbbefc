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
// that the reader's log says what never reached the live traffic, and whether an aircraft
// went without its update.
struct TrafficPostOutcome {
    // The live batch came while an earlier one was not yet taken whole.
    bool metPending = false;
    // Older reports destroyed untaken because a newer one of the same aircraft took their
    // place: the aircraft still gets the newer one.
    std::size_t superseded = 0;
    // Records destroyed untaken that no newer report makes up for, because the mailbox could
    // not keep them (delivery off, full, stalled): their aircraft are not updated.
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
