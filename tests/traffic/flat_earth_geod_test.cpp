// Distances and bearings of the motion's geometry against PROJ's geod on the WGS84 ellipsoid,
// for real places: airport pairs (8 to 490 km apart, one pair across the antimeridian, two
// beyond 70 N) and runways (threshold to threshold) from OurAirports in ../shared/data/runways,
// read by the simulated world's facility importer.
//
// The bounds are those a flat frame allows, stated per check:
// - scale: the frames' fixed metres per degree (111132.95, 111120 for 60 NM, 111194.9 for the
//   runway sphere) against the ellipsoid's 110574 (meridian, equator) to 111694 (pole): 1 %;
// - shape: a frame keeps the cosine of one latitude for the east scale, which is off by about
//   tan(latitude) x the latitude difference (radians) at the far point; a flat frame's
//   straight line leaves along the chord, not the geodesic's azimuth, which differ by half the
//   meridians' convergence, longitude difference x sin(latitude) / 2 (radians); the
//   ellipsoid's north and east radii differ by up to 0.7 %, which turns directions by up to
//   0.2 degrees. The bounds take twice the first two.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "platform/simworld/facility_import.h"
#include "tests/support/geod_runner.h"
#include "tests/support/shared_data.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/ground/runway_match.h"
#include "tests/traffic/support/test_numbers.h"

namespace skyloom::testing {
namespace {

constexpr double kScaleBound = 0.01;
constexpr double kAnisotropyBoundDeg = 0.25;

struct Pair {
    std::string name;
    Lalo a, b;
};

struct Reference {
    double azimuthDeg; // at a, toward b
    double metres;
};

std::vector<Reference> lf_geodesics(const std::filesystem::path& geod,
                                    const std::vector<Pair>& pairs) {
    std::vector<std::string> lines;
    for (const Pair& p : pairs) {
        lines.push_back(
            fmt::format("{:.9f} {:.9f} {:.9f} {:.9f}", p.a.lat, p.a.lon, p.b.lat, p.b.lon));
    }
    const auto rows = gf_runGeod(geod, "+ellps=WGS84 -I +units=m -f %.9f", lines);
    std::vector<Reference> out;
    for (const auto& row : rows) {
        out.push_back(row.size() == 3 ? Reference{row[0], row[2]} : Reference{0, -1});
    }
    return out;
}

// The shape terms of the bounds (radians) for a frame anchored at `a`.
struct Shape {
    double eastScale; // relative
    double convergence;
};
Shape lf_shape(const Lalo& a, const Lalo& b) {
    const double lat = std::max(std::abs(a.lat), std::abs(b.lat)) * kDeg;
    const double dLat = std::abs(b.lat - a.lat) * kDeg;
    const double dLon = std::abs(gf_longitudeDifference(a.lon, b.lon)) * kDeg;
    return Shape{dLat * std::tan(lat), dLon * std::sin(lat) / 2};
}

class FlatEarthGeodTest : public ::testing::Test {
protected:
    void SetUp() override {
        geod_ = gf_findOnPath("geod");
        if (geod_.empty()) {
            GTEST_SKIP() << "geod (PROJ, Debian package proj-bin) is not on the PATH";
        }
        airportsCsv_ = sharedPath("data/runways/airports.csv");
        runwaysCsv_ = sharedPath("data/runways/runways.csv");
        if (airportsCsv_.empty() || runwaysCsv_.empty()) {
            GTEST_SKIP() << "shared data not found: ../shared/data/runways";
        }
    }

    // The airport as the facility importer reads it from OurAirports.
    simworld::AirportFacilitySetup airport(const std::string& icao) const {
        return simworld::gf_importAirportFacilities(icao, {airportsCsv_, runwaysCsv_, {}});
    }

    std::vector<Pair> airportPairs() const {
        const std::vector<std::pair<std::string, std::string>> names = {
            {"PANC", "PAMR"}, {"KMSP", "KSTP"}, {"KJFK", "KLGA"}, {"YSSY", "YSBK"},
            {"CYUL", "CYHU"}, {"SBGR", "SBSP"}, {"FAOR", "FALA"}, {"EGLL", "EGKK"},
            {"RJTT", "RJAA"}, {"PABR", "PATQ"}, {"LSZH", "LSZB"}, {"BGTL", "BGQQ"},
            {"NFNA", "NFNL"}, {"UHMA", "UHMD"},
        };
        std::vector<Pair> pairs;
        for (const auto& [a, b] : names) {
            const auto from = airport(a);
            const auto to = airport(b);
            pairs.push_back({a + "-" + b,
                             {from.latitudeDeg, from.longitudeDeg},
                             {to.latitudeDeg, to.longitudeDeg}});
        }
        return pairs;
    }

    // Each runway of these airports from one threshold (its START) to the other.
    std::vector<Pair> runwayPairs() const {
        std::vector<Pair> pairs;
        for (const char* icao :
             {"KMSP", "KDEN", "LSZH", "BGTL", "NFNA", "PABR", "UHMA", "YSSY", "RJTT", "FAOR"}) {
            const auto a = airport(icao);
            for (std::size_t i = 0; i + 1 < a.starts.size(); i += 2) {
                const auto& le = a.starts[i];
                const auto& he = a.starts[i + 1];
                pairs.push_back({fmt::format("{} {}", icao, le.number),
                                 {le.latitudeDeg, le.longitudeDeg},
                                 {he.latitudeDeg, he.longitudeDeg}});
            }
        }
        return pairs;
    }

    std::filesystem::path geod_;
    std::filesystem::path airportsCsv_;
    std::filesystem::path runwaysCsv_;
};

TEST_F(FlatEarthGeodTest, AirportPairs) {
    const std::vector<Pair> pairs = airportPairs();
    ASSERT_EQ(pairs.size(), 14u);
    const std::vector<Reference> refs = lf_geodesics(geod_, pairs);
    ASSERT_EQ(refs.size(), pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const Pair& p = pairs[i];
        const Reference& ref = refs[i];
        SCOPED_TRACE(
            fmt::format("{}: {:.0f} m, azimuth {:.3f}", p.name, ref.metres, ref.azimuthDeg));
        ASSERT_GT(ref.metres, 0);
        const Shape shape = lf_shape(p.a, p.b);

        // The great circle on the program's sphere: scale and anisotropy only.
        const DistanceBearing db = gf_distanceBearingMetres(p.a, 0, p.b);
        EXPECT_NEAR(db.distance, ref.metres, kScaleBound * ref.metres);
        EXPECT_NEAR(std::abs(gf_wrapAngle(db.angle - ref.azimuthDeg * kDeg)) / kDeg, 0,
                    kAnisotropyBoundDeg);

        // The ground frame (111132.95 m per degree, cos of a's latitude).
        const FlatOffset o = gf_flatOffsetMetres(p.a, p.b, 111132.95, std::cos(p.a.lat * kDeg));
        const double flat = std::hypot(o.east, o.north);
        EXPECT_NEAR(flat, ref.metres, (kScaleBound + 2 * shape.eastScale) * ref.metres);
        EXPECT_NEAR(std::abs(gf_wrapAngle(gf_flatHeading(o.east, o.north) - ref.azimuthDeg * kDeg)),
                    0, kAnisotropyBoundDeg * kDeg + 2 * (shape.eastScale + shape.convergence));

        // The 60 NM per degree reach test decides on the right side of the bound.
        const double nm = ref.metres / 1852;
        const double margin = kScaleBound + 2 * shape.eastScale;
        EXPECT_TRUE(gf_isWithinNm(p.a, nm * (1 + margin) / 2, p.b, nm * (1 + margin) / 2));
        EXPECT_FALSE(gf_isWithinNm(p.a, nm * (1 - margin) / 2, p.b, nm * (1 - margin) / 2));
    }
}

TEST_F(FlatEarthGeodTest, RealRunwaysAreFoundAlongTheGeodesicBetweenTheirThresholds) {
    const std::vector<Pair> pairs = runwayPairs();
    ASSERT_GE(pairs.size(), 20u);
    const std::vector<Reference> refs = lf_geodesics(geod_, pairs);
    ASSERT_EQ(refs.size(), pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const Pair& p = pairs[i];
        const Reference& ref = refs[i];
        SCOPED_TRACE(
            fmt::format("{}: {:.0f} m, azimuth {:.3f}", p.name, ref.metres, ref.azimuthDeg));
        ASSERT_GT(ref.metres, 100);
        // A runway centred on one threshold, pointing along geod's azimuth to the other: the
        // other threshold lies ahead by geod's distance, on the centreline.
        FacilityRunway r;
        r.centreLatitude = p.a.lat;
        r.centreLongitude = p.a.lon;
        r.heading = gf_normaliseAngle(ref.azimuthDeg * kDeg) / kDeg;
        r.length = 2 * ref.metres;
        r.width = 60;
        r.primaryNumber = 9;
        r.secondaryNumber = 27;
        const std::vector<FacilityRunway> runways{r};
        const RunwayMatch m = gf_findRunwayAt(runways, p.b, r.heading * kDeg, false, 75);
        ASSERT_EQ(m.valid, 1);
        const Shape shape = lf_shape(p.a, p.b);
        EXPECT_NEAR(m.alongOffset, ref.metres, (kScaleBound + shape.eastScale) * ref.metres);
        EXPECT_NEAR(m.crossOffset, 0,
                    (kAnisotropyBoundDeg * kDeg + shape.eastScale + shape.convergence) *
                        ref.metres);
        EXPECT_EQ(m.endDesignator, "09");

        const DistanceBearing db = gf_distanceBearingMetres(p.a, r.heading * kDeg, p.b);
        EXPECT_NEAR(db.along, ref.metres, kScaleBound * ref.metres);
        EXPECT_NEAR(db.across, 0, kAnisotropyBoundDeg * kDeg * ref.metres);
    }
}

} // namespace
} // namespace skyloom::testing
