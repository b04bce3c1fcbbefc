// No helper of the motion numerics gives not-a-number for finite input: seeded random inputs
// that mix ordinary values with the awkward ones (0, -0, +-180, +-90, a heading a hair below
// 2 pi, tiny and huge magnitudes, two samples at one position, a zero time step) go through
// every helper, and every number that comes out is checked.
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "traffic/removals/air_conflict.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/kinematics.h"
#include "traffic/ground/runway_match.h"
#include "traffic/decode/sample_checks.h"
#include "traffic/motion/speed_profile.h"
#include "traffic/motion/air_leg.h"
#include "traffic/motion/track_steering.h"
#include "traffic/ground/turn_path.h"

namespace skyloom {
namespace {

class Inputs {
public:
    explicit Inputs(std::uint32_t seed) : engine_(seed) {}

    // Any finite value, awkward ones often.
    double any() {
        static constexpr double kAwkward[] = {0.0,
                                              -0.0,
                                              180.0,
                                              -180.0,
                                              90.0,
                                              -90.0,
                                              360.0,
                                              1e-300,
                                              -1e-300,
                                              1e300,
                                              -1e300,
                                              1e-9,
                                              2 * std::numbers::pi - 1e-15,
                                              179.9999999};
        if (pick_(engine_) < 0.3) {
            return kAwkward[index_(engine_) % std::size(kAwkward)];
        }
        return wide_(engine_);
    }
    // A position near the last one more often than not (close or identical samples).
    Lalo position() {
        if (pick_(engine_) < 0.5) {
            last_ = Lalo{lat_(engine_), lon_(engine_)};
        } else if (pick_(engine_) < 0.5) {
            last_ = Lalo{last_.lat + small_(engine_), last_.lon + small_(engine_)};
        } else if (pick_(engine_) < 0.2) {
            last_ = Lalo{any(), any()};
        }
        return last_;
    }
    double heading() { return pick_(engine_) < 0.8 ? angle_(engine_) : any(); }
    double positive() { return pick_(engine_) < 0.8 ? std::abs(wide_(engine_)) : any(); }

private:
    std::mt19937 engine_;
    std::uniform_real_distribution<double> pick_{0.0, 1.0};
    std::uniform_int_distribution<std::size_t> index_{0, 1000};
    std::uniform_real_distribution<double> wide_{-500.0, 500.0};
    std::uniform_real_distribution<double> lat_{-90.0, 90.0};
    std::uniform_real_distribution<double> lon_{-180.0, 180.0};
    std::uniform_real_distribution<double> small_{-0.002, 0.002};
    std::uniform_real_distribution<double> angle_{0.0, 2 * std::numbers::pi};
    Lalo last_{45, 7};
};

class NumberCheck {
public:
    void operator()(double value, const char* what) {
        if (std::isnan(value)) {
            ADD_FAILURE() << what << " is not a number in case " << case_;
        }
    }
    void operator()(const Lalo& p, const char* what) {
        (*this)(p.lat, what);
        (*this)(p.lon, what);
    }
    int case_ = 0;
};

TEST(FiniteInputTest, NoHelperReturnsNotANumber) {
    Inputs in(182181);
    NumberCheck check;
    for (int i = 0; i < 4000; ++i) {
        check.case_ = i;

        SpeedProfile profile;
        gf_buildSpeedProfile(profile, in.positive(), in.positive(), in.any(), in.any());
        const double t = in.any();
        check(gf_speedProfileSpeedAt(profile, t), "speed");
        check(gf_speedProfileDistanceAt(profile, t), "distance");
        check(gf_speedProfileMinSpeed(profile), "lowest speed");
        check(gf_speedProfileMaxSpeed(profile), "highest speed");
        check(gf_speedProfileExtremum(profile), "extremum");
        check(gf_speedProfileFraction(profile, t), "fraction");
        SpeedProfile fitted;
        if (gf_fitSpeedProfile(fitted, in.positive(), in.positive(), in.any(), in.any(),
                               in.positive())) {
            check(gf_speedProfileSpeedAt(fitted, t), "fitted speed");
        }

        const Lalo a = in.position();
        const Lalo b = in.position();
        const double heading = in.heading();
        const DistanceBearing db = gf_distanceBearingMetres(a, heading, b);
        check(db.distance, "distance");
        check(db.angle, "angle");
        check(db.along, "along");
        check(db.across, "across");
        Lalo normalised = b;
        gf_normaliseLonCheckLat(normalised);
        check(normalised, "normalised position");

        const TrackPull pull = gf_pullTowardTrack({a, b, heading, in.any(), in.any(), in.any()});
        check(pull.position, "pulled position");
        check(pull.bearing, "pull bearing");
        check(pull.angle, "pull angle");
        check(pull.crossDistance, "pull cross distance");
        const std::vector<Lalo> track{in.position(), in.position(), in.position()};
        const TrackDirection direction =
            gf_trackDirectionAhead(a, track, heading, in.positive(), in.positive(), in.positive());
        check(direction.direction, "track direction");
        check(direction.distance, "track distance");
        const CurvePoint curve = gf_curveBetweenHeadings(a, b, in.heading(), in.heading(), in.any());
        check(curve.latitude, "curve latitude");
        check(curve.longitude, "curve longitude");
        check(curve.heading, "curve heading");
        const AirLegPath leg = gf_planAirLeg({a, b, in.heading(), in.heading(), in.positive(),
                                              in.positive(), in.any(), in.any()});
        const AirLegPoint along = gf_airLegPointAt(leg, in.any());
        check(along.latitude, "air leg latitude");
        check(along.longitude, "air leg longitude");
        check(along.heading, "air leg heading");

        BankRequest bank{in.heading(),  in.heading(),  in.any(),      in.any(),
                         i % 2 == 0,    in.any(),      in.positive(), in.positive(),
                         in.positive(), in.positive(), in.positive()};
        const BankCommand command = gf_bankForTurn(bank);
        check(command.currentBank, "bank");
        check(command.turnRate, "turn rate");
        check(command.bankRate, "bank rate");
        check(command.targetBank, "target bank");
        check(gf_bankLimit(in.any(), i % 3 == 0, in.any(), i % 5 == 0), "bank limit");
        check(gf_ease(in.any(), i % 5), "ease");
        check(gf_stepToward(in.any(), in.any(), in.any()), "step");
        const std::vector<double> recent{in.any(), in.any()};
        check(gf_limitDescentRate(in.any(), recent, static_cast<AircraftCategory>(i % 7))
                  .verticalSpeed,
              "descent limit");

        const JumpCheck jump = gf_checkJumpSpeed(in.any(), i % 4 == 0 ? 0.0 : in.any(), in.any(),
                                                 in.any(), static_cast<AircraftCategory>(i % 7));
        check(jump.minimumTime, "minimum time");
        check(jump.requiredSpeed, "required speed");
        const FinalDescent descent = gf_steepenFinalDescent(
            {in.any(), in.any(), in.any(), in.any(), in.any(), in.any(), {}});
        check(descent.verticalSpeed, "steeper descent");
        check(descent.aimDistance, "aim distance");
        const AirConflict conflict = gf_predictAirConflict(
            {i % 3, a, b, std::cos(a.lat), heading, in.heading(), in.any(), in.any()});
        check(conflict.distanceNM, "conflict distance");
        check(conflict.alongNM, "conflict along");
        check(conflict.crossFt, "conflict cross");
        check(conflict.trackDifferenceDeg, "conflict track difference");

        const Lalo e = in.position();
        GroundTurnRequest request;
        request.startLatitude = a.lat;
        request.startLongitude = a.lon;
        request.cornerLatitude = b.lat;
        request.cornerLongitude = b.lon;
        request.endLatitude = e.lat;
        request.endLongitude = e.lon;
        request.startHeading = heading;
        request.endAtCorner = i % 2;
        request.hasEndHeading = i % 3 == 0;
        request.endHeading = in.heading();
        if (i % 4 == 0) {
            request.startTangentFactor = in.any();
            request.maximumCurvatureDegPerMetre = in.any();
            request.cornerDistanceFactor = in.any();
        }
        GroundTurnPath path;
        gf_buildGroundTurnPath(path, request);
        check(path.length, "path length");
        check(path.outsideSwing, "outside swing");
        check(path.chordDeviation, "chord deviation");
        check(path.turnAngleDeg, "turn angle");
        check(path.startMismatchDeg, "start mismatch");
        const GroundPathPoint point = gf_groundPathPointAt(path, in.any());
        check(point.latitude, "path latitude");
        check(point.longitude, "path longitude");
        check(point.heading, "path heading");

        FacilityRunway runway;
        runway.centreLatitude = a.lat;
        runway.centreLongitude = a.lon;
        runway.heading = std::abs(in.any());
        runway.length = in.positive();
        runway.width = in.positive();
        runway.altitude = in.any();
        runway.primaryThreshold = {in.any(), 45, 1};
        const std::vector<FacilityRunway> runways{runway};
        const RunwayMatch match = gf_findRunwayAt(runways, b, heading, i % 2 == 0, in.any());
        if (match.valid != 0) {
            check(match.crossOffset, "runway cross offset");
            check(match.alongOffset, "runway along offset");
            check(match.distanceFromStart, "runway distance from the start");
            check(match.score, "runway score");
            check(match.altitudeFt, "runway altitude");
            if (match.distancePastThreshold) {
                check(*match.distancePastThreshold, "distance past the threshold");
            }
        }
    }
}

} // namespace
} // namespace skyloom
