// The SimClient's connection against the simulated world: waiting for the simulator, the
// check of the running simulator and its two mismatch branches, the connection state through
// "Sim" events, QUIT and a broken pipe with the reconnect, and a refused request.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/log_file.h"
#include "gui/tblo_notice.h"
#include "sim/sim_link_state.h"
#include "tests/sim/support/sim_test_support.h"

namespace skyloom::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

class SimConnectionTest : public SimTest {
protected:
    // The seconds of the world's journal lines of opens (refused or not).
    std::vector<std::string> openTimes() const {
        std::vector<std::string> times;
        for (const simworld::JournalEntry& entry : world_->journal()) {
            if (entry.text.starts_with("SimConnect_Open(")) {
                times.push_back(fmt::format("{:.3f}", entry.seconds));
            }
        }
        return times;
    }
};

TEST_F(SimConnectionTest, WithoutSimulatorTheWaitingLineIsShownOnceAndOpensComeEvery100Ms) {
    simworld::WorldSetup setup = runningSetup();
    setup.simulator.running = false;
    simworld::TimelineEvent launch;
    launch.atSeconds = 0.55;
    launch.kind = simworld::TimelineEventKind::launch;
    setup.timeline.push_back(launch);
    startWorld(setup);

    runClient(context(), [](SimClient&) { return gf_isSimConnected(); });

    EXPECT_THAT(openTimes(),
                ElementsAre("0.000", "0.100", "0.200", "0.300", "0.400", "0.500", "0.600"));
    const auto lines = logLines();
    ASSERT_EQ(logCount("Waiting for MSFS 2020 ..."), 1u);
    // A blank line sets the wait apart.
    const auto waiting = std::find(lines.begin(), lines.end(), "Waiting for MSFS 2020 ...");
    ASSERT_NE(waiting, lines.begin());
    EXPECT_EQ(*(waiting - 1), " ");
    EXPECT_THAT(statusTexts(), Contains("Waiting for MSFS 2020 ...").Times(1));
    EXPECT_TRUE(logHas("MSFS 2020 (11.0.282174.999) connected"));
}

TEST_F(SimConnectionTest, TheWaitingLineNamesTheSelectedSimulator) {
    simworld::WorldSetup setup = runningSetup();
    setup.simulator.acceptConnections = false;
    startWorld(setup);
    SimClientContext context2024 = context();
    context2024.msfs2020 = false;
    runClient(context2024, [this](SimClient&) { return worldSeconds() >= 1.0; });
    EXPECT_EQ(logCount("Waiting for MSFS 2024 ..."), 1u);
    EXPECT_EQ(openTimes().size(), 10u); // 0.0 to 0.9 s
    // A failed open is the normal case of a simulator not yet started: nothing is logged.
    EXPECT_THAT(logLines(), Not(Contains(HasSubstr("SimConnect_Open"))));
}

TEST_F(SimConnectionTest, TheMatchingSimulatorIsLoggedShownAndConnected) {
    simworld::WorldSetup setup = runningSetup();
    setup.simulator.flightRunning = false;
    setup.simulator.applicationVersion = {11, 0, 282174, 999};
    startWorld(setup);
    g_simChoiceSwitched.store(true);
    SimClient client(context());
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);
    client.dispatchPass();

    EXPECT_TRUE(logHas("MSFS 2020 (11.0.282174.999) connected"));
    std::vector<std::string> simulatorTexts;
    for (const GuiUpdate& update : updates()) {
        if (const auto* text = update.get<GuiUpdate::SimulatorText>()) {
            simulatorTexts.push_back(text->text);
        }
    }
    EXPECT_THAT(simulatorTexts, ElementsAre("MSFS 2020 (11.0.282174.999)"));
    // OPEN clears the status line, then "Sim" 0 says that no flight runs.
    std::size_t cleared = 0;
    for (const GuiUpdate& update : updates()) {
        cleared += update.kind() == GuiUpdateKind::clearStatus ? 1 : 0;
    }
    EXPECT_EQ(cleared, 1u);
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::connected);
    EXPECT_FALSE(g_simChoiceSwitched.load());
}

TEST_F(SimConnectionTest, APendingScanArchiveNoticeTakesThePlaceOfTheClearedStatus) {
    startWorld(runningSetup());
    gf_setTbloNoticePending(true);
    SimClient client(context());
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);
    client.dispatchPass();
    gf_setTbloNoticePending(false);
    EXPECT_THAT(statusTexts(), Contains(gf_tbloNoticeText()));
}

TEST_F(SimConnectionTest, OnlyLettersDigitsAndBlanksOfTheNameTakePartInTheCheck) {
    simworld::WorldSetup setup = runningSetup();
    setup.simulator.applicationName = "KittyHawk\x01";
    startWorld(setup);
    SimClient client(context());
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);
    client.dispatchPass();
    EXPECT_TRUE(logHas("MSFS 2020 (11.0.282174.999) connected"));
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::running);
}

TEST_F(SimConnectionTest, AnEmptyNameIsLoggedAndLeavesTheStateAsItWas) {
    SimClient client(context());
    g_simConnectionState.store(SimConnectionState::running);
    g_simChoiceSwitched.store(true);
    SIMCONNECT_RECV_OPEN open{};
    open.size = sizeof(open);
    open.dwID = SIMCONNECT_RECV_ID_OPEN;
    client.handleMessage(open, sizeof(open));
    EXPECT_TRUE(logHas("! Simulator name empty?"));
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::running);
    // The handler returned normally: the switch is taken as done.
    EXPECT_FALSE(g_simChoiceSwitched.load());
    EXPECT_THAT(logLines(), Not(Contains(HasSubstr(") connected"))));
    EXPECT_THAT(statusTexts(), IsEmpty());
}

TEST_F(SimConnectionTest, MessagesTooShortOrUnknownAreLoggedAndPassedOver) {
    SimClient client(context());
    client.handleMessage(SIMCONNECT_RECV{12, 4, 0}, 8);
    client.handleMessage(SIMCONNECT_RECV{12, 4, 99}, 12);
    client.handleMessage(SIMCONNECT_RECV{12, 4, SIMCONNECT_RECV_ID_CLIENT_DATA}, 12);
    client.handleMessage(SIMCONNECT_RECV{12, 4, SIMCONNECT_RECV_ID_EVENT_EX1}, 12);
    SIMCONNECT_RECV_EVENT event{};
    event.dwID = SIMCONNECT_RECV_ID_EVENT;
    event.uEventID = 201;
    event.dwData = 1;
    client.handleMessage(event, 20);
    SIMCONNECT_RECV_EXCEPTION exception{};
    exception.dwID = SIMCONNECT_RECV_ID_EXCEPTION;
    exception.dwException = SIMCONNECT_EXCEPTION_VERSION_MISMATCH;
    client.handleMessage(exception, 23);
    EXPECT_THAT(logLines(), ElementsAre(::testing::_, // the log's first line
                                        "==> SimConnect RECV payload too small: 8 < 12 bytes",
                                        "! Unknown Dispatch dwID 99",
                                        "==> SimConnect EVENT payload too small: 20 < 24 bytes",
                                        "==> SimConnect EXCEPTION payload too small: 23 < 24 "
                                        "bytes"));
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::notConnected);
}

TEST_F(SimConnectionTest, ACutOpenMessageIsLoggedAndNotRead) {
    simworld::WorldSetup setup = runningSetup();
    simworld::FaultSetup cut;
    cut.kind = simworld::FaultKind::truncateMessage;
    cut.name = "OPEN";
    cut.bytes = 100;
    setup.faults.push_back(cut);
    startWorld(setup);
    SimClient client(context());
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);
    client.dispatchPass();
    EXPECT_TRUE(logHas("==> SimConnect OPEN payload too small: 100 < 308 bytes"));
    EXPECT_THAT(logLines(), Not(Contains(HasSubstr(") connected"))));
}

struct MismatchCase {
    bool msfs2020Selected;
    const char* running;
    std::string other;
    std::string selected;
};

const std::vector<MismatchCase> kMismatchCases = {
    {true, simworld::kMsfs2024Name, "MSFS 2024", "MSFS 2020"},
    {false, simworld::kMsfs2020Name, "MSFS 2020", "MSFS 2024"},
};

TEST_F(SimConnectionTest, TheWrongSimulatorAsksTheWindowToSwitchOnceAndEndsTheThread) {
    createSwitchWindow();
    for (const MismatchCase& c : kMismatchCases) {
        SCOPED_TRACE(c.selected);
        simworld::WorldSetup setup = runningSetup();
        setup.simulator.applicationName = c.running;
        startWorld(setup);
        LogFile::openIn(dir_.path());
        const int switchesBefore = switchMessages();

        SimClientContext ctx = context();
        ctx.msfs2020 = c.msfs2020Selected;
        int passes = 0;
        // The client ends by itself; the guard only keeps a broken client from running on.
        runClient(ctx, [&](SimClient&) { return ++passes > 1000; });

        EXPECT_LT(passes, 1000);
        EXPECT_EQ(logCount("MSFS and Skyloom do not match, restarting ..."), 1u);
        EXPECT_EQ(switchMessages() - switchesBefore, 1);
        EXPECT_EQ(openTimes().size(), 1u);
        EXPECT_EQ(world_->connectionCount(), 0u);
        EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::notConnected);
        EXPECT_EQ(gf_simConnectHandle(), nullptr);
        // Nothing was created on a connection to the wrong simulator.
        EXPECT_EQ(work_.shutdownStarts, 0);
        EXPECT_FALSE(stop_.stopRequested());
        installation_.reset();
    }
}

TEST_F(SimConnectionTest, AfterTheUserSwitchedTheWrongSimulatorIsWaitedOutInOneSecondRounds) {
    createSwitchWindow();
    for (const MismatchCase& c : kMismatchCases) {
        SCOPED_TRACE(c.selected);
        simworld::WorldSetup setup = runningSetup();
        setup.simulator.applicationName = c.running;
        startWorld(setup);
        LogFile::openIn(dir_.path());
        g_simChoiceSwitched.store(true);
        const std::size_t statusBefore = statusTexts().size();

        SimClientContext ctx = context();
        ctx.msfs2020 = c.msfs2020Selected;
        runClient(ctx, [this](SimClient&) { return worldSeconds() >= 3.5; });

        EXPECT_THAT(openTimes(), ElementsAre("0.000", "1.000", "2.000", "3.000"));
        EXPECT_EQ(logCount(c.other + " is running, but " + c.selected + " is selected; waiting for " +
                           c.selected + " ..."),
                  1u);
        const std::vector<std::string> status = statusTexts();
        const std::vector<std::string> shown(status.begin() + static_cast<long>(statusBefore),
                                             status.end());
        EXPECT_THAT(shown,
                    ElementsAre("Waiting for " + c.selected + " ...",
                                c.other + " is running; waiting for " + c.selected + " ..."));
        EXPECT_EQ(switchMessages(), 0);
        EXPECT_TRUE(g_simChoiceSwitched.load());
        installation_.reset();
    }
}

TEST_F(SimConnectionTest, SimEventsMoveTheStateBetweenConnectedAndRunning) {
    simworld::WorldSetup setup = runningSetup();
    setup.simulator.flightRunning = false;
    for (const auto& [at, kind] : {std::pair{1.0, simworld::TimelineEventKind::flightStart},
                                   std::pair{2.0, simworld::TimelineEventKind::flightStop}}) {
        simworld::TimelineEvent event;
        event.atSeconds = at;
        event.kind = kind;
        setup.timeline.push_back(event);
    }
    startWorld(setup);

    std::vector<std::pair<double, SimConnectionState>> changes;
    runClient(context(), [&](SimClient&) {
        const SimConnectionState state = g_simConnectionState.load();
        if (changes.empty() || changes.back().second != state) {
            changes.emplace_back(worldSeconds(), state);
        }
        return worldSeconds() >= 2.5;
    });

    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].second, SimConnectionState::connected);
    EXPECT_LT(changes[0].first, 0.01);
    EXPECT_EQ(changes[1].second, SimConnectionState::running);
    EXPECT_NEAR(changes[1].first, 1.0, 0.0015);
    EXPECT_EQ(changes[2].second, SimConnectionState::connected);
    EXPECT_NEAR(changes[2].first, 2.0, 0.0015);
    // The window hears "not running", "running", "not running"; the end of the thread
    // changes the state only.
    EXPECT_THAT(connectedUpdates(), ElementsAre(false, true, false));
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::notConnected);
}

TEST_F(SimConnectionTest, QuitDropsTheConnectionAndTheClientWaitsForTheNextStart) {
    simworld::WorldSetup setup = runningSetup();
    for (const auto& [at, kind] : {std::pair{1.0, simworld::TimelineEventKind::quit},
                                   std::pair{2.0, simworld::TimelineEventKind::launch},
                                   std::pair{2.0, simworld::TimelineEventKind::flightStart}}) {
        simworld::TimelineEvent event;
        event.atSeconds = at;
        event.kind = kind;
        setup.timeline.push_back(event);
    }
    startWorld(setup);

    std::vector<std::pair<double, SimConnectionState>> changes;
    runClient(context(), [&](SimClient&) {
        const SimConnectionState state = g_simConnectionState.load();
        if (changes.empty() || changes.back().second != state) {
            changes.emplace_back(worldSeconds(), state);
        }
        return worldSeconds() >= 3.0;
    });

    ASSERT_GE(changes.size(), 3u);
    EXPECT_EQ(changes[1].second, SimConnectionState::notConnected);
    EXPECT_NEAR(changes[1].first, 1.0, 0.0015);
    EXPECT_EQ(changes[2].second, SimConnectionState::running);
    EXPECT_NEAR(changes[2].first, 2.0, 0.1);
    // The waiting line comes back once for the second wait.
    EXPECT_EQ(logCount("Waiting for MSFS 2020 ..."), 2u);
    EXPECT_EQ(logCount("MSFS 2020 (11.0.282174.999) connected"), 2u);
    // "Sim" 1, QUIT, the reconnect, "Sim" 1 of the new connection.
    EXPECT_THAT(connectedUpdates(), ElementsAre(true, false, false, true));
    // A QUIT is not a failed dispatch.
    EXPECT_THAT(logLines(), Not(Contains(HasSubstr("dispatch failed"))));
    EXPECT_EQ(work_.connectionsForgotten, 2);
    // The simulator is gone: no objects to remove at the quit; the stop removes those of the
    // second connection.
    EXPECT_EQ(work_.shutdownStarts, 1);
}

TEST_F(SimConnectionTest, ABrokenPipeIsLoggedWithItsTextAndTheClientConnectsAgain) {
    simworld::WorldSetup setup = runningSetup();
    simworld::FaultSetup broken;
    broken.kind = simworld::FaultKind::brokenPipe;
    broken.atSeconds = 1.0;
    setup.faults.push_back(broken);
    startWorld(setup);

    runClientFor(1.5);

    EXPECT_EQ(logCount("SimConnect dispatch failed; hr=0x8007006D (The pipe has been ended.); "
                       "reconnecting ..."),
              1u);
    EXPECT_EQ(logCount("SimConnect diagnostic: no AI position update recorded"), 1u);
    EXPECT_EQ(openTimes().size(), 2u);
    EXPECT_EQ(work_.connectionsForgotten, 2);
    EXPECT_EQ(logCount("MSFS 2020 (11.0.282174.999) connected"), 2u);
    // The broken connection was closed before the new one opened.
    EXPECT_EQ(world_->connectionCount(), 0u);
}

TEST_F(SimConnectionTest, TheDiagnosticNamesTheLastPositionWritten) {
    startWorld(runningSetup());
    work_.report = PositionUpdateReport{
        std::string("DLH123"), 0x2a, AIPosition{47.1, 8.5, 0.01, -0.02, 3.14159, 1500, -700, 140},
        static_cast<std::int32_t>(0x80004005u)};
    SimClient client(context());
    client.logDiagnostic();
    work_.report->callsign.reset();
    client.logDiagnostic();
    EXPECT_TRUE(logHas(
        "SimConnect diagnostic: last AI position update callsign='DLH123', objectid=2a, "
        "result=0x80004005, position=47.100000,8.500000, altitude=1500.0 ft, pitch=0.010 rad, "
        "bank=-0.020 rad, heading=3.142 rad, VS=-700.0 fpm, TAS=140.0 kt"));
    EXPECT_EQ(logCount("SimConnect diagnostic: last AI position update callsign='unknown', "
                       "objectid=2a, result=0x80004005, position=47.100000,8.500000, "
                       "altitude=1500.0 ft, pitch=0.010 rad, bank=-0.020 rad, heading=3.142 rad, "
                       "VS=-700.0 fpm, TAS=140.0 kt"),
              1u);
}

TEST_F(SimConnectionTest, ARefusedRequestHoldsStateThreeAgainstSimEventsAndQuit) {
    simworld::WorldSetup setup = runningSetup();
    for (const auto& [at, kind] : {std::pair{0.5, simworld::TimelineEventKind::flightStop},
                                   std::pair{0.7, simworld::TimelineEventKind::flightStart}}) {
        simworld::TimelineEvent event;
        event.atSeconds = at;
        event.kind = kind;
        setup.timeline.push_back(event);
    }
    startWorld(setup);
    work_.onFrame = [](SimClient& client) {
        if (g_simConnectionState.load() != SimConnectionState::requestError) {
            client.onRequestError();
        }
    };

    std::vector<SimConnectionState> seen;
    runClient(context(), [&](SimClient&) {
        seen.push_back(g_simConnectionState.load());
        return worldSeconds() >= 0.9;
    });

    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::simConnectError, 9}));
    EXPECT_EQ(logCount("SimConnect request error"), 1u);
    EXPECT_THAT(statusTexts(), Contains("SimConnect request error"));
    // From the refusal on, neither "Sim" 0 nor "Sim" 1 moves the state.
    const auto first = std::find(seen.begin(), seen.end(), SimConnectionState::requestError);
    ASSERT_NE(first, seen.end());
    EXPECT_TRUE(std::all_of(first, seen.end(), [](SimConnectionState s) {
        return s == SimConnectionState::requestError;
    }));
    // After a refused request nothing more is asked of the simulator.
    EXPECT_EQ(work_.shutdownStarts, 0);
    EXPECT_EQ(world_->connectionCount(), 0u);
}

TEST_F(SimConnectionTest, QuitLeavesStateThreeAsItIs) {
    simworld::WorldSetup setup = runningSetup();
    simworld::TimelineEvent quit;
    quit.atSeconds = 0.5;
    quit.kind = simworld::TimelineEventKind::quit;
    setup.timeline.push_back(quit);
    startWorld(setup);
    SimClient client(context());
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);
    client.dispatchPass();
    client.onRequestError();
    const std::size_t connectedBefore = connectedUpdates().size();
    advance(0.6);
    EXPECT_FALSE(client.dispatchPass());
    EXPECT_EQ(client.flags().stopDispatch, 1);
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::requestError);
    EXPECT_EQ(connectedUpdates().size(), connectedBefore);
}

} // namespace
} // namespace skyloom::testing
