// Airport files and the world file's "airports" list: the fixtures load and write back to the
// same airports, mistakes are errors naming the place, and the import from public data reads
// FlightGear coordinates and finds the offsets that lead back to each parking.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "platform/simworld/facility_file.h"
#include "platform/simworld/facility_import.h"
#include "platform/simworld/world_file.h"
#include "support/world_fixture.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::HasSubstr;

std::filesystem::path lf_airports() {
    return skyloom::testing::sourceDir() / "data/worlds/airports";
}

TEST(AirportFileTest, TheFixturesLoadAndWriteBackToTheSameAirports) {
    for (const char* name : {"qska", "qskb"}) {
        SCOPED_TRACE(name);
        const AirportFacilitySetup airport =
            gf_loadAirportFile(lf_airports() / (std::string(name) + ".json"));
        EXPECT_FALSE(airport.taxiParkings.empty());
        EXPECT_FALSE(airport.runways.empty());
        EXPECT_EQ(gf_parseAirportText(gf_airportFileText(airport), "written"), airport);
    }
    const AirportFacilitySetup a = gf_loadAirportFile(lf_airports() / "qska.json");
    // Codes by name: GATE_Z 37, suffix Z 37, REVERSE 1, LEFT 1, helipad SQUARE 2.
    EXPECT_EQ(a.taxiParkings.at(4).name, 37);
    EXPECT_EQ(a.taxiParkings.at(4).suffix, 37);
    EXPECT_EQ(a.taxiParkings.at(4).orientation, 1);
    EXPECT_EQ(a.taxiParkings.at(2).suffix, 5); // a number where no name fits
    EXPECT_EQ(a.runways.at(0).primaryDesignator, 1);
    EXPECT_EQ(a.helipads.at(0).type, 2);
    EXPECT_EQ(a.starts.back().type, 3);
}

TEST(AirportFileTest, MistakesNameTheirPlace) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {R"({"icao": "QSKZ", "latitude": 1, "longitude": 2, "runwayz": []})",
         "t.json: /runwayz: unknown key"},
        {R"({"latitude": 1, "longitude": 2})", "t.json: /: \"icao\" is missing"},
        {R"({"icao": "QSKZ", "latitude": 91, "longitude": 2})",
         "t.json: /latitude: 91 is outside -90 to 90"},
        {R"({"icao": "QSKZ", "latitude": 1, "longitude": 2,
             "taxiParkings": [{"type": "GATE_HEAVVY"}]})",
         "t.json: /taxiParkings/0/type: \"GATE_HEAVVY\" is no parking type"},
        {R"({"icao": "QSKZ", "latitude": 1, "longitude": 2,
             "taxiParkings": [{"type": 1.5}]})",
         "t.json: /taxiParkings/0/type: a whole number is expected here"},
        {R"({"icao": "QSKZ", "latitude": 1, "longitude": 2, "runways": [{"latitude": 1,
             "longitude": 2, "headingDegrees": 0, "lengthMeters": 1, "widthMeters": 1,
             "primary": {"number": "NNE"}, "secondary": {"number": 18}}]})",
         "t.json: /runways/0/primary/number: \"NNE\" is no runway number"},
        {R"({"icao": "", "latitude": 1, "longitude": 2})",
         "t.json: /icao: an ident of 1 to 7 characters is expected here"},
        {R"({"icao": "QSKZ", )", "t.json: not valid JSON"},
    };
    for (const auto& [text, message] : cases) {
        try {
            gf_parseAirportText(text, "t.json");
            ADD_FAILURE() << "no error for " << text;
        } catch (const WorldFileError& e) {
            EXPECT_THAT(e.what(), HasSubstr(message));
        }
    }
}

TEST(AirportFileTest, TheWorldFileNamesAirportFilesOrHoldsThemWithTheirServing) {
    const WorldSetup setup =
        gf_loadWorldFile(skyloom::testing::sourceDir() / "data/worlds/airports.json");
    ASSERT_EQ(setup.airports.size(), 3u);
    EXPECT_EQ(setup.airports[0], gf_loadAirportFile(lf_airports() / "qska.json"));
    EXPECT_EQ(setup.airports[1].icao, "QSKB");
    const AirportFacilitySetup& inline_ = setup.airports[2];
    EXPECT_EQ(inline_.icao, "QSKC");
    EXPECT_FALSE(inline_.serving.sendEnd);
    EXPECT_EQ(inline_.serving.withheld(FacilityKind::runway), 1u);
    EXPECT_EQ(inline_.runways.at(1).primaryNumber, 9);
}

TEST(AirportFileTest, AirportListMistakes) {
    skyloom::testing::TempDir dir;
    const std::vector<std::pair<std::string, std::string>> cases{
        {R"({"airports": ["qska.json"]})", "qska.json: cannot be opened"},
        {R"({"airports": [{"file": "a.json", "airport": {}}]})",
         "w.json: /airports/0: an airport entry needs either \"file\" or \"airport\""},
        {R"({"airports": [{"airport": {"icao": "Q", "latitude": 0, "longitude": 0}},
                          {"airport": {"icao": "q", "latitude": 0, "longitude": 0}}]})",
         "w.json: /airports/1: airport q is given twice"},
        {R"({"airports": [{"airport": {"icao": "Q", "latitude": 0, "longitude": 0},
                           "withhold": {"GATE": 1}}]})",
         "w.json: /airports/0/withhold/GATE: unknown key"},
        {R"({"airports": [{"airport": {"icao": "Q", "latitude": 0, "longitude": 0},
                           "delaySeconds": -1}]})",
         "w.json: /airports/0/delaySeconds: -1 is outside 0 to 1000000"},
    };
    for (const auto& [text, message] : cases) {
        try {
            gf_parseWorldText(text, "w.json", dir.path());
            ADD_FAILURE() << "no error for " << text;
        } catch (const WorldFileError& e) {
            EXPECT_THAT(e.what(), HasSubstr(message));
        }
    }
}

// --- Import from public data -------------------------------------------------------------------

TEST(FacilityImportTest, FlightGearCoordinates) {
    EXPECT_NEAR(gf_flightGearCoordinate("N47 27.209"), 47 + 27.209 / 60, 1e-12);
    EXPECT_NEAR(gf_flightGearCoordinate("W122 22.851"), -(122 + 22.851 / 60), 1e-12);
    EXPECT_NEAR(gf_flightGearCoordinate("S33 56.4"), -(33 + 56.4 / 60), 1e-12);
    EXPECT_NEAR(gf_flightGearCoordinate("E08 33"), 8.55, 1e-12);
    for (const char* bad : {"", "47 27.209", "N47", "N91 00.000", "E180 00.001", "N47 60.000",
                            "X47 27.209", "N47 27.2.09"}) {
        EXPECT_THROW(gf_flightGearCoordinate(bad), FacilityImportError) << bad;
    }
}

TEST(FacilityImportTest, TheOffsetsLeadBackToThePositionAsTheReaderAppliesThem) {
    const std::vector<std::pair<Lalo, Lalo>> cases{
        {{47.458056, 8.548056}, {47.45348333, 8.5572}}, // Zurich, south-east
        {{52.308601, 4.76389}, {52.2942, 4.74153}},     // Amsterdam, south-west
        {{69.5, 18.9}, {69.51, 18.95}},                 // far north
        {{-16.5, 179.999}, {-16.4996, -179.9954}},      // across the 180th meridian
        {{-33.9, 151.2}, {-33.9, 151.2}},               // the reference itself
    };
    for (const auto& [reference, position] : cases) {
        SCOPED_TRACE(fmt::format("{} {}", position.lat, position.lon));
        const ParkingBias bias = gf_parkingBias(reference, position);
        Lalo reached = reference;
        if (bias.xMeters != 0) {
            reached = gf_destination(
                reached, bias.xMeters > 0 ? std::numbers::pi / 2 : 3 * std::numbers::pi / 2,
                std::abs(bias.xMeters) * geo::kFeetPerMetre);
        }
        if (bias.zMeters != 0) {
            reached = gf_destination(reached, bias.zMeters > 0 ? 0 : std::numbers::pi,
                                     std::abs(bias.zMeters) * geo::kFeetPerMetre);
        }
        EXPECT_LT(gf_distanceNM(reached, position) * geo::kMetresPerNM, 0.001);
    }
}

TEST(FacilityImportTest, ZurichFromOurAirportsAndFlightGear) {
    SKYLOOM_REQUIRE_SHARED(parking, "data/stands/LSZH/parking.xml");
    FacilityImportSources sources;
    sources.airportsCsv = skyloom::testing::sharedPath("data/runways/airports.csv");
    sources.runwaysCsv = skyloom::testing::sharedPath("data/runways/runways.csv");
    sources.parkingXml = parking;
    const AirportFacilitySetup lszh = gf_importAirportFacilities("lszh", sources);
    EXPECT_EQ(lszh.icao, "LSZH");
    EXPECT_EQ(lszh.name, "Zürich Airport");
    EXPECT_NEAR(lszh.altitudeMeters, 1417 / geo::kFeetPerMetre, 1e-9);
    ASSERT_EQ(lszh.runways.size(), 3u);
    EXPECT_EQ(lszh.runways[1].primaryNumber, 14);
    EXPECT_EQ(lszh.runways[1].secondaryNumber, 32);
    EXPECT_DOUBLE_EQ(lszh.runways[1].headingDeg, 137.2);
    EXPECT_NEAR(lszh.runways[1].primaryThreshold.lengthMeters, 490 / geo::kFeetPerMetre, 1e-9);
    EXPECT_TRUE(lszh.runways[1].primaryThreshold.enabled);
    EXPECT_FALSE(lszh.runways[1].secondaryThreshold.enabled);
    EXPECT_EQ(lszh.starts.size(), 6u);
    EXPECT_EQ(lszh.taxiParkings.size(), 168u);
    // "A11" becomes GATE_A 11; all of Zurich's stands are 54 m gates: GATE_HEAVY.
    const FacilityTaxiParkingSetup& a11 = lszh.taxiParkings.at(3);
    EXPECT_EQ(a11.name, 12);
    EXPECT_EQ(a11.number, 11u);
    EXPECT_EQ(a11.type, 10);
    // Written and read back, the airport is the same.
    EXPECT_EQ(gf_parseAirportText(gf_airportFileText(lszh), "lszh"), lszh);

    EXPECT_THROW(gf_importAirportFacilities("QQQQ", sources), FacilityImportError);
    sources.runwaysCsv = "/nonexistent/runways.csv";
    EXPECT_THROW(gf_importAirportFacilities("LSZH", sources), FacilityImportError);
}

} // namespace
} // namespace skyloom::simworld::testing
