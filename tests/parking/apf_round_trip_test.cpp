// Airport files written, read back and written again: every kind of stand, option and
// parameter comes back the same, byte for byte, or (where the format normalises a record, as
// for a stand without type) as the normalised record, which then stays byte for byte.
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "parking/airport_file_reader.h"
#include "refdata/code_table.h"
#include "refdata/registrations.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom {
namespace {

using testing::airportNamed;
using testing::optionOf;
using testing::standAt;

struct RoundTripCase {
    std::string name;
    AirportFile airport;
    ApfMode mode = ApfMode::full;
    bool handmade = false;
    std::optional<ParkOptions> parkOptions;
    // The first file is already in the form the reader gives back.
    bool sameBytes = true;
    // What the reader gives back where it differs from what was written.
    std::function<void(std::vector<Stand>&)> normalise;
};

RoundTripCase lf_case(std::string name, AirportFile airport, ApfMode mode = ApfMode::full,
                      bool handmade = false, std::optional<ParkOptions> parkOptions = {},
                      bool sameBytes = true,
                      std::function<void(std::vector<Stand>&)> normalise = {}) {
    return RoundTripCase{std::move(name), std::move(airport), mode,     handmade,
                         parkOptions,     sameBytes,          normalise};
}

AirportFile lf_airportWith(std::vector<Stand> stands) {
    AirportFile airport = airportNamed("EHAM");
    airport.stands = std::move(stands);
    return airport;
}

Stand lf_gate(std::string id, double northMetres = 0) {
    return standAt(std::move(id), 52.301234 + northMetres / 1852.0 / 60.0, 4.765432, 123.4, 27.5,
                   StandType::GATE_MEDIUM);
}

Stand lf_untyped(std::string id, double radiusMetres, bool cargo, bool ramp, bool heli) {
    Stand stand = lf_gate(std::move(id));
    stand.type = StandType::NONE;
    stand.radius = radiusMetres * kStandNMPerMetre;
    stand.cargo = cargo;
    stand.ramp = ramp;
    stand.heli = heli;
    return stand;
}

// A stand with one option of each kind the file can hold.
Stand lf_standWithEveryOption() {
    Stand stand = lf_gate("D7");
    FlightOption plain = optionOf("KLM", "B738", "PH-BXA", 1, 10, 14, 1);
    FlightOption soft = optionOf("TRA", "B737", "PH-HZA", 2, 0, 0, 2);
    soft.real = 0;
    FlightOption pair = optionOf("KLM", "E190", "PH-EZA", 3, 20, 47, 3);
    pair.callsign = "KLM1234";
    pair.callsign2 = "KLM1235";
    FlightOption single = optionOf("DLH", "A320", "D-AIZA", 7, 47, 47, 4);
    single.callsign = "DLH2";
    FlightOption coupled = optionOf("EZY", "A319", "G-EZAA", 5, 6, 9, 5);
    coupled.cpl = true;
    FlightOption registered = optionOf("", "", "D-AIBA", 6, 2, 3, 6);
    registered.key = *gf_findRegistration("D-AIBA");
    stand.options = {plain, soft, pair, single, coupled, registered};
    return stand;
}

std::vector<RoundTripCase> lf_cases() {
    const auto typeBecomes = [](StandType type) {
        return [type](std::vector<Stand>& stands) { stands[0].type = type; };
    };
    std::vector<RoundTripCase> cases;
    cases.push_back(lf_case("a gate", lf_airportWith({lf_gate("A1")})));

    std::vector<Stand> everyType;
    for (std::uint32_t value = 1; value < kStandTypeCount; ++value) {
        Stand stand =
            lf_gate(std::string(gf_standTypeName(gf_standTypeFromValue(value))), 100.0 * value);
        stand.type = gf_standTypeFromValue(value);
        stand.cargo = gf_standTypeIsCargo(stand.type);
        stand.ramp = gf_standTypeIsRamp(stand.type);
        everyType.push_back(stand);
    }
    cases.push_back(lf_case("one stand of every type", lf_airportWith(everyType)));
    cases.push_back(lf_case("a helipad without type",
                            lf_airportWith({lf_untyped("H1", 12.0, false, false, true)})));
    cases.push_back(lf_case("a cargo helipad without type keeps its flag",
                            lf_airportWith({lf_untyped("H2", 12.0, true, false, true)})));
    cases.push_back(lf_case("a ramp helipad without type keeps its flag",
                            lf_airportWith({lf_untyped("H3", 12.0, false, true, true)})));
    cases.push_back(lf_case("a helipad without type that is cargo and ramp keeps both",
                            lf_airportWith({lf_untyped("H4", 40.0, true, true, true)})));
    cases.push_back(lf_case("a handmade learned file's cargo helipad keeps its flag",
                            lf_airportWith({lf_untyped("H5", 12.0, true, false, true)}),
                            ApfMode::learned, true));
    cases.push_back(lf_case("a ramp without type takes its type from its radius",
                            lf_airportWith({lf_untyped("R1", 20.0, false, true, false)}),
                            ApfMode::full, false, std::nullopt, false,
                            typeBecomes(StandType::RAMP_GA_MEDIUM)));
    cases.push_back(lf_case("a cargo stand without type becomes RAMP_CARGO",
                            lf_airportWith({lf_untyped("C1", 35.0, true, false, false)}),
                            ApfMode::full, false, std::nullopt, false,
                            typeBecomes(StandType::RAMP_CARGO)));

    Stand almostNorth = lf_gate("N1");
    almostNorth.heading = 359.97 * geo::kRadiansPerDegree; // written as 360.0
    cases.push_back(lf_case("a heading written as 360.0 reads as 0", lf_airportWith({almostNorth}),
                            ApfMode::full, false, std::nullopt, false,
                            [](std::vector<Stand>& stands) { stands[0].heading = 0; }));

    RoundTripCase stock = lf_case("a stock airport", lf_airportWith({lf_gate("A1")}));
    stock.airport.publisher = "stock";
    cases.push_back(stock);
    RoundTripCase unpublished =
        lf_case("an airport without publisher", lf_airportWith({lf_gate("A1")}));
    unpublished.airport.publisher.clear();
    unpublished.airport.bglPath = "Official/scenery/EHAM.bgl";
    cases.push_back(unpublished);
    RoundTripCase bare = lf_case("no position, placeholder IATA, no package", lf_airportWith({}));
    bare.airport.latitude = 0;
    bare.airport.longitude = 0;
    bare.airport.iata = IataCode("XXX");
    bare.airport.package.reset();
    cases.push_back(bare);

    ParkOptions options;
    options.parking_percentage = 65;
    options.MAX_FIT = 7;
    options.RT_PARKTRAFFIC_ONLY = 1;
    options.WEEK = 1;
    RoundTripCase handmade =
        lf_case("a handmade learned file with every kind of option",
                lf_airportWith({lf_standWithEveryOption(), lf_gate("D8", 200)}), ApfMode::learned,
                true, options);
    handmade.airport.qfReal = 40;
    handmade.airport.qfSoft = 12;
    cases.push_back(handmade);

    Stand dropped = lf_gate("E1");
    dropped.options = {optionOf("KLM", "B738", "PH-BXA", 1, 10, 14, 1),
                       optionOf("KLM", "B738", "PH-BXB", 1, 10, 14, 0),
                       optionOf("KLM", "B738", "", 1, 10, 14, 2),
                       optionOf("KLM", "B738", "PH-BXC", 2, 1, 1, 3)};
    cases.push_back(lf_case("options no longer valid or without registration are left out",
                            lf_airportWith({dropped}), ApfMode::learned, true, std::nullopt, true,
                            [](std::vector<Stand>& stands) {
                                auto& o = stands[0].options;
                                o = {o[0], o[3]};
                                o[1].seq = 2;
                            }));

    Stand known = lf_gate("F1");
    known.options = {optionOf("XXA", "XXB", "D-AIBA", 4, 5, 6, 1)};
    cases.push_back(lf_case("a registration the table knows takes the table's key",
                            lf_airportWith({known}), ApfMode::learned, true, std::nullopt, false,
                            [](std::vector<Stand>& stands) {
                                stands[0].options[0].key = *gf_findRegistration("D-AIBA");
                            }));
    RoundTripCase unscored = lf_case("a handmade file without scores",
                                     lf_airportWith({lf_gate("G1")}), ApfMode::learned, true);
    unscored.airport.qfReal = -1;
    unscored.airport.qfSoft = -1;
    cases.push_back(unscored);
    return cases;
}

void lf_expectSameStands(const std::vector<Stand>& read, const std::vector<Stand>& expected,
                         const std::string& name) {
    ASSERT_EQ(read.size(), expected.size()) << name;
    for (std::size_t i = 0; i < read.size(); ++i) {
        const Stand& r = read[i];
        const Stand& e = expected[i];
        SCOPED_TRACE(name + ": stand " + e.id);
        EXPECT_EQ(r.id, e.id);
        EXPECT_EQ(r.type, e.type);
        EXPECT_EQ(r.cargo, e.cargo);
        EXPECT_EQ(r.ramp, e.ramp);
        EXPECT_EQ(r.heli, e.heli);
        EXPECT_EQ(r.options, e.options);
        EXPECT_NEAR(r.position.lat, e.position.lat, 5e-7);
        EXPECT_NEAR(r.position.lon, e.position.lon, 5e-7);
        EXPECT_NEAR(r.heading, e.heading, 0.05 * geo::kRadiansPerDegree);
        EXPECT_NEAR(r.radius * geo::kMetresPerNM, e.radius * geo::kMetresPerNM, 0.05);
        EXPECT_EQ(r.sid, static_cast<std::int32_t>(i + 1));
    }
}

TEST(ApfRoundTripTest, EveryRecordKindComesBackByteForByte) {
    const testing::CapturedLog log;
    const testing::PublishedRegistrations registrations(
        R"(<r g="D-AIBA" a="DLH" m="A319"/><r g="N618FE" a="FDX" m="MD11" c="true"/>)");
    for (RoundTripCase& c : lf_cases()) {
        SCOPED_TRACE(c.name);
        const testing::TempDir dir;
        ASSERT_TRUE(
            testing::writeApf(c.airport, dir / "first.xml", c.mode, c.handmade, c.parkOptions));
        const AirportFileReadResult read = gf_readAirportFile(dir / "first.xml", {});
        ASSERT_TRUE(read) << read.error;
        const LoadedAirportFile& loaded = *read.file;
        EXPECT_EQ(loaded.airportName, c.airport.airportName);
        EXPECT_EQ(loaded.altitude, c.airport.altitude);
        EXPECT_EQ(loaded.publisher, c.airport.publisher);

        std::vector<Stand> expected = c.airport.stands;
        if (c.normalise) {
            c.normalise(expected);
        }
        lf_expectSameStands(loaded.stands, expected, c.name);

        AirportFile again = c.airport;
        again.stands = loaded.stands;
        again.qfReal = loaded.qfReal;
        again.qfSoft = loaded.qfSoft;
        ASSERT_TRUE(
            testing::writeApf(again, dir / "second.xml", c.mode, c.handmade, c.parkOptions));
        const std::string first = testing::readText(dir / "first.xml");
        const std::string second = testing::readText(dir / "second.xml");
        if (c.sameBytes) {
            EXPECT_EQ(second, first);
        } else {
            EXPECT_NE(second, first);
            const AirportFileReadResult reread = gf_readAirportFile(dir / "second.xml", {});
            ASSERT_TRUE(reread) << reread.error;
            again.stands = reread.file->stands;
            ASSERT_TRUE(
                testing::writeApf(again, dir / "third.xml", c.mode, c.handmade, c.parkOptions));
            EXPECT_EQ(testing::readText(dir / "third.xml"), second);
        }
    }
}

} // namespace
} // namespace skyloom
