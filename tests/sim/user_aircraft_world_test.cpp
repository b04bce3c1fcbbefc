// The user-aircraft replies end to end: a client whose work asks the simulated world for the
// user aircraft's data hands every reply to the program's handlers.
#include <string>

#include <gtest/gtest.h>

#include "runtime/rt_status.h"
#include "runtime/user_aircraft.h"
#include "sim/sim_client.h"
#include "sim/sim_client_work.h"
#include "sim/sim_ids.h"
#include "sim/sim_link_state.h"
#include "tests/sim/support/user_aircraft_fixture.h"

namespace skyloom {
namespace {

// Asks for the user aircraft's title and model once and for its position and on-ground state
// every second, on the first frame of each connection; the base class handles the replies.
class UserDataWork : public SimClientWork {
public:
    void forgetConnection() override { requested_ = false; }
    void doFrameWork(SimClient& client) override {
        if (requested_) {
            return;
        }
        requested_ = true;
        const HANDLE h = client.handle();
        SimConnect_RequestDataOnSimObject(h, USER_AC_TITLE, DEFINITION_USER_AC_GET_TITLE,
                                          SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE);
        SimConnect_RequestDataOnSimObject(h, USER_AC_MODEL, DEFINITION_USER_AC_GET_MODEL,
                                          SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE);
        SimConnect_RequestDataOnSimObject(h, USER_AC_ON_GROUND, DEFINITION_USER_AC_GET_ONGROUND,
                                          SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND);
        SimConnect_RequestDataOnSimObject(h, USER_AC_POSITION, DEFINITION_LATLONPIBAVSHETRALTGSZULI,
                                          SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND);
    }

private:
    bool requested_ = false;
};

class UserAircraftWorldTest : public testing::UserAircraftTest {
protected:
    UserAircraftWorldTest() { loadDbase(R"(<m c="A20N" w="35.8"/>)"); }

    static simworld::WorldSetup setupAt(Clock::UtcTime zulu) {
        simworld::WorldSetup setup = runningSetup();
        setup.zuluStart = zulu;
        setup.user.objectId = 7;
        simworld::TrackPoint zurich;
        zurich.latitudeDeg = 47.4647;
        zurich.longitudeDeg = 8.5492;
        setup.user.track.push_back(zurich);
        return setup;
    }

    void run(double seconds) {
        SimClientContext context = this->context();
        context.work = &userWork_;
        runClient(std::move(context), [&](SimClient&) { return worldSeconds() >= seconds; });
    }

    UserDataWork userWork_;
};

TEST_F(UserAircraftWorldTest, AScriptedTeleportRaisesTheNewFlightStopOnce) {
    simworld::WorldSetup setup = setupAt(ManualClock::utcTime(2026, 1, 5, 12));
    simworld::TrackPoint london;
    london.atSeconds = 5;
    london.latitudeDeg = 51.4700;
    london.longitudeDeg = -0.4543;
    london.teleport = true;
    setup.user.track.push_back(london);
    startWorld(std::move(setup));
    run(12);

    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::newFlight, kNewFlightRestartSeconds}));
    EXPECT_EQ(logCount("Teleport"), 1U);
    EXPECT_NEAR(user_.state().latitude, 51.47, 1e-6);
    EXPECT_EQ(g_userObjectId.load(), 7U);
    EXPECT_EQ(user_.title(), "Airbus A320 Neo Asobo");
    EXPECT_EQ(user_.infoReceived.load(), kUserInfoTitle | kUserInfoModel);
    EXPECT_EQ(user_.modelData(), (UserModelData{35.8 * 0.5 * 0.0005399568034557236, true}));
    EXPECT_EQ(user_.onGroundByte.load(), 1);
}

TEST_F(UserAircraftWorldTest, AModelThatFillsItsFieldIsReadWhole) {
    simworld::WorldSetup setup = setupAt(ManualClock::utcTime(2026, 1, 5, 12));
    const std::string model = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"; // 32 characters, no NUL
    setup.user.atcModel = model;
    startWorld(std::move(setup));
    run(2);
    EXPECT_TRUE(logHas("          model raw: " + model));
    EXPECT_EQ(user_.infoReceived.load() & kUserInfoModel, kUserInfoModel);
}

TEST_F(UserAircraftWorldTest, AFlightStandingStillStartsNoNewFlight) {
    startWorld(setupAt(ManualClock::utcTime(2026, 1, 5, 12)));
    run(6);
    EXPECT_FALSE(stop_.stopRequested());
    EXPECT_EQ(logCount("Teleport"), 0U);
}

TEST_F(UserAircraftWorldTest, TheSimulatorTimeRunsIntoTheNewYear) {
    g_rtProfessional.store(true);
    startWorld(setupAt(ManualClock::utcTime(2024, 12, 31, 23, 59, 58)));
    run(4.5);
    const UserAircraftState state = user_.state();
    EXPECT_EQ(state.zuluYear, 2025);
    EXPECT_EQ(state.zuluDayOfYear, 1);
    ASSERT_TRUE(user_.simUtcValid.load());
    EXPECT_EQ(user_.simUtcSeconds.load(), 1735689600 + state.zuluTime);
    EXPECT_GE(state.zuluTime, 1);
    EXPECT_FALSE(logHas("==> Invalid simulator Zulu time: year=2025, day-of-year=1, seconds=0"));
}

TEST_F(UserAircraftWorldTest, TheSimulatorTimeRunsIntoALeapDay) {
    g_rtProfessional.store(true);
    startWorld(setupAt(ManualClock::utcTime(2024, 2, 28, 23, 59, 59)));
    run(3.5);
    const UserAircraftState state = user_.state();
    EXPECT_EQ(state.zuluYear, 2024);
    EXPECT_EQ(state.zuluDayOfYear, 60);
    ASSERT_TRUE(user_.simUtcValid.load());
    EXPECT_EQ(user_.simUtcSeconds.load(), 1709164800 + state.zuluTime) << "29 February 2024";
}

} // namespace
} // namespace skyloom
