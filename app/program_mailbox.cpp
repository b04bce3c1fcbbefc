#include "app/program_mailbox.h"

#include "app/program_services.h"
#include "foundation/clock.h"
#include "traffic/step/traffic_mailbox.h"
#include "traffic/step/traffic_tick.h"

namespace skyloom {

namespace {

// The program-wide clock as it is when asked, not as it was when the mailbox was made: a test
// installs its own clock for its run, and the mailbox outlives every such run.
class InstalledClock final : public Clock {
public:
    SteadyTime steadyNow() const override { return gf_clock().steadyNow(); }
    UtcTime utcNow() const override { return gf_clock().utcNow(); }
    void sleepUntil(SteadyTime until) override { gf_clock().sleepUntil(until); }
};

} // namespace

TrafficMailbox& gf_trafficMailbox() {
    static InstalledClock clock;
    static TrafficMailbox mailbox(clock, gf_stopControl(), g_trafficTick);
    return mailbox;
}

TrafficPostOutcome gf_postTrafficBatch(std::vector<TrafficEntry>& batch, TrafficBatchKind kind,
                                       std::uint32_t offsetBase, bool dropWhenOff) {
    return gf_trafficMailbox().post(batch, kind, offsetBase, dropWhenOff);
}

void gf_enableTrafficMailbox(bool on) {
    gf_trafficMailbox().enable(on);
}

std::size_t gf_takeTrafficBatches() {
    return gf_trafficMailbox().takeTrafficBatches();
}

} // namespace skyloom
