// How long a live aircraft's step to its next sample takes: the speed that times it, the
// fastest its reports allow it to catch up at, and the retiming of the target's arrival tick
// within the windows. Time is in traffic ticks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "feed/traffic_entry.h"
#include "traffic/motion/motion_world.h"

namespace skyloom {

struct LiveAircraft;

// The retiming windows: as a rule, at a stand and from the take-off roll, and the late window
// while the take-off roll starts.
inline constexpr std::int32_t kWindowTicks = 900;
inline constexpr std::int32_t kWideWindowTicks = 2700;
inline constexpr std::int32_t kTakeoffLateWindowTicks = 4500;
inline constexpr std::int32_t kShortestStepTicks = 25;
// However late an aircraft is, it flies a leg at most this much faster than its reports say.
inline constexpr double kLateCatchUpPace = 1.2;
// A leg may always be flown this fast (times kLateCatchUpPace): slower reports, a standing
// aircraft's positions a metre apart, say nothing of how fast it may catch up a few metres.
inline constexpr double kSlowestLegKt = 30.0;

// A landing roll still slowing from its touch-down: faster than a taxi goes (kOffRunwayMostKt),
// by its present speed or the speeds its step's two samples report. Slowed to a taxi's speed it
// is timed and bounded as a taxi, whatever its phase says until it turns off.
bool lf_rollsOutFromTouchDown(const LiveAircraft& aircraft);
// Fixes the length of an airborne step.
void nextPosAir(MotionContext& ctx);
// Moves stream[1]'s arrival tick so that the step lasts `ticks`, within the windows; a leg to
// a moving target is never flown faster than kLateCatchUpPace times its reports' speed.
void lf_retimeTarget(MotionContext& ctx, std::uint32_t ticks);
// The shortest a leg from the present position to a moving stream[1] may take: flown at
// kLateCatchUpPace times the fastest speed its reports give (lf_fastestReportedKt), along the
// path it flies; on the ground no faster than the aircraft rolls at the most. 0 when the
// target stands.
std::int64_t lf_leastLegTicks(const LiveAircraft& a);
// Sample `from` falls due `later` ticks later (earlier where negative). Those after it that it
// would then come after follow it at kLateCatchUpPace times the pace their schedule gave them,
// no earlier than their reports are due and no more than `later` later: a sample reached late
// takes the next ones along only as far as it must, and the aircraft makes the delay up. Every
// retiming of samples goes through here.
void lf_delaySamplesFrom(std::deque<TrafficSample>& stream, std::size_t from, std::int32_t later);
// The tick at which the feed's newest report of the aircraft falls due by its time stamp
// (where none was noted, its newest sample's due tick); 0 when there is none. The motion times
// a late aircraft's samples later (a report is timed from the sample before it, which it
// reached late); when the reports run out is reckoned from this.
std::int32_t lf_newestReportDueTick(const LiveAircraft& aircraft);
// Whether an airborne aircraft in flight lies so far behind its newest report, due by now,
// that, flown to at kLateCatchUpPace times the fastest speed its reports give, it would reach
// it only after the reports ran out (a playback delay after it fell due): it is removed rather
// than moved there faster, or flown on for as long as it is late. Judged when it has ended its
// leg to that report, or once the reports have run out with reports still to fly: till then a
// newer report may still come. Before, WWW232 at Las Vegas, whose reports jumped about, ended
// its leg to its last report 10 km short of it and covered them in about 3 s on its first step
// without reports; KLAS 1fb4a2bf, 190 s behind its jumping reports when they ran out, flew on
// to its last one and was shown 220 s after it fell due.
bool lf_tooFarBehindToCatchUp(const LiveAircraft& aircraft, std::int32_t tick);
// The arrival tick of a rotorcraft's stationary target.
void lf_retimeHover(MotionContext& ctx);

// The speed (kt) that times a step, from the first two samples of the stream: their reported
// ground speeds, in flight the speed their positions give (lf_positionsSpeedKt) where the
// reported one is stale and more than a tenth off it.
double lf_stepSpeedKts(const LiveAircraft& aircraft);
// The fastest speed (kt) the first two samples give: their ground speeds (in flight those that
// their positions do not belie), or what their positions make over their times; 30 kt at least.
// Where stream[1] is a sample made from stream[0]'s report (a mid or corner sample), the speeds
// up to the next report's count too.
double lf_fastestReportedKt(const LiveAircraft& aircraft);
// In flight, where the reports ahead give a stale velocity (one speed and track, to the feed's
// whole knots and degrees, while their positions lie off that track), the speed (kt) that the
// positions of the first two samples give over their reports' time stamps (5 s apart at least),
// along the path flown from the direction of flight; not a number elsewhere.
double lf_positionsSpeedKt(const LiveAircraft& aircraft);

} // namespace skyloom
