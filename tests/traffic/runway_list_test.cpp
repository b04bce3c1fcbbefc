// Loading the park airport's runway list: one read per airport and source, the summary line,
// the runways of the ignore table, a failed read, the altitude warning, and each consistency
// check with its line (the runway is kept either way).
#include "traffic/ground/runway_list.h"

#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "tests/sim/support/facility_test_support.h"
#include "tests/traffic/support/runway_fixture.h"
#include "tests/traffic/support/test_numbers.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;


AirportEntry lf_entry(const char* icao, Lalo position, std::int32_t altitudeFt = 1000) {
    AirportEntry e;
    e.icao = IcaoCode(icao);
    e.lat = position.lat;
    e.lon = position.lon;
    e.altitudeFt = altitudeFt;
    return e;
}

class RunwayListTest : public FacilityTest {
protected:
    // A reader that counts its calls and gives these runways.
    RunwayList::Reader reader(std::vector<FacilityRunway> runways, double altitudeFt = 1000) {
        return [this, runways, altitudeFt](std::string_view) {
            ++reads_;
            return RunwayFacilities{altitudeFt, runways, 1};
        };
    }
    std::vector<std::string> runwayLines() const {
        std::vector<std::string> out;
        for (const std::string& line : logLines()) {
            if (line.find("RUNWAY_HEADING") != std::string::npos) {
                out.push_back(line);
            }
        }
        return out;
    }

    int reads_ = 0;
};

TEST_F(RunwayListTest, OneReadPerAirportAndSource) {
    const Lalo centre{45.47, -73.74};
    const FacilityRunway r = gf_makeRunway({.centre = centre});
    const AirportEntry entry = lf_entry("QTST", centre);
    RunwayList list;
    const auto read = reader({r});
    list.correctRunwayHeadings(IcaoCode("QTST"), "stock", entry, read);
    list.correctRunwayHeadings(IcaoCode("QTST"), "stock", entry, read);
    EXPECT_EQ(reads_, 1);
    EXPECT_EQ(list.runways().size(), 1u);
    list.correctRunwayHeadings(IcaoCode("QTST"), "Publisher", entry, read);
    EXPECT_EQ(reads_, 2);
    // Stopping forgets the airport: the same load reads again.
    list.stop();
    EXPECT_TRUE(list.runways().empty());
    list.correctRunwayHeadings(IcaoCode("QTST"), "Publisher", entry, read);
    EXPECT_EQ(reads_, 3);
    EXPECT_THAT(runwayLines(), ElementsAre("RUNWAY_HEADING: QTST 1 runway: 09-27",
                                           "RUNWAY_HEADING: QTST 1 runway: 09-27",
                                           "RUNWAY_HEADING: QTST 1 runway: 09-27"));
}

TEST_F(RunwayListTest, IgnoredRunwaysOfTheStockScenery) {
    const Lalo centre{45.47, -73.74};
    const FacilityRunway r06L = gf_makeRunway({.centre = centre,
                                               .headingDeg = 57,
                                               .primaryNumber = 6,
                                               .primaryDesignator = 1,
                                               .secondaryNumber = 24,
                                               .secondaryDesignator = 2});
    const FacilityRunway r06R = gf_makeRunway({.centre = gf_onRunway(r06L, 0, 1000),
                                               .headingDeg = 57,
                                               .primaryNumber = 6,
                                               .primaryDesignator = 2,
                                               .secondaryNumber = 24,
                                               .secondaryDesignator = 1});
    // 10-28 once as delivered and once the other way round (28-10): both go.
    const FacilityRunway r10 = gf_makeRunway({.centre = gf_onRunway(r06L, 0, -1000),
                                              .headingDeg = 100,
                                              .primaryNumber = 10,
                                              .secondaryNumber = 28});
    const FacilityRunway r28 = gf_makeRunway({.centre = gf_onRunway(r06L, 1500, -1000),
                                              .headingDeg = 280,
                                              .primaryNumber = 28,
                                              .secondaryNumber = 10});
    const AirportEntry entry = lf_entry("CYUL", centre);
    RunwayList list;
    list.correctRunwayHeadings(IcaoCode("CYUL"), "stock", entry, reader({r06L, r10, r06R, r28}));
    ASSERT_EQ(list.runways().size(), 2u);
    EXPECT_EQ(list.runways()[0].primaryDesignator, 1u);
    EXPECT_EQ(list.runways()[1].primaryDesignator, 2u);
    EXPECT_THAT(
        runwayLines(),
        ElementsAre("RUNWAY_HEADING: CYUL stock runway 10-28 ignored: permanently converted to "
                    "Taxiway C",
                    "RUNWAY_HEADING: CYUL stock runway 28-10 ignored: permanently converted to "
                    "Taxiway C",
                    "RUNWAY_HEADING: CYUL 2 runways: 06L-24R, 06R-24L"));

    // From another source the runway is the publisher's own and stays.
    RunwayList other;
    other.correctRunwayHeadings(IcaoCode("CYUL"), "Publisher", entry, reader({r06L, r10}));
    EXPECT_EQ(other.runways().size(), 2u);
}

TEST_F(RunwayListTest, AFailedReadLeavesTheListEmptyAndIsTriedAgain) {
    const Lalo centre{45.47, -73.74};
    RunwayList list;
    list.correctRunwayHeadings(IcaoCode("QTST"), "stock", lf_entry("QTST", centre),
                               reader({gf_makeRunway({.centre = centre})}));
    int failedReads = 0;
    const RunwayList::Reader failing = [&](std::string_view) {
        ++failedReads;
        return RunwayFacilities{};
    };
    list.correctRunwayHeadings(IcaoCode("QTSU"), "stock", lf_entry("QTSU", centre), failing);
    EXPECT_TRUE(list.runways().empty());
    list.correctRunwayHeadings(IcaoCode("QTSU"), "stock", lf_entry("QTSU", centre), failing);
    EXPECT_EQ(failedReads, 2);
    EXPECT_THAT(importantLines(),
                ElementsAre("==> RUNWAY_HEADING: reading runway facilities for QTSU failed",
                            "==> RUNWAY_HEADING: reading runway facilities for QTSU failed"));
}

TEST_F(RunwayListTest, AirportAltitudeFarFromTheTable) {
    const Lalo centre{45.47, -73.74};
    RunwayList list;
    list.correctRunwayHeadings(IcaoCode("QTST"), "stock", lf_entry("QTST", centre, 1000),
                               reader({gf_makeRunway({.centre = centre})}, 1100.5));
    list.correctRunwayHeadings(IcaoCode("QTSU"), "stock", lf_entry("QTSU", centre, 1000),
                               reader({gf_makeRunway({.centre = centre})}, 1100));
    EXPECT_THAT(importantLines(),
                ElementsAre("==> RUNWAY_HEADING: QTST airport altitude difference too large: "
                            "Facilities=1100.5 ft, airport file=1000.0 ft, difference=+100.5 ft"));
    EXPECT_EQ(list.runways().size(), 1u);
}

struct Check {
    const char* name;
    std::function<void(std::vector<FacilityRunway>&)> change;
    std::vector<std::string> texts; // after "RUNWAY_HEADING: QTST runway {name}: "
    const char* runwayName = "09-27";

    friend void PrintTo(const Check& check, std::ostream* out) { *out << check.name; }
};

class RunwayListCheckTest : public RunwayListTest, public ::testing::WithParamInterface<Check> {};

TEST_P(RunwayListCheckTest, EachFindingIsLoggedAndTheRunwayKept) {
    const Lalo centre{45.47, -73.74};
    std::vector<FacilityRunway> runways{gf_makeRunway({.centre = centre})};
    GetParam().change(runways);
    RunwayList list;
    list.correctRunwayHeadings(IcaoCode("QTST"), "stock", lf_entry("QTST", centre),
                               reader(runways));
    EXPECT_EQ(list.runways().size(), runways.size());
    std::vector<std::string> expected;
    for (const std::string& text : GetParam().texts) {
        expected.push_back(
            fmt::format("==> RUNWAY_HEADING: QTST runway {}: {}", GetParam().runwayName, text));
    }
    EXPECT_THAT(importantLines(), ElementsAreArray(expected));
}

FacilityRunway& lf_first(std::vector<FacilityRunway>& runways) {
    return runways.front();
}

// Moves the secondary end by metres along (+ beyond the end) and to the right.
void lf_moveSecondaryEnd(FacilityRunway& r, double along, double right) {
    const double h = r.heading * std::numbers::pi / 180;
    const Lalo moved = gf_flatOffset({r.secondaryLatitude, r.secondaryLongitude},
                                     along * std::sin(h) + right * std::cos(h),
                                     along * std::cos(h) - right * std::sin(h));
    r.secondaryLatitude = moved.lat;
    r.secondaryLongitude = moved.lon;
}

INSTANTIATE_TEST_SUITE_P(
    Checks, RunwayListCheckTest,
    ::testing::Values(
        Check{"Consistent", [](auto&) {}, {}},
        Check{"Duplicate",
              [](auto& rs) { rs.push_back(rs.front()); },
              {"duplicate runway designation"}},
        Check{"CentreNull",
              [](auto& rs) {
                  lf_first(rs).centreLatitude = 0;
                  lf_first(rs).centreLongitude = 0.00005;
              },
              {"invalid center or endpoint coordinates"}},
        Check{"EndOutOfRange",
              [](auto& rs) { lf_first(rs).secondaryLongitude = 181; },
              {"invalid center or endpoint coordinates"}},
        Check{"Heading360",
              [](auto& rs) { lf_first(rs).heading = 360; },
              {"invalid facility heading", "endpoint bearing differs from facility heading"}},
        Check{"LengthZero",
              [](auto& rs) { lf_first(rs).length = 0; },
              {"implausible runway length", "endpoint distance differs from facility length"}},
        Check{"Width600", [](auto& rs) { lf_first(rs).width = 600; }, {"implausible runway width"}},
        Check{"AltitudeNaN",
              [](auto& rs) { lf_first(rs).altitude = kNaN; },
              {"invalid runway altitude"}},
        Check{"NumbersNotReciprocal",
              [](auto& rs) { lf_first(rs).secondaryNumber = 28; },
              {"runway numbers are not reciprocal"},
              "09-28"},
        Check{"DesignatorsNotReciprocal",
              [](auto& rs) {
                  lf_first(rs).primaryDesignator = 1;
                  lf_first(rs).secondaryDesignator = 1;
              },
              {"runway designators are not reciprocal"},
              "09L-27L"},
        Check{"CompassNumbersUnexamined",
              [](auto& rs) {
                  lf_first(rs).primaryNumber = 37;
                  lf_first(rs).secondaryNumber = 41;
              },
              {}},
        Check{"StartMissing",
              [](auto& rs) { lf_first(rs).secondaryStart.present = 0; },
              {"one or both runway START records are missing"}},
        Check{"StartAltitudeOff",
              [](auto& rs) {
                  lf_first(rs).primaryStart.altitude = 1080;
                  lf_first(rs).secondaryStart.altitude = 1010;
              },
              {"primary START altitude 1080.0 ft differs from runway center 1000.0 ft; using "
               "runway center altitude"}},
        Check{"SlopedRunway",
              [](auto& rs) {
                  lf_first(rs).primaryStart.altitude = 1080;
                  lf_first(rs).secondaryStart.altitude = 920;
              },
              {}},
        Check{"EndBearingOff",
              [](auto& rs) { lf_moveSecondaryEnd(lf_first(rs), 0, 10); },
              {"endpoint bearing differs from facility heading"}},
        Check{"EndDistanceOff",
              [](auto& rs) { lf_moveSecondaryEnd(lf_first(rs), 5, 0); },
              {"endpoint distance differs from facility length"}},
        // 359.98 and an end bearing of 000.02 lie 0.04 degrees apart.
        Check{"HeadingAcrossNorth",
              [](auto& rs) {
                  rs.front() = gf_makeRunway({.centre = {45.47, -73.74},
                                              .headingDeg = 0.02,
                                              .primaryNumber = 36,
                                              .secondaryNumber = 18});
                  rs.front().heading = 359.98;
              },
              {},
              "36-18"},
        Check{"FarFromTheReferencePoint",
              [](auto& rs) {
                  rs.front() = gf_makeRunway({.centre = {45.67, -73.74}});
              },
              {"center is more than 10 NM from airport reference point"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace skyloom::testing
