// The runway read on the facility connection against the simulated world: the runways of each
// fixture airport with their ends, STARTs and thresholds; airports converted from public
// data; every check that disables the correction, with its line; the failures of the request
// and the reply, the 10 s time-out on the manual clock; and the runway names and the START
// altitude choice.
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "sim/facility_connection.h"
#include "sim/facility_runways.h"
#include "tests/sim/support/facility_test_support.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr double kFeetPerMetre = 3.2808399;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class FacilityRunwaysTest : public FacilityTest {
protected:
    static std::string name(const FacilityRunway& r) {
        return gf_runwayDesignatorText(r.primaryNumber,
                                       static_cast<std::int32_t>(r.primaryDesignator)) +
               "-" +
               gf_runwayDesignatorText(r.secondaryNumber,
                                       static_cast<std::int32_t>(r.secondaryDesignator));
    }
    // The ends lie half the length from the centre, against and along the heading.
    static void expectEnds(const FacilityRunway& r) {
        const Lalo centre{r.centreLatitude, r.centreLongitude};
        const Lalo primary{r.primaryLatitude, r.primaryLongitude};
        const Lalo secondary{r.secondaryLatitude, r.secondaryLongitude};
        EXPECT_NEAR(gf_metresBetween(centre, primary), r.length / 2, 0.01);
        EXPECT_NEAR(gf_metresBetween(centre, secondary), r.length / 2, 0.01);
        EXPECT_NEAR(gf_metresBetween(primary, secondary), r.length, 0.01);
        const double back = gf_normaliseAngle((r.heading + 180) * std::numbers::pi / 180);
        EXPECT_NEAR(gf_bearing(centre, primary), back, 1e-6);
    }
};

TEST_F(FacilityRunwaysTest, TheRunwaysOfTheFieldWithTheirEndsStartsAndThresholds) {
    startWorld({fixture("qska")});
    const RunwayFacilities result = gf_readRunwayFacilities(stop_, "QSKA");
    ASSERT_EQ(result.valid, 1);
    EXPECT_DOUBLE_EQ(result.airportAltitude, 500 * kFeetPerMetre);
    ASSERT_EQ(result.runways.size(), 3u);
    EXPECT_EQ(name(result.runways[0]), "09L-27R");
    EXPECT_EQ(name(result.runways[1]), "09R-27L");
    EXPECT_EQ(name(result.runways[2]), "14-32");

    const FacilityRunway& r = result.runways[0];
    EXPECT_DOUBLE_EQ(r.centreLatitude, 46.901);
    EXPECT_DOUBLE_EQ(r.centreLongitude, 7.2);
    EXPECT_DOUBLE_EQ(r.altitude, 500 * kFeetPerMetre);
    EXPECT_DOUBLE_EQ(r.heading, 92.5);
    EXPECT_DOUBLE_EQ(r.length, 2500);
    EXPECT_DOUBLE_EQ(r.width, 45);
    EXPECT_EQ(r.primaryThreshold.length, 150);
    EXPECT_EQ(r.primaryThreshold.width, 45);
    EXPECT_EQ(r.primaryThreshold.enabled, 1);
    EXPECT_EQ(r.secondaryThreshold.enabled, 0);
    EXPECT_EQ(result.runways[1].secondaryThreshold.length, 210);
    EXPECT_EQ(result.runways[1].secondaryThreshold.enabled, 1);
    for (const FacilityRunway& runway : result.runways) {
        SCOPED_TRACE(name(runway));
        expectEnds(runway);
        // Each end's START lies at that end (the fixture puts it there) with its own heading.
        EXPECT_EQ(runway.primaryStart.present, 1);
        EXPECT_EQ(runway.secondaryStart.present, 1);
        EXPECT_EQ(runway.primaryStart.type, 1u);
        EXPECT_LT(gf_metresBetween({runway.primaryStart.latitude, runway.primaryStart.longitude},
                                   {runway.primaryLatitude, runway.primaryLongitude}),
                  0.1);
        EXPECT_LT(
            gf_metresBetween({runway.secondaryStart.latitude, runway.secondaryStart.longitude},
                             {runway.secondaryLatitude, runway.secondaryLongitude}),
            0.1);
        EXPECT_DOUBLE_EQ(runway.primaryStart.heading, runway.heading);
    }
    // The 32 START comes before the 14 START in the reply; each still finds its end.
    EXPECT_DOUBLE_EQ(result.runways[2].primaryStart.altitude, 505 * kFeetPerMetre);
    EXPECT_DOUBLE_EQ(result.runways[2].secondaryStart.altitude, 540 * kFeetPerMetre);
    EXPECT_THAT(importantLines(), IsEmpty());
    EXPECT_TRUE(gf_isFacilityConnectionOpen()); // left open for the next read
}

TEST_F(FacilityRunwaysTest, CompassAndWaterRunwaysAndARunwayAcrossTheDateLine) {
    startWorld({fixture("qskb")});
    const RunwayFacilities result = gf_readRunwayFacilities(stop_, "QSKB");
    ASSERT_EQ(result.valid, 1);
    ASSERT_EQ(result.runways.size(), 3u);
    // N with the water designator reads "NW", S water "SW": the check goes by numbers.
    EXPECT_EQ(name(result.runways[0]), "09C-27C");
    EXPECT_EQ(name(result.runways[1]), "NW-SW");
    EXPECT_EQ(name(result.runways[2]), "NE-SW");
    const FacilityRunway& dateLine = result.runways[0];
    EXPECT_GT(dateLine.primaryLongitude, 179.99);
    EXPECT_LT(dateLine.secondaryLongitude, -179.99);
    for (const FacilityRunway& runway : result.runways) {
        SCOPED_TRACE(name(runway));
        expectEnds(runway);
    }
}

class FacilitySharedRunwaysTest : public FacilityRunwaysTest,
                                  public ::testing::WithParamInterface<const char*> {};

TEST_P(FacilitySharedRunwaysTest, RunwaysFromOurAirportsAreValidWithStartsAtTheirThresholds) {
    const auto airport = gf_sharedAirport(GetParam());
    if (!airport) {
        GTEST_SKIP() << "shared data not found: ../shared/data/runways and stands";
    }
    startWorld({*airport});
    const RunwayFacilities result = gf_readRunwayFacilities(stop_, GetParam());
    ASSERT_EQ(result.valid, 1);
    ASSERT_EQ(result.runways.size(), airport->runways.size());
    ASSERT_FALSE(result.runways.empty());
    for (std::size_t i = 0; i < result.runways.size(); ++i) {
        const FacilityRunway& r = result.runways[i];
        SCOPED_TRACE(name(r));
        // The STARTs stand on the runway's threshold coordinates of the data.
        const Lalo primaryStart{r.primaryStart.latitude, r.primaryStart.longitude};
        const Lalo secondaryStart{r.secondaryStart.latitude, r.secondaryStart.longitude};
        const Lalo centre{r.centreLatitude, r.centreLongitude};
        EXPECT_NEAR(gf_metresBetween(centre, primaryStart),
                    gf_metresBetween(centre, secondaryStart), 0.1);
        EXPECT_NEAR(r.heading, airport->runways[i].headingDeg, 1e-4);
        expectEnds(r);
    }
}

INSTANTIATE_TEST_SUITE_P(Airports, FacilitySharedRunwaysTest,
                         ::testing::Values("LSZH", "EHAM", "KSFO"));

// --- The checks --------------------------------------------------------------------------------

struct RunwayCheck {
    const char* name;
    void (*change)(simworld::AirportFacilitySetup&);
    const char* line; // empty: the read stays valid
};

class FacilityRunwayCheckTest : public FacilityRunwaysTest,
                                public ::testing::WithParamInterface<RunwayCheck> {};

TEST_P(FacilityRunwayCheckTest, OneFaultDisablesTheCorrectionWithItsLine) {
    simworld::AirportFacilitySetup airport = fixture("qska");
    GetParam().change(airport);
    startWorld({airport});
    const RunwayFacilities result = gf_readRunwayFacilities(stop_, "QSKA");
    if (std::string(GetParam().line).empty()) {
        EXPECT_EQ(result.valid, 1);
        EXPECT_THAT(importantLines(), IsEmpty());
    } else {
        EXPECT_EQ(result.valid, 0);
        EXPECT_THAT(result.runways, IsEmpty());
        EXPECT_THAT(importantLines(), ElementsAre(std::string("==> ") + GetParam().line));
    }
}

using Airport = simworld::AirportFacilitySetup;

void lf_withhold(Airport& a, simworld::FacilityKind kind, std::uint32_t n) {
    a.serving.withhold[static_cast<std::size_t>(kind)] = n;
}

simworld::FacilityRunwaySetup& lf_first(Airport& a) {
    return a.runways.at(0);
}

constexpr const char* kBad09L = "RUNWAY_HEADING: QSKA invalid or duplicate runway 09L-27R; "
                                "correction disabled";

INSTANTIATE_TEST_SUITE_P(
    Checks, FacilityRunwayCheckTest,
    ::testing::Values(
        RunwayCheck{"AirportAltitudeNaN", [](Airport& a) { a.altitudeMeters = kNaN; },
                    "RUNWAY_HEADING: QSKA invalid Facilities airport altitude; correction "
                    "disabled"},
        RunwayCheck{"NoAirportRecord",
                    [](Airport& a) { lf_withhold(a, simworld::FacilityKind::airport, 1); },
                    "RUNWAY_HEADING: QSKA invalid Facilities airport altitude; correction "
                    "disabled"},
        RunwayCheck{"RunwayMissing",
                    [](Airport& a) { lf_withhold(a, simworld::FacilityKind::runway, 1); },
                    "RUNWAY_HEADING: QSKA incomplete runway data: advertised 3, returned 2; "
                    "correction disabled"},
        RunwayCheck{"NoRunways",
                    [](Airport& a) {
                        a.runways.clear();
                        a.starts.clear();
                    },
                    "RUNWAY_HEADING: QSKA incomplete runway data: advertised 0, returned 0; "
                    "correction disabled"},
        RunwayCheck{"StartsMissing",
                    [](Airport& a) { lf_withhold(a, simworld::FacilityKind::start, 2); },
                    "RUNWAY_HEADING: QSKA incomplete START data: advertised 7, returned 5; "
                    "correction disabled"},
        RunwayCheck{"NoStartAtOneEnd", [](Airport& a) { a.starts.erase(a.starts.begin() + 1); },
                    kBad09L},
        RunwayCheck{"WaterStartOnly", [](Airport& a) { a.starts[0].type = 2; }, kBad09L},
        RunwayCheck{"CentreNull",
                    [](Airport& a) {
                        lf_first(a).latitudeDeg = 0;
                        lf_first(a).longitudeDeg = 0;
                    },
                    kBad09L},
        RunwayCheck{"Heading360", [](Airport& a) { lf_first(a).headingDeg = 360; }, kBad09L},
        RunwayCheck{"HeadingNegative", [](Airport& a) { lf_first(a).headingDeg = -0.5; }, kBad09L},
        RunwayCheck{"HeadingZero", [](Airport& a) { lf_first(a).headingDeg = 0; }, ""},
        RunwayCheck{"LengthZero", [](Airport& a) { lf_first(a).lengthMeters = 0; }, kBad09L},
        RunwayCheck{"LengthTooLong", [](Airport& a) { lf_first(a).lengthMeters = 10001; }, kBad09L},
        RunwayCheck{"LengthLongest", [](Airport& a) { lf_first(a).lengthMeters = 10000; }, ""},
        RunwayCheck{"WidthZero", [](Airport& a) { lf_first(a).widthMeters = 0; }, kBad09L},
        RunwayCheck{"WidthTooWide", [](Airport& a) { lf_first(a).widthMeters = 501; }, kBad09L},
        RunwayCheck{"WidthWidest", [](Airport& a) { lf_first(a).widthMeters = 500; }, ""},
        RunwayCheck{"AltitudeNaN", [](Airport& a) { lf_first(a).altitudeMeters = kNaN; }, kBad09L},
        RunwayCheck{"NumbersDoNotPair",
                    [](Airport& a) {
                        lf_first(a).secondaryNumber = 26;
                        a.starts[1].number = 26;
                    },
                    "RUNWAY_HEADING: QSKA invalid or duplicate runway 09L-26R; correction "
                    "disabled"},
        RunwayCheck{"NumberBeyondCompass",
                    [](Airport& a) {
                        lf_first(a).primaryNumber = 45;
                        a.starts[0].number = 45;
                    },
                    "RUNWAY_HEADING: QSKA invalid or duplicate runway #45L-27R; correction "
                    "disabled"},
        RunwayCheck{"CompassDoesNotPair",
                    [](Airport& a) {
                        lf_first(a).primaryNumber = 37;
                        lf_first(a).secondaryNumber = 38;
                        a.starts[0].number = 37;
                        a.starts[1].number = 38;
                    },
                    "RUNWAY_HEADING: QSKA invalid or duplicate runway NL-NER; correction "
                    "disabled"},
        RunwayCheck{"DesignatorSeven",
                    [](Airport& a) {
                        lf_first(a).secondaryDesignator = 7;
                        a.starts[1].designator = 7;
                    },
                    "RUNWAY_HEADING: QSKA invalid or duplicate runway 09L-27(7); correction "
                    "disabled"},
        RunwayCheck{"DuplicateRunway",
                    [](Airport& a) {
                        a.runways[1].primaryDesignator = 1;
                        a.runways[1].secondaryDesignator = 2;
                    },
                    "RUNWAY_HEADING: QSKA invalid or duplicate runway 09L-27R; correction "
                    "disabled"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Failures of the request and the reply -------------------------------------------------------

simworld::FaultSetup lf_fault(simworld::FaultKind kind, const char* function,
                              std::uint32_t nth = 1) {
    simworld::FaultSetup f;
    f.kind = kind;
    f.function = function;
    f.nth = nth;
    f.client = "PARKING_DATA_RDR";
    return f;
}

TEST_F(FacilityRunwaysTest, DefinitionTwoIsAddedOncePerConnectionInItsOrder) {
    startWorld({fixture("qska")});
    ASSERT_EQ(gf_readRunwayFacilities(stop_, "QSKA").valid, 1);
    ASSERT_EQ(gf_readRunwayFacilities(stop_, "QSKA").valid, 1);
    const std::vector<std::string> fields = definitionFields(1002);
    ASSERT_EQ(fields.size(), 36u);
    EXPECT_THAT(std::vector<std::string>(fields.begin(), fields.begin() + 5),
                ElementsAre("OPEN AIRPORT", "ALTITUDE", "N_RUNWAYS", "N_STARTS", "OPEN RUNWAY"));
    EXPECT_EQ(fields.back(), "CLOSE AIRPORT");
    // Closing forgets it; the next read on a new connection adds it again.
    gf_closeFacilityConnection();
    ASSERT_EQ(gf_readRunwayFacilities(stop_, "QSKA").valid, 1);
    EXPECT_EQ(definitionFields(1002).size(), 72u);
    EXPECT_EQ(journalCalls("SimConnect_Open(\"PARKING_DATA_RDR\"").size(), 2u);
}

TEST_F(FacilityRunwaysTest, ARefusedFieldOfDefinitionTwoFailsAndStartsAFreshConnection) {
    // The 30 fields of definition 1001 come first.
    startWorld({fixture("qska")},
               {lf_fault(simworld::FaultKind::failCall, "SimConnect_AddToFacilityDefinition", 35)});
    EXPECT_EQ(gf_readRunwayFacilities(stop_, "QSKA").valid, 0);
    EXPECT_THAT(importantLines(),
                ElementsAre("==> RUNWAY_HEADING: facility definition initialization failed"));
    EXPECT_FALSE(gf_isFacilityConnectionOpen());
    EXPECT_EQ(gf_readRunwayFacilities(stop_, "QSKA").valid, 1);
}

TEST_F(FacilityRunwaysTest, ARefusedRequestGivesItsLine) {
    startWorld({fixture("qska")},
               {lf_fault(simworld::FaultKind::failCall, "SimConnect_RequestFacilityData")});
    EXPECT_EQ(gf_readRunwayFacilities(stop_, "QSKA").valid, 0);
    EXPECT_THAT(importantLines(), ElementsAre("==> RUNWAY_HEADING: RequestFacilityData for QSKA "
                                              "failed: 0x80004005"));
}

TEST_F(FacilityRunwaysTest, AFailedDispatchGivesItsLine) {
    startWorld({fixture("qska")},
               {lf_fault(simworld::FaultKind::failCall, "SimConnect_CallDispatch")});
    EXPECT_EQ(gf_readRunwayFacilities(stop_, "QSKA").valid, 0);
    EXPECT_THAT(importantLines(), ElementsAre("==> RUNWAY_HEADING: SimConnect_CallDispatch "
                                              "failed for QSKA: 0x80004005"));
}

TEST_F(FacilityRunwaysTest, AnExceptionMessageFailsTheRead) {
    simworld::FaultSetup exception =
        lf_fault(simworld::FaultKind::exception, "SimConnect_RequestFacilityData");
    exception.exception = SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID;
    exception.index = 2;
    startWorld({fixture("qska")}, {exception});
    EXPECT_EQ(gf_readRunwayFacilities(stop_, "QSKA").valid, 0);
    // Packets: the open, 30 fields of 1001, 36 of 1002, then the request.
    EXPECT_THAT(importantLines(),
                ElementsAre("==> RUNWAY_HEADING: SimConnect exception id=3 sendID=68 index=2"));
}

TEST_F(FacilityRunwaysTest, AReplyThatNeverEndsTimesOutAfterTenSecondsAndTheConnectionStays) {
    simworld::AirportFacilitySetup endless = fixture("qska");
    endless.serving.sendEnd = false;
    startWorld({endless});
    EXPECT_EQ(gf_readRunwayFacilities(stop_, "QSKA").valid, 0);
    EXPECT_GE(worldSeconds(), 10.0);
    EXPECT_LT(worldSeconds(), 10.01);
    EXPECT_THAT(importantLines(), ElementsAre("==> RUNWAY_HEADING: facility data request timed "
                                              "out for QSKA"));
    EXPECT_TRUE(gf_isFacilityConnectionOpen());
}

struct ShortRecord {
    const char* name;
    std::uint32_t nth; // among the FACILITY_DATA messages of the reply
    DWORD bytes;
    const char* line;
};

class FacilityShortRunwayRecordTest : public FacilityRunwaysTest,
                                      public ::testing::WithParamInterface<ShortRecord> {};

TEST_P(FacilityShortRunwayRecordTest, ARecordShorterThanItsKindFailsTheRead) {
    simworld::FaultSetup cut;
    cut.kind = simworld::FaultKind::truncateMessage;
    cut.name = "FACILITY_DATA";
    cut.nth = GetParam().nth;
    cut.bytes = GetParam().bytes;
    startWorld({fixture("qska")}, {cut});
    EXPECT_EQ(gf_readRunwayFacilities(stop_, "QSKA").valid, 0);
    EXPECT_THAT(importantLines(), ElementsAre(std::string("==> ") + GetParam().line));
}

// The reply: the airport, then per runway the runway and its two thresholds, then 7 STARTs.
INSTANTIATE_TEST_SUITE_P(
    Records, FacilityShortRunwayRecordTest,
    ::testing::Values(
        ShortRecord{"Airport", 1, 55,
                    "RUNWAY_HEADING: facility data for QSKA too short: airport reply of 55 "
                    "bytes, 56 needed"},
        ShortRecord{"Runway", 5, 91,
                    "RUNWAY_HEADING: facility data for QSKA too short: runway reply of 91 bytes, "
                    "92 needed"},
        ShortRecord{"Threshold", 4, 51,
                    "RUNWAY_HEADING: facility data for QSKA too short: pavement reply of 51 "
                    "bytes, 52 needed"},
        ShortRecord{"Start", 11, 79,
                    "RUNWAY_HEADING: facility data for QSKA too short: start reply of 79 bytes, "
                    "80 needed"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Names and START altitudes -----------------------------------------------------------------

TEST(RunwayDesignatorTextTest, NumbersCompassPointsAndDesignators) {
    const std::vector<std::tuple<std::uint32_t, std::int32_t, std::string>> cases{
        {9, 1, "09L"},  {27, 0, "27"},     {37, 0, "N"},    {45, 0, "#45"}, {4, 9, "04(9)"},
        {36, 3, "36C"}, {1, 2, "01R"},     {44, 6, "NWB"},  {38, 5, "NEA"}, {0, 0, "#0"},
        {18, 4, "18W"}, {41, -1, "S(-1)"}, {40, 7, "SE(7)"}};
    for (const auto& [number, designator, text] : cases) {
        EXPECT_EQ(gf_runwayDesignatorText(number, designator), text) << number << " " << designator;
    }
}

TEST(PickStartAltitudeTest, TheStartWithinFiftyFeetOrOnTheOtherSideOfASlopeElseTheCentre) {
    struct Case {
        double centre;
        std::optional<double> thisEnd;
        std::optional<double> otherEnd;
        double altitude;
        bool fromCentre;
    };
    const std::vector<Case> cases{
        {100, 120, std::nullopt, 120, false}, // within 50 ft
        {100, 150, std::nullopt, 150, false}, // exactly 50 ft
        {100, 200, 20, 200, false},           // opposite sides, both beyond 50 ft
        {100, 200, 180, 100, true},           // same side
        {100, 200, 60, 100, true},            // the other end within 50 ft
        {100, 200, std::nullopt, 100, true},  // no other end
        {100, 200, kNaN, 100, true},
        {100, std::nullopt, 120, 100, false}, // no START here
        {100, kNaN, 120, 100, false},
        {kNaN, 120, 100, 120, false}, // no usable centre: the START
    };
    for (const Case& c : cases) {
        const StartAltitude got = gf_pickStartAltitude(c.centre, c.thisEnd, c.otherEnd);
        EXPECT_EQ(got.altitude, c.altitude) << c.centre << " " << c.thisEnd.value_or(-1);
        EXPECT_EQ(got.fromCentre, c.fromCentre) << c.centre << " " << c.thisEnd.value_or(-1);
    }
    const StartAltitude none = gf_pickStartAltitude(kNaN, std::nullopt, 120);
    EXPECT_TRUE(std::isnan(none.altitude));
    EXPECT_FALSE(none.fromCentre);
}

} // namespace
} // namespace skyloom::testing
