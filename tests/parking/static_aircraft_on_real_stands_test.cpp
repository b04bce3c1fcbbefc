// Static aircraft placed by the traffic step on a real stand layout (EHAM's FlightGear ground
// net in ../shared, converted and read as an airport file at test time): requests that pile up
// on the same and on neighbouring stands never leave two aircraft on one stand or on two
// stands that exclude each other.
#include <algorithm>
#include <atomic>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "foundation/program_clock.h"
#include "liveries/livery_aircraft.h"
#include "parking/airport_file_reader.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "liveries/livery_tables.h"
#include "refdata/code_table.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/traffic_test_world.h"
#include "tools/track_replay/replay_tables.h"
#include "traffic/stands/park_airport_services.h"
#include "tests/support/captured_log.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {
namespace {

TEST(StaticAircraftOnRealStands, NoTwoStaticAircraftShareOrCrowdAStand) {
    SKYLOOM_REQUIRE_SHARED(parking, "data/stands/EHAM/parking.xml");
    const testing::CapturedLog log;
    const testing::TempDir dir;
    AirportFile airport = testing::airportNamed("EHAM");
    airport.stands = testing::flightGearStands(parking);
    ASSERT_TRUE(testing::writeApf(airport, dir / "EHAM.xml"));
    const AirportFileReadResult read = gf_readAirportFile(dir / "EHAM.xml", {});
    ASSERT_TRUE(read) << read.error;
    const std::vector<Stand>& stands = read.file->stands;
    const auto n = static_cast<std::int32_t>(stands.size());
    ASSERT_GT(n, 150);

    testing::TrafficStateParts parts;
    TrafficState& state = parts.state_;
    lf_initTrafficState(state);
    parts.world_.setStands(stands);
    // One livery for every static aircraft: the stand decides nothing here.
    tools::gf_buildReplayLiveryTables({{"Boeing 737-800 KLM", "KLM", "B738", ""}});
    const ParkAirportServices& park = state.parkAirport;
    std::vector<StaticParkRequest>& requests = parts.world_.plan.plan;

    // Every stand is asked for twice, in a shuffled order, so that many requests find their
    // stand or a neighbouring one taken; every fourth aircraft is switched on at once.
    std::vector<std::int32_t> order;
    for (std::int32_t sid = 1; sid <= n; ++sid) {
        order.insert(order.end(), {sid, sid});
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(29));
    for (std::size_t i = 0; i < order.size(); ++i) {
        StaticParkRequest request;
        request.standId = order[i];
        request.callsign = "KLM" + std::to_string(i);
        request.key = LiveryKey{gf_airlineId("KLM"), 0, gf_modelId("B738"), 0, 0};
        requests.push_back(request);
        lf_parkStaticAircraft(state, gf_packDaySlot({3, 20}));
        if (i % 4 == 0 && !state.staticAircraft.empty()) {
            state.staticAircraft.back().simState = SimState::active;
        }
    }
    // EHAM's overlapping stand circles hold about 120 aircraft at once.
    ASSERT_GE(state.staticAircraft.size(), 100u);
    EXPECT_EQ(state.staticCreateQueue.size(), state.staticAircraft.size());
    // Every stand left empty is empty because a neighbour or the stand itself is taken.
    for (std::int32_t sid = 1; sid <= n; ++sid) {
        EXPECT_TRUE(std::ranges::any_of(state.staticAircraft, [&](const StaticAircraft& a) {
            return park.standsConflict(a.standId, sid);
        })) << sid;
    }
    for (const StaticAircraft& a : state.staticAircraft) {
        for (const StaticAircraft& b : state.staticAircraft) {
            if (&a != &b) {
                EXPECT_FALSE(park.standsConflict(a.standId, b.standId))
                    << a.base.callsign << " " << b.base.callsign;
            }
        }
        EXPECT_EQ(a.latitude, park.standById(a.standId)->position.lat);
    }
    gf_liveryTables().clear();
}

} // namespace
} // namespace skyloom
