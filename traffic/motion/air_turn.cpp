#include "traffic/motion/air_turn.h"

#include <cmath>
#include <vector>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/air_leg.h"
#include "traffic/motion/air_step.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/motion/step_timing.h"
#include "traffic/motion/track_steering.h"
#include "traffic/motion/turn_reach.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr std::size_t kTrackAheadSamples = 6;
constexpr double kReportedTrackAgreementRad = 45.0 * geo::kRadiansPerDegree;
constexpr double kLargestArrivalOffsetRad = 90.0 * geo::kRadiansPerDegree;
// A reported track this close to the chord before its report or the one after it says the
// turn has not begun there, or is over (the feed rounds tracks to degrees and positions to
// some 10 m, a degree or two over a chord of a few hundred metres).
constexpr double kAlongChordRad = 5.0 * geo::kRadiansPerDegree;
// A corner turns at least this much, by the chords around its report and by the reported tracks:
// the chords of a straight flight whose positions the feed stamps late turn by 10 to 40 degrees
// (an airliner's at 530 kt by 12 degrees while its tracks said 61 and 65).
constexpr double kCornerLeastTurnRad = 30.0 * geo::kRadiansPerDegree;
// A leg may turn this much faster than the reports around it turn (their chords cut the arc the
// aircraft flies), and their turn counts only over so long.
constexpr double kReportsTurnMargin = 1.1;
constexpr double kReportsTurnLeastSeconds = 1.0;
constexpr double kReportsTurnMostRad = 60.0 * geo::kRadiansPerDegree;

// The heading the turn of the step aims at: the direction of the track after stream[1], or,
// low in an approach or a climb-out, the direction the aircraft is to be aligned with there.
struct TurnTarget {
    double heading = 0.0;
    bool alignment = false; // the feed's true heading or the landing's track ahead
};

// The sample after stream[1] that gives the direction beyond it: the first far enough from it
// (gf_leastLegMetres: the feed's positions are rounded to about 10 m, so that a report a second
// or two after the other gives no direction); 0 when there is none.
std::size_t lf_sampleBeyond(const LiveAircraft& a) {
    const auto& s = a.stream;
    if (s.size() < 3) {
        return 0;
    }
    for (std::size_t k = 2; k < s.size(); ++k) {
        if (gf_distanceNM(lf_lalo(s[1]), lf_lalo(s[k])) * geo::kMetresPerNM >=
            gf_leastLegMetres(s[1], s[k])) {
            return k;
        }
    }
    return 0;
}

TurnTarget lf_turnTargetHeading(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    const auto& s = a.stream;
    const bool landing = a.phase.phase == FlightPhase::landing;
    const double hag = a.step.lastHeightAboveGroundFt;
    const Lalo here = lf_position(a);
    if (s[1].trueHeadingValid != 0 && hag < (landing ? 2000.0 : 1000.0)) {
        return {s[1].trueHeadingRad, true};
    }
    const std::size_t beyond = lf_sampleBeyond(a);
    TurnTarget target{beyond != 0 ? gf_bearing(lf_lalo(s[1]), lf_lalo(s[beyond]))
                                  : gf_bearing(here, lf_lalo(s[1])),
                      false};
    if (landing && hag < 2000.0) {
        std::vector<Lalo> track;
        for (std::size_t i = 1; i < s.size() && track.size() < kTrackAheadSamples; ++i) {
            if (s[i].airborne != 0 && s[i].stationary == 0) {
                track.push_back(lf_lalo(s[i]));
            }
        }
        const TrackDirection ahead = gf_trackDirectionAhead(here, track, a.sent.headingRad, 300.0,
                                                            800.0, 0.08726646259971647);
        if (ahead.valid) {
            target = {ahead.direction, true};
        }
    }
    return target;
}

// The direction at the point between two legs (the first `inLength` long in direction
// `inHeading`, the second `outLength` long in `outHeading`) of the circle through their ends:
// in a steady turn each leg then is an arc of it, flown at one turn rate however unevenly the
// reports are spaced.
double lf_tangentAt(double inHeading, double inLength, double outHeading, double outLength) {
    const double total = inLength + outLength;
    const double share = total > 0 ? inLength / total : 0.5;
    return gf_normaliseAngle(inHeading + gf_wrapAngle(outHeading - inHeading) * share);
}

// The direction along which the circular arc that leaves along `flying` and ends at the end of
// a leg in direction `leg` arrives: as far off the leg as it left, to the other side.
double lf_arcArrival(double flying, double leg) {
    return gf_normaliseAngle(leg + gf_wrapAngle(leg - flying));
}

// Whether stream[1]'s reported track shows a corner there, where the circle through the
// reports would spread its turn over the legs either side: the chords around stream[1] turn by
// kCornerLeastTurnRad or more, and so do the reported tracks, either after stream[1] (its track
// and the one before it lie along the chord that leads to it, `in`: the turn has not begun) or
// before it (its track and the one beyond it, `beyond`, lie along the chord beyond, `out`: the
// turn is over). A late position makes the chords around it turn while the tracks do not; a
// transponder's stale velocity (the positions give the speed) says nothing of it.
bool lf_isCornerTrack(const LiveAircraft& a, double in, double out, std::size_t beyond) {
    const auto& s = a.stream;
    const auto track = [&s](std::size_t i) { return s[i].trackDeg * geo::kRadiansPerDegree; };
    const auto along = [&](std::size_t i, double chord) {
        return std::abs(gf_wrapAngle(track(i) - chord)) <= kAlongChordRad;
    };
    const auto turns = [](double from, double to) {
        return std::abs(gf_wrapAngle(to - from)) >= kCornerLeastTurnRad;
    };
    const bool notBegun = along(1, in) && along(0, in) && turns(track(1), track(beyond));
    const bool over = along(1, out) && along(beyond, out) && turns(track(0), track(1));
    return turns(in, out) && (notBegun || over) && !std::isfinite(lf_positionsSpeedKt(a));
}

// How fast the reports around stream[1] turn, in radians a second: the change of direction from
// the leg to it to the leg beyond it (both long enough to have a direction) over the time
// between the legs' middles, by the reports' time stamps; 0 where they give none or turn more
// than 60 degrees.
double lf_reportsTurnRateRadPerS(const LiveAircraft& a, std::size_t beyond) {
    const auto& s = a.stream;
    if (beyond == 0 || gf_distanceNM(lf_lalo(s[0]), lf_lalo(s[1])) * geo::kMetresPerNM <
                           gf_leastLegMetres(s[0], s[1])) {
        return 0.0;
    }
    const double seconds =
        (gf_secondsBetweenReports(s[0], s[1]) + gf_secondsBetweenReports(s[1], s[beyond])) / 2.0;
    const double turn = gf_wrapAngle(gf_bearing(lf_lalo(s[1]), lf_lalo(s[beyond])) -
                                     gf_bearing(lf_lalo(s[0]), lf_lalo(s[1])));
    // Chords that turn much from one to the next sample the turn too coarsely to tell its rate
    // (a glider's reports half a circle apart).
    return seconds >= kReportsTurnLeastSeconds && std::abs(turn) <= kReportsTurnMostRad
               ? std::abs(turn) / seconds
               : 0.0;
}

// The fastest the leg may turn: the category's plausible rate at the step's speed, or, where
// the reports themselves turn faster (a ground track turns faster than the still-air rate of
// its bank downwind), theirs with a margin, within the category's ceiling.
double lf_legTurnRateRadPerS(const LiveAircraft& a, double speedKt, std::size_t beyond) {
    return std::max(gf_plausibleTurnRateRadPerS(a.base.category, speedKt),
                    std::min(gf_turnCeilingRadPerS(a.base.category),
                             kReportsTurnMargin * lf_reportsTurnRateRadPerS(a, beyond)));
}

} // namespace

void lf_setupTurn(MotionContext& ctx, std::int32_t stepTicks) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    const TurnTarget target = lf_turnTargetHeading(ctx);
    const Lalo here = lf_position(a);
    const Lalo to = lf_lalo(a.stream[1]);
    const double leg = gf_bearing(here, to);
    const auto within = [leg](double heading, double most) {
        return std::abs(gf_wrapAngle(heading - leg)) <= most;
    };
    const double reported = a.stream[1].trackDeg * geo::kRadiansPerDegree;
    const double flying = st.pathHeadingSet != 0 ? st.pathHeading : a.sent.headingRad;
    double arrival = leg;
    const std::size_t beyond = lf_sampleBeyond(a);
    if (target.alignment) {
        arrival = target.heading;
    } else if (beyond != 0) {
        arrival = lf_tangentAt(leg, gf_distanceNM(here, to), target.heading,
                               gf_distanceNM(to, lf_lalo(a.stream[beyond])));
        // A turn the reports sample too coarsely for their positions to show (a helicopter
        // circling), and a corner, which the circle spreads over the legs either side of it:
        // the reported track shows them.
        if ((!within(arrival, kLargestArrivalOffsetRad) &&
             within(reported, kLargestArrivalOffsetRad)) ||
            lf_isCornerTrack(a, leg, target.heading, beyond)) {
            arrival = reported;
        }
    } else if (within(reported, kReportedTrackAgreementRad) ||
               std::abs(gf_wrapAngle(reported - lf_arcArrival(flying, leg))) <=
                   kReportedTrackAgreementRad) {
        arrival = reported;
    }
    // A leg too short for its direction to be more than the feed's rounding (the last target,
    // placed straight ahead) is flown straight on: an arrival turned off it in a second or
    // two is a corner.
    if (!within(arrival, kLargestArrivalOffsetRad) ||
        gf_distanceNM(here, to) * geo::kMetresPerNM < gf_leastLegMetres(a.stream[0], a.stream[1])) {
        arrival = leg;
    }
    const double hag = st.lastHeightAboveGroundFt;
    const double limit = gf_bankLimit(gf_categoryBankLimitRad(a.base.category),
                                      a.phase.phase == FlightPhase::landing && std::isfinite(hag),
                                      hag, st.touchDownStage > 0);
    const double speedKt = lf_stepSpeedKts(a);
    const BankCommand turn =
        gf_airTurn(a.sent.headingRad, arrival, a.sent.bankRad, speedKt, stepTicks, limit);
    a.sent.bankRad = turn.currentBank;
    st.bankRate = turn.bankRate;
    // What the heading needs where the aircraft does not move (a hovering rotorcraft).
    st.turnRate = gf_wrapAngle(arrival - a.sent.headingRad) / stepTicks;
    const AirLegPath path = gf_planAirLeg(
        {here, to, flying, arrival, stepTicks / kMotionTicksPerSecond,
         lf_legTurnRateRadPerS(a, speedKt, beyond), speedKt * geo::kMetresPerSecondPerKnot,
         kLateCatchUpPace * lf_fastestReportedKt(a) * geo::kMetresPerSecondPerKnot});
    if (path.shape == AirLegShape::straight) {
        // The step's own increments fly it and the nose holds the leg's direction; a leg too
        // short to have one (a rotorcraft hover-taxiing) leaves the nose to its motion.
        st.pathHeading = gf_normaliseAngle(path.heading[0]);
        st.pathHeadingSet = path.lengthMetres >= kAirLegStraightMetres ? 1 : 0;
    } else if (path.shape != AirLegShape::none) {
        st.airLeg = CurvedAirLeg{path, stepTicks, 0, 1};
    }
}

} // namespace skyloom
