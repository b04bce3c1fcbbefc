// A take-off at Las Vegas through the program's own wiring (tests/traffic/support/
// program_replay.h): DAL2232, an A321 of the KLAS capture, reports on the ground at 90 kt on
// runway 26R and 10 s later some 100 ft above the field, climbing. Its roll never runs more
// than 100 m past the runway's far end, and where the reports say airborne the object lifts
// off: whether the program knows the airport's runways or not (without an airport file the
// park airport's runways are not loaded), and when the reports never leave the ground the
// roll ends at the runway's end with the failed take-off.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "feed/rt_app_datagram.h"
#include "feed/rt_records.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/program_replay.h"
#include "tests/traffic/support/track_capture.h"

namespace skyloom::testing {
namespace {

constexpr const char* kLasVegasCapture = "feed/recordings/KLAS_20190305_2056Z.txt";
constexpr double kLasVegasElevationFt = 2181.0;
// The user at the south-west apron, away from runway 26R and its taxiways.
const ReplayAirport kLasVegas{"KLAS", {36.0735, -115.1780}, 0.0};
// Runway 26R's far end (OurAirports: the threshold of 08L), and its direction.
const Lalo kRunway26RFarEnd{36.076333, -115.171333};
constexpr double kRunway26RHeadingDeg = 270.0;
// How far past the far end a roll may run, and what one tick of it adds (a roll runs at 170 kt
// at the most, 0.9 m a tick) before the next tick's check ends it.
constexpr double kPastEndMetres = 100.0;
constexpr double kOneTickMetres = 1.0;
// The rotation after the lift-off decision takes a second or so: at 190 kt some 100 m go by
// before the wheels leave the ground.
constexpr double kRotationMetres = 200.0;
// DAL2232's reports from its standing at the holding point of 26R on, and the first report
// of its climb-out.
constexpr double kFromEpoch = 1551820040.0;
constexpr double kClimbOutEpoch = 1551820130.0;

// The capture's datagrams of one aircraft from a time on, each burst with them alone.
tools::Capture lf_onlyAircraft(const tools::Capture& capture, const std::string& callsign,
                               double fromEpoch) {
    tools::Capture only;
    for (const tools::CaptureBurst& burst : capture.bursts) {
        if (burst.time < fromEpoch) {
            continue;
        }
        tools::CaptureBurst kept{burst.time, {}};
        for (const std::string& datagram : burst.datagrams) {
            const AppDatagram split = gf_splitAppDatagram(datagram);
            if (split.kind == AppDatagramKind::traffic &&
                std::string(gf_rttfcRecord(split).callsign) == callsign) {
                kept.datagrams.push_back(datagram);
            }
        }
        if (!kept.datagrams.empty()) {
            only.bursts.push_back(std::move(kept));
        }
    }
    return only;
}

// The same reports with the climb-out reported on the ground (as a transponder stuck on
// "ground" sends it): position, speed and track as captured, at altitude 0 as the capture
// reports the ground.
tools::Capture lf_climbOutOnTheGround(const tools::Capture& capture) {
    tools::Capture changed = capture;
    for (tools::CaptureBurst& burst : changed.bursts) {
        if (burst.time < kClimbOutEpoch) {
            continue;
        }
        for (std::string& datagram : burst.datagrams) {
            const RtTrafficRecord r = gf_rttfcRecord(gf_splitAppDatagram(datagram));
            TruePoint p =
                gf_groundReport(0.0, {r.latitude, r.longitude}, r.groundSpeedKt.value_or(0.0),
                                r.trackDeg.value_or(0.0), 0.0);
            const TrackIdentity who{r.hexid,
                                    std::string(r.callsign),
                                    std::string(r.model),
                                    std::string(r.registration),
                                    std::string(r.origin),
                                    std::string(r.destination)};
            datagram = gf_rttfcDatagram(who, p, r.timestamp);
        }
    }
    return changed;
}

// Metres past runway 26R's far end along its direction (negative before it).
double lf_pastFarEnd(const Lalo& at) {
    const double metres = gf_distanceNM(kRunway26RFarEnd, at) * geo::kMetresPerNM;
    const double off =
        gf_bearing(kRunway26RFarEnd, at) - kRunway26RHeadingDeg * geo::kRadiansPerDegree;
    return std::cos(off) * metres;
}

struct RollCase {
    const char* name;
    bool airportFile;      // the park airport's runways are known
    bool climbOutOnGround; // the reports never leave the ground
    friend void PrintTo(const RollCase& c, std::ostream* out) { *out << c.name; }
};

class TakeoffRollReplay : public ProgramReplayTest,
                          public ::testing::WithParamInterface<RollCase> {};

TEST_P(TakeoffRollReplay, EndsWithin100MetresPastTheRunwayAndLiftsOffWhereTheReportsSayAirborne) {
    SKYLOOM_REQUIRE_SHARED(capturePath, kLasVegasCapture);
    const RollCase& c = GetParam();
    tools::Capture capture = lf_onlyAircraft(
        tools::gf_readCapture(capturePath, kLasVegasElevationFt), "DAL2232", kFromEpoch);
    if (c.climbOutOnGround) {
        capture = lf_climbOutOnTheGround(capture);
    }
    const std::string skip =
        prepare(kLasVegas, std::move(capture), ManualClock::utcTime(2026, 1, 7, 20, 57, 20));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    if (!c.airportFile) {
        std::filesystem::remove(workFolder() / "airports" / "my_thirdparty" / "KLAS.xml");
    }
    ASSERT_EQ(reports().size(), 1u) << "DAL2232 is not in the capture";
    const auto& [hexid, reports] = *this->reports().begin();
    std::optional<Lalo> firstAirborne;
    for (const TrafficEntry& r : reports) {
        if (r.sample.airborne != 0 && !firstAirborne) {
            firstAirborne = Lalo{r.sample.latitude, r.sample.longitude};
        }
    }
    ASSERT_EQ(firstAirborne.has_value(), !c.climbOutOnGround);

    ReplayRunOptions options;
    options.afterLastBurst = std::chrono::seconds(30);
    options.followed = {hexid};
    const ReplayRunResult result = run(options);
    ASSERT_TRUE(result.frames.contains(hexid)) << "DAL2232 was never shown";
    const std::vector<ObjectFrame>& frames = result.frames.at(hexid);

    double farthestOnGround = -1e9;
    bool rolled = false;
    const ObjectFrame* liftOff = nullptr;
    for (const ObjectFrame& f : frames) {
        rolled = rolled || f.phase == FlightPhase::takeoff_roll;
        if (f.onGround) {
            farthestOnGround = std::max(farthestOnGround, lf_pastFarEnd({f.latitude, f.longitude}));
        } else if (liftOff == nullptr) {
            liftOff = &f;
        }
    }
    EXPECT_TRUE(rolled) << "no take-off roll";
    EXPECT_LE(farthestOnGround, kPastEndMetres + kOneTickMetres)
        << "metres past 26R's far end on the ground";
    const std::vector<std::string> failed = logLinesWith("removed: its take-off roll failed");
    if (c.climbOutOnGround) {
        EXPECT_EQ(liftOff, nullptr);
        EXPECT_EQ(failed.size(), 1u);
        return;
    }
    EXPECT_THAT(failed, ::testing::IsEmpty());
    ASSERT_NE(liftOff, nullptr) << "DAL2232 never left the ground";
    // Off the ground where its first airborne report puts it (plus the rotation), not beyond.
    EXPECT_LE(lf_pastFarEnd({liftOff->latitude, liftOff->longitude}) -
                  lf_pastFarEnd(*firstAirborne),
              kRotationMetres);
    EXPECT_FALSE(frames.back().onGround);
}

INSTANTIATE_TEST_SUITE_P(Klas26R, TakeoffRollReplay,
                         ::testing::Values(RollCase{"RunwaysKnown", true, false},
                                           RollCase{"RunwaysNotKnown", false, false},
                                           RollCase{"ClimbOutReportedOnTheGround", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace skyloom::testing
