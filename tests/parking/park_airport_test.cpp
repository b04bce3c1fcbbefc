// The park airport as the user moves: chosen on the ground and in the air, switched when
// another park airport comes nearer, none out of reach; its stands loaded from its airport file,
// a stand use of a live aircraft learned, saved and still there after the periodic reload and
// after leaving and coming back; the stands snapshot read by another thread meanwhile.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include <fmt/format.h>

#include <gtest/gtest.h>

#include "config/parameters.h"
#include "foundation/file_header.h"
#include "foundation/manual_clock.h"
#include "foundation/program_clock.h"
#include "foundation/version.h"
#include "parking/airport_store.h"
#include "parking/apf_stand_reader.h"
#include "parking/park_airport_choice.h"
#include "parking/park_airport_list.h"
#include "parking/park_airport_stands.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/real_stand_options.h"
#include "parking/stand_at_position.h"
#include "parking/static_parking.h"
#include "refdata/airports.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "tests/parking/support/parking_context_test.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

using testing::kEham;
const AirportEntry kEhrd{IcaoCode("EHRD"), IataCode("RTM"), 51.95694, 4.43722, -15};
const Lalo kNearEham{52.31, 4.76};
const Lalo kNearEhrd{51.96, 4.44};

class ParkAirportTest : public testing::ParkingContextTest {
protected:
    void SetUp() override {
        ParkingContextTest::SetUp();
        gf_setAirports({kEham, kEhrd});
        AirportFile airport = testing::gridAirport(3);
        airport.publisher = "Pub";
        testing::writeApf(airport, gf_myThirdpartyFolder() / "EHAM.xml");
        airport.icao = IcaoCode("EHRD");
        testing::writeApf(airport, gf_myThirdpartyFolder() / "EHRD.xml");
    }
    void TearDown() override {
        gf_setAirports({});
        ParkingContextTest::TearDown();
    }
    void place(const Lalo& at, bool onGround, double aglFt) {
        UserAircraftState s;
        s.latitude = at.lat;
        s.longitude = at.lon;
        s.altitudeAboveGround = aglFt;
        user_.storeState(s);
        user_.onGround = onGround;
    }
    bool hasLearned(std::string_view reg) const {
        return !state_.stands.empty() &&
               std::any_of(state_.stands[0].options.begin(), state_.stands[0].options.end(),
                           [&](const FlightOption& o) { return o.reg == reg && o.origin == 0; });
    }
};

TEST_F(ParkAirportTest, TheParkAirportIsChosenSwitchedAndLeft) {
    // On the ground far from every airport: none.
    place({52.9, 3.2}, true, 0);
    gf_updateParkAirport(context_, {52.9, 3.2});
    EXPECT_FALSE(entry_.isSet());
    EXPECT_EQ(window_.last<GuiUpdate::StatusText>()->text,
              "User aircraft on the ground, no RT supported airport within reach");

    // On the ground at Schiphol: the closest airport, whatever the list says.
    place(kNearEham, true, 0);
    gf_updateParkAirport(context_, kNearEham);
    EXPECT_EQ(entry_.get().icao, kEham.icao);
    EXPECT_TRUE(state_.parkingUpdateRequested);
    EXPECT_EQ(window_.last<GuiUpdate::ParkAirport>()->code, kEham.icao);
    lf_updateStaticParking(context_);
    EXPECT_EQ(state_.stands.size(), 3u);
    EXPECT_TRUE(window_.last<GuiUpdate::ParkingTarget>().has_value()) << "planned";
    // A static aircraft placed there, which leaves with the park airport.
    StaticAircraft& parked = trafficState_.staticAircraft.emplace_back();
    parked.base.callsign = "KLM1*";
    parked.objectId = 101;
    parked.simState = SimState::active;

    // Airborne towards Rotterdam, which the user chose: Schiphol is left once Rotterdam is
    // nearer, then Rotterdam, in front of the list, is chosen.
    list_.setPosition(kEhrd.icao, kEhrd.position());
    place({52.2, 4.7}, false, 2500);
    gf_checkParkAirportsReach(context_, {52.2, 4.7});
    EXPECT_EQ(entry_.get().icao, kEham.icao); // both within reach, Schiphol still nearer
    const testing::CapturedLog log;
    place({52.1, 4.6}, false, 1500);
    gf_checkParkAirportsReach(context_, {52.1, 4.6});
    EXPECT_TRUE(log.contains("EHRD is within reach, parked aircraft at EHAM (AMS) will be removed first"));
    EXPECT_FALSE(entry_.isSet());
    EXPECT_EQ(trafficState_.staticAircraft.front().simState, SimState::removingfromsim);
    EXPECT_TRUE(state_.stands.empty());
    gf_updateParkAirport(context_, kNearEhrd);
    EXPECT_EQ(entry_.get().icao, kEhrd.icao);
    EXPECT_EQ(window_.last<GuiUpdate::StatusText>()->text, "EHRD within reach");

    // Too high above the ground, nothing is within reach.
    lf_stopStaticParking(context_);
    place(kNearEhrd, false, 18001);
    gf_updateParkAirport(context_, kNearEhrd);
    EXPECT_FALSE(entry_.isSet());
}

TEST_F(ParkAirportTest, ALearnedStandUseSurvivesThePeriodicReloadAndComingBack) {
    const testing::PublishedRegistrations registrations(R"(<r g="PH-BXK" a="KLM" m="B738"/>)");
    entry_.set(kEham);
    lf_updateStaticParking(context_);
    ASSERT_TRUE(state_.airportFileApplied);
    AircraftBase arrival;
    arrival.registration = "PH-BXK_";
    arrival.callsign = "KLM1234";
    const std::uint64_t now = gf_packDaySlot({3, 20});
    gf_addRealStandOption(state_, 1, arrival, kStandArrived, now, window_);
    ASSERT_TRUE(hasLearned("PH-BXK"));
    EXPECT_EQ(window_.last<GuiUpdate::AirportFileUpdates>()->count, 1);

    {
        const testing::CapturedLog log;
        lf_updateStaticParking(context_); // the periodic reload
        EXPECT_TRUE(log.contains("saved with 1 update"));
        EXPECT_FALSE(log.contains("saved with 1 updates"));
    }
    EXPECT_TRUE(hasLearned("PH-BXK"));
    EXPECT_EQ(state_.updateCount, 0);

    lf_stopStaticParking(context_);
    EXPECT_FALSE(entry_.isSet());
    entry_.set(kEham);
    lf_updateStaticParking(context_);
    EXPECT_TRUE(hasLearned("PH-BXK"));
}

TEST_F(ParkAirportTest, AFirstLoadSavesNothingAndSaysNothingOfIt) {
    entry_.set(kEham);
    const testing::CapturedLog log;
    lf_updateStaticParking(context_);
    EXPECT_FALSE(log.contains("gf_saveLearned called without a loaded airport file"));
    EXPECT_FALSE(fs::exists(work_ / "airports/learned"));
}

// The light readers: an airport's stand nearest to a position, and its stand names once each in
// upper case; errors as texts.
TEST_F(ParkAirportTest, TheLightReadersFindTheClosestStandAndTheStandNames) {
    const auto closest =
        gf_readDestApfForClosestStand(kEham.icao, {52.29 + 100.0 / 1852.0 / 60.0, 4.74}, services_);
    ASSERT_TRUE(std::holds_alternative<ClosestStand>(closest));
    EXPECT_EQ(std::get<ClosestStand>(closest).standId, "G2");
    EXPECT_LT(std::get<ClosestStand>(closest).distanceNM, 0.001);
    EXPECT_EQ(std::get<std::string>(gf_readDestApfForClosestStand(kEham.icao, {91, 0}, services_)),
              "invalid reference position");
    EXPECT_EQ(std::get<std::string>(gf_readApfForStands(IcaoCode("LSZH"), services_)),
              "airport source path not found");

    AirportFile airport = testing::gridAirport(3);
    airport.stands[0].id = "b7";
    airport.stands[1].id = "a1";
    airport.stands[2].id = "A1";
    testing::writeApf(airport, gf_myThirdpartyFolder() / "EHAM.xml");
    const auto names = gf_readApfForStands(kEham.icao, services_);
    ASSERT_TRUE(std::holds_alternative<std::vector<std::string>>(names));
    EXPECT_EQ(std::get<std::vector<std::string>>(names), (std::vector<std::string>{"B7", "A1"}));
}

// The closest-stand reader takes a stand only when the airport-file reader would: a latitude
// "nan" or "inf", a position at 0/0 or an id of blanks never wins, however near the text says
// it is; a position in blanks and a trimmed id do.
TEST_F(ParkAirportTest, TheClosestStandIsOneTheAirportFileReaderReads) {
    const Lalo reference{52.30, 4.76};
    struct Case {
        const char* latitude;
        const char* longitude;
        const char* id;
        bool read;
    };
    const Case cases[] = {
        {"nan", "4.76", "N1", false},    {"-nan", "4.76", "N2", false},
        {"inf", "4.76", "I1", false},    {"0", "0", "Z1", false},
        {"52.30", "4.76", " \t", false}, {" 52.30", "4.76", " T1 ", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.latitude);
        // The case's stand at the reference as far as its text goes, a good one 1 km away.
        testing::writeText(
            gf_myThirdpartyFolder() / "EHAM.xml",
            fmt::format(R"(<?xml version="1.0"?><root><meta version="{}" sim="2" copyright="{}"/>)"
                        R"(<parameters><parameter name="altitude" value="-11"/></parameters>)"
                        R"(<parkpositions><parkpos id="{}" typestr="GATE_SMALL" latitude="{}" )"
                        R"(longitude="{}" heading="0" radius="20"/><parkpos id="FAR" )"
                        R"(typestr="GATE_SMALL" latitude="52.309" longitude="4.76" heading="0" )"
                        R"(radius="20"/></parkpositions></root>)",
                        gf_programVersionText(), kMakerCopyright, c.id, c.latitude, c.longitude));
        const auto closest = gf_readDestApfForClosestStand(kEham.icao, reference, services_);
        ASSERT_TRUE(std::holds_alternative<ClosestStand>(closest))
            << std::get<std::string>(closest);
        EXPECT_EQ(std::get<ClosestStand>(closest).standId, c.read ? "T1" : "FAR");

        pugi::xml_document document;
        ASSERT_TRUE(document.load_file((gf_myThirdpartyFolder() / "EHAM.xml").c_str()));
        std::vector<Stand> stands;
        gf_readParkpositions(document, stands);
        EXPECT_EQ(stands.size(), c.read ? 2u : 1u);
    }
}

// Another thread reads the stands snapshot while the park airport changes: every snapshot it
// sees is whole, its stands those of the airport it names.
TEST_F(ParkAirportTest, TheStandsSnapshotIsReadWholeWhileTheParkAirportChanges) {
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const auto snapshot = state_.standsSnapshot();
            const std::size_t expected = snapshot->icao == kEham.icao   ? 3u
                                         : snapshot->icao == kEhrd.icao ? 3u
                                                                        : 0u;
            torn += snapshot->stands.size() == expected ? 0 : 1;
            if (!snapshot->stands.empty()) {
                torn += gf_standAtPosition(snapshot, true, snapshot->stands[1].position) ==
                                snapshot->stands[1].id
                            ? 0
                            : 1;
            }
            ++reads;
        }
    });
    for (int i = 0; i < 20; ++i) {
        entry_.set(i % 2 == 0 ? kEham : kEhrd);
        lf_updateStaticParking(context_);
        lf_stopStaticParking(context_);
    }
    while (reads < 100) {
        std::this_thread::yield();
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}

} // namespace
} // namespace skyloom
