// The walk along a ground turn path no faster than the nose turns: the path's direction turns
// by its curvature times the pace, and where that would outrun the category's ground turn rate
// at that pace the walk slows down to it, however the step was timed. An aircraft on the ground
// moves where its nose points, and the nose turns no faster than that (lf_moveOneTick): walked
// at its schedule's pace through a hairpin of the reports (137 to 270 degrees in 30 m at 25
// kt), UAL1693 at Los Angeles moved up to 102 degrees off its nose. Late there, the walk
// catches up afterwards, no faster than the reports allow, and the path still reaches its end:
// its target and those after it fall due later where they must.
//
// The walk is worked out once, when the step is prepared, tick by tick: the path's direction
// comes from a table of its curve's own samples (no curve is evaluated per tick), and a slowed
// tick's pace, where the nose's lag reaches its bound, is looked up in that table (false
// position where that does not close in). Evaluating the curve and bisecting 24 times at every
// slowed tick, UAL1693's hairpin (30 m walked over 1,442 ticks) cost 4 to 6 ms of one main cycle
// of 10 ms.
#include "traffic/ground/path_pace.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/ground/turn_path.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/hermite.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

using namespace ground;

namespace {

constexpr double kMetresPerTickPerKt = geo::kMetresPerSecondPerKnot / kTicksPerSecond;
// The path's direction runs at most this far ahead of the nose: a corner of noisy reports (a
// bend of 20 to 50 degrees in 12 m at 12 kt) is not walked seconds late for a lag the eye does
// not see, and the nose stays well within 30 degrees of where the aircraft moves.
constexpr double kNoseLagRad = 15.0 * geo::kRadiansPerDegree;
// A walk late by more than this (a path whose curve no nose follows) keeps its schedule
// instead: the path was not for this aircraft.
constexpr std::size_t kMostLateTicks = 6000;
// A slowed tick's pace is found to this share of the pace wanted, in at most so many rounds.
constexpr double kPaceTolerance = 1e-6;
constexpr int kMostPaceSteps = 40;
// What rounding leaves of the lag at the pace found (radians).
constexpr double kLagRoundingRad = 1e-9;

// The path's direction by the share of its length walked: at the samples of its length table
// (the curve's own, k / 128 of its parameter), unwound so that it runs on without a jump of a
// full turn, and linear in the share between two samples (a hairpin's direction turns about a
// degree from one to the next). The walk only goes forward: a look-up starts from the sample
// it has passed.
class PathDirection {
public:
    explicit PathDirection(const GroundTurnPath& path) : share_(path.lengthTable) {
        const FlatOffset t0{path.startTangentEast, path.startTangentNorth};
        const FlatOffset p1{path.endEast, path.endNorth};
        const FlatOffset t1{path.endTangentEast, path.endTangentNorth};
        for (std::size_t k = 0; k < heading_.size(); ++k) {
            const HermitePoint h =
                gf_hermiteAt(static_cast<double>(k) / motion::kGroundPathSteps, t0, p1, t1);
            const double raw = gf_flatHeading(h.derivative.east, h.derivative.north);
            heading_[k] = k == 0 ? raw : heading_[k - 1] + gf_wrapAngle(raw - heading_[k - 1]);
        }
    }

    // The walk has come to `share`.
    void reach(double share) noexcept {
        while (passed_ + 2 < share_.size() && share_[passed_ + 1] <= share) {
            ++passed_;
        }
    }

    double at(double share) const noexcept {
        share = std::clamp(share, 0.0, 1.0);
        std::size_t k = passed_;
        while (k + 2 < share_.size() && share_[k + 1] < share) {
            ++k;
        }
        const double from = share_[k];
        const double to = share_[k + 1];
        const double w = to > from ? std::clamp((share - from) / (to - from), 0.0, 1.0) : 0.0;
        return heading_[k] + (heading_[k + 1] - heading_[k]) * w;
    }

    // The first share from `from` on (up to `to`) at which the direction reaches `target`,
    // turning the way of `sign`; `to` where it does not.
    // `heading` is the direction at `from`.
    double firstReach(double target, double sign, double from, double heading,
                      double to) const noexcept {
        std::size_t k = passed_;
        while (k + 2 < share_.size() && share_[k + 1] < from) {
            ++k;
        }
        double share = from;
        for (; k + 1 < share_.size(); ++k) {
            if (sign * (heading - target) >= 0.0) {
                return std::min(share, to);
            }
            const double next = heading_[k + 1];
            if (sign * (next - target) >= 0.0) {
                return std::min(
                    share + (share_[k + 1] - share) * (target - heading) / (next - heading), to);
            }
            if (share_[k + 1] >= to) {
                return to;
            }
            share = share_[k + 1];
            heading = next;
        }
        return to;
    }

private:
    const std::array<double, motion::kGroundPathSteps + 1>& share_;
    std::array<double, motion::kGroundPathSteps + 1> heading_{};
    std::size_t passed_ = 0;
};

// One tick of the walk from `share` with the nose at `nose` (unwound as the path's direction
// is, which it follows within a few degrees): how far the path's direction after a pace of
// `grow` (share per tick) lies beyond the lag the nose may have after turning toward it at the
// category's ground turn rate at that pace (`headingRate` rad per tick); the walk may go so far
// where this is 0 or less.
struct NoseTick {
    const PathDirection& direction;
    double share;
    double nose;
    double metres;
    double headingRate;

    double mostTurn(double grow) const noexcept {
        return lf_turnFactorBySpeed(grow * metres / kMetresPerTickPerKt) * headingRate;
    }
    double excessLag(double grow) const noexcept {
        return std::abs(direction.at(share + grow) - nose) - mostTurn(grow) - kNoseLagRad;
    }

    // The fastest pace below `grow` (whose lag is `excess`, above the bound, the path's
    // direction then `ahead`) that the nose still follows: where the path's direction lies as
    // far ahead of the nose as it may after the tick's turn.
    double followedPace(double grow, double excess, double ahead) const noexcept {
        double low = 0.0;
        double high = grow;
        if (closeInByLookUps(grow, ahead >= nose ? 1.0 : -1.0, low, high)) {
            return low;
        }
        double lowExcess = excessLag(low);
        double highExcess = high < grow ? excessLag(high) : excess;
        if (!(lowExcess <= kLagRoundingRad && highExcess > 0.0)) {
            low = 0.0;
            lowExcess = excessLag(low);
            high = grow;
            highExcess = excess;
        }
        return lowExcess <= kLagRoundingRad ? falsePosition(grow, low, lowExcess, high, highExcess)
                                            : 0.0;
    }

    // The turn of the tick is the larger the slower the pace: the pace at which the path's
    // direction lies as far ahead as the turn at a pace above the one sought allows comes out
    // below it, and with the turn at one below it, above it. Where the path turns fast for the
    // nose (a hairpin) the pairs of look-ups close in some tenfold each; true when they have
    // found it (`low`), else `low` and `high` bound it as far as they came.
    bool closeInByLookUps(double grow, double sign, double& low, double& high) const noexcept {
        const double here = direction.at(share);
        const auto paceAt = [&](double turn) {
            return direction.firstReach(nose + sign * (turn + kNoseLagRad), sign, share, here,
                                        share + grow) -
                   share;
        };
        low = paceAt(mostTurn(grow));
        high = grow;
        for (int i = 0; i < kMostPaceSteps; ++i) {
            const double above = paceAt(mostTurn(low));
            const double below = paceAt(mostTurn(above));
            if (!(low <= below && below <= above && above <= high)) {
                return false;
            }
            const bool closing = above - below < (high - low) / 2.0;
            low = below;
            high = above;
            if (high - low <= kPaceTolerance * grow) {
                return true;
            }
            if (!closing) {
                return false;
            }
        }
        return false;
    }

    // False position between a pace the nose follows and one it does not (Illinois' variant:
    // a side kept twice has its value halved); from the pace of 0, which the nose always
    // follows, where the path's direction turns back and forth.
    double falsePosition(double grow, double low, double lowExcess, double high,
                         double highExcess) const noexcept {
        int kept = 0;
        for (int i = 0; i < kMostPaceSteps && high - low > kPaceTolerance * grow &&
                        lowExcess < -kLagRoundingRad;
             ++i) {
            const double mid = low + (high - low) * (-lowExcess / (highExcess - lowExcess));
            const double at = excessLag(mid);
            if (at <= 0.0) {
                low = mid;
                lowExcess = at;
                highExcess = kept < 0 ? highExcess / 2.0 : highExcess;
                kept = kept < 0 ? kept - 1 : -1;
            } else {
                high = mid;
                highExcess = at;
                lowExcess = kept > 0 ? lowExcess / 2.0 : lowExcess;
                kept = kept > 0 ? kept + 1 : 1;
            }
        }
        return low;
    }
};

} // namespace

void lf_paceWithinTheNose(MotionContext& ctx, std::int32_t ticks) {
    LiveAircraft& a = ctx.aircraft;
    GroundPathFollow& g = a.step.groundPath;
    auto& s = a.stream;
    const double headingRate = a.base.headingRateRadPerTick;
    if (g.done != 0 || !(g.path.length > 0.0) || ticks <= 0 || s.size() < 2 ||
        !(headingRate > 0.0)) {
        return;
    }
    // The schedule's share of the path at each tick.
    std::vector<double> planned = g.increments;
    if (planned.empty()) {
        planned.assign(static_cast<std::size_t>(ticks), 1.0 / ticks);
    }
    const double catchUp =
        kLateCatchUpPace * lf_fastestReportedKt(a) * kMetresPerTickPerKt / g.path.length;
    PathDirection direction(g.path);
    std::vector<double> walk;
    walk.reserve(planned.size());
    double fraction = 0.0;
    double due = 0.0;
    double nose = direction.at(0.0) + gf_wrapAngle(a.sent.headingRad - direction.at(0.0));
    bool slowed = false;
    for (std::size_t t = 0; fraction < 1.0; ++t) {
        if (walk.size() > planned.size() + kMostLateTicks) {
            return;
        }
        const double wanted = t < planned.size() ? planned[t] : 0.0;
        due = t + 1 < planned.size() ? std::min(due + wanted, 1.0) : 1.0;
        double grow = std::min(due - fraction, std::max(wanted, catchUp));
        const NoseTick tick{direction, fraction, nose, g.path.length, headingRate};
        double ahead = direction.at(fraction + grow);
        double most = tick.mostTurn(grow);
        if (const double excess = std::abs(ahead - nose) - most - kNoseLagRad; excess > 0.0) {
            // As far as the nose follows: a turn needs less the slower the walk.
            grow = tick.followedPace(grow, excess, ahead);
            ahead = direction.at(fraction + grow);
            most = tick.mostTurn(grow);
            slowed = true;
        }
        nose += std::clamp(ahead - nose, -most, most);
        walk.push_back(grow);
        fraction = std::min(fraction + grow, 1.0);
        direction.reach(fraction);
    }
    if (!slowed) {
        return;
    }
    g.increments = std::move(walk);
    g.index = 0;
    const auto late = static_cast<std::int32_t>(g.increments.size()) - ticks;
    if (late <= 0) {
        return;
    }
    // The step ends when the walk does: its target is due that much later, and those after it
    // where they would otherwise come before it, at the catch-up pace.
    lf_delaySamplesFrom(s, 1, late);
}

} // namespace skyloom
