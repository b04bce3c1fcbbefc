// The rotation of a take-off: the speed at which an aircraft of a category plausibly leaves the
// ground, the fastest any of its objects moves on the ground (across the park airport off its
// runways, a taxi's), and where a take-off roll whose next report says airborne reaches that
// speed on its runway (docs/motion.md, "The speed on the ground" and "The take-off roll").
#pragma once

#include <span>

#include "foundation/lalo.h"
#include "refdata/aircraft_category.h"
#include "sim/facility_runways.h"

namespace skyloom {

struct LiveAircraft;
struct MotionContext;

// The plausible rotation speed of the category, in knots indicated: the top of the ICAO
// aircraft approach category (PANS-OPS, Doc 8168) its aircraft fall in: Light and Rotorcraft
// A (90), TwoProps B (120), Bizjet C (140), Large and Heavy D (165), HighPerf E (210).
double gf_rotationSpeedKt(AircraftCategory category) noexcept;

// Ground speed over indicated airspeed at a rotation: at a field as high as Mexico City's
// (7,316 ft) on a warm day the true airspeed is 1.15 times the indicated, and a tailwind adds
// a few knots.
inline constexpr double kRotationGroundSpeedMargin = 1.2;

// No object of the category moves faster on the ground (kt): its rotation speed with the
// margin.
double gf_fastestOnGroundKt(AircraftCategory category) noexcept;

// A taxi across the park airport off its runways goes no faster (kt): a fast taxi. (A take-off
// or landing roll keeps to its runway and to the rotation's bound.)
inline constexpr double kOffRunwayMostKt = 40.0;

// The fastest an object of the category moves on the ground from `from` to `to` (kt): as it
// rolls at the most where both lie on one runway of the park airport's (`runways`) or either
// lies away from them (another airport's runways are not known); else, across the airport off
// its runways, kOffRunwayMostKt at the most.
double gf_fastestOnGroundKt(AircraftCategory category, std::span<const FacilityRunway> runways,
                            const Lalo& from, const Lalo& to);

// The fastest the aircraft moves on the ground in its present step (kt): what the step found
// for its leg, at most as it rolls at the most. Every tick on the ground and every leg's timing
// keep to it.
double lf_groundStepMostKt(const LiveAircraft& a) noexcept;

// Every tick of a take-off roll on the ground: 100 m past its runway's far end the aircraft
// lifts off when its reports say it flies, its rotation begun so much earlier that its wheels
// leave the ground by then; else its take-off roll failed and it is removed (true). Nothing
// while the runway under the roll is not known.
bool lf_checkRollPastRunwayEnd(MotionContext& ctx);

// The roll's acceleration toward its rotation speed, metres a second squared: about a fifth of
// g, what airliners and light aircraft alike reach on a take-off roll.
inline constexpr double kTakeoffAccelerationMps2 = 2.0;

// A take-off roll whose next report says airborne farther on than the roll needs to reach its
// rotation speed (the reports of AMX222 at Mexico City repeat a position at the threshold and
// then come 8.5 km on, 19 s later) rotates where it reaches that speed at the take-off
// acceleration, or earlier where the runway's end comes first (its wheels leave the ground no
// more than 100 m past it): a rotation point is put into the stream before the report, as a
// sample on the ground that says airborne, due when the roll gets there; the reports after it
// that it overtook come that much later. The roll lifts off at it and flies on to the report
// in the air. True when the point was put in.
bool lf_insertRotationPoint(MotionContext& ctx);

// A roll past its runway's far end goes no further: the aircraft lifts off when its reports
// say it flies, else its take-off roll failed (true: it was removed).
bool lf_endRollPastRunwayEnd(MotionContext& ctx);

} // namespace skyloom
