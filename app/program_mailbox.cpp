#include "app/program_mailbox.h"

#include "app/program_services.h"
#include "foundation/clock.h"
#include "traffic/step/traffic_mailbox.h"
#include "traffic/step/traffic_tick.h"

namespace skyloom {

TrafficMailbox& gf_trafficMailbox() {
    static TrafficMailbox mailbox(gf_clock(), gf_stopControl(), g_trafficTick);
    return mailbox;
}

void gf_postTrafficBatch(std::vector<TrafficEntry>& batch, TrafficBatchKind kind,
                         std::uint32_t offsetBase, bool dropWhenOff) {
    gf_trafficMailbox().post(batch, kind, offsetBase, dropWhenOff);
}

void gf_enableTrafficMailbox(bool on) {
    gf_trafficMailbox().enable(on);
}

std::size_t gf_takeTrafficBatches() {
    return gf_trafficMailbox().takeTrafficBatches();
}

} // namespace skyloom
