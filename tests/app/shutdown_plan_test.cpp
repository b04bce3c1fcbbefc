#include "app/shutdown_plan.h"

#include <chrono>
#include <vector>

#include <gtest/gtest.h>

namespace skyloom {
namespace {

using std::chrono::seconds;

struct PlanCase {
    StopRequest request;
    bool exitWanted;
    ShutdownPlan plan;
};

TEST(ShutdownPlanTest, FourReasonsRestartAfterTheirCountdownOfAtLeastThreeSecondsOthersEnd) {
    const std::vector<PlanCase> cases = {
        {{StopReason::notYetSet, 0}, false, {false, seconds{0}, seconds{0}}},
        {{StopReason::simWasClosed, 0}, false, {false, seconds{0}, seconds{0}}},
        {{StopReason::newFlight, 60}, false, {true, seconds{60}, seconds{0}}},
        // A countdown shorter than 3 s is lengthened: a restart never comes unannounced.
        {{StopReason::newSettings, 0}, false, {true, seconds{3}, seconds{0}}},
        {{StopReason::newSettings, 3}, false, {true, seconds{3}, seconds{0}}},
        {{StopReason::userClosedSim, 0}, false, {false, seconds{0}, seconds{0}}},
        // Both end with a reason on the error line that the user must read first.
        {{StopReason::installPathMissing, 0}, false, {false, seconds{0}, seconds{25}}},
        {{StopReason::simConnectError, 9}, false, {true, seconds{9}, seconds{0}}},
        {{StopReason::readerError, 15}, false, {true, seconds{15}, seconds{0}}},
        {{StopReason::systemError, 15}, false, {false, seconds{0}, seconds{25}}},
        {{StopReason::newVersion, 0}, false, {false, seconds{0}, seconds{0}}},
        {{StopReason::trafficMailboxStalled, 0}, false, {false, seconds{0}, seconds{0}}},
        // A user who closed the window gets the end at once, whatever the reason.
        {{StopReason::newFlight, 60}, true, {false, seconds{0}, seconds{0}}},
        {{StopReason::readerError, 15}, true, {false, seconds{0}, seconds{0}}},
        {{StopReason::systemError, 15}, true, {false, seconds{0}, seconds{0}}},
        {{StopReason::installPathMissing, 0}, true, {false, seconds{0}, seconds{0}}},
        {{StopReason::simConnectError, -4}, false, {true, seconds{3}, seconds{0}}},
        {{StopReason::readerError, 2}, false, {true, seconds{3}, seconds{0}}},
        {{StopReason::readerError, 4}, false, {true, seconds{4}, seconds{0}}},
    };
    for (const PlanCase& c : cases) {
        EXPECT_EQ(gf_planShutdown(c.request, c.exitWanted), c.plan)
            << gf_stopReasonText(c.request.reason) << " detail " << c.request.detail
            << " exitWanted " << c.exitWanted;
    }
}

TEST(ShutdownPlanTest, TheCountdownLineCountsSecondsAndOffersUnblock) {
    EXPECT_EQ(gf_restartCountdownText(60),
              "Skyloom restarts in 60 seconds ( or push Unblock to re-start )");
    EXPECT_EQ(gf_restartCountdownText(1),
              "Skyloom restarts in 1 second ( or push Unblock to re-start )");
}

} // namespace
} // namespace skyloom
