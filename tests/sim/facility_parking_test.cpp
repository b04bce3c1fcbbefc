// The stand read on the facility connection against the simulated world: the stands of each
// fixture airport with their ids, positions, headings, radii and flags; airports converted
// from public data; and every way a read fails (refused request, exception, short record,
// failed dispatch, time-out on the manual clock, stop, unknown airport), with the connection
// closed and reopened where the failure calls for it.
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "platform/simworld/facility_import.h"
#include "platform/simworld/world.h"
#include "runtime/stop_request.h"
#include "sim/facility_connection.h"
#include "sim/facility_parking.h"
#include "tests/sim/support/facility_test_support.h"
#include "tests/support/shared_data.h"

namespace skyloom::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr double kTolMetres = 0.1;
constexpr double kRadPerDeg = std::numbers::pi / 180.0;

struct ExpectedStand {
    std::string id;
    std::int32_t sid;
    StandType type;
    double east; // metres from the reference position
    double north;
    double headingDeg;
    double radiusMetres;
    bool ramp;
    bool cargo;
};

class FacilityParkingTest : public FacilityTest {
protected:
    // Reads `ident`; the file starts with a marker so that a failed read can be told apart.
    bool read(std::string_view ident, std::string_view requestIcao = {},
              std::string_view region = {}) {
        file_ = AirportFile{};
        file_.airportName = "untouched";
        helipads_ = -1;
        return gf_readParkingFacilities(stop_, ident, file_, helipads_, requestIcao, region);
    }
    std::size_t openCount() const {
        return journalCalls("SimConnect_Open(\"PARKING_DATA_RDR\"").size();
    }
    void expectUntouched() const {
        EXPECT_EQ(file_.airportName, "untouched");
        EXPECT_THAT(file_.stands, IsEmpty());
        EXPECT_EQ(helipads_, -1);
    }

    AirportFile file_;
    std::int32_t helipads_ = -1;
};

// --- Stands of the fixtures -------------------------------------------------------------------

TEST_F(FacilityParkingTest, EveryStandOfTheFieldWithEveryParkingTypeIsReadInReplyOrder) {
    startWorld({fixture("qska")});
    ASSERT_TRUE(read("QSKA"));

    EXPECT_EQ(file_.icao, IcaoCode("QSKA"));
    EXPECT_EQ(file_.airportName, "Skyloom Test Field Alpha");
    EXPECT_DOUBLE_EQ(file_.latitude, 46.9);
    EXPECT_DOUBLE_EQ(file_.longitude, 7.2);
    EXPECT_EQ(file_.altitude, 1640); // 500 m = 1640.42 ft, cut toward zero
    EXPECT_EQ(helipads_, 3);

    using enum StandType;
    // NONE (PARKING 99) and VEHICLE (NW_PARKING 10) make no stand.
    const std::vector<ExpectedStand> expected{
        {"GATE 12", 12, GATE_HEAVY, -20, 0, 270, 40, false, false},
        {"GATE 12A", 12, GATE_HEAVY, -20, 45, 270, 40, false, false},
        {"GATE 12?", 12, GATE_MEDIUM, -20, 90, 270, 30, false, false},
        {"GATE A1", 1, GATE_SMALL, 150.5, -60.25, 0, 18, false, false},
        {"GATE Z7Z", 7, GATE_EXTRA, 200, -60, 359.5, 45, false, false},
        {"PARKING 1", 1, RAMP_GA, 0, 0, 180, 10, true, false},
        {"N_PARKING 2", 2, RAMP_GA_SMALL, 0, 120, 90, 8, true, false},
        {"NE_PARKING 3", 3, RAMP_GA_MEDIUM, 80, 80, 45, 12, true, false},
        {"E_PARKING 4", 4, RAMP_GA_LARGE, 160, 0, 0.5, 16, true, false},
        {"SE_PARKING 5", 5, RAMP_CARGO, 120, -120, 315, 35, false, true},
        {"S_PARKING 6", 6, RAMP_MIL_CARGO, 0, -160, 10, 38, false, true},
        {"SW_PARKING 7", 7, RAMP_MIL_COMBAT, -90.5, -90.5, 225, 10, false, false},
        {"DOCK 8", 8, DOCK_GA, -400, -250, 200, 15, false, false},
        {"W_PARKING 9", 9, FUEL, -160, 0, 90, 9, false, false},
        {"NW_PARKING 11", 11, RAMP_GA_EXTRA, -120, 120, 135, 14, true, false},
        {"42", 42, GATE_MEDIUM, 300, 20, 180, 28, false, false},
    };
    ASSERT_EQ(file_.stands.size(), expected.size() + 3);
    const Lalo reference{46.9, 7.2};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const ExpectedStand& e = expected[i];
        const Stand& s = file_.stands[i];
        SCOPED_TRACE(e.id);
        EXPECT_EQ(s.id, e.id);
        EXPECT_EQ(s.sid, e.sid);
        EXPECT_EQ(s.type, e.type);
        EXPECT_LT(gf_metresBetween(s.position, gf_flatOffset(reference, e.east, e.north)),
                  kTolMetres);
        EXPECT_NEAR(s.heading, e.headingDeg * kRadPerDeg, 1e-6);
        EXPECT_NEAR(s.radius, e.radiusMetres / 1852.0, 1e-12);
        EXPECT_EQ(s.ramp, e.ramp);
        EXPECT_EQ(s.cargo, e.cargo);
        EXPECT_FALSE(s.heli);
    }
    // The helipads come last, named in order; a square pad's radius reaches its corners.
    const std::vector<std::tuple<std::string, Lalo, double, double>> pads{
        {"HELIPAD 1", {46.8985, 7.2052}, 45, 14},
        {"HELIPAD 2", {46.8987, 7.2058}, 0, 10},
        {"HELIPAD 3", {46.8989, 7.2064}, 300, 8}};
    for (std::size_t i = 0; i < pads.size(); ++i) {
        const auto& [id, position, heading, radius] = pads[i];
        const Stand& s = file_.stands[expected.size() + i];
        SCOPED_TRACE(id);
        EXPECT_EQ(s.id, id);
        EXPECT_TRUE(s.heli);
        EXPECT_EQ(s.sid, 0);
        EXPECT_EQ(s.type, StandType::NONE);
        EXPECT_FALSE(s.ramp || s.cargo);
        EXPECT_EQ(s.position, position);
        EXPECT_NEAR(s.heading, heading * kRadPerDeg, 1e-6);
        EXPECT_DOUBLE_EQ(s.radius, radius * kStandNMPerMetre);
    }
    EXPECT_THAT(importantLines(), IsEmpty());
}

TEST_F(FacilityParkingTest, AParkingTwentyMetresWestLiesDueWestAndASquarePadGetsFourteenMetres) {
    startWorld({fixture("qska")});
    ASSERT_TRUE(read("QSKA"));
    const Stand& gate = file_.stands.at(0); // bias x -20, z 0
    const Lalo reference{46.9, 7.2};
    EXPECT_NEAR(gf_metresBetween(reference, gate.position), 20.0, 0.001);
    EXPECT_NEAR(gf_bearing(reference, gate.position), 1.5 * std::numbers::pi, 1e-6);
    // A parking without offsets stands on the reference position itself.
    EXPECT_EQ(file_.stands.at(5).position, reference);
    EXPECT_NEAR(file_.stands.at(16).radius, 0.00756, 0.000005); // square, 20 m wide
}

TEST_F(FacilityParkingTest, StandsAcrossTheDateLineAndAFullNameField) {
    startWorld({fixture("qskb")});
    ASSERT_TRUE(read("QSKB"));
    // A name that fills its 32 characters has no NUL; it is cut there.
    EXPECT_EQ(file_.airportName, "Skyloom Dateline Seaplane Base B");
    EXPECT_EQ(file_.altitude, 9); // 3 m
    EXPECT_EQ(helipads_, 1);
    const Lalo reference{-16.5, 179.999};
    const std::vector<std::tuple<std::string, double, double>> docks{{"DOCK 1", 600, 40},
                                                                     {"DOCK 2B", 650.5, -40},
                                                                     {"PARKING 3", -75, 250},
                                                                     {"GATE C4", -150, -300}};
    ASSERT_EQ(file_.stands.size(), docks.size() + 1);
    for (std::size_t i = 0; i < docks.size(); ++i) {
        const auto& [id, east, north] = docks[i];
        SCOPED_TRACE(id);
        EXPECT_EQ(file_.stands[i].id, id);
        EXPECT_LT(gf_metresBetween(file_.stands[i].position, gf_flatOffset(reference, east, north)),
                  kTolMetres);
    }
    // East of the meridian the longitude is wrapped.
    EXPECT_LT(file_.stands[0].position.lon, -179.99);
    EXPECT_EQ(file_.stands[4].id, "HELIPAD 1");
    EXPECT_DOUBLE_EQ(file_.stands[4].radius, 12.5 * kStandNMPerMetre); // medical: half the width
}

TEST_F(FacilityParkingTest, AnAirportWithoutStandsIsReadAndNoted) {
    simworld::AirportFacilitySetup bare;
    bare.icao = "QSKE";
    bare.name = "Bare";
    bare.latitudeDeg = 10;
    bare.longitudeDeg = 20;
    startWorld({bare});
    ASSERT_TRUE(read("QSKE"));
    EXPECT_THAT(file_.stands, IsEmpty());
    EXPECT_EQ(helipads_, 0);
    EXPECT_TRUE(logHas("Fac: QSKE has no stands"));
}

// Stands read through an airport file made from OurAirports and FlightGear data in ../shared
// lie where FlightGear puts them.
class FacilitySharedStandsTest : public FacilityParkingTest,
                                 public ::testing::WithParamInterface<const char*> {};

TEST_P(FacilitySharedStandsTest, EveryStandLiesWithinATenthOfAMetreOfItsParkingPosition) {
    const std::string icao = GetParam();
    SKYLOOM_REQUIRE_SHARED(parking, "data/stands/" + icao + "/parking.xml");
    const auto airport = gf_sharedAirport(icao);
    ASSERT_TRUE(airport.has_value());
    startWorld({*airport});
    ASSERT_TRUE(read(icao));

    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(parking.c_str()));
    const auto parkings = document.select_nodes("//Parking");
    ASSERT_EQ(file_.stands.size(), parkings.size());
    std::size_t i = 0;
    for (const pugi::xpath_node& node : parkings) {
        const pugi::xml_node p = node.node();
        const Stand& s = file_.stands[i++];
        SCOPED_TRACE(fmt::format("{} {} {}", s.id, p.attribute("name").value(),
                                 p.attribute("number").value()));
        const Lalo expected{simworld::gf_flightGearCoordinate(p.attribute("lat").value()),
                            simworld::gf_flightGearCoordinate(p.attribute("lon").value())};
        EXPECT_LT(gf_metresBetween(s.position, expected), kTolMetres);
        EXPECT_NEAR(s.heading, p.attribute("heading").as_double() * kRadPerDeg, 1e-6);
        EXPECT_NEAR(s.radius * 1852.0, p.attribute("radius").as_double(), 1e-4);
        EXPECT_FALSE(s.id.empty());
    }
    EXPECT_EQ(helipads_, 0);
}

INSTANTIATE_TEST_SUITE_P(Airports, FacilitySharedStandsTest,
                         ::testing::Values("LSZH", "EHAM", "KSFO"));

TEST_F(FacilityParkingTest, FlightGearNamesBecomeLetteredGates) {
    const auto airport = gf_sharedAirport("EHAM");
    if (!airport) {
        GTEST_SKIP() << "shared data not found: ../shared/data/stands/EHAM";
    }
    startWorld({*airport});
    ASSERT_TRUE(read("EHAM"));
    // name "R", number "02" (cargo, radius 43) and the gates of name "B".
    EXPECT_EQ(file_.stands.at(0).id, "GATE R2");
    EXPECT_EQ(file_.stands.at(0).type, StandType::RAMP_CARGO);
    EXPECT_TRUE(file_.stands.at(0).cargo);
    std::vector<std::string> ids;
    for (const Stand& s : file_.stands) {
        ids.push_back(s.id);
    }
    EXPECT_THAT(ids, Contains(HasSubstr("GATE B")));
}

// --- Requests and the connection ---------------------------------------------------------------

TEST_F(FacilityParkingTest, TheRequestNamesItsIcaoAndRegionAndTheIdentNamesTheFile) {
    startWorld({fixture("qska")});
    ASSERT_TRUE(read("QSKA", "qska", "QS"));
    EXPECT_THAT(journalCalls("SimConnect_RequestFacilityData"),
                ElementsAre(HasSubstr("(1001, 2001, \"qska\", \"QS\") = S_OK")));
    // Another region is another airport.
    EXPECT_FALSE(read("QSKA", "QSKA", "LS"));
    expectUntouched();
    EXPECT_TRUE(logHas("==> Facility data for QSKA holds no airport"));
}

TEST_F(FacilityParkingTest, AnUnknownAirportFailsWithoutAnAirportAtZeroZeroAndKeepsTheConnection) {
    startWorld({fixture("qska")});
    EXPECT_FALSE(read("QXXX"));
    expectUntouched();
    EXPECT_THAT(importantLines(), ElementsAre("==> Facility data for QXXX holds no airport"));
    EXPECT_TRUE(gf_isFacilityConnectionOpen());
    // A withheld airport record is the same.
    simworld::AirportFacilitySetup noAirport = fixture("qskb");
    noAirport.serving.withhold[static_cast<std::size_t>(simworld::FacilityKind::airport)] = 1;
    gf_closeFacilityConnection();
    startWorld({noAirport});
    EXPECT_FALSE(read("QSKB"));
    expectUntouched();
    EXPECT_TRUE(logHas("==> Facility data for QSKB holds no airport"));
}

TEST_F(FacilityParkingTest, AnIdentThatIsNoIcaoCodeThrowsOnceTheReplyIsReadAndLeavesTheFile) {
    startWorld({fixture("qska")});
    EXPECT_THROW(read("QS-A", "QSKA"), std::invalid_argument);
    expectUntouched();
}

TEST_F(FacilityParkingTest, ARefusedRequestFailsAndKeepsTheConnection) {
    simworld::FaultSetup refuse;
    refuse.kind = simworld::FaultKind::failCall;
    refuse.function = "SimConnect_RequestFacilityData";
    startWorld({fixture("qska")}, {refuse});
    EXPECT_FALSE(read("QSKA"));
    expectUntouched();
    EXPECT_TRUE(logHas("==> RequestFacilityData failed for QSKA (airport QSKA)"));
    EXPECT_TRUE(gf_isFacilityConnectionOpen());
    EXPECT_TRUE(read("QSKA"));
    EXPECT_EQ(openCount(), 1u);
}

// One fault per row; each fails the read with its line and closes the connection, and the
// next read opens it again and succeeds.
struct ParkingFailure {
    const char* name;
    simworld::FaultSetup fault;
    const char* line;
};

class FacilityParkingFailureTest : public FacilityParkingTest,
                                   public ::testing::WithParamInterface<ParkingFailure> {};

simworld::FaultSetup lf_truncate(std::uint32_t nth, DWORD bytes) {
    simworld::FaultSetup f;
    f.kind = simworld::FaultKind::truncateMessage;
    f.name = "FACILITY_DATA";
    f.nth = nth;
    f.bytes = bytes;
    return f;
}

simworld::FaultSetup lf_failParkingCall(const char* function) {
    simworld::FaultSetup f;
    f.kind = simworld::FaultKind::failCall;
    f.function = function;
    f.client = "PARKING_DATA_RDR";
    return f;
}

simworld::FaultSetup lf_exception() {
    simworld::FaultSetup f;
    f.kind = simworld::FaultKind::exception;
    f.function = "SimConnect_RequestFacilityData";
    f.exception = SIMCONNECT_EXCEPTION_ERROR;
    f.index = 4;
    return f;
}

TEST_P(FacilityParkingFailureTest, TheReadFailsWithItsLineClosesAndTheNextReadReopens) {
    startWorld({fixture("qska")}, {GetParam().fault});
    EXPECT_FALSE(read("QSKA"));
    expectUntouched();
    EXPECT_THAT(importantLines(), ElementsAre(GetParam().line));
    EXPECT_TRUE(logHas("SimConnect (PARKING_DATA_RDR) closed"));
    EXPECT_FALSE(gf_isFacilityConnectionOpen());
    EXPECT_EQ(world_->connectionCount(), 0u);

    ASSERT_TRUE(read("QSKA"));
    EXPECT_EQ(openCount(), 2u);
    EXPECT_EQ(file_.stands.size(), 19u);
    // Definition 1001 is added again on the new connection.
    EXPECT_EQ(definitionFields(1001).size(), 60u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FacilityParkingFailureTest,
    ::testing::Values(
        ParkingFailure{"ShortAirport", lf_truncate(1, 103),
                       "==> Facility data for QSKA too short: airport reply of 103 bytes, 104 "
                       "needed"},
        ParkingFailure{"ShortParking", lf_truncate(2, 79),
                       "==> Facility data for QSKA too short: taxi parking reply of 79 bytes, 80 "
                       "needed"},
        ParkingFailure{"ShortHelipad", lf_truncate(20, 83),
                       "==> Facility data for QSKA too short: helipad reply of 83 bytes, 84 "
                       "needed"},
        ParkingFailure{"HeaderOnly", lf_truncate(3, 39),
                       "==> Facility data for QSKA too short: facility data reply of 39 bytes, "
                       "40 needed"},
        ParkingFailure{"Exception", lf_exception(),
                       "==> SimConnect EXCEPTION id=1 sendID=32 index=4"},
        ParkingFailure{"Dispatch", lf_failParkingCall("SimConnect_CallDispatch"),
                       "==> SimConnect_CallDispatch failed for QSKA: 0x80004005"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FacilityParkingTest, AReplyThatNeverEndsTimesOutAfterThirtySecondsOnTheClock) {
    simworld::AirportFacilitySetup endless = fixture("qska");
    endless.serving.sendEnd = false;
    startWorld({endless, fixture("qskb")});
    EXPECT_FALSE(read("QSKA"));
    expectUntouched();
    EXPECT_GE(worldSeconds(), 30.0);
    EXPECT_LT(worldSeconds(), 30.01);
    EXPECT_THAT(importantLines(), ElementsAre("==> Facility data request timed out for QSKA"));
    EXPECT_FALSE(gf_isFacilityConnectionOpen());
    EXPECT_TRUE(read("QSKB"));
    EXPECT_EQ(openCount(), 2u);
}

TEST_F(FacilityParkingTest, AReplyJustInsideTheDeadlineIsTakenOneJustOutsideIsNot) {
    simworld::AirportFacilitySetup slow = fixture("qska");
    slow.serving.delaySeconds = 29.9;
    simworld::AirportFacilitySetup slower = fixture("qskb");
    slower.serving.delaySeconds = 30.1;
    // Arrives between the last dispatch before the deadline and the first after it: the read
    // is complete, so it is no time-out.
    simworld::AirportFacilitySetup atTheDeadline = fixture("qska");
    atTheDeadline.icao = "QSKD";
    atTheDeadline.serving.delaySeconds = 30.0005;
    startWorld({slow, slower, atTheDeadline});
    EXPECT_TRUE(read("QSKA"));
    EXPECT_FALSE(read("QSKB"));
    EXPECT_TRUE(logHas("==> Facility data request timed out for QSKB"));
    EXPECT_TRUE(read("QSKD"));
}

// A clock that raises the test's stop request once it reaches a time.
class StoppingClock final : public Clock {
public:
    StoppingClock(ManualClock& inner, StopControl& stop, double stopAtSeconds)
        : inner_(inner), stop_(stop), start_(inner.steadyNow()),
          stopAt_(start_ + std::chrono::duration_cast<Duration>(
                               std::chrono::duration<double>(stopAtSeconds))) {}
    SteadyTime steadyNow() const override { return inner_.steadyNow(); }
    UtcTime utcNow() const override { return inner_.utcNow(); }
    void sleepUntil(SteadyTime until) override {
        inner_.sleepUntil(until);
        if (inner_.steadyNow() >= stopAt_) {
            stop_.request(StopReason::simWasClosed, 0);
        }
    }

private:
    ManualClock& inner_;
    StopControl& stop_;
    SteadyTime start_;
    SteadyTime stopAt_;
};

TEST_F(FacilityParkingTest, AStopEndsTheWaitAtOnceWithoutALineAndClosesTheConnection) {
    simworld::AirportFacilitySetup slow = fixture("qska");
    slow.serving.delaySeconds = 20;
    startWorld({slow});
    StoppingClock stopping(clock_, stop_, 5);
    gf_setClock(&stopping);
    EXPECT_FALSE(read("QSKA"));
    expectUntouched();
    EXPECT_LT(worldSeconds(), 5.01);
    EXPECT_THAT(importantLines(), IsEmpty());
    EXPECT_FALSE(gf_isFacilityConnectionOpen());
}

} // namespace
} // namespace skyloom::testing
