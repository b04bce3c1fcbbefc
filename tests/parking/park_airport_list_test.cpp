// my_park_airports.txt read with the my_thirdparty folder and written back: understood lines
// sorted, the others kept in their order; and the stand-use learning over half-hour slots.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/program_paths.h"
#include "foundation/program_clock.h"
#include "parking/airport_store.h"
#include "parking/park_airport_list.h"
#include "parking/parking_state.h"
#include "parking/real_stand_options.h"
#include "parking/stand_helpers.h"
#include "refdata/airports.h"
#include "traffic/step/aircraft_record.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom {
namespace {

TEST(ParkAirportListTest, TheFileIsReadWithTheFolderAndWrittenBackSorted) {
    const testing::TempDir work;
    ::setenv("SKYLOOM_WORKDIR", work.path().c_str(), 1);
    gf_setAirports({{IcaoCode("EHAM"), {}, 52.3, 4.76, -11},
                    {IcaoCode("EGLL"), {}, 51.47, -0.45, 83},
                    {IcaoCode("LSZH"), {}, 47.46, 8.55, 1416}});
    testing::writeText(gf_myThirdpartyFolder() / "LSZH.xml", "");
    testing::writeText(gf_myThirdpartyFolder() / "EGLL.1.2.xml", "");
    const std::string file = "\xEF\xBB\xBF"
                             "egll\r\n"
                             "# my airports\r\n"
                             "EHAM,\r\n"
                             "\r\n"
                             "EGLL, B32 \r\n"
                             "KJFK\r\n"
                             "EHAM,A,B\n";
    testing::writeText(gf_airportsFolder() / kMyParkAirportsFileName, file);
    testing::RecordingWindowSink window;
    ParkAirportList list;
    {
        const testing::CapturedLog log;
        list.readFile(window);
        EXPECT_TRUE(log.has("==> my_park_airports.txt:# my airports invalid ICAO code, preserved"));
        EXPECT_TRUE(log.has("==> my_park_airports.txt:EHAM,A,B wrong syntax, preserved"));
        EXPECT_TRUE(log.contains("    1 park airport added from"));
    }
    EXPECT_EQ(window.last<GuiUpdate::StatusText>()->text, "airport KJFK is unknown");
    const std::vector<ParkAirport> entries = list.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].code, IcaoCode("EGLL"));
    EXPECT_EQ(entries[0].name, "B32"); // the later named line gives the name
    EXPECT_EQ(entries[2].code, IcaoCode("LSZH"));

    list.writeFile();
    EXPECT_EQ(testing::readText(gf_airportsFolder() / kMyParkAirportsFileName),
              "EGLL,B32\nEHAM\nLSZH\n# my airports\n\nKJFK\nEHAM,A,B\n");
    const testing::CapturedLog log;
    list.writeFile();
    EXPECT_TRUE(log.has("Park airports file not saved: reading was not completed"));
    gf_setAirports({});
    ::unsetenv("SKYLOOM_WORKDIR");
}

// The same aircraft at its stand at 10:00, 11:30 and 12:00 UTC (under a second callsign), then
// at 15:00 as it leaves: one option over slots 20 to 24, then a second one, as 15:00 lies outside
// the window of six slots.
TEST(RealStandOptionsTest, AStandUseIsExtendedWithinItsWindowOnly) {
    const testing::PublishedRegistrations registrations(R"(<r g="PH-BXK" a="KLM" m="B738"/>)");
    ParkingState state;
    std::vector<Stand> stands{testing::standAt("A1", 52.3, 4.76, 0, 30, StandType::GATE_MEDIUM)};
    stands[0].sid = 1;
    state.replaceStands(stands);
    testing::RecordingWindowSink window;
    AircraftBase aircraft;
    aircraft.registration = "PH-BXK";
    struct Report {
        const char* callsign;
        int slot;
        std::int32_t situation;
    };
    for (const Report r : {Report{"KLM12_", 20, kStandArrived}, Report{"KLM12_", 23, kStandArrived},
                           Report{"KLM34", 24, kStandArrived}, Report{"KLM34", 30, kStandLeft}}) {
        aircraft.callsign = r.callsign;
        gf_addRealStandOption(state, 1, aircraft, r.situation, gf_packDaySlot({3, r.slot}), window);
    }
    const std::vector<FlightOption>& options = state.stands[0].options;
    ASSERT_EQ(options.size(), 2u);
    EXPECT_EQ(options[0].hours, HoursBitset::range(20, 24));
    EXPECT_EQ(options[0].callsign, "KLM12");
    EXPECT_EQ(options[0].callsign2, "KLM34");
    EXPECT_TRUE(options[0].cpl);
    EXPECT_EQ(options[1].hours, HoursBitset::single(30));
    EXPECT_EQ(options[1].seq, 2u);
    EXPECT_EQ(state.updateCount, 4);

    // A new live aircraft of that airline with one of the callsigns is handed the pair.
    AircraftBase next;
    next.key = options[0].key;
    next.callsign = "KLM34_";
    const auto matched = gf_matchRealStandOptions(state.stands, gf_packDaySlot({3, 30}), next);
    ASSERT_TRUE(matched.has_value());
    EXPECT_EQ(matched->callsign, "KLM12");
    EXPECT_EQ(matched->callsign2, "KLM34");
    EXPECT_FALSE(gf_matchRealStandOptions(state.stands, gf_packDaySlot({4, 30}), next));
}

TEST(StandHelpersTest, ParkedTargetAndStandFit) {
    struct Target {
        std::size_t stands;
        std::int32_t percentage, maximum, target, shown;
    };
    for (const Target t : {Target{3, 40, 99, 1, 33}, Target{3, 50, 99, 2, 67},
                           Target{10, 30, 2, 2, 20}, Target{10, 30, 0, 0, 0}}) {
        ParkingState state;
        state.replaceStands(std::vector<Stand>(t.stands));
        testing::RecordingWindowSink window;
        EXPECT_EQ(gf_setParkedAircraftTarget(state, t.percentage, t.maximum, window), t.target);
        EXPECT_EQ(window.last<GuiUpdate::ParkingTarget>()->percentage, t.shown);
    }
    const double m = 1.0 / 1852.0;
    const Stand large = testing::standAt("L", 52.3, 4.76, 0, 30, StandType::RAMP_GA_LARGE);
    const Stand small = testing::standAt("S", 52.3, 4.76, 0, 30, StandType::GATE_SMALL);
    EXPECT_TRUE(gf_standFitsAircraft(large, AircraftCategory::Large, large.radius + 5.4 * m));
    EXPECT_FALSE(gf_standFitsAircraft(large, AircraftCategory::Large, large.radius + 5.5 * m));
    EXPECT_TRUE(gf_standFitsAircraft(small, AircraftCategory::Large, small.radius));
    EXPECT_FALSE(gf_standFitsAircraft(small, AircraftCategory::Large, small.radius + 0.1 * m));
}

} // namespace
} // namespace skyloom
