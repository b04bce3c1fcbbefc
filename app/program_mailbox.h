// The program's traffic mailbox, on the program's clock and stop request and timed by
// g_trafficTick, with the functions through which the start-up, the main loop and the feed's
// readers reach it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "feed/traffic_batch_post.h"

namespace skyloom {

class TrafficMailbox;

// The program's mailbox.
TrafficMailbox& gf_trafficMailbox();

// The program's mailbox's post (see TrafficMailbox::post): the feed's `TrafficBatchPost`.
TrafficPostOutcome gf_postTrafficBatch(std::vector<TrafficEntry>& batch, TrafficBatchKind kind,
                                       std::uint32_t offsetBase, bool dropWhenOff);
// The program's mailbox's enable (see TrafficMailbox::enable).
void gf_enableTrafficMailbox(bool on);
// The program's mailbox's take for one traffic step.
std::size_t gf_takeTrafficBatches();

} // namespace skyloom
