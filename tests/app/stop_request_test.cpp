#include "runtime/stop_request.h"

#include <array>
#include <atomic>
#include <latch>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/program_services.h"
#include "foundation/log_file.h"
#include "runtime/stop_reason.h"
#include "tests/app/support/app_test_support.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

using ::testing::HasSubstr;

TEST(StopReasonTest, EachCodeHasTheTextTheLogAndTheWindowShow) {
    const std::array<std::string_view, kStopReasonCount> texts = {
        "NOT YET SET",      "SIM WAS CLOSED",         "NEW FLIGHT",
        "NEW SETTINGS",     "USER CLOSED SIM",        "INSTALL PATH MISSING",
        "SIMCONNECT ERROR", "READER ERROR",           "SYSTEM ERROR",
        "NEW VERSION",      "TRAFFIC MAILBOX STALLED"};
    for (std::int32_t code = 0; code < kStopReasonCount; ++code) {
        const std::optional<StopReason> reason = gf_stopReasonFromCode(code);
        ASSERT_TRUE(reason) << code;
        EXPECT_EQ(gf_stopReasonCode(*reason), code);
        EXPECT_EQ(gf_stopReasonText(*reason), texts[static_cast<std::size_t>(code)]);
    }
}

TEST(StopReasonTest, CodesOutsideZeroToTenNameNoReason) {
    for (const std::int32_t code : {-1, 11, 255}) {
        EXPECT_FALSE(gf_stopReasonFromCode(code)) << code;
        EXPECT_EQ(gf_stopReasonText(static_cast<StopReason>(code)), "UNKNOWN");
    }
}

TEST(StopReasonTest, OnlyNewFlightNewSettingsSimConnectErrorAndReaderErrorRestart) {
    for (std::int32_t code = 0; code < kStopReasonCount; ++code) {
        const StopReason reason = *gf_stopReasonFromCode(code);
        const bool restarts = code == 2 || code == 3 || code == 6 || code == 7;
        EXPECT_EQ(gf_stopReasonRestarts(reason), restarts) << gf_stopReasonText(reason);
    }
}

struct FirstWinsCase {
    std::vector<StopRequest> requests;
    StopRequest counted;
};

TEST(StopControlTest, TheFirstRequestWinsAndKeepsItsDetail) {
    const std::vector<FirstWinsCase> cases = {
        {{{StopReason::simConnectError, 9}, {StopReason::newFlight, 60}},
         {StopReason::simConnectError, 9}},
        {{{StopReason::newFlight, 60},
          {StopReason::trafficMailboxStalled, 0},
          {StopReason::systemError, 15}},
         {StopReason::newFlight, 60}},
        // "NOT YET SET" is no request: the next one still counts.
        {{{StopReason::notYetSet, 5}, {StopReason::newSettings, 3}}, {StopReason::newSettings, 3}},
        // The same reason again with another detail changes nothing.
        {{{StopReason::readerError, 15}, {StopReason::readerError, 1}},
         {StopReason::readerError, 15}},
        // Negative and large details survive the packing.
        {{{StopReason::newVersion, -7}}, {StopReason::newVersion, -7}},
        {{{StopReason::trafficMailboxStalled, 2147483647}},
         {StopReason::trafficMailboxStalled, 2147483647}},
    };
    for (const FirstWinsCase& c : cases) {
        StopControl control;
        bool someoneWon = false;
        for (const StopRequest& request : c.requests) {
            const bool won = control.request(request.reason, request.detail);
            EXPECT_EQ(won, !someoneWon && request.reason != StopReason::notYetSet);
            someoneWon = someoneWon || won;
        }
        EXPECT_EQ(control.current(), c.counted);
        EXPECT_FALSE(control.keepRunning());
    }
}

TEST(StopControlTest, KeepRunningUntilARequestAndAgainForTheNextRun) {
    StopControl control;
    EXPECT_TRUE(control.keepRunning());
    EXPECT_EQ(control.current(), StopRequest{});
    control.request(StopReason::newFlight, 60);
    EXPECT_FALSE(control.keepRunning());
    EXPECT_TRUE(control.clearForNextRun());
    EXPECT_TRUE(control.keepRunning());
    EXPECT_EQ(control.current().reason, StopReason::notYetSet);
    EXPECT_TRUE(control.request(StopReason::simWasClosed, 0));
}

TEST(StopControlTest, ClosingTheWindowMarksTheExitEvenWhenAnotherReasonCameFirst) {
    StopControl control;
    control.request(StopReason::newFlight, 60);
    EXPECT_FALSE(control.exitWanted());
    EXPECT_FALSE(control.request(StopReason::userClosedSim, 0));
    EXPECT_EQ(control.current(), (StopRequest{StopReason::newFlight, 60}));
    EXPECT_TRUE(control.exitWanted());
    // The wish to exit outlives the request and refuses the next run.
    EXPECT_FALSE(control.clearForNextRun());
    EXPECT_TRUE(control.exitWanted());
    EXPECT_FALSE(control.keepRunning());
    control.reset();
    EXPECT_TRUE(control.keepRunning());
}

TEST(StopControlTest, RacingThreadsHaveExactlyOneWinnerWhoseRequestCounts) {
    constexpr int kThreads = 8;
    for (int round = 0; round < 50; ++round) {
        StopControl control;
        std::atomic<int> wins{0};
        std::array<bool, kThreads> won{};
        std::latch go(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                go.arrive_and_wait();
                const StopReason reason = *gf_stopReasonFromCode(1 + t % 10);
                if (control.request(reason, 100 + t)) {
                    won[static_cast<std::size_t>(t)] = true;
                    ++wins;
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        ASSERT_EQ(wins.load(), 1);
        for (int t = 0; t < kThreads; ++t) {
            if (won[static_cast<std::size_t>(t)]) {
                EXPECT_EQ(control.current(),
                          (StopRequest{*gf_stopReasonFromCode(1 + t % 10), 100 + t}));
            }
        }
    }
}

TEST(StopControlTest, TheLogSaysWhichRequestCountedAndWhichWasIgnored) {
    testing::TempDir dir;
    LogFile::openIn(dir.path());
    StopControl control;
    EXPECT_TRUE(gf_requestStop(control, StopReason::simConnectError, 9));
    EXPECT_FALSE(gf_requestStop(control, StopReason::newFlight, 60));
    LogFile::close();
    const std::string log = testing::readTextFile(dir / "Log.txt");
    EXPECT_THAT(log, HasSubstr("==> Stop requested: SIMCONNECT ERROR (6), detail 9\n"));
    EXPECT_THAT(log, HasSubstr("Stop request NEW FLIGHT (2) ignored, SIMCONNECT ERROR came "
                               "first\n"));
}

TEST(StopControlTest, TheProgramsNewFlightRestartWaitsSixtySeconds) {
    gf_stopControl().reset();
    EXPECT_TRUE(gf_keepRunning());
    gf_requestNewFlightRestart();
    EXPECT_FALSE(gf_keepRunning());
    EXPECT_EQ(gf_stopControl().current(), (StopRequest{StopReason::newFlight, 60}));
    gf_stopControl().reset();
}

} // namespace
} // namespace skyloom
