// Runway identification on a real track: the readsb trace of N899DN (B739) of 4 and 5 February
// 2025 (../shared/data/tracks/trace_full_ac671b.json) at Minneapolis (KMSP) and Denver (KDEN).
// The runways are OurAirports' (../shared/data/runways), converted into facility data of the
// simulated world, read back through the facility connection and loaded into a runway list
// the way the park airport's are.
//
// The rolls are the runs of consecutive "ground" points at 30 kt or more. The runway end each
// roll really used was read by hand from the trace against OurAirports' thresholds: the
// ground track names the direction (121 degrees: a 12 runway, 169: 17, 270: 26), and the
// points' distance from each runway's centreline (the line between its two published
// thresholds) picks the runway: the KMSP landings lie within 2 m of 12R-30L's line and about
// 1 km from 12L-30R's; the first KMSP take-off within 5 m of 12L-30R's, 180 to 380 m past the
// 12L threshold; the second within 7 m of 17-35's, from 110 m past the 17 threshold; the KDEN
// landing within 2 m of 08-26's, rolling west, so on 26.
#include <cmath>
#include <fstream>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/simworld/facility_import.h"
#include "runtime/stop_request.h"
#include "tests/sim/support/facility_test_support.h"
#include "tests/support/shared_data.h"
#include "traffic/ground/runway_list.h"
#include "traffic/ground/runway_match.h"
#include "tests/traffic/support/test_numbers.h"

namespace skyloom::testing {
namespace {

constexpr double kRollSpeedKt = 30;

struct TracePoint {
    double seconds;
    Lalo position;
    std::optional<double> altitudeFt; // none on the ground
    double groundSpeedKt;
    double trackDeg;
};

std::vector<TracePoint> lf_readTrace(const std::filesystem::path& path) {
    std::ifstream in(path);
    const nlohmann::json trace = nlohmann::json::parse(in).at("trace");
    std::vector<TracePoint> points;
    for (const auto& p : trace) {
        // [dt, lat, lon, alt ft or "ground", gs kt, track, ...]; a point may lack a track.
        if (!p[4].is_number() || !p[5].is_number()) {
            continue;
        }
        TracePoint t{p[0].get<double>(),
                     {p[1].get<double>(), p[2].get<double>()},
                     std::nullopt,
                     p[4].get<double>(),
                     p[5].get<double>()};
        if (p[3].is_number()) {
            t.altitudeFt = p[3].get<double>();
        }
        points.push_back(t);
    }
    return points;
}

struct Roll {
    std::size_t first;
    std::size_t last;
};

std::vector<Roll> lf_findRolls(const std::vector<TracePoint>& points) {
    std::vector<Roll> rolls;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const bool rolling = !points[i].altitudeFt && points[i].groundSpeedKt >= kRollSpeedKt;
        if (!rolling) {
            continue;
        }
        if (!rolls.empty() && rolls.back().last + 1 == i) {
            rolls.back().last = i;
        } else {
            rolls.push_back({i, i});
        }
    }
    return rolls;
}

class RunwayTrackTest : public FacilityTest {
protected:
    // The airport's facility data built from OurAirports, and its airports-table entry.
    static std::optional<simworld::AirportFacilitySetup> importAirport(const std::string& icao) {
        simworld::FacilityImportSources sources;
        sources.airportsCsv = sharedPath("data/runways/airports.csv");
        sources.runwaysCsv = sharedPath("data/runways/runways.csv");
        if (sources.airportsCsv.empty() || sources.runwaysCsv.empty()) {
            return std::nullopt;
        }
        return simworld::gf_importAirportFacilities(icao, sources);
    }
    static AirportEntry entryOf(const simworld::AirportFacilitySetup& airport) {
        AirportEntry e;
        e.icao = IcaoCode(airport.icao);
        e.lat = airport.latitudeDeg;
        e.lon = airport.longitudeDeg;
        e.altitudeFt = static_cast<std::int32_t>(std::lround(airport.altitudeMeters * 3.2808399));
        return e;
    }
};

TEST_F(RunwayTrackTest, EachRollIsPlacedOnTheRunwayEndItUsed) {
    SKYLOOM_REQUIRE_SHARED(tracePath, "data/tracks/trace_full_ac671b.json");
    const auto kmsp = importAirport("KMSP");
    const auto kden = importAirport("KDEN");
    if (!kmsp || !kden) {
        GTEST_SKIP() << "shared data not found: ../shared/data/runways";
    }
    startWorld({*kmsp, *kden});

    struct Expected {
        const char* airport;
        bool takeOff;
        const char* end;
    };
    const std::vector<Expected> expected = {
        {"KMSP", false, "12R"}, {"KMSP", true, "12L"}, {"KMSP", false, "12R"},
        {"KMSP", true, "17"},   {"KDEN", false, "26"},
    };
    const std::vector<TracePoint> points = lf_readTrace(tracePath);
    const std::vector<Roll> rolls = lf_findRolls(points);
    ASSERT_EQ(rolls.size(), expected.size());

    RunwayList list;
    StopControl stop;
    for (std::size_t i = 0; i < rolls.size(); ++i) {
        const Expected& x = expected[i];
        const Roll& roll = rolls[i];
        SCOPED_TRACE(fmt::format("{} {} {}", x.airport, x.takeOff ? "take-off" : "landing", x.end));
        const auto& airport = std::string(x.airport) == "KMSP" ? *kmsp : *kden;
        list.correctRunwayHeadings(IcaoCode(x.airport), "stock", entryOf(airport), stop);
        ASSERT_EQ(list.runways().size(), airport.runways.size());

        for (std::size_t k = roll.first; k <= roll.last; ++k) {
            const TracePoint& p = points[k];
            SCOPED_TRACE(fmt::format("point {} at {} kt", k, p.groundSpeedKt));
            const double heading = p.trackDeg * kDeg;
            EXPECT_EQ(gf_runwayNameAt(list.runways(), p.position, heading), x.end);
            const RunwayMatch onCentreline =
                gf_findRunwayOnCentreline(list.runways(), p.position, heading);
            ASSERT_EQ(onCentreline.valid, 1);
            EXPECT_EQ(onCentreline.endDesignator, x.end);
            EXPECT_LT(std::abs(onCentreline.crossOffset), 10);
            if (!x.takeOff) {
                // Landings roll past the threshold with runway left ahead.
                const RunwayMatch threshold =
                    gf_findRunwayWithThreshold(list.runways(), p.position, heading);
                ASSERT_EQ(threshold.valid, 1);
                EXPECT_GT(*threshold.distancePastThreshold, 0);
                EXPECT_LT(*threshold.distancePastThreshold, *threshold.availableLength);
            }
        }
        if (x.takeOff) {
            // The take-off roll starts inside the start window of its runway end.
            const TracePoint& start = points[roll.first];
            const RunwayMatch m =
                gf_findRunwayAt(list.runways(), start.position, start.trackDeg * kDeg, true, 75);
            ASSERT_EQ(m.valid, 1);
            EXPECT_EQ(m.endDesignator, x.end);
            EXPECT_LE(m.distanceFromStart, m.startWindow);
        }
        // The airborne points of the last minute before touch-down, or the first minute after
        // lift-off, fly over or toward the same runway: wherever they name a runway end, it is
        // this one. (The trace's altitudes are pressure altitudes, so time marks them best.)
        int named = 0;
        const double rollTime = x.takeOff ? points[roll.last].seconds : points[roll.first].seconds;
        for (std::size_t k = 0; k < points.size(); ++k) {
            const TracePoint& p = points[k];
            const double since = x.takeOff ? p.seconds - rollTime : rollTime - p.seconds;
            if (!p.altitudeFt || since <= 0 || since > 60) {
                continue;
            }
            const auto name = gf_runwayNameAt(list.runways(), p.position, p.trackDeg * kDeg);
            if (name) {
                ++named;
                EXPECT_EQ(*name, x.end) << "airborne point " << k;
            }
        }
        EXPECT_GT(named, 0);
        EXPECT_TRUE(gf_isNearAirport(list.runways(), points[roll.first].position));
    }
    EXPECT_THAT(importantLines(), ::testing::IsEmpty());
    EXPECT_TRUE(logHas("RUNWAY_HEADING: KMSP 4 runways: 04-22, 12L-30R, 12R-30L, 17-35"));
    EXPECT_TRUE(logHas("RUNWAY_HEADING: KDEN 6 runways: 07-25, 08-26, 16L-34R, 16R-34L, "
                       "17L-35R, 17R-35L"));
}

} // namespace
} // namespace skyloom::testing
