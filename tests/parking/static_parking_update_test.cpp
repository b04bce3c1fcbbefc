// Setting static parking up and taking it down: the planning time counted into the traffic
// tick, a failed load, and a stop with and without a loaded file.
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "parking/static_parking_update.h"
#include "refdata/park_airport.h"
#include "tests/support/recording_window_sink.h"

namespace skyloom {
namespace {

using namespace std::chrono_literals;

class StaticParkingUpdate : public ::testing::Test {
protected:
    StaticParkingUpdate() {
        stands_.resize(3);
        requests_.resize(2);
        entry_.set(AirportEntry{IcaoCode("EHAM"), {}, 52.3, 4.76, -11});
        seams_.lf_readParkedFile =
            [this](StaticParkingSite& site) -> std::variant<std::monostate, std::string> {
            calls_.push_back("read");
            if (!loadError_.empty()) {
                return loadError_;
            }
            site.parkAirportReady = true;
            return std::monostate{};
        };
        seams_.lf_planStaticParking = [this] { clock_.advance(planTime_); };
        seams_.gf_saveLearned = [this](const std::vector<Stand>& s, bool) {
            calls_.push_back("save " + std::to_string(s.size()));
        };
        seams_.gf_enableParkingControls = [this] { calls_.push_back("enable controls"); };
        seams_.enableParkButton = [this](bool on) {
            calls_.push_back(on ? "park on" : "park off");
        };
        seams_.gf_publishStandsSnapshot = [this] {
            calls_.push_back("publish " + std::to_string(stands_.size()));
        };
    }

    ManualClock clock_;
    std::atomic<std::uint32_t> tick_{100};
    std::vector<Stand> stands_;
    std::vector<StaticParkRequest> requests_;
    ParkAirportEntry entry_;
    StaticParkingSite site_{stands_, requests_, entry_, tick_};
    StaticParkingUpdateSeams seams_;
    testing::RecordingWindowSink window_;
    std::vector<std::string> calls_;
    std::string loadError_;
    std::chrono::microseconds planTime_{0};
};

TEST_F(StaticParkingUpdate, PlanningTimeCountsInWholeTrafficTicks) {
    for (const auto& [ms, ticks] : std::vector<std::pair<std::uint64_t, std::uint32_t>>{
             {0, 0}, {4, 0}, {5, 1}, {14, 1}, {15, 2}, {1234, 123}}) {
        EXPECT_EQ(gf_planningTicks(ms), ticks) << ms << " ms";
    }
    planTime_ = 4900us;
    lf_updateStaticParking(site_, seams_, window_, clock_);
    EXPECT_EQ(tick_.load(), 100u) << "4.9 ms leaves the tick alone";
    planTime_ = 1234ms;
    lf_updateStaticParking(site_, seams_, window_, clock_);
    EXPECT_EQ(tick_.load(), 223u);
    EXPECT_EQ(stands_.size(), 3u);
}

TEST_F(StaticParkingUpdate, AFailedLoadShowsWhyAndStopsWithoutSaving) {
    loadError_ = "lf_readParkedFile EHAM not found";
    lf_updateStaticParking(site_, seams_, window_, clock_);
    EXPECT_EQ(calls_,
              (std::vector<std::string>{"read", "enable controls", "park off", "publish 0"}))
        << "controls first, then Park disabled; nothing saved without a loaded file";
    const auto status = window_.payloads<GuiUpdate::StatusText>();
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0].text, loadError_);
    EXPECT_TRUE(status[0].log);
    EXPECT_TRUE(stands_.empty());
    EXPECT_TRUE(requests_.empty());
    EXPECT_FALSE(entry_.isSet());
    EXPECT_EQ(window_.payloads<GuiUpdate::AirportFile>().size(), 1u);
}

TEST_F(StaticParkingUpdate, AStopWithALoadedFileSavesTheStandsFirst) {
    site_.parkAirportReady = true;
    site_.trafficWeek = 202650;
    lf_stopStaticParking(site_, seams_, window_);
    EXPECT_EQ(calls_, (std::vector<std::string>{"save 3", "park off", "publish 0"}));
    EXPECT_FALSE(site_.parkAirportReady);
    EXPECT_EQ(site_.trafficWeek, 0u);
    EXPECT_FALSE(entry_.isSet());
}

} // namespace
} // namespace skyloom
