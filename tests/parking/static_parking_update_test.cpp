// Setting static parking up and taking it down: the planning time counted into the traffic
// tick, a failed load, and a stop with and without a loaded file.
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/parameters.h"
#include "foundation/manual_clock.h"
#include "parking/airport_store.h"
#include "parking/park_airport_list.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/static_parking.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "tests/parking/support/parking_context_test.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

using namespace std::chrono_literals;

using testing::kEham;

class StaticParkingUpdate : public testing::ParkingContextTest {
protected:
    void SetUp() override {
        ParkingContextTest::SetUp();
        entry_.set(kEham);
        context_.trafficTick = &tick_;
        context_.steps.planStaticParking = [this] {
            calls_.push_back("plan");
            clock_.advance(planTime_);
        };
        context_.steps.showParkingInterval = [this] { calls_.push_back("interval"); };
        context_.steps.clearStaticPlan = [this] { calls_.push_back("clear plan"); };
        context_.steps.clearRunways = [this] { calls_.push_back("clear runways"); };
        context_.controls.enableParkingControls = [this] { calls_.push_back("enable controls"); };
        context_.controls.enableParkButton = [this](bool on) {
            calls_.push_back(on ? "park on" : "park off");
        };
    }
    void writeEham() {
        AirportFile airport = testing::gridAirport(3);
        airport.icao = kEham.icao;
        testing::writeApf(airport, gf_myThirdpartyFolder() / "EHAM.xml");
    }

    std::atomic<std::uint32_t> tick_{100};
    std::vector<std::string> calls_;
    std::chrono::microseconds planTime_{0};
};

TEST_F(StaticParkingUpdate, PlanningTimeCountsInWholeTrafficTicks) {
    for (const auto& [ms, ticks] : std::vector<std::pair<std::uint64_t, std::uint32_t>>{
             {0, 0}, {4, 0}, {5, 1}, {14, 1}, {15, 2}, {1234, 123}}) {
        EXPECT_EQ(gf_planningTicks(ms), ticks) << ms << " ms";
    }
    writeEham();
    planTime_ = 4900us;
    lf_updateStaticParking(context_);
    EXPECT_EQ(tick_.load(), 100u) << "4.9 ms leaves the tick alone";
    planTime_ = 1234ms;
    lf_updateStaticParking(context_);
    EXPECT_EQ(tick_.load(), 223u);
    EXPECT_EQ(state_.stands.size(), 3u);
    EXPECT_EQ(calls_, (std::vector<std::string>{"interval", "plan", "interval", "plan"}));
}

TEST_F(StaticParkingUpdate, AFailedLoadShowsWhyAndStopsWithoutSaving) {
    lf_updateStaticParking(context_);
    EXPECT_EQ(calls_, (std::vector<std::string>{"enable controls", "park off", "clear plan",
                                                "clear runways"}))
        << "controls first, then Park disabled; nothing planned without a loaded file";
    const auto status = window_.payloads<GuiUpdate::StatusText>();
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.back().text, "lf_readParkedFile EHAM not found");
    EXPECT_TRUE(status.back().log);
    EXPECT_TRUE(state_.stands.empty());
    EXPECT_FALSE(entry_.isSet());
    EXPECT_FALSE(window_.last<GuiUpdate::AirportFile>()->loaded);
}

TEST_F(StaticParkingUpdate, AStopEmptiesEverythingOfTheParkAirport) {
    writeEham();
    lf_updateStaticParking(context_);
    ASSERT_TRUE(state_.airportFileApplied);
    state_.file.rtTrafficWeek = 202650;
    calls_.clear();
    lf_stopStaticParking(context_);
    EXPECT_EQ(calls_, (std::vector<std::string>{"park off", "clear plan", "clear runways"}));
    EXPECT_FALSE(state_.airportFileApplied);
    EXPECT_EQ(state_.file.rtTrafficWeek, 0u);
    EXPECT_TRUE(state_.stands.empty());
    EXPECT_TRUE(state_.standsSnapshot()->stands.empty());
    EXPECT_FALSE(entry_.isSet());
    EXPECT_EQ(window_.last<GuiUpdate::AirportFileUpdates>()->count, 0);
}

} // namespace
} // namespace skyloom
