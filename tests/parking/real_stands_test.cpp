// Real stand layouts (FlightGear ground nets of EHAM, KSFO and LSZH in ../shared, converted at
// test time) written as airport files and read back: the same stands in the same order, within
// 0.1 m and 0.1 degree.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "parking/airport_file_reader.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

class RealStandsTest : public ::testing::TestWithParam<const char*> {};

double lf_headingDifferenceDeg(double a, double b) {
    const double d = std::fabs(a - b) * geo::kDegreesPerRadian;
    return std::min(d, 360.0 - d);
}

TEST_P(RealStandsTest, ALayoutReadsBackWithTheSameStands) {
    const std::string icao = GetParam();
    SKYLOOM_REQUIRE_SHARED(parking, "data/stands/" + icao + "/parking.xml");
    const testing::CapturedLog log;
    const testing::TempDir dir;
    AirportFile airport = testing::airportNamed(icao);
    airport.stands = testing::flightGearStands(parking);
    ASSERT_GT(airport.stands.size(), 100u);
    ASSERT_TRUE(testing::writeApf(airport, dir / (icao + ".xml")));

    const AirportFileReadResult read = gf_readAirportFile(dir / (icao + ".xml"), {});
    ASSERT_TRUE(read) << read.error;
    const std::vector<Stand>& stands = read.file->stands;
    ASSERT_EQ(stands.size(), airport.stands.size());
    std::size_t overlapping = 0;
    for (std::size_t i = 0; i < stands.size(); ++i) {
        const Stand& r = stands[i];
        const Stand& e = airport.stands[i];
        SCOPED_TRACE(e.id);
        EXPECT_EQ(r.id, e.id);
        EXPECT_EQ(r.type, e.type);
        EXPECT_EQ(r.cargo, e.cargo);
        EXPECT_EQ(r.ramp, e.ramp);
        EXPECT_LT(gf_distanceNM(r.position, e.position) * geo::kMetresPerNM, 0.1);
        EXPECT_LT(lf_headingDifferenceDeg(r.heading, e.heading), 0.1);
        EXPECT_NEAR(r.radius * geo::kMetresPerNM, e.radius * geo::kMetresPerNM, 0.05);
        for (const std::int32_t other : r.exclusions) {
            const std::vector<std::int32_t>& back = stands.at(other - 1).exclusions;
            EXPECT_NE(std::find(back.begin(), back.end(), r.sid), back.end()) << other;
        }
        overlapping += r.exclusions.empty() ? 0 : 1;
    }
    // Stands of real aprons stand close enough for some circles to overlap.
    EXPECT_GT(overlapping, 0u);
    EXPECT_FALSE(log.contains("==> "));
}

INSTANTIATE_TEST_SUITE_P(FlightGearGroundNets, RealStandsTest,
                         ::testing::Values("EHAM", "KSFO", "LSZH"));

} // namespace
} // namespace skyloom
