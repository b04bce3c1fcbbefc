// A park airport for the static parking tests: a stand table, static and live aircraft, live
// stayers, RealTraffic's parked list and the feed's identity sets, with every seam of the plan
// filled: the parking code's own stand helpers over the fixture's parking state, and small
// stand-ins for the live traffic. Aircraft models come from a small table instead of the
// dbase. `realise` creates the static aircraft of a plan as the traffic step would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "parking/parking_state.h"
#include "parking/static_parking_state.h"
#include "tests/support/recording_window_sink.h"

namespace skyloom::testing {

struct TestModel {
    AircraftCategory category;
    double halfWingspanMetres;
};
// Model ids 1 to 7: C172, H145, E190, A320, B738, B77W, A388.
inline constexpr std::uint16_t kTestModelCount = 7;
const TestModel& testModel(std::uint16_t modelId);

class StaticParkingFixture {
public:
    StaticParkingFixture();

    ParkingState parking;
    std::vector<Stand>& stands = parking.stands;
    std::vector<StaticAircraft> statics;
    std::vector<LiveAircraft> live;
    std::vector<LiveStayer> liveStayers; // what lf_collectLiveStayers finds
    ParamsSnapshot settings;
    std::int32_t qfSoft = 50;
    std::uint64_t now = 0;
    std::optional<std::string> recordedStand;
    std::optional<std::string> userStand;
    ParkedTrafficList parked;
    FeedIdentities feed;
    RecordingWindowSink window;
    ParkingSeams seams;
    ModelFacts models;
    StaticParkingState state;

    // What the seams were asked to do.
    std::vector<std::string> removedFromSim; // callsigns
    std::int32_t oldestLiveRemoved = 0;

    // The inputs of one plan over this fixture's members.
    StaticParkingRun run();
    void plan();
    void adjust(bool rtOnlySwitchedTo = false);
    // Creates an active static aircraft for every plan entry, as the traffic step does, and
    // empties the plan.
    void realise();
    LiveAircraft& addLive(std::string callsign, std::string registration);

private:
    // The stand names as the table now holds them (tests fill the table directly).
    void indexStandNames();

    std::int32_t nextStaticHexid_ = 0;
};

} // namespace skyloom::testing
