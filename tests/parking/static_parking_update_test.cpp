// Setting static parking up and taking it down: the planning time counted into the traffic
// tick, a failed load, and a stop with and without a loaded file.
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/parameters.h"
#include "foundation/manual_clock.h"
#include "parking/airport_fetch.h"
#include "parking/airport_store.h"
#include "parking/park_airport_list.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/static_parking.h"
#include "refdata/airports.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "tests/parking/support/parking_context_test.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/temp_dir.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {
namespace {

using namespace std::chrono_literals;

using testing::kEham;

class StaticParkingUpdate : public testing::ParkingContextTest {
protected:
    void SetUp() override {
        ParkingContextTest::SetUp();
        entry_.set(kEham);
        tick_ = 100;
    }
    void writeEham() {
        AirportFile airport = testing::gridAirport(3);
        airport.icao = kEham.icao;
        testing::writeApf(airport, gf_myThirdpartyFolder() / "EHAM.xml");
    }
    // A waiting request of an earlier plan, which a stop must drop.
    void leaveARequest() {
        StaticParkRequest request;
        request.standId = 1;
        traffic_.plan.plan.push_back(request);
    }
};

TEST_F(StaticParkingUpdate, PlanningTimeCountsInWholeTrafficTicks) {
    for (const auto& [ms, ticks] : std::vector<std::pair<std::uint64_t, std::uint32_t>>{
             {0, 0}, {4, 0}, {5, 1}, {14, 1}, {15, 2}, {1234, 123}}) {
        EXPECT_EQ(gf_planningTicks(ms), ticks) << ms << " ms";
    }
    for (const auto& [took, after] : std::vector<std::pair<std::chrono::microseconds, std::uint32_t>>{
             {4900us, 100}, {1234ms, 223}}) {
        tick_ = 100;
        gf_runCountingTicks(clock_, tick_, [this, took = took] { clock_.advance(took); });
        EXPECT_EQ(tick_.load(), after) << took.count() << " us";
    }
    // An update shows the interval, then plans the loaded stands.
    writeEham();
    lf_updateStaticParking(context_);
    EXPECT_EQ(state_.stands.size(), 3u);
    // The file's stands have no flight option now: the plan is empty and gives the controls
    // back at once.
    EXPECT_THAT(controls_.calls,
                ::testing::ElementsAre("enableFlushButton on", "showParkingInterval",
                                       "disableParkingControls", "enableParkingControls"));
    EXPECT_TRUE(window_.last<GuiUpdate::ParkingTarget>().has_value());
}

// A park airport whose file cannot be had (most airports have none) stays the park airport:
// chosen again, its file would be asked for again and again, and the landings there would lose
// their airport. It has no stands, so nothing is planned; the status line says why, and the log
// too unless the store said it there already.
TEST_F(StaticParkingUpdate, AFailedLoadShowsWhyAndKeepsTheParkAirportWithoutStands) {
    const struct {
        const char* why;
        bool inAirportsTable; // else no file at all: not even an archived one to ask for
        const char* status;
        bool statusLogged;
    } cases[] = {
        {"no file at all", false, "lf_readParkedFile EHAM not found", true},
        {"no download area for its archived file", true,
         "failed to download the airport file of EHAM", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        gf_forgetFailedAirportDownloads();
        gf_setAirports(c.inAirportsTable ? std::vector<AirportEntry>{kEham}
                                         : std::vector<AirportEntry>{});
        entry_.set(kEham);
        controls_.calls.clear();
        window_.clear();
        leaveARequest();
        lf_updateStaticParking(context_);
        EXPECT_THAT(controls_.calls,
                    ::testing::ElementsAre("enableParkingControls", "enableParkButton off",
                                           "enableFlushButton off"))
            << "controls first, then Park disabled; nothing planned without a loaded file";
        EXPECT_TRUE(traffic_.plan.plan.empty());
        const auto status = window_.payloads<GuiUpdate::StatusText>();
        ASSERT_EQ(status.size(), 1u);
        EXPECT_EQ(status.back().text, c.status);
        EXPECT_EQ(status.back().log, c.statusLogged);
        EXPECT_TRUE(state_.stands.empty());
        EXPECT_FALSE(state_.airportFileApplied);
        EXPECT_EQ(entry_.get().icao, kEham.icao) << "still the park airport";
        EXPECT_TRUE(window_.payloads<GuiUpdate::ParkAirport>().empty())
            << "nor cleared in the window";
        EXPECT_FALSE(window_.last<GuiUpdate::AirportFile>()->loaded);
    }
    gf_setAirports({});
}

TEST_F(StaticParkingUpdate, AStopEmptiesEverythingOfTheParkAirport) {
    writeEham();
    lf_updateStaticParking(context_);
    ASSERT_TRUE(state_.airportFileApplied);
    state_.file.rtTrafficWeek = 202650;
    leaveARequest();
    // The runways the load read for the motion (none in this world) and what a stop leaves.
    FacilityRunway runway;
    std::vector<FacilityRunway> runways{runway};
    trafficState_.motionWorld.runways = runways;
    controls_.calls.clear();
    lf_stopStaticParking(context_);
    EXPECT_THAT(controls_.calls, ::testing::ElementsAre("applyRtParkTrafficOnly", "applyAutoPark",
                                                        "enableParkButton off",
                                                        "enableFlushButton off"));
    EXPECT_TRUE(traffic_.plan.plan.empty());
    EXPECT_TRUE(trafficState_.motionWorld.runways.empty()) << "no runways of the airport left";
    EXPECT_FALSE(state_.airportFileApplied);
    EXPECT_EQ(state_.file.rtTrafficWeek, 0u);
    EXPECT_TRUE(state_.stands.empty());
    EXPECT_TRUE(state_.standsSnapshot()->stands.empty());
    EXPECT_FALSE(entry_.isSet());
    EXPECT_EQ(window_.last<GuiUpdate::AirportFileUpdates>()->count, 0);
}

} // namespace
} // namespace skyloom
