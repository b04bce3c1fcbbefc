// The airports converter turns OurAirports' CSV into an airports data set that the program
// reads.
#include <cstdlib>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "refdata/airports.h"
#include "tests/refdata/support/refdata_test_support.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

int lf_convert(const std::filesystem::path& csv, const std::filesystem::path& xml) {
    const auto command = fmt::format("'{}' '{}' '{}' 2026.3 > /dev/null",
                                     SKYLOOM_AIRPORTS_CONVERT_PATH, csv.string(), xml.string());
    return std::system(command.c_str());
}

class AirportsConverterTest : public ::testing::Test {
protected:
    void SetUp() override { testing::resetReferenceData(); }
    void TearDown() override { testing::resetReferenceData(); }
    testing::TempDir dir_;
};

TEST_F(AirportsConverterTest, ConvertsRowsWithAnIcaoCode) {
    testing::writeText(
        dir_ / "airports.csv",
        "\"id\",\"ident\",\"type\",\"name\",\"latitude_deg\",\"longitude_deg\",\"elevation_ft\","
        "\"icao_code\",\"iata_code\"\n"
        "1,\"EDDF\",\"large_airport\",\"Frankfurt, Main\",50.026706,8.55835,364,\"EDDF\",\"FRA\"\n"
        "2,\"00AA\",\"small_airport\",\"Aero B Ranch\",38.704022,-101.473911,3435,,\n"
        "3,\"XXXX\",\"closed\",\"Gone \"\"old\"\" field\",10,10,5,\"XXXX\",\n"
        "4,\"NFNM\",\"medium_airport\",\"Matei\",-16.690599,-179.876999,,\"NFNM\",\"TVU\"\n"
        "5,\"EDDF\",\"heliport\",\"Second\",1,1,1,\"EDDF\",\n"
        "6,\"ZZZZ\",\"small_airport\",\"Nowhere\",0,0,1,\"ZZZZ\",\n");
    ASSERT_EQ(lf_convert(dir_ / "airports.csv", dir_ / "input" / "airports.xml"), 0);
    gf_readAirports(dir_ / "input");
    EXPECT_EQ(gf_airportCount(), 2u);
    const auto eddf = gf_findAirportById(IcaoCode("EDDF"));
    ASSERT_TRUE(eddf.has_value());
    EXPECT_EQ(eddf->iata.text(), "FRA");
    EXPECT_EQ(eddf->altitudeFt, 364);
    EXPECT_DOUBLE_EQ(eddf->lon, 8.55835);
    EXPECT_EQ(gf_findAirportById(IcaoCode("NFNM"))->altitudeFt, 0);
}

TEST_F(AirportsConverterTest, MissingInputFails) {
    EXPECT_NE(lf_convert(dir_ / "none.csv", dir_ / "airports.xml"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "airports.xml"));
}

TEST_F(AirportsConverterTest, FilteredOurAirportsFileConvertsCompletely) {
    SKYLOOM_REQUIRE_SHARED(csv, "data/runways/airports.csv");
    ASSERT_EQ(lf_convert(csv, dir_ / "input" / "airports.xml"), 0);
    gf_readAirports(dir_ / "input");
    EXPECT_GT(gf_airportCount(), 4000u);
    EXPECT_EQ(gf_findAirportById(IcaoCode("LSZH"))->iata.text(), "ZRH");
}

} // namespace
} // namespace skyloom
