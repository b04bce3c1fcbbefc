// A park airport for the static parking tests: a stand table, a traffic state with static and
// live aircraft, RealTraffic's parked list and the feed's identity sets, a recording parking
// panel, and the park airport's recorded stand. The plan calls the parking code's own stand
// helpers and the live traffic's own functions on the fixture's traffic state. Aircraft models
// are the seven of a small dbase published by the fixture. `realise` creates the static
// aircraft of a plan as the traffic step would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "parking/parking_state.h"
#include "parking/static_parking_state.h"
#include "tests/support/recording_parking_window.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/traffic_test_world.h"

namespace skyloom::testing {

struct TestModel {
    const char* code;
    AircraftCategory category;
    double halfWingspanMetres;
};
// Test models 1 to 7: C172, H145, E190, A320, B738, B77W, A388.
inline constexpr std::uint16_t kTestModelCount = 7;
const TestModel& testModel(std::uint16_t n);
// The model id of test model n (1 to 7) in the fixture's dbase, and the test model of an id.
std::uint16_t testModelId(std::uint16_t n);
const TestModel& testModelOf(std::uint16_t modelId);

class StaticParkingFixture {
public:
    StaticParkingFixture();
    StaticParkingFixture(const StaticParkingFixture&) = delete;
    StaticParkingFixture& operator=(const StaticParkingFixture&) = delete;

    TrafficStateParts traffic;
    ParkingState& parking = traffic.world_.parking;
    std::vector<Stand>& stands = parking.stands;
    std::vector<StaticAircraft>& statics = traffic.state_.staticAircraft;
    std::vector<LiveAircraft>& live = traffic.state_.liveAircraft;
    StaticParkingState& state = traffic.world_.plan;
    ParamsSnapshot settings;
    std::uint64_t now = 0;
    // The stand the park-airport list holds for the user; empty for none.
    std::string recordedStand;
    ParkedTrafficList parked;
    FeedIdentities feed;
    RecordingWindowSink window;
    RecordingParkingWindow controls;

    // The inputs of one plan over this fixture's members.
    StaticParkingRun run();
    void plan();
    void adjust(bool rtOnlySwitchedTo = false);
    // Creates an active static aircraft for every plan entry, as the traffic step does, and
    // empties the plan.
    void realise();
    LiveAircraft& addLive(std::string callsign, std::string registration);
    // A live aircraft parked on the stand for `minutes`, unseen there since: a stayer of the
    // next adjustment.
    LiveAircraft& addStayer(std::string callsign, std::string registration, std::int32_t sid,
                            double minutes);

private:
    // The stand names as the table now holds them (tests fill the table directly), and the
    // recorded stand in the park-airport list.
    void prepare();

    std::uint32_t nextStaticHexid_ = 0;
    std::uint32_t nextLiveHexid_ = 0x400000;
};

} // namespace skyloom::testing
