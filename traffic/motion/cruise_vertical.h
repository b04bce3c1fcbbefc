// The vertical path of a cruise or approach leg (flying or landing, stream[1] airborne). The
// feed's altitudes wobble by hundreds of feet from one report to the next, its vertical speeds
// do not: the leg flies the reported vertical speed (the mean of stream[0]'s and stream[1]'s),
// corrected toward stream[1]'s altitude over at least 30 s and by at most 1000 fpm, so that the
// aircraft keeps to the reports' altitudes without flying every wobble. A feed without vertical
// speeds (every sample ahead reports 0) gives the trend of the altitudes instead: the median
// slope between every two of the last samples reached and the next ones ahead.
//
// Where the reports bear out their altitudes (the rate between two reports' altitudes lies
// within the rates the two reports give, a tenth of the faster or 300 fpm either side, and the
// category flies it), a flying leg follows them instead, on the reports' own clock: the cubic
// from stream[0]'s altitude to stream[1]'s over the time between the two reports, up to when
// stream[1]'s falls due (where the position lags its reports, the altitude does not), with the
// rate at each report that the altitudes around it give (so that the rate goes on across a
// report); an aircraft off it when the leg begins takes that up as the reported rates are
// corrected above. A flight that flies parabolas (some 16,000 fpm up and down a minute apart)
// climbed away from its reports on the reported rates with the correction's 1000 fpm: 14,562 ft
// off them after five minutes.
//
// Whichever of the two shapes the leg, between two reports with altitudes of their own it keeps
// within 500 ft of the band of their altitudes and, where the category flies from the one to the
// other in the time between them, ends within 500 ft of stream[1]'s (so that the next leg begins
// in its own band; a report thousands of feet off its neighbours is not chased). Where the shape
// would not (the reported vertical speed as the tick eases it, where a feed's vertical speeds
// disagree with its altitudes; the correction of 1000 fpm, where the aircraft lies far off
// them), the leg flies the reports' altitudes on their clock as above and takes the aircraft's
// offset from them up by the time stream[1]'s report falls due, at 3,000 fpm at the most (what
// every category climbs) beside the reports' own rate. Parabolas reported with half their
// vertical speed 8 s late sank 4,549 ft below the band of the reports around them; now 299 ft
// at most. An extrapolated sample has no altitude of its own, nor has a report that repeats the
// altitude and the vertical speed of the one before it (a transponder that updates them once a
// minute: four reports at 14,800 ft and 2,176 fpm, then 18,700 ft, would have the aircraft climb
// the minute's altitude in one leg). Where reports repeat an altitude while their vertical
// speed says they climb or descend, the legs among them and the one after them fly the
// reports' altitudes on their clock from the first report of the repeated altitude to the
// first report after the repeats (the Las Vegas capture's reports hold one altitude for 30 to
// 50 s and then step by up to 2,000 ft: flying the reported vertical speed over the repeats,
// aircraft met the step up to 1,052 ft above it); a level flight's repeats fly level as before,
// and legs without two reports of their own around them (an extrapolated sample) as before too.
#pragma once

#include <cstdint>
#include <optional>

#include "refdata/aircraft_category.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

// Feet per tick over a leg of `length` ticks; stream[1] must exist.
double gf_cruiseVerticalStep(const LiveAircraft& aircraft, std::int32_t length);

// The fastest vertical rate (fpm, either way) the category plausibly flies at `speedKt`: the
// speed's share along its steepest path (traffic/motion/motion_constants.h), the floor at least.
double gf_plausibleVerticalRateFpm(AircraftCategory category, double speedKt) noexcept;

// The vertical leg of a flying step of `length` ticks set up at `tick` toward stream[1], whose
// report falls due at `dueTick`: the reports' altitudes where they bear them out, or where the
// reported vertical speed would not keep to the band (see above); none where the step flies the
// reported vertical speed (gf_cruiseVerticalStep). stream[1] must exist.
std::optional<VerticalLeg> gf_planVerticalLeg(const LiveAircraft& aircraft, std::int32_t dueTick,
                                              std::int32_t tick, std::int32_t length);

// Keeps the altitude of the sample just reached while airborne, and the last report reached
// with an altitude of its own; the ground clears both.
void gf_rememberReachedAltitude(ReachedAltitudes& reached, const TrafficSample& s0);

// The altitude (ft) and vertical rate (ft per tick) of a vertical leg at `tick`: the reports'
// altitude there, and what is left of the aircraft's offset from it.
struct VerticalPoint {
    double altitudeFt = 0.0;
    double ftPerTick = 0.0;
};
VerticalPoint gf_verticalLegAt(const VerticalLeg& leg, std::int32_t tick) noexcept;

} // namespace skyloom
