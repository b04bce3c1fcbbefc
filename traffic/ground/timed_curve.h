// `TimedCurve`: the quadratic Bezier curve that carries an aircraft on the ground from a timed
// start position through a control point to a timed end position at constant speed along its
// length. Built in the flat frame of the ground turn paths around the start; read as position
// and heading at any time between the two ends. A curve that could not be built answers every
// query with a failure.
#pragma once

#include <array>

#include "foundation/lalo.h"
#include "traffic/motion/motion_constants.h"

namespace skyloom {

struct TimedPoint {
    double latitude = 0.0;
    double longitude = 0.0;
    double time = 0.0; // any unit, used consistently (the motion uses seconds)
};

struct TimedCurve {
    double originLatitude = 0.0;
    double originLongitude = 0.0;
    double startTime = 0.0;
    double endNorth = 0.0; // metres from the origin
    double endEast = 0.0;
    double endTime = 0.0;
    double controlEast = 0.0;
    double controlNorth = 0.0;
    // Entry k: length from u = 0 to u = k / 64 over the whole length.
    std::array<double, motion::kTimedCurveSteps + 1> lengthTable{};
};

// Builds the curve from start through control to end; the start time must come before the
// end time. A failed build leaves both times and the control offsets not-a-number.
void gf_buildTimedCurve(TimedCurve& curve, const TimedPoint& start, const TimedPoint& control,
                        const TimedPoint& end) noexcept;

// The position and heading (rad, in [0, 2 pi)) at `time`, which must lie between the curve's
// start and end times; false, leaving the outputs alone, when there is none.
bool gf_timedCurvePointAt(const TimedCurve& curve, Lalo& position, double& heading,
                          double time) noexcept;

} // namespace skyloom
