// The program's mailbox outlives every run of the program's tests, each on a clock of its own:
// it times a stall on the clock installed now, not on the one of the run that first used it.
#include <chrono>
#include <vector>

#include <gtest/gtest.h>

#include "app/program_mailbox.h"
#include "app/program_services.h"
#include "foundation/clock.h"
#include "foundation/manual_clock.h"
#include "runtime/stop_request.h"
#include "tests/support/captured_log.h"
#include "traffic/step/traffic_mailbox.h"

namespace skyloom {
namespace {

void lf_postOne(std::uint32_t hexid) {
    std::vector<TrafficEntry> batch(1);
    batch[0].hexid = hexid;
    batch[0].timestamp = 1.7e9;
    gf_postTrafficBatch(batch, TrafficBatchKind::live, 30, false);
}

TEST(ProgramMailboxTest, AStallIsTimedOnTheClockOfTheRunThatPosts) {
    const testing::CapturedLog log;
    // An earlier run, on its own clock, used the mailbox first.
    {
        ManualClock earlier;
        gf_setClock(&earlier);
        TrafficMailbox& mailbox = gf_trafficMailbox();
        mailbox.reset();
        mailbox.enable(true);
        lf_postOne(20001);
        mailbox.reset();
    }
    ManualClock clock;
    gf_setClock(&clock);
    TrafficMailbox& mailbox = gf_trafficMailbox();
    gf_stopControl().reset();
    mailbox.enable(true);
    // Nothing takes the batches: each post replaces the last, and after a minute of that the
    // mailbox gives up.
    lf_postOne(20002);
    lf_postOne(20003);
    clock.advance(TrafficMailbox::kStallTime + std::chrono::seconds(1));
    lf_postOne(20004);

    EXPECT_TRUE(mailbox.stalledForGood());
    EXPECT_EQ(gf_stopControl().current().reason, StopReason::trafficMailboxStalled);
    EXPECT_TRUE(log.contains("Traffic mailbox stalled"));
    mailbox.reset();
    gf_stopControl().reset();
    gf_setClock(nullptr);
}

} // namespace
} // namespace skyloom
