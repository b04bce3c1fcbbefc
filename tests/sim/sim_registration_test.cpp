// The setup of the main connection: every id registered in its order, a refused call logged
// by name with the rest still made, and a fresh connection after a failed setup.
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/log_file.h"
#include "sim/sim_link_state.h"
#include "sim/sim_registration.h"
#include "tests/sim/support/sim_test_support.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> lf_goldenLines(const std::string& name) {
    std::ifstream in(std::string(SKYLOOM_SOURCE_DIR) + "/tests/sim/data/" + name);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

class SimRegistrationTest : public SimTest {};

TEST_F(SimRegistrationTest, ANewConnectionRegistersEveryIdInItsOrder) {
    startWorld(runningSetup());
    SimClient client(context());
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);

    // The golden journal: the open, the five system events, the nine definitions item by item,
    // the seventeen client events, the group of sixteen and its priority; every call accepted.
    const std::vector<std::string> golden = lf_goldenLines("registration_journal.txt");
    ASSERT_FALSE(golden.empty());
    EXPECT_THAT(world_->journalLines(), ElementsAreArray(golden));

    // The world objects to nothing: no exception waits for the first dispatch.
    client.dispatchPass();
    EXPECT_THAT(logLines(), Not(::testing::Contains(HasSubstr("SIMCONNECT_EXCEPTION"))));
    EXPECT_TRUE(client.holdsTimerPeriod());
    EXPECT_EQ(gf_simConnectHandle(), client.handle());
}

TEST_F(SimRegistrationTest, TheGroupHoldsSixteenEventsButNotEngineAutoStart) {
    startWorld(runningSetup());
    SimClient client(context());
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);

    const auto added = journalCalls("SimConnect_AddClientEventToNotificationGroup");
    EXPECT_EQ(added.size(), 16u);
    for (const std::string& call : added) {
        EXPECT_THAT(call, Not(HasSubstr(", 220, ")));
        EXPECT_THAT(call, HasSubstr("(301, "));
    }
    const auto mapped = journalCalls("SimConnect_MapClientEventToSimEvent");
    ASSERT_EQ(mapped.size(), 17u);
    EXPECT_THAT(mapped[1], HasSubstr("(220, \"ENGINE_AUTO_START\")"));
    EXPECT_THAT(journalCalls("SimConnect_SetNotificationGroupPriority"),
                ElementsAreArray({HasSubstr("(301, 1)")}));
}

struct FailedCallCase {
    std::string function;
    std::uint32_t nth;
    std::string logged;
};

TEST_F(SimRegistrationTest, AFailedCallIsLoggedTheRestIsStillMadeAndTheClientConnectsAgain) {
    const std::vector<FailedCallCase> cases = {
        {"SimConnect_SubscribeToSystemEvent", 5,
         "==> SimConnect setup failed: SimConnect_SubscribeToSystemEvent(l_hsimconnect, "
         "EVENT_FRAME, \"Frame\") (hr=0x80004005)"},
        {"SimConnect_AddToDataDefinition", 1,
         "==> SimConnect setup failed: SimConnect_AddToDataDefinition(l_hsimconnect, "
         "DEFINITION_USER_AC_GET_TITLE, \"TITLE\", nullptr, SIMCONNECT_DATATYPE_STRINGV) "
         "(hr=0x80004005)"},
        {"SimConnect_AddToDataDefinition", 18,
         "==> SimConnect setup failed: SimConnect_AddToDataDefinition(l_hsimconnect, "
         "DEFINITION_LATLONPIBAVSHETRALTGSZULI, \"Plane Altitude\", \"feet\") (hr=0x80004005)"},
        {"SimConnect_AddToDataDefinition", 22,
         "==> SimConnect setup failed: SimConnect_AddToDataDefinition(l_hsimconnect, "
         "DEFINITION_LATLONPIBAVSHETRALTGSZULI, \"ZULU TIME\", \"Seconds\", "
         "SIMCONNECT_DATATYPE_INT64) (hr=0x80004005)"},
        {"SimConnect_MapClientEventToSimEvent", 5,
         "==> SimConnect setup failed: SimConnect_MapClientEventToSimEvent(l_hsimconnect, "
         "EVENT_FLAPS_SET, \"FLAPS_SET\") (hr=0x80004005)"},
        {"SimConnect_AddClientEventToNotificationGroup", 16,
         "==> SimConnect setup failed: SimConnect_AddClientEventToNotificationGroup("
         "l_hsimconnect, TRAFFIC_APP, EVENT_FREEZE_ATTITUDE_SET, TRUE) (hr=0x80004005)"},
        {"SimConnect_SetNotificationGroupPriority", 1,
         "==> SimConnect setup failed: SimConnect_SetNotificationGroupPriority(l_hsimconnect, "
         "TRAFFIC_APP, SIMCONNECT_GROUP_PRIORITY_HIGHEST) (hr=0x80004005)"},
    };
    for (const FailedCallCase& c : cases) {
        SCOPED_TRACE(c.function + " #" + std::to_string(c.nth));
        simworld::WorldSetup setup = runningSetup();
        simworld::FaultSetup fault;
        fault.kind = simworld::FaultKind::failCall;
        fault.function = c.function;
        fault.nth = c.nth;
        setup.faults.push_back(fault);
        startWorld(setup);
        LogFile::openIn(dir_.path());
        work_ = RecordingWork{};

        SimClient client(context());
        EXPECT_EQ(client.connect(), SimClient::ConnectResult::setupFailed);
        EXPECT_EQ(logCount(c.logged), 1u);
        // Every other registration was still tried: the whole setup is 75 calls.
        std::size_t calls = 0;
        for (const simworld::JournalEntry& entry : world_->journal()) {
            calls += entry.kind == simworld::JournalKind::call &&
                             !entry.text.starts_with("SimConnect_Open") &&
                             !entry.text.starts_with("SimConnect_Close")
                         ? 1
                         : 0;
        }
        EXPECT_EQ(calls, 75u);
        EXPECT_EQ(client.handle(), nullptr);
        EXPECT_EQ(gf_simConnectHandle(), nullptr);
        EXPECT_EQ(world_->connectionCount(), 0u);
        EXPECT_TRUE(logHas("SimConnect closed ok"));
        EXPECT_FALSE(client.holdsTimerPeriod());
        // The retry comes 100 ms later on a fresh connection.
        EXPECT_DOUBLE_EQ(worldSeconds(), 0.1);
        EXPECT_EQ(client.connect(), SimClient::ConnectResult::connected);
        EXPECT_THAT(world_->journalLines().back(), HasSubstr("    0.100 c2 >"));
        EXPECT_EQ(work_.connectionsForgotten, 2);
        installation_.reset();
        clock_.advance(std::chrono::seconds(1));
    }
}

TEST_F(SimRegistrationTest, AVariableTheSimulatorRefusesLaterIsLoggedAsItsException) {
    simworld::WorldSetup setup = runningSetup();
    simworld::FaultSetup fault;
    fault.kind = simworld::FaultKind::unknownName;
    fault.name = "Light On States";
    setup.faults.push_back(fault);
    startWorld(setup);
    SimClient client(context());
    // The call itself is accepted; the objection arrives as a message.
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);
    EXPECT_TRUE(client.dispatchPass());
    EXPECT_EQ(logCount("==> SIMCONNECT_EXCEPTION #7"), 1u);
}

TEST(SimSetupCheckTest, OnlyANegativeResultIsAFailure) {
    TempDir dir;
    LogFile::openIn(dir.path());
    EXPECT_TRUE(gf_checkSimSetup(S_OK, "call"));
    EXPECT_TRUE(gf_checkSimSetup(1, "call"));
    EXPECT_FALSE(gf_checkSimSetup(static_cast<HRESULT>(0x80000000u), "Call(x)"));
    LogFile::close();
    std::ifstream in(dir / "Log.txt");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_THAT(text, HasSubstr("==> SimConnect setup failed: Call(x) (hr=0x80000000)\n"));
    EXPECT_THAT(text, Not(HasSubstr("failed: call")));
}

} // namespace
} // namespace skyloom::testing
