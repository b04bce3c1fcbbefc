// How the SimClient ends: the shutdown cleanup at a stop (owned objects removed, at most 2 s of
// waiting, the counts logged), exceptions of its handlers kept out of the simulator's dispatch
// and reported by the thread, the owned objects removed even then, and new flights.
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/log_file.h"
#include "foundation/user_related_exception.h"
#include "sim/sim_ids.h"
#include "sim/sim_link_state.h"
#include "tests/sim/support/sim_test_support.h"

namespace skyloom::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

class SimShutdownTest : public SimTest {};

TEST_F(SimShutdownTest, AStopRemovesTheOwnedObjectsAndLogsTheCounts) {
    startWorld(runningSetup());
    work_.pendingAnswers = 5;
    work_.counts = ShutdownRemovalCounts{3, 3, 3, 0, 0};
    bool flagDuringCleanup = false;
    work_.onShutdown = [&](SimClient&) { flagDuringCleanup = g_simShutdownInProgress.load(); };
    const int framesBeforeStop = [&] {
        runClientFor(1.0);
        return work_.frames;
    }();

    EXPECT_GT(framesBeforeStop, 25);
    EXPECT_EQ(work_.shutdownStarts, 1);
    EXPECT_EQ(work_.shutdownEnds, 1);
    EXPECT_TRUE(flagDuringCleanup);
    // Five answers "pending", each followed by a dispatch and 1 ms, then "done".
    EXPECT_EQ(work_.pendingAsked, 6);
    EXPECT_EQ(work_.framesDuringShutdown, 0);
    EXPECT_EQ(logCount("SimConnect shutdown cleanup: initially owned 3, remove requested 3, "
                       "confirmed 3, pending removals 0, pending creates 0"),
              1u);
    // The flag stays set until the next connection; the stand is remembered at the end.
    EXPECT_TRUE(g_simShutdownInProgress.load());
    EXPECT_EQ(work_.standsRemembered, 1);
    EXPECT_EQ(world_->connectionCount(), 0u);
    EXPECT_EQ(gf_simConnectHandle(), nullptr);
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::notConnected);
    EXPECT_TRUE(logHas("SimConnect closed ok"));
}

TEST_F(SimShutdownTest, TheCleanupWaitsAtMostTwoSeconds) {
    startWorld(runningSetup());
    work_.pendingAnswers = -1;
    work_.counts = ShutdownRemovalCounts{4, 4, 1, 3, 2};
    Clock::SteadyTime cleanupStart{};
    Clock::SteadyTime cleanupEnd{};
    work_.onShutdown = [&](SimClient&) { cleanupStart = clock_.steadyNow(); };
    SimClient client(context());
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);
    client.dispatchPass();
    client.shutdownCleanup();
    cleanupEnd = clock_.steadyNow();

    EXPECT_EQ(cleanupEnd - cleanupStart, std::chrono::seconds(2));
    EXPECT_EQ(work_.shutdownEnds, 1);
    EXPECT_EQ(logCount("SimConnect shutdown cleanup: initially owned 4, remove requested 4, "
                       "confirmed 1, pending removals 3, pending creates 2"),
              1u);
}

TEST_F(SimShutdownTest, AFailedDispatchEndsTheCleanupsWait) {
    simworld::WorldSetup setup = runningSetup();
    simworld::FaultSetup broken;
    broken.kind = simworld::FaultKind::brokenPipe;
    broken.atSeconds = 0.5;
    setup.faults.push_back(broken);
    startWorld(setup);
    work_.pendingAnswers = -1;
    SimClient client(context());
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);
    client.dispatchPass();
    advance(0.4);
    client.shutdownCleanup();

    EXPECT_NEAR(worldSeconds(), 0.5, 0.0015);
    EXPECT_EQ(logCount("SimConnect shutdown dispatch failed; hr=0x8007006D (The pipe has been "
                       "ended.)"),
              1u);
    EXPECT_EQ(logCount("SimConnect diagnostic: no AI position update recorded"), 1u);
    EXPECT_EQ(work_.shutdownEnds, 1);
}

TEST_F(SimShutdownTest, NoCleanupWithoutAConnectionOrAfterTheSimulatorQuit) {
    // Never connected.
    simworld::WorldSetup refusing = runningSetup();
    refusing.simulator.acceptConnections = false;
    startWorld(refusing);
    runClientFor(0.3);
    EXPECT_EQ(work_.shutdownStarts, 0);
    installation_.reset();

    // Stopped while the QUIT had ended the dispatch.
    simworld::WorldSetup quitting = runningSetup();
    simworld::TimelineEvent quit;
    quit.atSeconds = 0.2;
    quit.kind = simworld::TimelineEventKind::quit;
    quitting.timeline.push_back(quit);
    startWorld(quitting);
    runClient(context(), [](SimClient& client) { return client.flags().stopDispatch != 0; });
    EXPECT_EQ(work_.shutdownStarts, 0);
    EXPECT_EQ(world_->connectionCount(), 0u);
}

TEST_F(SimShutdownTest, AnExceptionOfAHandlerWaitsUntilTheDispatchHasReturned) {
    simworld::WorldSetup setup = runningSetup();
    setup.frames.rateHz = 100;
    startWorld(setup);
    work_.onFrame = [](SimClient&) { throw std::runtime_error("frame work failed"); };
    SimClient client(context());
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);
    client.dispatchPass();
    advance(0.05); // five frames wait

    EXPECT_THROW(
        {
            try {
                client.dispatchPass();
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "frame work failed");
                throw;
            }
        },
        std::runtime_error);
    // Nothing unwound through the simulator's dispatch; the rest of that dispatch was passed
    // over, as if the exception had ended it.
    EXPECT_THAT(world_->journalLines(), Not(Contains(HasSubstr("let an exception out"))));
    EXPECT_EQ(work_.frames, 1);
    // The next dispatch starts afresh.
    work_.onFrame = nullptr;
    advance(0.01);
    EXPECT_TRUE(client.dispatchPass());
    EXPECT_EQ(work_.frames, 2);
}

TEST_F(SimShutdownTest, AnExceptionThatEndsTheThreadStillRemovesTheOwnedObjects) {
    startWorld(runningSetup());
    int framesSeen = 0;
    work_.onFrame = [&](SimClient&) {
        if (++framesSeen == 10) {
            throw std::runtime_error("position batch broken");
        }
    };
    work_.pendingAnswers = 2;
    work_.counts = ShutdownRemovalCounts{2, 2, 2, 0, 0};
    int passes = 0;
    runClient(context(), [&](SimClient&) { return ++passes > 100000; });

    EXPECT_LT(passes, 100000);
    EXPECT_EQ(work_.shutdownStarts, 1);
    EXPECT_EQ(work_.shutdownEnds, 1);
    EXPECT_EQ(logCount("SimConnect shutdown cleanup: initially owned 2, remove requested 2, "
                       "confirmed 2, pending removals 0, pending creates 0"),
              1u);
    EXPECT_TRUE(logHas("SimClient exception: position batch broken"));
    EXPECT_THAT(world_->journalLines(), Not(Contains(HasSubstr("let an exception out"))));
    EXPECT_THAT(errorTexts(), ElementsAre("Exception in SimClient"));
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::simWasClosed, 0}));
    EXPECT_THAT(statusTexts(), Contains(HasSubstr("Flight Simulator no longer connected, Skyloom "
                                                  "will stop ...")));
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::notConnected);
    EXPECT_EQ(world_->connectionCount(), 0u);
    // The cleanup ran before the report, on the connection that was still open.
    const auto lines = logLines();
    const auto cleanup = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.starts_with("SimConnect shutdown cleanup");
    });
    const auto report =
        std::find(lines.begin(), lines.end(), "SimClient exception: position batch broken");
    EXPECT_LT(cleanup, report);
}

TEST_F(SimShutdownTest, AnExceptionAfterARefusedRequestRemovesNothing) {
    startWorld(runningSetup());
    work_.onFrame = [](SimClient& client) {
        client.onRequestError();
        throw std::runtime_error("after the refusal");
    };
    runClient(context(), [](SimClient&) { return false; });
    EXPECT_EQ(work_.shutdownStarts, 0);
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::simConnectError, 9}));
}

struct UserErrorCase {
    int code;
    std::string text;
    bool simulatorGone;
    double waitSeconds;
};

TEST_F(SimShutdownTest, UserRelatedExceptionsAreShownAndEndTheThreadAsTheirCodeSays) {
    const std::vector<UserErrorCase> cases = {
        {73, "It looks like you have not selected an aircraft as user vehicle", false, 0},
        {791, "the simulator's data cannot be read", true, 10},
        {2024, "SunRise", true, 0},
    };
    for (const UserErrorCase& c : cases) {
        SCOPED_TRACE(c.code);
        startWorld(runningSetup());
        LogFile::openIn(dir_.path());
        stop_.reset();
        const std::size_t errorsBefore = errorTexts().size();
        work_ = RecordingWork{};
        double thrownAt = 0;
        work_.onFrame = [&](SimClient&) {
            thrownAt = worldSeconds();
            throw UserRelatedException(c.code, c.text);
        };
        runClient(context(), [](SimClient&) { return false; });

        const std::string message = std::to_string(c.code) + ": " + c.text;
        const std::vector<std::string> errors = errorTexts();
        const std::vector<std::string> shown(errors.begin() + static_cast<long>(errorsBefore),
                                             errors.end());
        if (c.code == 2024) {
            EXPECT_TRUE(logHas("MSFS and Skyloom do not match"));
            EXPECT_THAT(shown, IsEmpty());
        } else {
            EXPECT_THAT(shown, ElementsAre(message));
        }
        EXPECT_EQ(stop_.current().reason,
                  c.simulatorGone ? StopReason::simWasClosed : StopReason::notYetSet);
        EXPECT_NEAR(worldSeconds() - thrownAt, c.waitSeconds, 0.01);
        EXPECT_EQ(work_.shutdownStarts, 1);
        EXPECT_EQ(world_->connectionCount(), 0u);
        installation_.reset();
    }
}

TEST_F(SimShutdownTest, AVersionMismatchEndsTheThreadWithItsIndex) {
    simworld::WorldSetup setup = runningSetup();
    simworld::FaultSetup mismatch;
    mismatch.kind = simworld::FaultKind::exception;
    mismatch.function = "SimConnect_Open";
    mismatch.exception = SIMCONNECT_EXCEPTION_VERSION_MISMATCH;
    mismatch.index = 3;
    setup.faults.push_back(mismatch);
    startWorld(setup);
    runClient(context(), [](SimClient&) { return false; });
    EXPECT_THAT(errorTexts(), ElementsAre("95: SimConnect Version Mismatch, dwIndex: 3"));
    EXPECT_FALSE(stop_.stopRequested());
}

TEST_F(SimShutdownTest, AStandThatCannotBeRememberedDoesNotKeepTheConnectionOpen) {
    startWorld(runningSetup());
    work_.throwFromStand = [] { throw std::runtime_error("no stands"); };
    runClientFor(0.2);
    EXPECT_EQ(work_.standsRemembered, 1);
    EXPECT_EQ(world_->connectionCount(), 0u);
    EXPECT_EQ(gf_simConnectHandle(), nullptr);
}

TEST_F(SimShutdownTest, ANewFlightFileRestartsTheRunAfterTheStandWasRemembered) {
    simworld::WorldSetup setup = runningSetup();
    simworld::TimelineEvent loaded;
    loaded.atSeconds = 0.3;
    loaded.kind = simworld::TimelineEventKind::flightLoaded;
    loaded.file = "flights/zurich.FLT";
    setup.timeline.push_back(loaded);
    startWorld(setup);
    runClientFor(0.5);
    EXPECT_EQ(logCount("==> SimConnect: New file event"), 1u);
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::newFlight, 60}));
    // Once for the event, once at the end of the thread.
    EXPECT_EQ(work_.standsRemembered, 2);
}

TEST_F(SimShutdownTest, TheFlightLoadedEventRestartsTheRunToo) {
    SimClient client(context());
    SIMCONNECT_RECV_EVENT event{};
    event.size = sizeof(event);
    event.dwID = SIMCONNECT_RECV_ID_EVENT;
    event.uEventID = EVENT_FLIGHT_LOADED;
    client.handleMessage(event, sizeof(event));
    event.uEventID = EVENT_OBJECT_ADDED; // other events do nothing
    client.handleMessage(event, sizeof(event));
    EXPECT_TRUE(logHas("SimConnect: flight loaded event"));
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::newFlight, 60}));
    EXPECT_EQ(work_.standsRemembered, 1);
}

TEST_F(SimShutdownTest, AFlightLoadedToldAsAPlainEventTakesTheEventRow) {
    simworld::WorldSetup setup = runningSetup();
    simworld::TimelineEvent loaded;
    loaded.atSeconds = 0.3;
    loaded.kind = simworld::TimelineEventKind::flightLoaded;
    loaded.plainEvent = true;
    setup.timeline.push_back(loaded);
    startWorld(setup);
    runClientFor(0.5);
    EXPECT_EQ(logCount("SimConnect: flight loaded event"), 1u);
    EXPECT_EQ(logCount("==> SimConnect: New file event"), 0u);
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::newFlight, 60}));
    EXPECT_EQ(work_.standsRemembered, 2);
}

struct ExceptionCase {
    DWORD exception;
    std::string logged; // empty: none
    std::string status; // empty: none
    bool createFailed;
    bool tooManyObjects = false; // handed to the work, which says it (sim_ai_objects_test.cpp)
};

TEST_F(SimShutdownTest, TheSimulatorsExceptionsAreHandledByTheirCode) {
    const std::vector<ExceptionCase> cases = {
        {SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS, "", "", false, true},
        {SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE, "SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE", "",
         false},
        {SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, "", "", true},
        {SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED,
         "==> SimConnect exception: load flight plan failed", "", false},
        {SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE,
         "SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE", "", false},
        {SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, "==> SIMCONNECT_EXCEPTION #3", "", false},
    };
    for (const ExceptionCase& c : cases) {
        SCOPED_TRACE(c.exception);
        simworld::WorldSetup setup = runningSetup();
        simworld::FaultSetup fault;
        fault.kind = simworld::FaultKind::exception;
        fault.exception = c.exception;
        fault.atSeconds = 0.2;
        fault.sendId = 1234;
        setup.faults.push_back(fault);
        startWorld(setup);
        LogFile::openIn(dir_.path());
        work_ = RecordingWork{};
        const std::size_t statusBefore = statusTexts().size();
        runClientFor(0.3);

        if (!c.logged.empty()) {
            EXPECT_EQ(logCount(c.logged), 1u);
        }
        const std::vector<std::string> status = statusTexts();
        const std::vector<std::string> shown(status.begin() + static_cast<long>(statusBefore),
                                             status.end());
        if (!c.status.empty()) {
            EXPECT_THAT(shown, Contains(c.status));
        }
        EXPECT_EQ(work_.failedPackets,
                  c.createFailed ? std::vector<DWORD>{1234} : std::vector<DWORD>{});
        EXPECT_EQ(work_.tooManyObjectsPackets,
                  c.tooManyObjects ? std::vector<DWORD>{1234} : std::vector<DWORD>{});
        // None of them ends the connection.
        EXPECT_EQ(work_.connectionsForgotten, 1);
        EXPECT_FALSE(stop_.stopRequested());
        installation_.reset();
    }
}

} // namespace
} // namespace skyloom::testing
