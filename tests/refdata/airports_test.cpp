#include "refdata/airports.h"

#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "refdata/park_airport.h"
#include "tests/refdata/support/refdata_test_support.h"

namespace skyloom {
namespace {

constexpr double kNMPerDegree = 60.0;

AirportEntry lf_airport(const char* icao, double lat, double lon, std::int32_t altitude = 0,
                        const char* iata = "") {
    AirportEntry entry;
    entry.icao = IcaoCode(icao);
    if (*iata != '\0') {
        entry.iata = IataCode(iata);
    }
    entry.lat = lat;
    entry.lon = lon;
    entry.altitudeFt = altitude;
    return entry;
}

std::string lf_code(const std::optional<AirportEntry>& airport) {
    return airport ? airport->icao.text() : std::string("none");
}

class AirportsTest : public ::testing::Test {
protected:
    void SetUp() override { testing::resetReferenceData(); }
    void TearDown() override { testing::resetReferenceData(); }

    testing::TempDir dir_;
};

TEST_F(AirportsTest, ReadSortsAndFindsByCode) {
    testing::writeText(dir_ / "airports.xml", testing::dataSetXml("airports", "2026.1", R"(
      <airports>
        <ap i="KLAX" a="LAX" la="33.942501" lo="-118.407997" al="125"/>
        <ap i="EDDF" a="FRA" la="50.033333" lo="8.570556" al="364"/>
        <ap i="NFNM" la="-16.69" lo="-179.877" al="60"/>
        <ap i="EHAM" a="AMS" la="52.308601" lo="4.763889" al="-11"/>
      </airports>)"));
    gf_readAirports(dir_.path());
    EXPECT_EQ(gf_airportCount(), 4u);
    const auto eham = gf_findAirportById(IcaoCode("EHAM"));
    ASSERT_TRUE(eham.has_value());
    EXPECT_EQ(eham->iata.text(), "AMS");
    EXPECT_EQ(eham->altitudeFt, -11);
    EXPECT_DOUBLE_EQ(eham->lat, 52.308601);
    EXPECT_FALSE(gf_findAirportById(IcaoCode("EGLL")).has_value());
    EXPECT_FALSE(gf_findAirportById(IcaoCode()).has_value());
    EXPECT_TRUE(gf_airportKnown(IcaoCode("NFNM")));
    EXPECT_FALSE(gf_findAirportById(IcaoCode("NFNM"))->iata.isSet());
    EXPECT_FALSE(gf_airportKnown(IcaoCode("KLAS")));
    std::vector<std::string> order;
    gf_withAirports([&](const std::vector<AirportEntry>& entries) {
        for (const auto& entry : entries) {
            order.push_back(entry.icao.text());
        }
    });
    EXPECT_EQ(order, (std::vector<std::string>{"EDDF", "EHAM", "KLAX", "NFNM"}));
}

// Every airport of a large table is found again, and codes between them are not.
TEST_F(AirportsTest, BinarySearchOverALargeTable) {
    std::vector<AirportEntry> entries;
    for (int i = 0; i < 4000; ++i) {
        entries.push_back(lf_airport(fmt::format("{:04}", i * 2).c_str(), 10.0, 10.0));
    }
    std::reverse(entries.begin(), entries.end());
    gf_setAirports(entries);
    EXPECT_EQ(gf_airportCount(), 4000u);
    for (int i = 0; i < 4000; ++i) {
        ASSERT_TRUE(gf_airportKnown(IcaoCode(fmt::format("{:04}", i * 2)))) << i;
        ASSERT_FALSE(gf_airportKnown(IcaoCode(fmt::format("{:04}", i * 2 + 1)))) << i;
    }
}

TEST_F(AirportsTest, FaultyEntriesAreSkippedAndDuplicatesKeepTheFirst) {
    testing::CapturedLog log;
    testing::writeText(dir_ / "airports.xml", testing::dataSetXml("airports", "1.0", R"(
      <airports>
        <ap i="EDDF" a="FRA" la="50.03" lo="8.57" al="364"/>
        <ap i="EDDF" a="XXX" la="1" lo="1"/>
        <ap i="ED-F" la="50" lo="8"/>
        <ap i="EDDM" a="MUC" la="91" lo="11"/>
        <ap i="EDDH" a="HAMB" la="53.6" lo="10"/>
        <ap i="EDDL" la="51.28" lo="six"/>
        <ap i="EDDK" la="0" lo="0"/>
        <ap i="EDDS" la="48.69" lo="9.22" al="1.5"/>
        <ap i="EDDB" la="52.36" lo="13.5"/>
      </airports>)"));
    gf_readAirports(dir_.path());
    EXPECT_EQ(gf_airportCount(), 2u);
    EXPECT_EQ(gf_findAirportById(IcaoCode("EDDF"))->iata.text(), "FRA");
    EXPECT_EQ(gf_findAirportById(IcaoCode("EDDB"))->altitudeFt, 0);
    EXPECT_TRUE(log.contains("airport skipped: invalid ICAO code 'ED-F'"));
    EXPECT_TRUE(log.contains("airport skipped: EDDH: invalid IATA code 'HAMB'"));
    EXPECT_TRUE(log.contains("airport skipped: EDDL: invalid position '51.28', 'six'"));
    EXPECT_TRUE(log.contains("airport skipped: EDDS: invalid altitude '1.5'"));
    EXPECT_TRUE(log.contains("6 airports skipped as invalid, 1 as duplicates"));
    EXPECT_TRUE(log.has("    2 airports"));
}

TEST_F(AirportsTest, UnusableFileKeepsTheTable) {
    gf_setAirports({lf_airport("EDDF", 50.03, 8.57)});
    testing::writeText(dir_ / "airports.xml", testing::dataSetXml("airports", "1.0", "<ap/>"));
    EXPECT_THROW(gf_readAirports(dir_.path()), std::runtime_error);
    testing::writeText(dir_ / "airports.xml", "<root>");
    EXPECT_THROW(gf_readAirports(dir_.path()), std::runtime_error);
    EXPECT_TRUE(gf_airportKnown(IcaoCode("EDDF")));
}

TEST(FlatDistanceTest, WrapsAtTheAntimeridian) {
    EXPECT_NEAR(std::sqrt(gf_flatDistanceSquaredNM({0.0, 179.95}, {0.0, -179.95})), 6.0, 1e-9);
    EXPECT_NEAR(std::sqrt(gf_flatDistanceSquaredNM({0.0, -179.95}, {0.0, 179.95})), 6.0, 1e-9);
    EXPECT_NEAR(std::sqrt(gf_flatDistanceSquaredNM({60.0, 10.0}, {60.0, 11.0})), 30.0, 1e-9);
    EXPECT_NEAR(std::sqrt(gf_flatDistanceSquaredNM({10.0, 10.0}, {11.0, 10.0})), 60.0, 1e-9);
    EXPECT_NEAR(std::sqrt(gf_flatDistanceSquaredNM({0.0, -180.0}, {0.0, 180.0})), 0.0, 1e-9);
}

TEST_F(AirportsTest, ClosestAirportWithinFiveMiles) {
    gf_setAirports({
        lf_airport("AAAA", 10.0, 10.0),
        lf_airport("BBBB", 10.0 + 4.9 / kNMPerDegree, 10.0),
        lf_airport("CCCC", 40.0, 10.0),
        // Near the antimeridian on both sides.
        lf_airport("NFNM", -16.69, -179.99),
        lf_airport("NFNL", -16.70, 179.90),
        lf_airport("PADK", 51.88, -176.646),
    });
    struct Case {
        Lalo position;
        const char* expected;
    };
    const Case cases[] = {
        {{10.0 + 1.0 / kNMPerDegree, 10.0}, "AAAA"},
        {{10.0 + 4.0 / kNMPerDegree, 10.0}, "BBBB"},
        {{40.0 + 5.1 / kNMPerDegree, 10.0}, "none"},
        {{40.0 + 4.99 / kNMPerDegree, 10.0}, "CCCC"},
        // 0.03 degrees of longitude east of NFNM, across the antimeridian: 1.7 NM.
        {{-16.69, 179.98}, "NFNM"},
        {{-16.69, -179.92}, "NFNM"},
        {{-16.70, 179.86}, "NFNL"},
        {{-16.69, 180.0}, "NFNM"},
        {{-16.69, -180.0}, "NFNM"},
        {{51.88, -176.70}, "PADK"},
        {{0.0, 0.0001}, "none"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lf_code(gf_findClosestAirport(c.position)), c.expected)
            << c.position.lat << ", " << c.position.lon;
    }
}

// With several airports in reach, parking's stand reader decides: the airport with the nearest
// stand wins, and a change of the winner is logged.
TEST_F(AirportsTest, ClosestAirportTieBreakByNearestStand) {
    testing::CapturedLog log;
    gf_setAirports({
        lf_airport("EGLL", 51.4700, -0.4543),
        lf_airport("EGLX", 51.4700 + 2.0 / kNMPerDegree, -0.4543),
        lf_airport("EGLY", 51.4700 + 4.0 / kNMPerDegree, -0.4543),
    });
    const Lalo user{51.4700 + 0.5 / kNMPerDegree, -0.4543};
    std::vector<std::string> asked;
    std::map<std::string, std::variant<ClosestStand, std::string>> stands{
        {"EGLL", ClosestStand{"A10", 0.40}},
        {"EGLX", ClosestStand{"GATE 5", 0.05}},
        {"EGLY", std::string("airport source path not found")},
    };
    gf_setClosestStandReader([&](const IcaoCode& icao, const Lalo& position) {
        EXPECT_EQ(position, user);
        asked.push_back(icao.text());
        return stands.at(icao.text());
    });
    EXPECT_EQ(lf_code(gf_findClosestAirport(user)), "EGLX");
    EXPECT_EQ(asked, (std::vector<std::string>{"EGLL", "EGLX", "EGLY"}));
    EXPECT_TRUE(log.has("Airport EGLL has the closest center, but stand GATE 5 at EGLX is closer "
                        "(93 meters)"));
    // By its centre alone (where an aircraft on the ground stands): no stand is asked for.
    asked.clear();
    EXPECT_EQ(lf_code(gf_findClosestAirportCentre(user)), "EGLL");
    EXPECT_TRUE(asked.empty());

    // The closest centre also has the nearest stand: no line.
    stands["EGLX"] = ClosestStand{"GATE 5", 0.5};
    const auto before = log.lines().size();
    EXPECT_EQ(lf_code(gf_findClosestAirport(user)), "EGLL");
    EXPECT_EQ(log.lines().size(), before);

    // No file gives a stand: the closest centre wins.
    stands["EGLL"] = std::string("airport file has no valid stands");
    stands["EGLX"] = std::string("airport source path not found");
    EXPECT_EQ(lf_code(gf_findClosestAirport(user)), "EGLL");
}

TEST_F(AirportsTest, SingleAirportInReachNeedsNoStandReader) {
    gf_setAirports({lf_airport("EGLL", 51.47, -0.4543)});
    int calls = 0;
    gf_setClosestStandReader([&](const IcaoCode&, const Lalo&) {
        ++calls;
        return std::variant<ClosestStand, std::string>(std::string("unused"));
    });
    EXPECT_EQ(lf_code(gf_findClosestAirport({51.47, -0.45})), "EGLL");
    EXPECT_EQ(calls, 0);
}

TEST_F(AirportsTest, ParkAirportAltitudeOnlyWithAValidAirport) {
    auto& entry = gf_parkAirportEntry();
    EXPECT_FALSE(entry.isSet());
    EXPECT_FALSE(gf_parkAirportAltitude().has_value());
    entry.set(lf_airport("LSZH", 47.4647, 8.5492, 1416, "ZRH"));
    EXPECT_EQ(gf_parkAirportAltitude(), 1416);
    entry.setAltitude(1402);
    EXPECT_EQ(gf_parkAirportAltitude(), 1402);
    EXPECT_EQ(entry.get().iata.text(), "ZRH");
    // A code without a valid position gives no altitude.
    entry.set(lf_airport("LSZH", 0.0, 0.0, 1416));
    EXPECT_FALSE(gf_parkAirportAltitude().has_value());
    entry.clear();
    EXPECT_EQ(entry.get(), AirportEntry{});
    EXPECT_FALSE(gf_parkAirportAltitude().has_value());
}

TEST_F(AirportsTest, NearParkAirportWithinTenMilesAcrossTheAntimeridian) {
    EXPECT_FALSE(gf_isNearParkAirport({-16.69, -179.99}));
    gf_parkAirportEntry().set(lf_airport("NFNM", -16.69, -179.99, 60));
    const double lonScale = std::cos(-16.69 * M_PI / 180.0) * kNMPerDegree;
    struct Case {
        Lalo position;
        bool near;
    };
    const Case cases[] = {
        {{-16.69, -179.99}, true},
        {{-16.69, 179.99 - 9.9 / lonScale + 0.02}, true},
        {{-16.69, -179.99 + 9.9 / lonScale}, true},
        {{-16.69, -179.99 + 10.1 / lonScale}, false},
        {{-16.69, 179.99 - 10.1 / lonScale + 0.02}, false},
        {{-16.69 + 9.9 / kNMPerDegree, -179.99}, true},
        {{-16.69 - 10.1 / kNMPerDegree, -179.99}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_isNearParkAirport(c.position), c.near)
            << c.position.lat << ", " << c.position.lon;
    }
}

} // namespace
} // namespace skyloom
